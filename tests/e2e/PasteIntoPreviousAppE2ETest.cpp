#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <iostream>
#include <memory>

namespace qv {
namespace {

// The paste path under a real X server and window manager: a window is in front, the "panel"
// (the probe's own window) takes the focus, an item is picked, and the keystroke must reach the
// window that was in front before, and nothing else.
class PasteIntoPreviousApp : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.start()) << session_.log().toStdString();
    env_ = session_.environment();
    env_.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
      env_.insert(QLatin1String(name), folder_.filePath(QLatin1String(name)));
  }

  void TearDown() override {
    if (HasFailure()) {
      for (auto* process : {targetA_.get(), targetB_.get(), probe_.get(), panel_.get()})
        if (process) std::cerr << process->log().toStdString() << std::endl;
      std::cerr << "X session:\n" << session_.log().toStdString() << std::endl;
    }
    xdotool({QStringLiteral("keyup"), QStringLiteral("shift"), QStringLiteral("a"), QStringLiteral("b")});
    panel_.reset();
    probe_.reset();
    targetB_.reset();
    targetA_.reset();
    session_.stop();
  }

  // Starts a paste target and waits until it has the focus; returns its window id.
  QString startTarget(std::unique_ptr<test::LineProcess>& target, const QStringList& arguments = {}) {
    target = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pastetarget"), arguments, env_);
    const QString ready = target->waitForLine(QStringLiteral("ready "));
    EXPECT_FALSE(target->waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";
    return ready.section(u' ', 1, 1);
  }

  void startProbe() {
    probe_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pasteprobe"), QStringList{}, env_);
    ASSERT_FALSE(probe_->waitForLine(QStringLiteral("ready")).isEmpty());
  }

  // Notes the frontmost application, then moves the focus to the probe's panel window.
  void rememberAndOpenPanel(const QString& expectedWindow) {
    probe_->send(QStringLiteral("remember"));
    EXPECT_EQ(probe_->waitForLine(QStringLiteral("remembered ")).section(u' ', 1, 1), expectedWindow);
    probe_->send(QStringLiteral("panel"));
    ASSERT_FALSE(probe_->waitForLine(QStringLiteral("panel active")).isEmpty());
  }

  bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(env_);
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
  }

  // The target's current text, asked for after everything it printed so far.
  QString textOf(test::LineProcess& target) {
    const qsizetype seen = target.lines().size();
    target.send(QStringLiteral("text"));
    return target.waitForLine(QStringLiteral("text "), 10000, seen).mid(5);
  }

  test::XvfbSession session_;
  QTemporaryDir folder_;
  QProcessEnvironment env_;
  std::unique_ptr<test::LineProcess> targetA_, targetB_, probe_, panel_;
};

// Fields of a "key press|release <key> <modifiers> <time>" line.
struct KeyLine {
  QString kind;
  int key = 0, modifiers = 0;
  qint64 time = 0;
};
QList<KeyLine> keyLines(const QStringList& lines) {
  QList<KeyLine> keys;
  for (const QString& line : lines) {
    const QStringList words = line.split(u' ');
    if (words.size() == 5 && words[0] == QLatin1String("key"))
      keys.append({words[1], words[2].toInt(), words[3].toInt(), words[4].toLongLong()});
  }
  return keys;
}

TEST_F(PasteIntoPreviousApp, PickedTextLandsInThePreviousWindowEvenWithShiftHeld) {
  const QString window = startTarget(targetA_);
  startProbe();
  rememberAndOpenPanel(window);

  // The user still holds Shift when the paste comes (as after Shift+Return).
  ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("shift")}));
  probe_->send(QStringLiteral("pick Pasted text 1"));
  EXPECT_EQ(probe_->waitForLine(QStringLiteral("written ")), QStringLiteral("written true"));
  EXPECT_EQ(probe_->waitForLine(QStringLiteral("outcome ")), QStringLiteral("outcome pasted"));
  EXPECT_FALSE(targetA_->waitForLine(QStringLiteral("text Pasted text 1")).isEmpty());
  EXPECT_EQ(textOf(*targetA_), QStringLiteral("Pasted text 1"));
  EXPECT_EQ(probe_->lines().count(QStringLiteral("own-write")), 1);

  // V came with Ctrl alone, held long enough for fields that miss short presses.
  ASSERT_FALSE(targetA_->waitForLine(QStringLiteral("key release %1 ").arg(int(Qt::Key_V))).isEmpty());
  const QList<KeyLine> keys = keyLines(targetA_->lines());
  const auto press = std::find_if(keys.begin(), keys.end(), [](const KeyLine& k) {
    return k.kind == QLatin1String("press") && k.key == Qt::Key_V;
  });
  ASSERT_NE(press, keys.end());
  EXPECT_EQ(press->modifiers, 2) << "expected Ctrl only (no Shift)";
  const auto release = std::find_if(
      press, keys.end(), [](const KeyLine& k) { return k.kind == QLatin1String("release") && k.key == Qt::Key_V; });
  ASSERT_NE(release, keys.end());
  EXPECT_GE(release->time - press->time, 40);
}

