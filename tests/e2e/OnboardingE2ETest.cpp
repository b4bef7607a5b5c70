// The first-run onboarding of the real program under Xvfb and jwm: its panel asks the window
// manager to keep it above other windows and on every desktop (read back with xprop), each page
// is photographed in light and dark (build/screenshots/onboarding-*.png), and "Launch Quorvalen"
// on the last page closes it and opens the edge panel.
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <iostream>
#include <memory>
#include <optional>

namespace qv {
namespace {

class OnboardingOnX11 : public ::testing::TestWithParam<const char*> {
 protected:
  OnboardingOnX11() : session_(test::XvfbSession::Options{true, {1280, 800}, true}) {}

  void SetUp() override { ASSERT_TRUE(session_.start()) << session_.log().toStdString(); }
  void TearDown() override {
    if (HasFailure())
      std::cerr << "quorvalen said:\n" << log().constData() << "\nX session:\n" << session_.log().toStdString();
    program_.kill();
    program_.waitForFinished(3000);
    session_.stop();
  }

  QByteArray log() {
    log_ += program_.readAll();
    return log_;
  }
  // A tool's output on this display; none when it failed.
  std::optional<QString> run(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(session_.environment());
    process.start(tool, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
  }
  QImage screenshot() { return session_.screenshot(); }
  // Waits until the panel shows a page other than `previous` and holds still where the page
  // title stands (the demonstrations keep moving below it); returns the panel's picture.
  QImage waitForPage(const QImage& previous) {
    const QRect band(60, 215, 360, 45);
    // Still means unchanged for a while: two grabs a moment apart can both fall between two
    // frames of a page that is still fading in.
    constexpr int kStillMs = 300;
    QImage last, page;
    QElapsedTimer sinceChange;
    sinceChange.start();
    test::waitFor(
        [&] {
          const QImage shot = screenshot().copy(panel_);
          if (last.isNull() || shot.copy(band) != last.copy(band)) sinceChange.restart();
          const bool still = !last.isNull() && sinceChange.elapsed() >= kStillMs;
          const bool changed = previous.isNull() || shot.copy(band) != previous.copy(band);
          last = shot;
          if (still && changed && qGray(shot.pixel(240, 300)) != 0) page = shot;
          return !page.isNull();
        },
        15000);
    return page;
  }
  // Clicks at the point. From the second page on the pointer rests there already, where the next
  // page's button came: the click takes it without a move.
  bool click(QPoint inPanel) {
    const QPoint at = panel_.topLeft() + inPanel;
    return session_.xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
  }

  // Starts the program on a first run in the colour scheme and finds its onboarding window; its
  // id, empty when none showed.
  QString launch(const QString& scheme) {
    if (!session_.storeSettings({{"qv.appearance", scheme}})) return {};
    program_.setProcessEnvironment(session_.environment());
    program_.setProcessChannelMode(QProcess::MergedChannels);
    program_.start(test::binDir() + QStringLiteral("/quorvalen"));
    static const QRegularExpression shown(QStringLiteral("Onboarding shown in window (0x[0-9a-f]+)"));
    QRegularExpressionMatch match;
    if (!test::waitFor([&] { return (match = shown.match(QString::fromUtf8(log()))).hasMatch(); }, 20000)) return {};
    const QString window = match.captured(1);
    const QString info = run(QStringLiteral("xwininfo"), {"-id", window}).value_or(QString());
    static const QRegularExpression x(QStringLiteral("Absolute upper-left X:\\s+(\\d+)")),
        y(QStringLiteral("Absolute upper-left Y:\\s+(\\d+)"));
    panel_ = QRect(x.match(info).captured(1).toInt(), y.match(info).captured(1).toInt(), 480, 620);
    return window;
  }

  test::XvfbSession session_;
  QProcess program_;
  QByteArray log_;
  QRect panel_;
};

TEST_P(OnboardingOnX11, FloatsOnEveryDesktopWalksItsPagesAndLaunchOpensThePanel) {
  const QString scheme = QString::fromLatin1(GetParam());
  ASSERT_TRUE(session_.storeSettings({{"qv.appearance", scheme}}));
  program_.setProcessEnvironment(session_.environment());
  program_.setProcessChannelMode(QProcess::MergedChannels);
  program_.start(test::binDir() + QStringLiteral("/quorvalen"));

  static const QRegularExpression shown(QStringLiteral("Onboarding shown in window (0x[0-9a-f]+)"));
  QRegularExpressionMatch match;
  ASSERT_TRUE(test::waitFor([&] { return (match = shown.match(QString::fromUtf8(log()))).hasMatch(); }, 20000));
  const QString window = match.captured(1);

  QString state;
  ASSERT_TRUE(test::waitFor(
      [&] {
        state = run(QStringLiteral("xprop"), {"-id", window, "_NET_WM_STATE", "_NET_WM_DESKTOP"}).value_or(QString());
        return state.contains("_NET_WM_STATE_ABOVE") && state.contains("_NET_WM_STATE_STICKY");
      },
      10000))
      << state.toStdString();
  EXPECT_TRUE(state.contains("_NET_WM_DESKTOP(CARDINAL) = 4294967295")) << state.toStdString();

  const QString info = run(QStringLiteral("xwininfo"), {"-id", window}).value_or(QString());
  static const QRegularExpression x(QStringLiteral("Absolute upper-left X:\\s+(\\d+)")),
      y(QStringLiteral("Absolute upper-left Y:\\s+(\\d+)"));
  panel_ = QRect(x.match(info).captured(1).toInt(), y.match(info).captured(1).toInt(), 480, 620);
  ASSERT_TRUE(info.contains("Width: 480") && info.contains("Height: 620")) << info.toStdString();

  const QString folder = test::binDir() + QStringLiteral("/../screenshots");
  QDir().mkpath(folder);
  const QPoint next(414, 562);  // the forward button, bottom right
  QImage page;
  for (const char* name : {"1-summon", "2-extras", "3-permission"}) {
    page = waitForPage(page);
    ASSERT_FALSE(page.isNull()) << name;
    page.save(folder + QStringLiteral("/onboarding-%1-%2.png").arg(QLatin1String(name), scheme));
    ASSERT_TRUE(click(next));  // Next, and on the last page "Launch Quorvalen"
  }
  ASSERT_TRUE(test::waitFor([&] { return log().contains("Panel shown"); }, 10000));
  // Gone, or at least no longer on screen.
  const std::optional<QString> after = run(QStringLiteral("xwininfo"), {"-id", window});
  EXPECT_TRUE(!after || after->contains("IsUnMapped")) << after->toStdString();
}

INSTANTIATE_TEST_SUITE_P(Schemes, OnboardingOnX11, ::testing::Values("light", "dark"));

// Back on the last page brings the middle page with its own Back under the pointer: clicked
// again with no move, that Back takes the click too, as the Nexts did on the way there.
using OnboardingBackOnX11 = OnboardingOnX11;
TEST_P(OnboardingBackOnX11, BackAfterBackTakesTheSecondClickInPlace) {
  ASSERT_FALSE(launch(QString::fromLatin1(GetParam())).isEmpty());
  const QPoint next(414, 562), back(52, 562);
  QImage first = waitForPage({});
  ASSERT_FALSE(first.isNull());
  ASSERT_TRUE(click(next));
  QImage page = waitForPage(first);
  ASSERT_FALSE(page.isNull()) << "the middle page never came";
  ASSERT_TRUE(click(next));
  page = waitForPage(page);
  ASSERT_FALSE(page.isNull()) << "the last page never came";
  ASSERT_TRUE(click(back));
  const QImage middle = waitForPage(page);
  ASSERT_FALSE(middle.isNull()) << "Back on the last page took no click";
  ASSERT_TRUE(session_.xdotool({"click", "1"}));
  const QImage again = waitForPage(middle);
  ASSERT_FALSE(again.isNull()) << "Back, come under the resting pointer, took no click";
  const QRect title(60, 215, 360, 45);
  EXPECT_EQ(again.copy(title), first.copy(title)) << "not the first page";
}

INSTANTIATE_TEST_SUITE_P(Light, OnboardingBackOnX11, ::testing::Values("light"));

}  // namespace
}  // namespace qv
