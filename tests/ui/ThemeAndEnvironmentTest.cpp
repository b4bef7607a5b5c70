#include "support/ui/FakeInterfaceContext.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace qv;
using qv::test::FakeInterfaceContext;

TEST(ReduceMotionFlag, IsReadOnFirstUseAndKeepsItUntilObserving) {
  FakeInterfaceContext fake;
  fake.desktopAppearance->setReduceMotion(true);
  const int readsBefore = fake.desktopAppearance->readCount();
  ReduceMotion flag(*fake.desktopAppearance);
  EXPECT_EQ(fake.desktopAppearance->readCount(), readsBefore);  // nothing read yet
  EXPECT_TRUE(flag.isEnabled());
  EXPECT_TRUE(flag.isEnabled());
  EXPECT_EQ(fake.desktopAppearance->readCount(), readsBefore + 1);  // cached afterwards

  // Not observing yet: a desktop change leaves the first value.
  fake.desktopAppearance->setReduceMotion(false);
  EXPECT_TRUE(flag.isEnabled());
}

TEST(ReduceMotionFlag, StartObservingTwiceInstallsOneObserverThatFollowsTheDesktop) {
  FakeInterfaceContext fake;
  ReduceMotion& flag = fake.reduceMotion();
  const int observersBefore = fake.desktopAppearance->observerCount();
  EXPECT_FALSE(flag.isEnabled());
  flag.startObserving();
  flag.startObserving();
  EXPECT_EQ(fake.desktopAppearance->observerCount(), observersBefore + 1);
  EXPECT_TRUE(flag.isObserving());

  QSignalSpy spy(&flag, &ReduceMotion::changed);
  fake.desktopAppearance->setReduceMotion(true);
  EXPECT_TRUE(flag.isEnabled());
  ASSERT_EQ(spy.count(), 1);
  EXPECT_TRUE(spy.at(0).at(0).toBool());
  // Imperative animations fall back to an immediate change.
  EXPECT_FALSE(flag.unlessReduced(Theme::springStandard()).has_value());

  fake.desktopAppearance->setReduceMotion(false);
  EXPECT_FALSE(flag.isEnabled());
  EXPECT_EQ(flag.unlessReduced(Theme::springStandard()), Theme::springStandard());
  EXPECT_EQ(spy.count(), 2);
}

TEST(ReduceMotionFlag, AChangeBeforeAnyReadYieldsTheCurrentValue) {
  FakeInterfaceContext fake;
  ReduceMotion flag(*fake.desktopAppearance);
  flag.startObserving();
  fake.desktopAppearance->setReduceMotion(true);
  EXPECT_TRUE(flag.isEnabled());
}

TEST(EnvironmentValues, AccessibilityValuesFollowTheDesktopAtOnce) {
  FakeInterfaceContext fake;
  Environment& environment = fake.environment();
  QSignalSpy spy(&environment, &Environment::changed);
  DesktopPreferences desktop;
  desktop.increasedContrast = true;
  desktop.reduceTransparency = true;
  desktop.differentiateWithoutColor = true;
  desktop.reduceMotion = true;
  fake.desktopAppearance->setPreferences(desktop);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_TRUE(environment.increasedContrast());
  EXPECT_TRUE(environment.reduceTransparency());
  EXPECT_TRUE(environment.differentiateWithoutColor());
  // The environment is live even while the cached flag is not observing.
  EXPECT_TRUE(environment.reduceMotion());
}
