// The whole program under Xvfb with jwm's tray: a copy made with xclip reaches history.json,
// SIGTERM right after a capture still writes it, a second start leaves, and the tray icon's
// menu opens on a right click (screenshot in build/screenshots).
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace qv {
namespace {

class AppShellOnX11 : public ::testing::Test {
 protected:
  AppShellOnX11() : session_(test::XvfbSession::Options{true, {1280, 800}, true}) {}

  void SetUp() override {
    ASSERT_TRUE(session_.start()) << session_.log().toStdString();
    env_ = session_.environment();
    env_.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tarnwick.quorvalen.app.debug=true"));
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << "quorvalen said:\n" << log_.constData() << "\nX session:\n" << session_.log().toStdString();
    for (auto& process : processes_) {
      process->kill();
      process->waitForFinished(3000);
    }
    session_.stop();
  }

  QProcess& start(const QString& program, const QStringList& arguments = {}) {
    processes_.push_back(std::make_unique<QProcess>());
    QProcess& process = *processes_.back();
    process.setProcessEnvironment(env_);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process;
  }
  QProcess& startProgram() {
    QProcess& program = start(test::binDir() + QStringLiteral("/quorvalen"));
    program_ = &program;
    return program;
  }
  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  bool logContains(const QByteArray& text, int timeoutMs = 20000) {
    return test::waitFor([&] { return log().contains(text); }, timeoutMs);
  }
  void copy(const QByteArray& text) {
    QProcess& xclip = start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                                      QStringLiteral("-quiet")});
    ASSERT_TRUE(xclip.waitForStarted(5000));
    xclip.write(text);
    xclip.closeWriteChannel();
  }
  QByteArray history() {
    QFile file(session_.home() + QStringLiteral("/data/Quorvalen/history.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The whole screen, straight from the server.
  QImage screenshot() {
    xcb_connection_t* c = xcb_connect(session_.display().toLatin1().constData(), nullptr);
    QImage image;
    if (!xcb_connection_has_error(c)) {
      const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
      auto* reply = xcb_get_image_reply(
          c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, screen->width_in_pixels,
                           screen->height_in_pixels, ~0u),
          nullptr);
      if (reply) {
        image = QImage(xcb_get_image_data(reply), screen->width_in_pixels, screen->height_in_pixels,
                       QImage::Format_RGB32)
                    .copy();
        std::free(reply);
      }
    }
    xcb_disconnect(c);
    return image;
  }

  // The first screenshot in which `drawn` sees what the test waits for (null at the deadline).
  QImage waitForScreenshot(const std::function<bool(const QImage&)>& drawn, int timeoutMs = 10000) {
    QImage shot;
    if (!test::waitFor([&] { return shot = screenshot(), !shot.isNull() && drawn(shot); }, timeoutMs)) return {};
    return shot;
  }
  void saveScreenshot(const QImage& shot, const QString& name) {
    QDir().mkpath(test::binDir() + "/../screenshots");
    shot.save(test::binDir() + "/../screenshots/" + name);
  }

  test::XvfbSession session_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  QProcess* program_ = nullptr;
  QByteArray log_;
};

TEST_F(AppShellOnX11, ACopyIsSavedAndSigtermRightAfterACaptureKeepsIt) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  EXPECT_FALSE(log().contains("No system tray"));

  copy("first copy through the shell");
  ASSERT_TRUE(test::waitFor([&] { return history().contains("first copy through the shell"); }, 20000));

  copy("second copy, then quit");
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
  copyOnSchedule(60, 0.4, [&](int index) { copy("paced copy " + QByteArray::number(index) + ";"); });
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
    QProcess& xclip = start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                      QStringLiteral("clipboard")});
    xclip.waitForFinished(10000);
    return xclip.readAll();
  };

  copy("outlives xclip");
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

