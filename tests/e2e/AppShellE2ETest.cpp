// The whole program under Xvfb with jwm's tray: a copy made with xclip reaches history.json,
// SIGTERM right after a capture still writes it, a second start tells the running one and leaves, the tray icon's
// menu opens on a right click (screenshot in build/screenshots), and a copy from mousepad is
// credited to its desktop entry.
#include "ProgramDesktop.h"
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/SideFileHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QElapsedTimer>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace qv {
namespace {

class AppShellOnX11 : public ::testing::Test, protected test::ProgramDesktop {
 protected:
  AppShellOnX11() : ProgramDesktop(test::XvfbSession::Options{true, {1280, 800}, true}) {}

  void SetUp() override { ASSERT_TRUE(startSession()) << session_.log().toStdString(); }
  void TearDown() override {
    if (HasFailure()) std::cerr << logs();
  }

  // The history file and its journal (which holds the copies since the file was last written).
  QByteArray history() {
    QByteArray saved;
    for (const char* name : {"history.json", "history.journal"}) {
      QFile file(session_.home() + QStringLiteral("/data/Quorvalen/") + QLatin1String(name));
      if (file.open(QIODevice::ReadOnly)) saved += file.readAll();
    }
    return saved;
  }
  // The items of the history file and those the journal adds or changes (in no strict order).
  QJsonArray savedItems() {
    QJsonArray items;
    QFile file(session_.home() + QStringLiteral("/data/Quorvalen/history.json"));
    if (file.open(QIODevice::ReadOnly)) items = QJsonDocument::fromJson(file.readAll()).array();
    QFile journal(session_.home() + QStringLiteral("/data/Quorvalen/history.journal"));
    if (journal.open(QIODevice::ReadOnly)) {
      for (const QByteArray& line : journal.readAll().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        for (const char* key : {"add", "update"})
          if (record.contains(QLatin1String(key))) items.append(record.value(QLatin1String(key)));
      }
    }
    return items;
  }
  void pasteTheNewestCopyThroughTheShortcut(const QStringList& targetArguments, const QString& pastedLine,
                                            const QString& shotName);
  void quitWithTheSettingsWindowOpen(bool fromTray);

  // The tray menu is a light box above the tray's right end.
  static bool menuDrawn(const QImage& shot) {
    int light = 0;
    for (int y = 600; y < 770; y += 4)
      for (int x = 1100; x < 1280; x += 4) light += qGray(shot.pixel(x, y)) > 200;
    return light > 200;
  }
};

TEST_F(AppShellOnX11, ACopyIsSavedAndSigtermRightAfterACaptureKeepsIt) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  EXPECT_FALSE(log().contains("No system tray"));

  ASSERT_TRUE(copy("first copy through the shell"));
  ASSERT_TRUE(test::waitFor([&] { return history().contains("first copy through the shell"); }, 20000));

  ASSERT_TRUE(copy("second copy, then quit"));
  ASSERT_TRUE(logContains("Captured a \"text\" item", 20000) &&
              test::waitFor([&] { return log().count("Captured a") >= 2; }, 20000));
  program_->terminate();  // well inside the 1.5 s save delay
  ASSERT_TRUE(program_->waitForFinished(10000));
  EXPECT_EQ(program_->exitCode(), 0);
  EXPECT_TRUE(history().contains("second copy, then quit")) << history().constData();
}

// Copies made on a schedule (input pacing, not a wait for an outcome): `copyAt(i)` runs at
// i × `spacing` seconds from the start.
void copyOnSchedule(int count, double spacing, const std::function<void(int)>& copyAt) {
  QElapsedTimer clock;
  clock.start();
  for (int index = 0; index < count; ++index) {
    test::waitFor([&] { return clock.elapsed() >= qint64(index * spacing * 1000); }, 60000);
    copyAt(index);
  }
}

TEST_F(AppShellOnX11, SixtyCopiesFourTenthsOfASecondApartAreAllRecorded) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  copyOnSchedule(60, 0.4, [&](int index) { ASSERT_TRUE(copy("paced copy " + QByteArray::number(index) + ";")); });
  const auto allSaved = [&] {
    const QByteArray saved = history();
    for (int index = 0; index < 60; ++index)
      if (!saved.contains("paced copy " + QByteArray::number(index) + ";")) return false;
    return true;
  };
  EXPECT_TRUE(test::waitFor(allSaved, 20000)) << history().constData();
}

