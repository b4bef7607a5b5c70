#include "platform/fake/FakeDesktopAppearance.h"
#include "platform/fake/FakeScheduler.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/theme/ReduceMotion.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct SpinnerFixture {
  SpinnerFixture() {
    services.scheduler = std::make_shared<FakeScheduler>();
    services.desktopAppearance = appearance;
    services.frameClock = clock;
    installInterfaceServices(services);
    services.reduceMotion->startObserving();
  }
  InterfaceServices services;
  std::shared_ptr<FakeDesktopAppearance> appearance = std::make_shared<FakeDesktopAppearance>();
  std::shared_ptr<ManualFrameClock> clock = std::make_shared<ManualFrameClock>();
};

TEST(ProgressSpinner, StepsAroundOnceASecondOnlyWhileShown) {
  SpinnerFixture f;
  ProgressSpinner spinner(f.services);
  EXPECT_EQ(spinner.sizeHint(), QSize(16, 16));
  EXPECT_FALSE(f.clock->isTicking()) << "a hidden spinner costs no frames";
  spinner.show();
  EXPECT_TRUE(spinner.isSpinning());
  QList<int> leaders;
  for (int frame = 0; frame < 60; ++frame) {
    f.clock->advance(1.0 / 60);
    leaders << spinner.leadingSpoke();
  }
  EXPECT_EQ(QSet<int>(leaders.cbegin(), leaders.cend()).size(), 12) << "every spoke leads once a second";
  spinner.hide();
  EXPECT_FALSE(f.clock->isTicking());
}

TEST(ProgressSpinner, StandsStillWithReducedMotion) {
  SpinnerFixture f;
  ProgressSpinner spinner(f.services);
  spinner.show();
  f.appearance->setReduceMotion(true);
  EXPECT_FALSE(spinner.isSpinning());
  EXPECT_FALSE(f.clock->isTicking());
  f.appearance->setReduceMotion(false);
  EXPECT_TRUE(spinner.isSpinning());
}

TEST(ProgressSpinner, SpokesFadeBehindTheLeader) {
  EXPECT_EQ(ProgressSpinner::spokeOpacity(5, 5), 1);
  EXPECT_GT(ProgressSpinner::spokeOpacity(4, 5), ProgressSpinner::spokeOpacity(3, 5));
  EXPECT_NEAR(ProgressSpinner::spokeOpacity(6, 5), 0.25, 1e-9) << "the one just ahead has faded most";
}

}  // namespace
}  // namespace qv
