#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/AnimatedAppIconView.h"
#include "ui/controls/ControlStyle.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QTest>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {
QIcon solidIcon() {
  QPixmap pixmap(64, 64);
  pixmap.fill(QColor(200, 60, 60));
  return QIcon(pixmap);
}
}  // namespace

TEST(AnimatedAppIconView, EntranceLightsUpAndFloatsOnlyWhileShown) {
  FakeInterfaceContext fake;
  AnimatedAppIconView view(*fake.context, 100, solidIcon());
  EXPECT_EQ(view.sizeHint(), QSize(118, 118));
  view.resize(view.sizeHint());
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

  fake.scheduler->advance(0.1);
  EXPECT_EQ(view.appearAmount(), 0);
  EXPECT_EQ(qAlpha(view.renderForTest(1).pixel(59, 59)), 0);  // not there yet
  fake.scheduler->advance(0.05);                              // 0.15 s: fades and grows in
  fake.clock->advance(0.2);
  const double appear = Animation::spring(0.6, 0.85).progress(0.2);
  EXPECT_NEAR(view.appearAmount(), appear, 1e-6);
  EXPECT_NEAR(view.iconRect().width(), 100 * lerp(0.94, 1, appear), 1e-6);

  fake.scheduler->advance(0.35);  // 0.5 s: lights up over 1.8 s
  fake.clock->advance(0.9);
  EXPECT_NEAR(view.litAmount(), Animation::easeInOut(1.8).progress(0.9), 1e-6);

  fake.scheduler->advance(2.0);  // 2.5 s: floats, 2.8 s up and 2.8 s down
  EXPECT_TRUE(view.isFloating());
  fake.clock->advance(1.4);
  EXPECT_NEAR(view.floatAmount(), 0.5, 1e-6);
  fake.clock->advance(1.4);
  EXPECT_NEAR(view.floatAmount(), 1, 1e-6);
  EXPECT_NEAR(view.iconRect().top(), 9 - 4.5, 1e-3);  // risen by 4.5 % of the size
  fake.clock->advance(0.7);
  EXPECT_NEAR(view.floatAmount(), 1 - Animation::easeInOut(2.8).progress(0.7), 1e-6);
  EXPECT_EQ(view.litAmount(), 1);

  // Off screen the loop stops driving the clock; back on screen it floats again.
  view.hide();
  EXPECT_FALSE(fake.clock->isTicking());
  view.show();
  EXPECT_TRUE(view.isFloating());
  EXPECT_TRUE(fake.clock->isTicking());

  // Reduced motion: the float rests.
  fake.desktopAppearance->setReduceMotion(true);
  fake.drain();
  EXPECT_FALSE(view.isFloating());
  EXPECT_EQ(view.floatAmount(), 0);
}

TEST(AnimatedAppIconView, ReducedMotionShowsTheIconLitAndStill) {
  FakeInterfaceContext fake;
  fake.desktopAppearance->setReduceMotion(true);
  fake.drain();
  AnimatedAppIconView view(*fake.context, 80, solidIcon());
  view.show();
  fake.scheduler->advance(3);
  EXPECT_EQ(view.appearAmount(), 1);
  EXPECT_EQ(view.litAmount(), 1);
  EXPECT_FALSE(view.isFloating());
  EXPECT_FALSE(fake.clock->isTicking());
  EXPECT_TRUE(view.accessibility().hidden);
}