TEST_F(AppShellOnX11, TheClipboardOutlivesTheProgramThatCopiedButNotForATransientCopy) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  const auto paste = [&] {
    QProcess& xclip = start(QStringLiteral("xclip"),
                            {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip.waitForFinished(10000);
    return xclip.readAll();
  };

  ASSERT_TRUE(copy("outlives xclip"));
  QProcess& owner = *processes_.back();
  ASSERT_TRUE(logContains("Captured a \"text\" item"));
  owner.terminate();
  ASSERT_TRUE(logContains("keeping its copy on the clipboard"));
  EXPECT_EQ(paste(), QByteArray("outlives xclip"));

  QProcess& transient = start(test::binDir() + QStringLiteral("/clipsource"),
                              {QStringLiteral("--text"), QStringLiteral("a transient secret"), QStringLiteral("-t"),
                               QStringLiteral("org.nspasteboard.TransientType"), QString()});
  ASSERT_TRUE(logContains("it is marked transient"));
  transient.terminate();
  ASSERT_TRUE(logContains("so it goes"));
  EXPECT_NE(paste(), QByteArray("a transient secret"));
}

// A copy is in the journal on disk about half a second after it is made (0.3 s capture delay,
// 0.25 s save delay); the kill spares every copy older than a second and a half.
TEST_F(AppShellOnX11, UnderSteadyCopyingAKillLosesOnlyTheLastSecond) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  QElapsedTimer clock;
  clock.start();
  QList<qint64> copiedAt;
  copyOnSchedule(25, 0.8, [&](int index) {
    copiedAt.append(clock.elapsed());
    ASSERT_TRUE(copy("steady copy " + QByteArray::number(index) + ";"));
  });
  const qint64 killedAt = clock.elapsed();
  ::kill(pid_t(program_->processId()), SIGKILL);
  ASSERT_TRUE(program_->waitForFinished(10000));
  const QByteArray saved = history();
  for (int index = 0; index < copiedAt.size(); ++index) {
    if (killedAt - copiedAt[index] <= 1500) continue;
    EXPECT_TRUE(saved.contains("steady copy " + QByteArray::number(index) + ";"))
        << "copy " << index << ", " << killedAt - copiedAt[index] << " ms before the kill";
  }
}

TEST_F(AppShellOnX11, ASecondStartLeavesAndTheTrayMenuOpensOnARightClick) {
  // The first-run window would take the focus from the tray menu.
  ASSERT_TRUE(session_.storeSettings({{"qv.didSeeOnboarding.v1", true}}));
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));

  QProcess& second = start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAll().contains("already running; it says so on screen"));
  // The running one says so from its tray icon.
  EXPECT_TRUE(logContains("Started again while running; telling the user from the tray"));
  // Qt's own balloon (no notification service here): a light box above the tray.
  const QImage told = waitForScreenshot([](const QImage& shot) {
    int light = 0;
    for (int y = 600; y < 770; y += 4)
      for (int x = 900; x < 1280; x += 4) light += qGray(shot.pixel(x, y)) > 200;
    return light > 200;
  });
  if (!told.isNull()) qv::test::XvfbSession::saveScreenshot(told, "already-running.png");
  session_.xdotool({"mousemove", "1100", "700", "click", "1"});

  // jwm docks the icon at the right end of its tray (the bottom bar, 28 points high).
  ASSERT_TRUE(session_.xdotool({"mousemove", "1268", "786", "click", "3"}));
  const QImage shot = waitForScreenshot(menuDrawn);
  ASSERT_FALSE(shot.isNull());
  test::XvfbSession::saveScreenshot(shot, "tray-menu.png");
  session_.xdotool({"key", "Escape"});
}

// Quitting on SIGTERM exits 0, also after the first-run window was shown and a press, drag and
// release at the screen's edge ended with Escape.
TEST_F(AppShellOnX11, SigtermAfterOnboardingAndADragAtTheEdgeExitsCleanly) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  ASSERT_TRUE(logContains("Onboarding shown"));
  ASSERT_TRUE(session_.xdotool({"mousemove", "1279", "300", "mousedown", "1", "mousemove", "1279", "400", "mousemove",
                                "1279", "500", "mouseup", "1", "key", "Escape"}));
  program_->terminate();
  ASSERT_TRUE(program_->waitForFinished(10000));
  EXPECT_EQ(program_->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_->exitCode(), 0);
}

