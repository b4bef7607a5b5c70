#include "ui/anim/AnimatedValue.h"
#include "ui/anim/FrameClock.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QObject>
#include <cmath>
#include <numbers>

using namespace qv;

namespace {

constexpr double kPi = std::numbers::pi;

// The textbook solution of a unit-mass damped spring released from `x0` at rest, written out
// independently of the runtime's solver.
double springDisplacement(double response, double zeta, double x0, double t) {
  const double w0 = 2 * kPi / response;
  if (zeta < 1) {
    const double wd = w0 * std::sqrt(1 - zeta * zeta);
    return x0 * std::exp(-zeta * w0 * t) * (std::cos(wd * t) + zeta * w0 / wd * std::sin(wd * t));
  }
  if (zeta == 1) return x0 * std::exp(-w0 * t) * (1 + w0 * t);
  const double s = std::sqrt(zeta * zeta - 1);
  const double r1 = -w0 * (zeta - s), r2 = -w0 * (zeta + s);
  return x0 * (r2 * std::exp(r1 * t) - r1 * std::exp(r2 * t)) / (r2 - r1);
}

// A point of the cubic bezier with control points (x1, y1), (x2, y2) at parameter s.
std::pair<double, double> bezierPoint(double x1, double y1, double x2, double y2, double s) {
  const double u = 1 - s;
  return {3 * u * u * s * x1 + 3 * u * s * s * x2 + s * s * s, 3 * u * u * s * y1 + 3 * u * s * s * y2 + s * s * s};
}

// Advances the clock to an absolute time in one frame.
void advanceTo(ManualFrameClock& clock, double time) { clock.advance(time - clock.now()); }

}  // namespace

TEST(AnimationRuntime, SpringsFollowTheClosedFormAtSampleTimes) {
  struct Case {
    Animation animation;
    double zeta;
  };
  const Case cases[] = {{Theme::springStandard(), 0.84},
                        {Theme::springSnappy(), 0.8},
                        {Theme::springCritical(), 1.0},
                        {Animation::spring(0.5, 1.6), 1.6},
                        {Animation::spring(0.4, 0.3), 0.3}};
  for (const Case& c : cases) {
    ManualFrameClock clock;
    Animated<double> value(clock, 0);
    value.animateTo(100, c.animation);
    for (double t : {0.016, 0.05, 0.1, 0.2, 0.3, 0.45}) {
      advanceTo(clock, t);
      const double expected = 100 + springDisplacement(c.animation.response(), c.zeta, -100, t);
      EXPECT_NEAR(value.value(), expected, 1e-6) << "response " << c.animation.response() << " at " << t;
    }
  }
}

TEST(AnimationRuntime, SpringsSettleOnTheTargetAndReleaseTheClock) {
  ManualFrameClock clock;
  Animated<double> value(clock, 0);
  int completions = 0;
  bool finished = false;
  value.animateTo(1, Theme::springStandard(), [&](bool done) {
    ++completions;
    finished = done;
  });
  EXPECT_TRUE(clock.isTicking());
  int frames = 0;
  while (value.isAnimating() && frames < 600) {
    clock.advance(1.0 / 60);
    ++frames;
  }
  EXPECT_FALSE(value.isAnimating());
  EXPECT_EQ(value.value(), 1.0);
  EXPECT_EQ(value.velocity(), 0.0);
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(finished);
  EXPECT_FALSE(clock.isTicking());
  // It settles within the spring's own settling estimate (plus a frame), not much earlier.
  EXPECT_LE(clock.now(), Theme::springStandard().duration() + 1.0 / 30);
  EXPECT_GT(clock.now(), 0.5 * Theme::springStandard().duration());
  // Overshooting springs come back: a light spring passes its target on the way.
  Animated<double> bouncy(clock, 0);
  bouncy.animateTo(1, Animation::spring(0.4, 0.3));
  double peak = 0;
  for (int i = 0; i < 60; ++i) {
    clock.advance(1.0 / 60);
    peak = std::max(peak, bouncy.value());
  }
  EXPECT_GT(peak, 1.2);
}

