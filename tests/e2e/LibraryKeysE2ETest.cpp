// The library's keyboard in the whole program under Xvfb with jwm's tray: with a text window in
// front, the library opens from the tray; the arrows move the selection over the grid, Space
// opens and closes the detail of the selected card, Escape backs out, and Ctrl+2 pastes the
// second item into the window that was in front.
#include "LibraryDesktop.h"
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

class LibraryKeysOnX11 : public ::testing::Test, protected test::LibraryDesktop {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startSession()) << session_.log().toStdString();
    ASSERT_TRUE(session_.storeSettings({{"qv.didSeeOnboarding.v1", true}}));
  }
  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "quorvalen said:\n" << log().constData() << "\n";
      if (target_) std::cerr << "the target said:\n" << target_->log().toStdString() << "\n";
      std::cerr << "X session:\n" << session_.log().toStdString();
    }
    target_.reset();
  }

  // A key pressed while the library has the keyboard, then the line it leads to in the log.
  bool key(const QString& keys, const QByteArray& logged) {
    const int before = int(log().count(logged));
    return session_.xdotool({"key", "--clearmodifiers", keys}) && logCount(logged, before + 1, 10000);
  }

  std::unique_ptr<test::LineProcess> target_;
};

TEST_F(LibraryKeysOnX11, ArrowsSpaceEscapeAndCtrlTwoPastingIntoTheWindowInFront) {
  target_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pastetarget"), QStringList{}, env_);
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("ready "), 15000).isEmpty());
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("active"), 15000).isEmpty());

  ASSERT_TRUE(launchAndCopy({"alpha, the first copy", "beta, the second copy", "gamma, the third copy"}));

  ASSERT_TRUE(openLibraryFromTheTray());
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