// The tray menu's Clear All History, cancelled and confirmed five times each through the real
// menu and confirmation: the program keeps running and the history is what the answers say.
TEST_F(AppShellOnX11, ClearAllFromTheTrayMenuCancelledAndConfirmedFiveTimesEach) {
  // The first-run window would take the focus from the tray menu.
  ASSERT_TRUE(session_.storeSettings({{"qv.didSeeOnboarding.v1", true}}));
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    const bool confirm = round % 2 == 1;
    const QByteArray text = "clip of round " + QByteArray::number(round);
    ASSERT_TRUE(copy(text));
    ASSERT_TRUE(test::waitFor([&] { return log().count("Captured a") >= round + 1; }, 20000));
    ASSERT_TRUE(session_.xdotool({"mousemove", "1268", "786", "click", "3"}));
    ASSERT_TRUE(test::waitFor([&] { return log().count("Status menu opened") >= round + 1; }, 10000));
    ASSERT_FALSE(waitForScreenshot(menuDrawn).isNull());
    // The last row is Quit, the one above it Clear All History.
    ASSERT_TRUE(session_.xdotool({"key", "Up", "Up", "Return"}));
    ASSERT_TRUE(test::waitFor([&] { return log().count("Asking to clear all history") >= round + 1; }, 10000));
    // Cancel is the default and the escape button; Tab reaches Clear All History.
    // Keys go to the question only once it is mapped and holds the focus: a Tab sent before that
    // would leave Cancel focused, and space would then answer Cancel.
    ASSERT_TRUE(test::waitFor([&] { return log().count("Alert shown in window 0x") >= round + 1; }, 10000));
    const QByteArray said = log();
    const qsizetype at = said.lastIndexOf("Alert shown in window ") + qsizetype(sizeof("Alert shown in window ") - 1);
    const QString alert = QString::fromLatin1(said.mid(at, said.indexOf('\n', at) - at).trimmed());
    ASSERT_TRUE(test::waitFor([&] { return session_.xdotool({"windowactivate", "--sync", alert}, 2000); }, 20000));
    const QByteArray outcome = confirm ? "Cleared all history" : "Clearing all history cancelled";
    const int before = log().count(outcome);
    ASSERT_TRUE(session_.xdotool(confirm ? QStringList{"key", "Tab", "space"} : QStringList{"key", "Escape"}));
    ASSERT_TRUE(test::waitFor([&] { return log().count(outcome) > before; }, 10000));
    if (confirm)
      EXPECT_TRUE(test::waitFor([&] { return !history().contains("clip of round"); }, 10000)) << history().constData();
    else EXPECT_TRUE(test::waitFor([&] { return history().contains(text); }, 10000)) << history().constData();
    ASSERT_EQ(program_->state(), QProcess::Running);
  }
  EXPECT_EQ(log().count("Cleared all history"), 5);
  EXPECT_EQ(log().count("Clearing all history cancelled"), 5);
}

// Quit quits whatever window is open: with the settings window shown, its Ctrl+Q and the tray
// menu's Quit both end the program, and the history is written on the way out.
void AppShellOnX11::quitWithTheSettingsWindowOpen(bool fromTray) {
  ASSERT_TRUE(session_.storeSettings({{"qv.didSeeOnboarding.v1", true}}));
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  const QByteArray text = fromTray ? "copied before the tray's Quit" : "copied before Ctrl+Q";
  ASSERT_TRUE(copy(text));
  ASSERT_TRUE(test::waitFor([&] { return log().contains("Captured a"); }, 20000));

  // Settings from the tray menu (its third row).
  ASSERT_TRUE(session_.xdotool({"mousemove", "1268", "786", "click", "3"}));
  ASSERT_TRUE(test::waitFor([&] { return log().count("Status menu opened") >= 1; }, 10000));
  ASSERT_FALSE(waitForScreenshot(menuDrawn).isNull());
  ASSERT_TRUE(session_.xdotool({"key", "Down", "Down", "Down", "Return"}));
  // The window manager may still be framing the window when the search first finds it.
  ASSERT_TRUE(test::waitFor(
      [&] {
        return session_.xdotool(
            {"search", "--sync", "--onlyvisible", "--name", "^General$", "windowactivate", "--sync", "%1"}, 3000);
      },
      20000));

  if (fromTray) {
    // A click that comes while the first menu still lets go of the pointer is lost: click until
    // the menu opens.
    ASSERT_TRUE(test::waitFor(
        [&] {
          session_.xdotool({"mousemove", "1268", "786", "click", "3"});
          return test::waitFor([&] { return log().count("Status menu opened") >= 2; }, 1500);
        },
        15000));
    ASSERT_FALSE(waitForScreenshot(menuDrawn).isNull());
    ASSERT_TRUE(session_.xdotool({"key", "Up", "Return"}));  // the last row is Quit
  } else {
    ASSERT_TRUE(session_.xdotool({"key", "ctrl+q"}));
  }
  ASSERT_TRUE(program_->waitForFinished(15000)) << "Quit did nothing while the settings window was shown";
  EXPECT_EQ(program_->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_->exitCode(), 0);
  EXPECT_TRUE(history().contains(text)) << history().constData();
}