// A value whose smaller steps show nothing rests once it is that close: it follows the same
// spring until then, ends exactly on its target, and asks for fewer frames.
TEST(AnimationRuntime, AValueRestsWithinWhatItIsToldShowsNothing) {
  const QPointF from(0, 0), to(300, 40);
  const auto glide = [&](std::optional<double> restWithin, std::vector<QPointF>& path) {
    ManualFrameClock clock;
    auto value = restWithin ? Animated<QPointF>(clock, from, *restWithin) : Animated<QPointF>(clock, from);
    value.animateTo(to, Theme::springStandard());
    while (value.isAnimating() && path.size() < 600) {
      clock.advance(1.0 / 60);
      path.push_back(value.value());
    }
    EXPECT_FALSE(clock.isTicking());
  };
  std::vector<QPointF> fine, tenth, point;
  glide(std::nullopt, fine);
  glide(0.1, tenth);
  glide(1.0, point);
  for (const auto* path : {&fine, &tenth, &point}) EXPECT_EQ(path->back(), to);
  EXPECT_LT(point.size(), tenth.size());
  EXPECT_LT(tenth.size() + 10, fine.size());
  // The same path up to the last frame, which lands on the target from within a tenth.
  for (size_t i = 0; i + 1 < tenth.size(); ++i) EXPECT_EQ(tenth[i], fine[i]) << "frame " << i;
  const QPointF before = tenth[tenth.size() - 2];
  EXPECT_GT(std::max(std::abs(before.x() - to.x()), std::abs(before.y() - to.y())), 0.0);
  EXPECT_LE(std::abs(fine[tenth.size() - 1].x() - to.x()), 0.1);
}

TEST(AnimationRuntime, RetargetingKeepsPositionAndVelocityContinuous) {
  ManualFrameClock clock;
  Animated<QPointF> point(clock, QPointF(0, 0));
  point.animateTo(QPointF(100, 40), Theme::springStandard());
  advanceTo(clock, 0.12);
  const QPointF position = point.value();
  const QPointF velocity = point.velocity();
  ASSERT_GT(velocity.x(), 100);  // well under way

  // Retarget backwards mid-flight: nothing jumps.
  point.animateTo(QPointF(-50, 40), Theme::springStandard());
  EXPECT_EQ(point.value(), position);
  const double dt = 1e-4;
  clock.advance(dt);
  EXPECT_NEAR(point.value().x(), position.x() + velocity.x() * dt, 1e-2);
  EXPECT_NEAR(point.velocity().x(), velocity.x(), std::abs(velocity.x()) * 0.01);
  EXPECT_NEAR(point.velocity().y(), velocity.y(), std::max(1.0, std::abs(velocity.y()) * 0.01));

  // The new motion is the closed form started from that position and velocity.
  const SpringSolver solver(0.42, 0.84);
  advanceTo(clock, 0.12 + 0.2);
  EXPECT_NEAR(point.value().x(), -50 + solver.position(position.x() + 50, velocity.x(), 0.2), 1e-6);

  // A timing curve taking over keeps the position.
  const QPointF before = point.value();
  point.animateTo(QPointF(0, 0), Animation::easeOut(0.2));
  clock.advance(1e-5);
  EXPECT_NEAR(point.value().x(), before.x(), 0.05);
  advanceTo(clock, clock.now() + 0.3);
  EXPECT_EQ(point.value(), QPointF(0, 0));
  EXPECT_FALSE(point.isAnimating());
}

TEST(AnimationRuntime, TimingCurveTokensMatchTheirBeziersAtSamplePoints) {
  struct Case {
    const Animation& animation;
    double x1, y1, x2, y2, duration;
  };
  const Case cases[] = {{Theme::overshoot(), 0.34, 1.42, 0.44, 1.0, 0.42},
                        {Theme::easeOutQuick(), 0, 0, 0.58, 1, 0.2},
                        {Theme::easeInOutMedium(), 0.42, 0, 0.58, 1, 0.26},
                        {Animation::easeIn(0.3), 0.42, 0, 1, 1, 0.3},
                        {Animation::linear(0.5), 0, 0, 1, 1, 0.5}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(c.animation.duration(), c.duration);
    for (double s : {0.1, 0.25, 0.4, 0.5, 0.6, 0.75, 0.9}) {
      const auto [x, y] = bezierPoint(c.x1, c.y1, c.x2, c.y2, s);
      ManualFrameClock clock;
      Animated<double> value(clock, 10);
      value.animateTo(20, c.animation);
      clock.advance(x * c.duration);
      EXPECT_NEAR(value.value(), 10 + 10 * y, 1e-5) << "duration " << c.duration << " s " << s;
    }
  }
  // The overshoot token really passes its target before it comes back.
  EXPECT_GT(Theme::overshoot().progress(0.42 * 0.5), 1.0);
  EXPECT_DOUBLE_EQ(Theme::overshoot().progress(0.42), 1.0);
}

