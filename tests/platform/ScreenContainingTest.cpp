#include "platform/Screens.h"
#include "platform/fake/FakePointerMonitor.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
ScreenInfo screen(const char* name, QRectF frame) { return {QString::fromLatin1(name), frame, frame}; }
}  // namespace

TEST(ScreenContaining, FrameIncludesItsMinimumEdgesAndExcludesItsMaximumEdges) {
  const QList<ScreenInfo> screens = {screen("left", {0, 0, 1920, 1080}), screen("right", {1920, 0, 1280, 1024})};
  EXPECT_EQ(screenContaining(screens, {0, 0})->name, "left");
  EXPECT_EQ(screenContaining(screens, {1919.5, 1079.5})->name, "left");
  EXPECT_EQ(screenContaining(screens, {1920, 0})->name, "right");  // max edge of the first is excluded
  EXPECT_EQ(screenContaining(screens, {3199, 1023})->name, "right");
}

TEST(ScreenContaining, OutsideEveryFrameTheNearestWinsAndTiesGoToTheEarlierScreen) {
  // Two screens with a 100-point gap between them.
  const QList<ScreenInfo> screens = {screen("a", {0, 0, 1000, 800}), screen("b", {1100, 0, 1000, 800})};
  EXPECT_EQ(screenContaining(screens, {1020, 400})->name, "a");
  EXPECT_EQ(screenContaining(screens, {1080, 400})->name, "b");
  EXPECT_EQ(screenContaining(screens, {1050, 400})->name, "a");  // equal distance
  const QList<ScreenInfo> reversed = {screens[1], screens[0]};
  EXPECT_EQ(screenContaining(reversed, {1050, 400})->name, "b");
  // Squared distance in both axes: below and to the right of "a" but far above "b".
  const QList<ScreenInfo> stacked = {screen("top", {0, 0, 100, 100}), screen("low", {0, 300, 100, 100})};
  EXPECT_EQ(screenContaining(stacked, {150, 160})->name, "top");
  EXPECT_EQ(screenContaining(stacked, {-50, 260})->name, "low");
}

TEST(ScreenContaining, NoScreensGivesNone) { EXPECT_FALSE(screenContaining({}, {10, 10})); }

TEST(GlobalPointerMonitor, ListensOnlyWhileSomeoneWantsEventsAndToleratesRemovalDuringDelivery) {
  auto monitor = std::make_unique<FakePointerMonitor>();
  EXPECT_FALSE(monitor->listensForMoves());
  int first = 0, second = 0;
  PointerSubscription a = monitor->addMoveHandler([&](QPointF) { ++first; });
  PointerSubscription b;
  b = monitor->addMoveHandler([&](QPointF) {
    ++second;
    b.reset();  // a handler removing itself
  });
  EXPECT_TRUE(monitor->listensForMoves());
  EXPECT_EQ(monitor->interestChanges(), 1);
  monitor->move({1, 1});
  monitor->move({2, 2});
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 1);
  a.reset();
  EXPECT_FALSE(monitor->listensForMoves());
  EXPECT_EQ(monitor->interestChanges(), 2);

  QPointF pressedAt;
  PointerSubscription press = monitor->addButtonPressHandler([&](QPointF p) { pressedAt = p; });
  monitor->pressButton({5, 6});
  EXPECT_EQ(pressedAt, QPointF(5, 6));
  EXPECT_FALSE(monitor->listensForMoves());
  monitor.reset();
  press.reset();  // outliving the monitor is harmless
}