TEST_F(AppShellOnX11, CtrlQInTheSettingsWindowQuitsAndSavesTheHistory) { quitWithTheSettingsWindowOpen(false); }

TEST_F(AppShellOnX11, TheTrayMenusQuitQuitsWithTheSettingsWindowOpenAndSavesTheHistory) {
  quitWithTheSettingsWindowOpen(true);
}

// The main use as a user walks through it: two copies, the shortcut opens the panel over the window the
// user works in, Return pastes the newest copy into that window. `targetArguments` start the
// window (a terminal gets Ctrl+Shift+V, the very keys of the recorded shortcut); `pastedLine` is
// what the window then reports.
void AppShellOnX11::pasteTheNewestCopyThroughTheShortcut(const QStringList& targetArguments, const QString& pastedLine,
                                                         const QString& shotName) {
  constexpr int kCommandShift = 0x120000;  // stored modifier bits: Ctrl+Shift here
  ASSERT_TRUE(session_.storeSettings(
      {{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift}, {"qv.didSeeOnboarding.v1", true}}));
  test::LineProcess target(test::binDir() + QStringLiteral("/pastetarget"), targetArguments, env_);
  ASSERT_FALSE(target.waitForLine(QStringLiteral("ready ")).isEmpty());
  ASSERT_FALSE(target.waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";

  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  ASSERT_TRUE(copy("an older copy"));
  ASSERT_TRUE(test::waitFor([&] { return log().count("Captured a") >= 1; }, 20000));
  ASSERT_TRUE(copy("the newest copy"));
  ASSERT_TRUE(test::waitFor([&] { return log().count("Captured a") >= 2; }, 20000));

  ASSERT_TRUE(session_.xdotool({"key", "ctrl+shift+v"}));
  ASSERT_TRUE(logContains("Panel shown", 10000)) << "the target saw:\n" << target.lines().join(u'\n').toStdString();
  // The panel took the focus from the target; wait until it has slid in before looking.
  ASSERT_FALSE(target.waitForLine(QStringLiteral("inactive")).isEmpty());
  const QImage shot = waitForScreenshot([](const QImage& candidate) {
    // The column's surface (inside 8 points of margin, at the right edge) has slid in fully over the
    // desktop's black: its left edge is drawn down past the search bar and the first card.
    int drawn = 0;
    for (int y = 20; y < 320; y += 10) drawn += qGray(candidate.pixel(1280 - 320 + 12, y)) > 40;
    return drawn > 25;
  });
  ASSERT_FALSE(shot.isNull());
  test::XvfbSession::saveScreenshot(shot, shotName);

  ASSERT_TRUE(session_.xdotool({"key", "Return"}));
  EXPECT_FALSE(target.waitForLine(pastedLine, 10000).isEmpty()) << target.lines().join(u'\n').toStdString();
  ASSERT_TRUE(logContains("Paste into the previous application: pasted", 10000));
  // The posted keys were not taken for the shortcut: the panel did not open again.
  EXPECT_EQ(log().count("Panel shown"), 1);
}

TEST_F(AppShellOnX11, TheShortcutOpensThePanelOverAWindowAndReturnPastesTheNewestCopyIntoIt) {
  pasteTheNewestCopyThroughTheShortcut({}, "text the newest copy", "panel-from-shortcut.png");
}

// XTest keys pass through key grabs: Ctrl+Shift+V posted into a terminal must not meet the
// program's own Ctrl+Shift+V.
TEST_F(AppShellOnX11, APasteIntoATerminalIsNotTakenForTheShortcutOfTheSameKeys) {
  // The stand-in terminal is a text field: it reports Ctrl+Shift+V (modifiers 3) but pastes nothing.
  pasteTheNewestCopyThroughTheShortcut({QStringLiteral("--class"), QStringLiteral("kitty")},
                                       QStringLiteral("key press %1 3").arg(int(Qt::Key_V)), "panel-over-terminal.png");
}

// A script copied from a GTK program (CR LF under the MIME names, the text as held under
// UTF8_STRING) is stored as held and pasted back byte for byte.
TEST_F(AppShellOnX11, AMultiLineScriptIsPastedBackByteForByte) {
  constexpr int kCommandShift = 0x120000;
  ASSERT_TRUE(session_.storeSettings(
      {{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift}, {"qv.didSeeOnboarding.v1", true}}));
  test::LineProcess target(test::binDir() + QStringLiteral("/pastetarget"), {QStringLiteral("--multiline")}, env_);
  ASSERT_FALSE(target.waitForLine(QStringLiteral("ready ")).isEmpty());
  ASSERT_FALSE(target.waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));

  const QByteArray script = "#!/bin/sh\nfor f in *.txt; do\n\techo \"$f\"\ndone\n";
  QByteArray withCrLf = script;
  withCrLf.replace("\n", "\r\n");
  start(test::binDir() + QStringLiteral("/clipsource"),
        {QStringLiteral("-t"), QStringLiteral("text/plain;charset=utf-8"), QString::fromUtf8(withCrLf),
         QStringLiteral("-t"), QStringLiteral("UTF8_STRING"), QString::fromUtf8(script), QStringLiteral("-t"),
         QStringLiteral("text/plain"), QString::fromUtf8(withCrLf), QStringLiteral("-t"), QStringLiteral("STRING"),
         QString::fromUtf8(script)});
  ASSERT_TRUE(test::waitFor([&] { return log().count("Captured a") >= 1; }, 20000));
  ASSERT_TRUE(test::waitFor([&] { return history().contains("done\\n"); }, 20000)) << history().constData();
  EXPECT_FALSE(history().contains("\\r")) << history().constData();

  ASSERT_TRUE(session_.xdotool({"key", "ctrl+shift+v"}));
  ASSERT_TRUE(logContains("Panel shown", 10000)) << "the target saw:\n" << target.lines().join(u'\n').toStdString();
  ASSERT_FALSE(target.waitForLine(QStringLiteral("inactive")).isEmpty());
  ASSERT_TRUE(session_.xdotool({"key", "Return"}));
  const QString pasted = target.waitForLine(QStringLiteral("pasted "), 10000);
  ASSERT_FALSE(pasted.isEmpty()) << target.lines().join(u'\n').toStdString();
  EXPECT_EQ(QByteArray::fromHex(pasted.mid(7).toLatin1()), script);
}

