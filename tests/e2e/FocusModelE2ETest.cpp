// The panel opened by the shortcut while the pointer rests against the screen's edge, over a
// window that reaches the edge: on a desktop whose focus follows the pointer the column slides in
// over the pointer and on past it, and the window below must not take the focus (which would
// close the panel as it opens). A click beside the panel still closes it. Both focus models, with
// and without a compositor.
#include "ProgramDesktop.h"
#include "TestCompositor.h"
#include "support/LineProcess.h"

#include <gtest/gtest.h>

#include <iostream>
#include <tuple>

using namespace qv;

namespace {

constexpr int kCommandShift = 0x120000;  // stored modifier bits: Ctrl+Shift here
constexpr QSize kScreen(1280, 800);

struct FocusCase {
  bool followsPointer;
  bool compositor;
};

class FocusModelOnX11 : public ::testing::TestWithParam<FocusCase>, protected test::ProgramDesktop {
 protected:
  FocusModelOnX11() : ProgramDesktop(test::XvfbSession::Options{true, kScreen, false, GetParam().followsPointer}) {}
  void SetUp() override {
    ASSERT_TRUE(startSession()) << session_.log().toStdString();
    if (GetParam().compositor) {
      compositor_ = std::make_unique<test::TestCompositor>(session_);
      ASSERT_TRUE(compositor_->start()) << session_.log().toStdString();
    }
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << logs() << (target_ ? "\nthe window below said:\n" + target_->log().toStdString() : "");
  }
  int hides() { return int(log().count("Panel hidden")); }
  // The shortcut with the pointer resting at `x`, y = 200; true once the panel has taken the
  // focus from the window below and its entrance is over.
  bool openWithThePointerAt(int x) {
    const qsizetype seen = target_->lines().size();
    const int shows = int(log().count("Panel shown"));
    if (!session_.xdotool({"mousemove", QString::number(x), "200"})) return false;
    if (!session_.xdotool({"key", "ctrl+shift+v"})) return false;
    return logCount("Panel shown", shows + 1, 10000) &&
           !target_->waitForLine(QStringLiteral("inactive"), 10000, seen).isEmpty() && !settledScreenshot().isNull();
  }

  std::unique_ptr<test::TestCompositor> compositor_;
  std::unique_ptr<test::LineProcess> target_;
};

}  // namespace

TEST_P(FocusModelOnX11, APointerRestingAgainstTheEdgeLeavesThePanelOpenAndAClickBesideItClosesIt) {
  ASSERT_TRUE(session_.storeSettings(
      {{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift}, {"qv.didSeeOnboarding.v1", true}}));
  target_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pastetarget"), QStringList{}, env_);
  const QString ready = target_->waitForLine(QStringLiteral("ready "));
  ASSERT_FALSE(ready.isEmpty());
  // The window below reaches past the screen's right edge.
  const QString id = ready.section(u' ', 1);
  ASSERT_TRUE(session_.xdotool({"windowsize", id, "900", "600"}));
  ASSERT_TRUE(session_.xdotool({"windowmove", id, "500", "60"}));
  ASSERT_TRUE(session_.xdotool({"mousemove", "700", "200"}));
  ASSERT_TRUE(session_.xdotool({"click", "1"}));
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("active")).isEmpty()) << "the window below never got the focus";

  startProgram();
  ASSERT_TRUE(logContains("Quorvalen launched"));
  // Enough cards for the column to reach below the pointer.
  for (int copy = 1; copy <= 6; ++copy) {
    ASSERT_TRUE(this->copy("copy number " + QByteArray::number(copy)));
    ASSERT_TRUE(logCount("Captured a", copy, 20000));
  }

  for (int x : {kScreen.width() - 1, kScreen.width() - 4}) {
    SCOPED_TRACE(x);
    const int hidden = hides();
    ASSERT_TRUE(openWithThePointerAt(x));
    const qsizetype seen = target_->lines().size();
    EXPECT_FALSE(test::waitFor([&] { return hides() > hidden; }, 1500)) << "closed as it opened";
    EXPECT_FALSE(target_->lines().mid(seen).contains(QStringLiteral("active")));
    // A click beside the column, on the window below, closes it, and the focus comes back there.
    ASSERT_TRUE(session_.xdotool({"mousemove", "700", "200"}));
    ASSERT_TRUE(session_.xdotool({"click", "1"}));
    ASSERT_TRUE(test::waitFor([&] { return hides() > hidden; }, 10000));
    ASSERT_TRUE(test::waitFor(
        [&] {
          const QStringList lines = target_->lines().mid(seen);
          return lines.contains(QStringLiteral("click 700 200")) &&
                 lines.lastIndexOf(QStringLiteral("active")) > lines.lastIndexOf(QStringLiteral("inactive"));
        },
        10000));
    ASSERT_FALSE(settledScreenshot().isNull());  // slid out: the shortcut opens it again
  }
  // A click in the band against the edge is a click beside the panel too.
  const int hidden = hides();
  ASSERT_TRUE(openWithThePointerAt(kScreen.width() - 2));
  ASSERT_TRUE(session_.xdotool({"click", "1"}));
  EXPECT_TRUE(test::waitFor([&] { return hides() > hidden; }, 10000));
}

INSTANTIATE_TEST_SUITE_P(FocusModels, FocusModelOnX11,
                         ::testing::Values(FocusCase{true, false}, FocusCase{true, true}, FocusCase{false, false},
                                           FocusCase{false, true}),
                         [](const ::testing::TestParamInfo<FocusCase>& param) {
                           return std::string(param.param.followsPointer ? "FollowsPointer" : "ClickToFocus") +
                                  (param.param.compositor ? "WithCompositor" : "WithoutCompositor");
                         });
