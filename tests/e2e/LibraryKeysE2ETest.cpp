// The library's keyboard in the whole program under Xvfb with jwm's tray: with a text window in
// front, the library opens from the tray; the arrows move the selection over the grid, Space
// opens and closes the detail of the selected card, Escape backs out, and Ctrl+2 pastes the
// second item into the window that was in front.
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <functional>

#include <iostream>
#include <memory>
#include <vector>

namespace qv {
namespace {

class LibraryKeysOnX11 : public ::testing::Test {
 protected:
  LibraryKeysOnX11() : session_(test::XvfbSession::Options{true, {1280, 800}, true}) {}

  void SetUp() override {
    ASSERT_TRUE(session_.start()) << session_.log().toStdString();
    env_ = session_.environment();
    env_.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tarnwick.quorvalen.app.debug=true"));
    ASSERT_TRUE(session_.storeSettings({{"qv.didSeeOnboarding.v1", true}}));
  }
  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "quorvalen said:\n" << log().constData() << "\n";
      if (target_) std::cerr << "the target said:\n" << target_->log().toStdString() << "\n";
      std::cerr << "X session:\n" << session_.log().toStdString();
    }
    for (auto& process : processes_) {
      process->kill();
      process->waitForFinished(3000);
    }
    target_.reset();
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
  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  bool logCount(const QByteArray& text, int atLeast, int timeoutMs = 15000) {
    return test::waitFor([&] { return log().count(text) >= atLeast; }, timeoutMs);
  }
  void copy(const QByteArray& text) {
    QProcess& xclip = start(QStringLiteral("xclip"),
                            {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")});
    ASSERT_TRUE(xclip.waitForStarted(5000));
    xclip.write(text);
    xclip.closeWriteChannel();
  }
  // The first screenshot in which `drawn` holds (null at the deadline).
  QImage waitForScreenshot(const std::function<bool(const QImage&)>& drawn, int timeoutMs = 10000) {
    QImage shot;
    if (!test::waitFor([&] { return shot = session_.screenshot(), !shot.isNull() && drawn(shot); }, timeoutMs))
      return {};
    return shot;
  }
  // The screen once it has stayed the same for 0.3 s, or null at the deadline.
  QImage settledScreenshot() {
    QImage previous = session_.screenshot();
    QElapsedTimer unchanged;
    unchanged.start();
    const bool settled = test::waitFor(
        [&] {
          const QImage shot = session_.screenshot();
          if (shot.isNull() || shot != previous) {
            previous = shot;
            unchanged.restart();
          }
          return unchanged.elapsed() >= 300;
        },
        10000);
    return settled ? previous : QImage();
  }
  static int changedPixels(const QImage& a, const QImage& b, int left, int top) {
    int changed = 0;
    for (int y = top; y < 770; y += 4)
      for (int x = left; x < 1280; x += 4) changed += a.pixel(x, y) != b.pixel(x, y);
    return changed;
  }
  // Opens the tray icon's menu and picks its first row, "Open Library".
  void openLibraryFromTheTray() {
    const int menus = int(log().count("Status menu opened"));
    const QImage before = session_.screenshot();
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
      ASSERT_TRUE(session_.xdotool({"mousemove", "1268", "786", "click", "3"}));
      opened = logCount("Status menu opened", menus + 1, 3000);
    }
    ASSERT_TRUE(opened);
    // Keys reach the menu once it is drawn above the tray.
    ASSERT_FALSE(
        waitForScreenshot([&](const QImage& shot) { return changedPixels(before, shot, 1000, 560) > 200; }).isNull());
    ASSERT_TRUE(session_.xdotool({"key", "Down", "Return"}));
  }
  // The native window the library shows in now.
  QString libraryWindow() {
    static const QRegularExpression shown(QStringLiteral("Library shown in window (0x[0-9a-f]+)"));
    QString last;
    for (QRegularExpressionMatchIterator it = shown.globalMatch(QString::fromUtf8(log())); it.hasNext();)
      last = it.next().captured(1);
    return last;
  }
  // A key pressed while the library has the keyboard, then the line it leads to in the log.
  bool key(const QString& keys, const QByteArray& logged) {
    const int before = int(log().count(logged));
    return session_.xdotool({"key", "--clearmodifiers", keys}) && logCount(logged, before + 1, 10000);
  }

  test::XvfbSession session_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  std::unique_ptr<test::LineProcess> target_;
  QProcess* program_ = nullptr;
  QByteArray log_;
};

TEST_F(LibraryKeysOnX11, ArrowsSpaceEscapeAndCtrlTwoPastingIntoTheWindowInFront) {
  target_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pastetarget"), QStringList{}, env_);
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("ready "), 15000).isEmpty());
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("active"), 15000).isEmpty());

  program_ = &start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(logCount("Quorvalen launched", 1, 20000));
  copy("alpha, the first copy");
  ASSERT_TRUE(logCount("Captured a", 1, 20000));
  copy("beta, the second copy");
  ASSERT_TRUE(logCount("Captured a", 2, 20000));
  copy("gamma, the third copy");
  ASSERT_TRUE(logCount("Captured a", 3, 20000));

  openLibraryFromTheTray();
  ASSERT_TRUE(logCount("Library on screen", 1));
  ASSERT_FALSE(libraryWindow().isEmpty());
  // The keyboard is the library's once its window is active.
  ASSERT_TRUE(test::waitFor(
      [&] {
        QProcess active;
        active.setProcessEnvironment(env_);
        active.start(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
        active.waitForFinished(5000);
        return active.readAll().trimmed().toULongLong() == libraryWindow().toULongLong(nullptr, 16);
      },
      10000));

  // Newest first: gamma, beta, alpha, in one row.
  ASSERT_TRUE(key(QStringLiteral("Down"), "Library selection on row 1"));
  ASSERT_TRUE(key(QStringLiteral("Right"), "Library selection on row 2"));
  ASSERT_TRUE(key(QStringLiteral("Right"), "Library selection on row 3"));
  ASSERT_TRUE(key(QStringLiteral("Left"), "Library selection on row 2"));
  const QImage before = session_.screenshot();
  ASSERT_TRUE(key(QStringLiteral("space"), "Library detail shows row 2"));
  // The detail pane comes in below the grid's cards.
  ASSERT_FALSE(
      waitForScreenshot([&](const QImage& shot) { return changedPixels(before, shot, 320, 400) > 400; }).isNull());
  const QImage detail = settledScreenshot();
  ASSERT_FALSE(detail.isNull());
  test::XvfbSession::saveScreenshot(detail, QStringLiteral("library-keys-detail.png"));
  ASSERT_TRUE(key(QStringLiteral("space"), "Library detail closed"));
  ASSERT_TRUE(key(QStringLiteral("space"), "Library detail shows row 2"));
  ASSERT_TRUE(key(QStringLiteral("Escape"), "Library detail closed"));
  ASSERT_TRUE(key(QStringLiteral("Escape"), "Library selection cleared"));

  // Ctrl+2: the library goes and the second item lands in the window that was in front.
  ASSERT_TRUE(key(QStringLiteral("ctrl+2"), "Library pastes item 2"));
  ASSERT_TRUE(logCount("Library off screen", 1));
  EXPECT_FALSE(target_->waitForLine(QStringLiteral("text beta, the second copy"), 15000).isEmpty())
      << target_->log().toStdString();
}

}  // namespace
}  // namespace qv