// mousepad's desktop entry has a reverse-DNS id, as most applications' entries do.
TEST_F(AppShellOnX11, ACopyFromMousepadIsRecordedWithItsDesktopEntryId) {
  if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty()) GTEST_SKIP() << "mousepad is not installed";
  // Only the entries of this test name applications.
  QTemporaryDir data;
  ASSERT_TRUE(test::writeTestFile(data.filePath(QStringLiteral("applications/org.xfce.mousepad.desktop")),
                                  "[Desktop Entry]\nType=Application\nName=Mousepad\nExec=mousepad %U\n"));
  env_.insert(QStringLiteral("XDG_DATA_DIRS"), data.path());
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));

  const QString text = QStringLiteral("written in mousepad");
  const QString note = data.filePath(QStringLiteral("note.txt"));
  ASSERT_TRUE(test::writeTestFile(note, text.toUtf8() + '\n'));
  start(QStringLiteral("mousepad"), {note});
  // The title names the file once it is loaded. Each key in a call of its own: mousepad misses
  // a second chord sent straight after the first.
  ASSERT_TRUE(session_.xdotool(
      {"search", "--sync", "--onlyvisible", "--name", "note.txt", "windowactivate", "--sync", "%1"}, 20000));
  ASSERT_TRUE(session_.xdotool({"key", "ctrl+a"}));
  ASSERT_TRUE(session_.xdotool({"key", "ctrl+c"}));
  const auto sourceOfNote = [&] {
    for (const QJsonValue item : savedItems())
      if (item[QLatin1String("payload")][QLatin1String("text")].toString().trimmed() == text)
        return item[QLatin1String("sourceAppBundleID")].toString();
    return QString();
  };
  ASSERT_TRUE(test::waitFor([&] { return !sourceOfNote().isEmpty(); }, 20000)) << history().constData();
  EXPECT_EQ(sourceOfNote(), QStringLiteral("org.xfce.mousepad"));
}

}  // namespace
}  // namespace qv