TEST_F(AppShellOnX11, UnderSteadyCopyingAKillLosesOnlyTheLastSeconds) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  QElapsedTimer clock;
  clock.start();
  QList<qint64> copiedAt;
  copyOnSchedule(25, 0.8, [&](int index) {
    copiedAt.append(clock.elapsed());
    copy("steady copy " + QByteArray::number(index) + ";");
  });
  const qint64 killedAt = clock.elapsed();
  ::kill(pid_t(program_->processId()), SIGKILL);
  ASSERT_TRUE(program_->waitForFinished(10000));
  const QByteArray saved = history();
  for (int index = 0; index < copiedAt.size(); ++index) {
    if (killedAt - copiedAt[index] <= 6000) continue;
    EXPECT_TRUE(saved.contains("steady copy " + QByteArray::number(index) + ";"))
        << "copy " << index << ", " << killedAt - copiedAt[index] << " ms before the kill";
  }
}

TEST_F(AppShellOnX11, ASecondStartLeavesAndTheTrayMenuOpensOnARightClick) {
  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));

  QProcess& second = start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAll().contains("already running"));

  // jwm docks the icon at the right end of its tray (the bottom bar, 28 points high).
  ASSERT_TRUE(session_.xdotool({"mousemove", "1268", "786", "click", "3"}));
  // The menu is a light box above the tray; wait for it to be drawn.
  const QImage shot = waitForScreenshot([](const QImage& shot) {
        int light = 0;
        for (int y = 600; y < 770; y += 4)
          for (int x = 1100; x < 1280; x += 4) light += qGray(shot.pixel(x, y)) > 200;
        return light > 200;
      });
  ASSERT_FALSE(shot.isNull());
  saveScreenshot(shot, "tray-menu.png");
  session_.xdotool({"key", "Escape"});
}

// The main road as a user walks it: two copies, the shortcut opens the panel over the window the
// user works in, Return pastes the newest copy into that window.
TEST_F(AppShellOnX11, TheShortcutOpensThePanelOverAWindowAndReturnPastesTheNewestCopyIntoIt) {
  constexpr int kCommandShift = 0x120000;  // stored modifier bits: Ctrl+Shift here
  ASSERT_TRUE(session_.storeSettings({{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift},
                                      {"qv.didSeeOnboarding.v1", true}}));
  test::LineProcess target(test::binDir() + QStringLiteral("/pastetarget"), {}, env_);
  ASSERT_FALSE(target.waitForLine(QStringLiteral("ready ")).isEmpty());
  ASSERT_FALSE(target.waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";

  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  copy("an older copy");
  ASSERT_TRUE(test::waitFor([&] { return log().count("Captured a") >= 1; }, 20000));
  copy("the newest copy");
  ASSERT_TRUE(test::waitFor([&] { return log().count("Captured a") >= 2; }, 20000));

  ASSERT_TRUE(session_.xdotool({"key", "ctrl+shift+v"}));
  ASSERT_TRUE(logContains("Panel shown", 10000));
  // The panel took the focus from the target; wait until it has slid in before looking.
  ASSERT_FALSE(target.waitForLine(QStringLiteral("inactive")).isEmpty());
  const QImage shot = waitForScreenshot([](const QImage& shot) {
        // The column (320 points at the right edge) has slid in fully over the desktop's black.
        int drawn = 0;
        for (int y = 100; y < 700; y += 20) drawn += qGray(shot.pixel(965, y)) > 40;
        return drawn > 20;
      });
  ASSERT_FALSE(shot.isNull());
  saveScreenshot(shot, "panel-from-shortcut.png");

  ASSERT_TRUE(session_.xdotool({"key", "Return"}));
  EXPECT_FALSE(target.waitForLine(QStringLiteral("text the newest copy"), 10000).isEmpty())
      << target.lines().join(u'\n').toStdString();
  ASSERT_TRUE(logContains("Paste into the previous application: pasted", 10000));
}

}  // namespace
}  // namespace qv