TEST(AnimationRuntime, RepeatForeverPlaysBackAndForthAndNeverSettles) {
  ManualFrameClock clock;
  Animated<double> glow(clock, 0);
  glow.animateTo(1, Animation::easeInOut(2.8).repeatForever(true));
  const UnitBezier easeInOut(0.42, 0, 0.58, 1);
  advanceTo(clock, 0.7);
  EXPECT_NEAR(glow.value(), easeInOut.solve(0.25), 1e-6);
  advanceTo(clock, 2.8 + 0.7);  // second run, backwards
  EXPECT_NEAR(glow.value(), easeInOut.solve(0.75), 1e-6);
  EXPECT_LT(glow.velocity(), 0);
  advanceTo(clock, 2 * 2.8 + 0.7);  // third run, forwards again
  EXPECT_NEAR(glow.value(), easeInOut.solve(0.25), 1e-6);
  advanceTo(clock, 100);
  EXPECT_TRUE(glow.isAnimating());
  EXPECT_TRUE(clock.isTicking());

  // Without reversing, every run starts again from the beginning; a counted repeat ends on the target.
  Animated<double> pulse(clock, 0);
  pulse.animateTo(1, Animation::linear(1).repeatCount(3, false));
  advanceTo(clock, clock.now() + 1.25);
  EXPECT_NEAR(pulse.value(), 0.25, 1e-6);
  advanceTo(clock, clock.now() + 2);
  EXPECT_FALSE(pulse.isAnimating());
  EXPECT_EQ(pulse.value(), 1.0);

  // A new target without animation stops the endless one.
  glow.jumpTo(0.5);
  EXPECT_FALSE(glow.isAnimating());
  EXPECT_FALSE(clock.isTicking());
}

TEST(AnimationRuntime, DelayAndSpeedShiftTheTimeline) {
  ManualFrameClock clock;
  Animated<double> value(clock, 0);
  value.animateTo(1, Animation::linear(0.2).delay(0.05));
  advanceTo(clock, 0.04);
  EXPECT_EQ(value.value(), 0.0);
  advanceTo(clock, 0.15);
  EXPECT_NEAR(value.value(), 0.5, 1e-6);

  Animated<double> fast(clock, 0);
  fast.animateTo(1, Animation::linear(0.2).speed(2));
  advanceTo(clock, clock.now() + 0.05);
  EXPECT_NEAR(fast.value(), 0.5, 1e-6);
}

TEST(AnimationRuntime, EveryValueKindReachesItsTargetThroughTheMiddle) {
  ManualFrameClock clock;
  const Animation half = Animation::linear(1);
  Animated<QSizeF> size(clock, QSizeF(10, 20));
  Animated<QRectF> rect(clock, QRectF(0, 0, 100, 50));
  Animated<QColor> colour(clock, QColor(255, 0, 0));
  size.animateTo(QSizeF(30, 40), half);
  rect.animateTo(QRectF(10, 20, 200, 150), half);
  colour.animateTo(QColor(0, 0, 255, 0), half);
  clock.advance(0.5);
  EXPECT_EQ(size.value(), QSizeF(20, 30));
  EXPECT_EQ(rect.value(), QRectF(5, 10, 150, 100));
  EXPECT_NEAR(colour.value().redF(), 0.5, 1e-3);
  EXPECT_NEAR(colour.value().blueF(), 0.5, 1e-3);
  EXPECT_NEAR(colour.value().alphaF(), 0.5, 1e-3);
  EXPECT_EQ(clock.clientCount(), 3);
  clock.advance(0.6);
  EXPECT_EQ(size.value(), QSizeF(30, 40));
  EXPECT_EQ(rect.value(), QRectF(10, 20, 200, 150));
  EXPECT_EQ(colour.value(), QColor(0, 0, 255, 0));
  EXPECT_EQ(clock.clientCount(), 0);

  // A colour spring may overshoot the range, but painted colours stay valid.
  colour.animateTo(QColor(255, 255, 255), Animation::spring(0.4, 0.2));
  for (int i = 0; i < 20; ++i) {
    clock.advance(1.0 / 60);
    EXPECT_TRUE(colour.value().isValid());
    EXPECT_LE(colour.value().redF(), 1.0f);
  }
}