TEST_F(PasteIntoPreviousApp, TerminalEmulatorGetsCtrlShiftV) {
  const QString window = startTarget(targetA_, {QStringLiteral("--class"), QStringLiteral("kitty")});
  startProbe();
  rememberAndOpenPanel(window);
  probe_->send(QStringLiteral("pick ls"));
  EXPECT_EQ(probe_->waitForLine(QStringLiteral("outcome ")), QStringLiteral("outcome pasted"));
  const QString press = targetA_->waitForLine(QStringLiteral("key press %1 ").arg(int(Qt::Key_V)));
  EXPECT_EQ(press.section(u' ', 3, 3), QStringLiteral("3")) << "expected Ctrl+Shift";
}

TEST_F(PasteIntoPreviousApp, GoneApplicationGetsNoKeystroke) {
  startTarget(targetA_);
  const QString windowB = startTarget(targetB_);
  startProbe();
  rememberAndOpenPanel(windowB);

  // The application the user came from quits while the panel is open.
  targetB_->stop();
  const qsizetype seenByA = targetA_->lines().size();
  probe_->send(QStringLiteral("pick Never typed"));
  EXPECT_EQ(probe_->waitForLine(QStringLiteral("written ")), QStringLiteral("written true"));
  EXPECT_EQ(probe_->waitForLine(QStringLiteral("outcome ")), QStringLiteral("outcome targetGone"));
  EXPECT_EQ(textOf(*targetA_), QString());
  EXPECT_TRUE(keyLines(targetA_->lines().mid(seenByA)).isEmpty()) << "a key reached another window";
}

// The real edge panel: Return in the shown panel pastes the first item into the window that was
// in front when it opened.
TEST_F(PasteIntoPreviousApp, ReturnInThePanelPastesTheFirstItemIntoThePreviousWindow) {
  startTarget(targetA_);
  panel_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/panelprobe"), QStringList{}, env_);
  ASSERT_FALSE(panel_->waitForLine(QStringLiteral("ready"), 20000).isEmpty());
  panel_->send(QStringLiteral("items 3"));
  panel_->send(QStringLiteral("show"));
  panel_->send(QStringLiteral("advance 1"));
  ASSERT_FALSE(panel_->waitForLine(QStringLiteral("panel active")).isEmpty()) << "the panel never got the focus";

  ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  const QString first = QStringLiteral("Copied text number 0 — the quick brown fox");
  EXPECT_FALSE(panel_->waitForLine(QStringLiteral("visible false")).isEmpty());
  EXPECT_FALSE(targetA_->waitForLine(QStringLiteral("text ") + first).isEmpty());
  EXPECT_EQ(textOf(*targetA_), first);
  EXPECT_FALSE(panel_->lines().join(u'\n').contains(QStringLiteral("not pasted")));
}

// Keys still down on the typing device when the held keys are typed again (autorepeat off, so
// that a second press of a key already down is dropped, not taken for a repeat): each arrives
// once, after the paste, and is let go by the user's own release.
TEST_F(PasteIntoPreviousApp, KeysStillDownWhenTypedAgainArriveOnce) {
  startTarget(targetA_);
  panel_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/panelprobe"), QStringList{}, env_);
  ASSERT_FALSE(panel_->waitForLine(QStringLiteral("ready"), 20000).isEmpty());
  panel_->send(QStringLiteral("items 3"));
  panel_->send(QStringLiteral("show"));
  panel_->send(QStringLiteral("advance 1"));
  ASSERT_FALSE(panel_->waitForLine(QStringLiteral("panel active")).isEmpty()) << "the panel never got the focus";
  QProcess xset;
  xset.setProcessEnvironment(env_);
  xset.start(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("off")});
  ASSERT_TRUE(xset.waitForFinished(10000) && xset.exitCode() == 0);

  ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("a")}));
  ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("b")}));
  const QString first = QStringLiteral("Copied text number 0 — the quick brown fox");
  EXPECT_FALSE(targetA_->waitForLine(QStringLiteral("text ") + first + QStringLiteral("ab")).isEmpty());
  ASSERT_TRUE(xdotool({QStringLiteral("keyup"), QStringLiteral("a"), QStringLiteral("b")}));
  ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("c")}));
  EXPECT_FALSE(targetA_->waitForLine(QStringLiteral("text ") + first + QStringLiteral("abc")).isEmpty());
  EXPECT_EQ(textOf(*targetA_), first + QStringLiteral("abc"));
}

}  // namespace
}  // namespace qv
