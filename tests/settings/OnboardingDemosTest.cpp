#include "settings/onboarding/OnboardingControls.h"
#include "settings/onboarding/OnboardingDemos.h"
#include "support/settings/FakeSettingsContext.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHoverEvent>

using namespace qv;
using qv::test::FakeSettingsContext;

namespace {

// Virtual time for the loop and the animations together, in small steps.
void advance(FakeSettingsContext& fake, double seconds) {
  for (double done = 0; done < seconds - 1e-9; done += 0.05) {
    const double step = std::min(0.05, seconds - done);
    fake.scheduler->advance(step);
    fake.clock->advance(step);
  }
}

struct FlickStep {
  double at;  // seconds after the demo was shown
  bool out;
  bool onLeft;
};
struct FlickCase {
  const char* side;
  std::vector<FlickStep> steps;
};

}  // namespace

// The pointer goes to the edge of the cycle while the panel comes in there; "both" alternates,
// starting right, and changes sides only while the panel is hidden and the pointer rests.
TEST(EdgeFlickDemo, CyclesOnItsEdgeAndBothAlternatesStartingRight) {
  const FlickCase cases[] = {
      {"left", {{0.55, false, true}, {0.65, true, true}, {3.05, false, true}, {4.05, true, true}}},
      {"right", {{0.65, true, false}, {3.05, false, false}, {4.05, true, false}}},
      {"top", {{0.65, true, false}, {4.05, true, false}}},
      {"both",
       {{0.65, true, false},
        {3.05, false, false},
        {3.65, false, false},
        {3.75, false, true},
        {4.05, true, true},
        {7.45, true, false},
        {10.85, true, true}}},
  };
  for (const FlickCase& c : cases) {
    SCOPED_TRACE(c.side);
    FakeSettingsContext fake;
    EdgeFlickDemo demo(*fake.context, QString::fromLatin1(c.side));
    demo.show();
    double now = 0;
    for (const FlickStep& step : c.steps) {
      advance(fake, step.at - now);
      now = step.at;
      SCOPED_TRACE(step.at);
      EXPECT_EQ(demo.isOut(), step.out);
      EXPECT_EQ(demo.isPanelOnLeft(), step.onLeft);
      EXPECT_EQ(demo.pointerTargetX(), step.out ? (step.onLeft ? -134 : 134) : 0);
      if (!step.out && now > 3.7) {
        // The side switch happens unseen: panel transparent, pointer back in the middle.
        EXPECT_LT(demo.panelOpacity(), 0.01);
        EXPECT_NEAR(demo.pointerX(), 0, 1);
        EXPECT_EQ(demo.panelShift(), step.onLeft ? -64.5 : 64.5);
      }
    }
  }
}

// Hiding the demo during any of its waits stops it before the next change; shown again, it
// starts a new loop from the first wait.
TEST(EdgeFlickDemo, HidingDuringAnyWaitStopsTheLoopAndShowingStartsANewOne) {
  for (double hideAt : {0.3, 1.5, 3.3, 3.8}) {
    SCOPED_TRACE(hideAt);
    FakeSettingsContext fake;
    EdgeFlickDemo demo(*fake.context, QStringLiteral("both"));
    demo.show();
    advance(fake, hideAt);
    const bool out = demo.isOut(), left = demo.isPanelOnLeft();
    demo.hide();
    EXPECT_FALSE(demo.isLooping());
    advance(fake, 20);
    EXPECT_EQ(demo.isOut(), out);
    EXPECT_EQ(demo.isPanelOnLeft(), left);

    demo.show();
    EXPECT_TRUE(demo.isLooping());
    advance(fake, 0.55);
    EXPECT_EQ(demo.isOut(), out);
    advance(fake, 0.1);
    EXPECT_TRUE(demo.isOut());
  }
}

TEST(PasteLandsDemo, FliesLandsAndResetsAndAStopInTheLastShortWaitStillResetsOnce) {
  FakeSettingsContext fake;
  PasteLandsDemo demo(*fake.context);
  demo.show();
  EXPECT_EQ(demo.clipOffset(), QPointF(92.4, -6));
  advance(fake, 0.55);
  EXPECT_TRUE(demo.isFlying());
  advance(fake, 0.45);  // 1.0 s: the clip has shrunk into the document
  EXPECT_TRUE(demo.hasLanded());
  EXPECT_NEAR(demo.clipOffset().x(), -35.2, 0.5);
  EXPECT_NEAR(demo.clipScale(), 0.3, 0.02);
  advance(fake, 1.6);  // 2.6 s: the accent line has grown in
  EXPECT_NEAR(demo.pastedLineWidth(), 220 * 0.52, 0.5);
  advance(fake, 0.1);  // 2.7 s: inside the 0.26 s wait
  EXPECT_FALSE(demo.hasLanded());
  EXPECT_TRUE(demo.isFlying());

  demo.hide();  // the reset still happens, at once and fully visible
  EXPECT_FALSE(demo.isFlying());
  EXPECT_EQ(demo.clipOpacity(), 1);
  EXPECT_EQ(demo.clipOffset(), QPointF(92.4, -6));
  advance(fake, 10);
  EXPECT_FALSE(demo.isFlying());
  EXPECT_FALSE(demo.hasLanded());

  // Stopped in another wait, nothing is reset.
  demo.show();
  advance(fake, 1.5);
  demo.hide();
  advance(fake, 10);
  EXPECT_TRUE(demo.isFlying());
  EXPECT_TRUE(demo.hasLanded());
}

TEST(OnboardingButtons, ThePillGrowsAndGlowsWhileHoveredAndTheTextButtonNeverChanges) {
  FakeSettingsContext fake;
  int clicks = 0;
  OnboardingButton pill(*fake.context, {OnboardingButton::Style::pill, QStringLiteral("Next")}, {[&] { ++clicks; }});
  OnboardingButton quiet(*fake.context, {OnboardingButton::Style::quiet, QStringLiteral("Back")}, {[&] { ++clicks; }});
  for (HouseButton* button : {&pill, &quiet}) {
    button->resize(button->sizeHint());
    button->show();
  }
  const HouseButtonLook pillRest = pill.currentLook(), quietRest = quiet.currentLook();
  for (HouseButton* button : {&pill, &quiet}) {
    const QPointF centre = button->buttonRect().center();
    QHoverEvent enter(QEvent::HoverEnter, centre, centre, QPointF(-1, -1));
    QApplication::sendEvent(button, &enter);
  }
  fake.clock->advanceFrames(90);
  const HouseButtonLook pillHover = pill.currentLook(), quietHover = quiet.currentLook();
  EXPECT_NEAR(pillHover.scale, 1.04, 1e-3);
  EXPECT_NEAR(pillHover.shadow->color.alphaF(), 0.45, 0.01);
  EXPECT_NEAR(pillHover.shadow->radius, 8, 0.01);
  EXPECT_NEAR(pillRest.shadow->color.alphaF(), 0.28, 0.01);
  EXPECT_EQ(quietHover.scale, quietRest.scale);
  EXPECT_EQ(quietHover.foreground, quietRest.foreground);
  pill.callbacks().onPress();
  quiet.callbacks().onPress();
  EXPECT_EQ(clicks, 2);
}
