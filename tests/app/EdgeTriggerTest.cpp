#include "app/EdgeTrigger.h"
#include "support/CapturedLog.h"
#include "support/app/FakeContext.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

// One 1920x1080 screen with a second one to its right, as the fake context's default plus one.
struct EdgeTriggerTest : ::testing::Test {
  EdgeTriggerTest() {
    fake.screens->setScreens({{"main", QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048)},
                              {"side", QRectF(1920, 0, 1280, 1024), QRectF(1920, 0, 1280, 1024)}});
    trigger.start();
  }
  void move(double x, double y = 500) { fake.pointerMonitor->move({x, y}); }

  FakeContext fake;
  QStringList shown;
  EdgeTrigger trigger{*fake.context, [this](const QString& side) { shown << side; }};
};

}  // namespace

TEST_F(EdgeTriggerTest, RightBandIsFourPointsWideOnTheFullFrame) {
  trigger.update("right", 0);
  move(1920 - 4.5);
  EXPECT_TRUE(shown.isEmpty());
  EXPECT_FALSE(trigger.armedSide());
  move(1920 - 4);
  EXPECT_EQ(shown, QStringList{"right"});
  // Each screen's own edges count, also where it touches the other screen.
  shown.clear();
  move(1000);
  move(3200 - 1);
  EXPECT_EQ(shown, QStringList{"right"});
}

TEST_F(EdgeTriggerTest, LeftAndBothSidesAndUnknownValues) {
  trigger.update("left", 0);
  move(4);  // minX + 4
  move(1919);
  EXPECT_EQ(shown, QStringList{"left"});

  shown.clear();
  trigger.update("both", 0);
  move(1919);
  move(1000);
  move(0);
  move(1000);
  move(1920 + 2);  // the left band of the second screen
  EXPECT_EQ(shown, (QStringList{"right", "left", "left"}));

  shown.clear();
  trigger.update("top", 0);  // anything else acts as "right"
  move(1000);
  move(0);
  move(1000, 0);
  EXPECT_TRUE(shown.isEmpty());
  move(1917);
  EXPECT_EQ(shown, QStringList{"right"});
}

TEST_F(EdgeTriggerTest, DwellReportsOnceAfterTheDelayWhileThePointerStaysInTheBand) {
  trigger.update("right", 0.3);
  move(1918, 100);
  fake.scheduler->advance(0.2);
  move(1919, 400);  // moving along the edge does not restart the dwell
  fake.scheduler->advance(0.099);
  EXPECT_TRUE(shown.isEmpty());
  fake.scheduler->advance(0.002);
  EXPECT_EQ(shown, QStringList{"right"});
  // Resting or moving in the band after a report: nothing more until it leaves and returns.
  move(1919, 800);
  fake.scheduler->advance(5);
  EXPECT_EQ(shown.size(), 1);
  move(1500);
  move(1919);
  fake.scheduler->advance(0.3);
  EXPECT_EQ(shown.size(), 2);
}

TEST_F(EdgeTriggerTest, LeavingTheBandBeforeTheDelayCancelsTheReport) {
  trigger.update("right", 0.3);
  move(1919);
  fake.scheduler->advance(0.25);
  move(1800);
  EXPECT_FALSE(trigger.armedSide());
  fake.scheduler->advance(1);
  EXPECT_TRUE(shown.isEmpty());
}

TEST_F(EdgeTriggerTest, UpdateWithANewDelayKeepsThePendingDwellButANewSideDisarms) {
  trigger.update("right", 0.3);
  move(1919);
  fake.scheduler->advance(0.1);
  trigger.update("right", 2.0);
  EXPECT_EQ(trigger.armedSide(), QString("right"));
  fake.scheduler->advance(0.2);  // the old deadline
  EXPECT_EQ(shown, QStringList{"right"});

  shown.clear();
  move(1000);
  move(1919);
  fake.scheduler->advance(1);
  trigger.update("both", 2.0);
  EXPECT_FALSE(trigger.armedSide());
  EXPECT_FALSE(trigger.isDwellPending());
  fake.scheduler->advance(5);
  EXPECT_TRUE(shown.isEmpty());
}

TEST_F(EdgeTriggerTest, SuppressionCancelsAndIgnoresMovementUntilLifted) {
  trigger.update("right", 0.3);
  move(1919);
  trigger.setSuppressed(true);
  EXPECT_FALSE(trigger.armedSide());
  fake.scheduler->advance(1);
  move(1918);
  fake.scheduler->advance(1);
  EXPECT_TRUE(shown.isEmpty());
  trigger.setSuppressed(false);
  fake.scheduler->advance(1);
  EXPECT_TRUE(shown.isEmpty());  // lifting it does not arm by itself
  move(1918);
  fake.scheduler->advance(0.3);
  EXPECT_EQ(shown, QStringList{"right"});
  // Setting the same value again changes nothing.
  move(1000);
  move(1919);
  trigger.setSuppressed(false);
  EXPECT_TRUE(trigger.isDwellPending());
}

TEST_F(EdgeTriggerTest, StartTwiceInstallsOneHandlerAndStopDisarmsAndLogs) {
  qv::test::CapturedLog log;
  trigger.update("right", 0.3);
  trigger.start();
  EXPECT_EQ(fake.pointerMonitor->interestChanges(), 1);
  move(1919);
  trigger.stop();
  EXPECT_FALSE(fake.pointerMonitor->listensForMoves());
  EXPECT_FALSE(trigger.armedSide());
  fake.scheduler->advance(1);
  move(1919);
  fake.scheduler->advance(1);
  EXPECT_TRUE(shown.isEmpty());
  trigger.stop();
  EXPECT_EQ(log.count(QtInfoMsg, "EdgeTrigger stopped"), 2);

  trigger.update("left", 0.5);
  trigger.start();
  EXPECT_EQ(log.count(QtInfoMsg, "EdgeTrigger started — side: left, delay: 0.500000"), 1);
}

TEST_F(EdgeTriggerTest, PointsBetweenScreensBelongToTheNearestScreen) {
  // A gap between the screens: the pointer position there is judged by the nearer screen.
  fake.screens->setScreens({{"a", QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 800)},
                            {"b", QRectF(1100, 0, 1000, 800), QRectF(1100, 0, 1000, 800)}});
  trigger.update("both", 0);
  move(1010);  // nearer to "a": beyond its right band
  EXPECT_EQ(shown, QStringList{"right"});
  move(500);
  move(1050);  // tie: "a" again
  EXPECT_EQ(shown, (QStringList{"right", "right"}));
  move(500);
  move(1090);  // nearer to "b": inside its left band
  EXPECT_EQ(shown, (QStringList{"right", "right", "left"}));
}

TEST_F(EdgeTriggerTest, ADwellFiringAfterTheTriggerIsGoneDoesNothing) {
  auto other = std::make_unique<EdgeTrigger>(*fake.context, [this](const QString& side) { shown << side; });
  other->update("right", 0.3);
  other->start();
  move(1919);
  trigger.stop();
  other.reset();
  fake.scheduler->advance(1);
  EXPECT_TRUE(shown.isEmpty());
  EXPECT_FALSE(fake.pointerMonitor->listensForMoves());
}