TEST(AnimationRuntime, CompletionsReportWhetherTheAnimationArrived) {
  ManualFrameClock clock;
  Animated<double> value(clock, 0);
  std::vector<bool> results;
  value.animateTo(1, Animation::easeOut(0.2), [&](bool done) { results.push_back(done); });
  clock.advance(0.1);
  // The same target again changes nothing and waits for the same arrival.
  value.animateTo(1, Theme::springSnappy(), [&](bool done) { results.push_back(done); });
  EXPECT_EQ(value.animation(), Animation::easeOut(0.2));
  clock.advance(0.2);
  EXPECT_EQ(results, (std::vector<bool>{true, true}));

  results.clear();
  value.animateTo(0, Animation::easeOut(0.2), [&](bool done) { results.push_back(done); });
  clock.advance(0.05);
  value.animateTo(2, Animation::easeOut(0.2), [&](bool done) { results.push_back(done); });
  value.jumpTo(3);
  EXPECT_EQ(results, (std::vector<bool>{false, false}));

  // A completion may chain the next animation.
  results.clear();
  value.animateTo(4, Animation::linear(0.1), [&](bool) { value.animateTo(5, Animation::linear(0.1)); });
  clock.advance(0.15);
  EXPECT_TRUE(value.isAnimating());
  EXPECT_EQ(value.target(), 5.0);
  clock.advance(0.15);
  EXPECT_EQ(value.value(), 5.0);
  EXPECT_FALSE(clock.isTicking());
}

TEST(AnimationRuntime, ValuesDetachFromTheClockWhenDestroyedMidFlight) {
  ManualFrameClock clock;
  int repaints = 0;
  {
    Animated<double> value(clock, 0);
    value.setOnChange([&] { ++repaints; });
    value.animateTo(1, Theme::springGentle());
    clock.advance(1.0 / 60);
    EXPECT_EQ(clock.clientCount(), 1);
  }
  EXPECT_EQ(clock.clientCount(), 0);
  EXPECT_FALSE(clock.isTicking());
  clock.advance(1.0 / 60);
  EXPECT_EQ(repaints, 1);

  // One value's repaint may destroy another one that still animates in the same frame.
  auto doomed = std::make_unique<Animated<double>>(clock, 0);
  Animated<double> killer(clock, 0);
  killer.setOnChange([&] { doomed.reset(); });
  killer.animateTo(1, Animation::linear(1));
  doomed->animateTo(1, Animation::linear(1));
  clock.advance(0.1);
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(clock.clientCount(), 1);

  // A completion may destroy the value it completes.
  auto fading = std::make_unique<Animated<double>>(clock, 1);
  fading->animateTo(0, Animation::easeIn(0.1), [&](bool) { fading.reset(); });
  clock.advance(0.2);
  EXPECT_EQ(fading, nullptr);
}

TEST(AnimationRuntime, TimerClockRunsOnlyWhileSomethingAnimates) {
  TimerFrameClock clock;
  EXPECT_FALSE(clock.timerActive());
  EXPECT_GE(clock.intervalMs(), 4);
  EXPECT_LE(clock.intervalMs(), 34);
  Animated<double> value(clock, 0);
  value.animateTo(1, Theme::springStandard());
  EXPECT_TRUE(clock.timerActive());
  value.jumpTo(1);
  EXPECT_FALSE(clock.timerActive());
}

namespace {
class Notifier : public QObject {
  Q_OBJECT
 public:
  void change() { Q_EMIT changed(); }
 Q_SIGNALS:
  void changed();
};
}  // namespace

TEST(AnimationRuntime, TheTransactionIsVisibleInsideASynchronousSlotOnly) {
  ManualFrameClock clock;
  Notifier state;
  Animated<double> offset(clock, 0);
  std::vector<std::optional<Animation>> seen;
  double nextTarget = 0;
  QObject::connect(&state, &Notifier::changed, [&] {
    seen.push_back(Transaction::current().animation);
    offset.setTarget(nextTarget);
  });

  nextTarget = 10;
  withAnimation(Theme::springStandard(), [&] { state.change(); });
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen.back(), Theme::springStandard());
  EXPECT_TRUE(offset.isAnimating());
  EXPECT_FALSE(Transaction::current().animation.has_value());

  // Outside any scope the change applies at once.
  nextTarget = 20;
  state.change();
  EXPECT_FALSE(seen.back().has_value());
  EXPECT_FALSE(offset.isAnimating());
  EXPECT_EQ(offset.value(), 20.0);

  // Scopes nest; the innermost wins, and the outer one comes back after it.
  withAnimation(Theme::easeOutQuick(), [&] {
    withoutAnimation([&] {
      nextTarget = 30;
      state.change();
    });
    EXPECT_FALSE(seen.back().has_value());
    nextTarget = 40;
    state.change();
    EXPECT_EQ(seen.back(), Theme::easeOutQuick());
  });
  EXPECT_FALSE(Transaction::current().animation.has_value());
}

#include "AnimationRuntimeTest.moc"
