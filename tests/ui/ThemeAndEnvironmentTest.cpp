#include "support/FakeInterfaceContext.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace qv;
using qv::test::FakeInterfaceContext;

TEST(ThemeTokens, HoldTheirValuesAndAreMadeOnce) {
  EXPECT_EQ(Theme::accent().toRgb(), QColor(88, 93, 193));
  EXPECT_EQ(Theme::accent().alphaF(), 1.0f);
  EXPECT_EQ(Theme::accentNS().toRgb(), Theme::accent().toRgb());
  EXPECT_EQ(&Theme::accent(), &Theme::accent());
  EXPECT_EQ(&Theme::springStandard(), &Theme::springStandard());

  const auto low = Theme::shadowLow().layers();
  ASSERT_EQ(low.size(), 2u);
  EXPECT_NEAR(low[0].color.alphaF(), 0.2, 1e-4);
  EXPECT_EQ(low[0].color.toRgb().rgb() & 0xFFFFFF, 0u);
  EXPECT_EQ(low[0].radius, 8);
  EXPECT_EQ(low[0].y, 4);
  EXPECT_NEAR(low[1].color.alphaF(), 0.1, 1e-4);
  EXPECT_EQ(low[1].radius, 2);
  EXPECT_EQ(low[1].x, 0);
  EXPECT_EQ(low[1].y, 1);
  const auto high = Theme::shadowHigh().layers();
  ASSERT_EQ(high.size(), 2u);
  EXPECT_NEAR(high[0].color.alphaF(), 0.24, 1e-4);
  EXPECT_EQ(high[0].radius, 9);
  EXPECT_EQ(high[0].y, 6);
  EXPECT_NEAR(high[1].color.alphaF(), 0.12, 1e-4);
  EXPECT_EQ(high[1].radius, 3);

  // A token without a second layer paints exactly one shadow; a second layer never moves sideways.
  ThemeShadow single{{Qt::black, 4, 2, 3}, std::nullopt};
  EXPECT_EQ(single.layers().size(), 1u);
  ThemeShadow pair{{Qt::black, 4, 2, 3}, ShadowLayer{Qt::black, 1, 5, 1}};
  EXPECT_EQ(pair.layers().at(1).x, 0);

  struct Spring {
    const Animation& token;
    double response, damping;
  };
  for (const Spring& s : {Spring{Theme::springStandard(), 0.42, 0.84}, Spring{Theme::springSnappy(), 0.3, 0.8},
                          Spring{Theme::springGentle(), 0.48, 0.88}, Spring{Theme::springCritical(), 0.32, 1.0}}) {
    EXPECT_EQ(s.token.kind(), Animation::Kind::spring);
    EXPECT_DOUBLE_EQ(s.token.response(), s.response);
    EXPECT_DOUBLE_EQ(s.token.dampingFraction(), s.damping);
    EXPECT_EQ(s.token.blendDuration(), 0);
  }
  EXPECT_EQ(Theme::overshoot().curve(), UnitBezier(0.34, 1.42, 0.44, 1.0));
  EXPECT_EQ(Theme::easeOutQuick(), Animation::easeOut(0.2));
  EXPECT_EQ(Theme::easeInOutMedium(), Animation::easeInOut(0.26));
}

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
