#pragma once
#include <optional>

namespace qv {

// A cubic-bezier timing curve from (0, 0) to (1, 1) through two control points, as used for
// ease-in, ease-out and custom timing. y may leave [0, 1] (an overshooting curve).
class UnitBezier {
 public:
  constexpr UnitBezier(double x1, double y1, double x2, double y2) : x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}
  // The eased progress for a time fraction t in [0, 1].
  double solve(double t) const;
  double x1() const { return x1_; }
  double y1() const { return y1_; }
  double x2() const { return x2_; }
  double y2() const { return y2_; }
  bool operator==(const UnitBezier&) const = default;

 private:
  double sampleX(double s) const;
  double sampleY(double s) const;
  double sampleDerivativeX(double s) const;
  double x1_, y1_, x2_, y2_;
};

// A damped spring towards 0, mass 1, given as the period of its undamped oscillation
// (`response`, seconds) and the damping ratio. It is solved in closed form, so any time can be
// evaluated without stepping.
class SpringSolver {
 public:
  SpringSolver(double response, double dampingFraction);
  // The time-dependent factors at time t, shared by every component moving on this spring
  // (so that a frame costs one exponential and one sine/cosine per value, not per number).
  struct Basis {
    double t = 0;
    double decay = 0;   // e^(-zeta w0 t), or e^(r1 t) when over-damped
    double cosine = 0;  // cos(wd t), or e^(r2 t) when over-damped
    double sine = 0;
  };
  Basis basis(double t) const;
  // Displacement and velocity for a start displacement x0 and velocity v0.
  double position(double x0, double v0, const Basis& basis) const;
  double velocity(double x0, double v0, const Basis& basis) const;
  double position(double x0, double v0, double t) const { return position(x0, v0, basis(t)); }
  double velocity(double x0, double v0, double t) const { return velocity(x0, v0, basis(t)); }
  double angularFrequency() const { return omega0_; }
  // When a unit displacement at rest has come within `epsilon` of rest for good.
  double settlingTime(double epsilon = 1e-3) const;

 private:
  double omega0_;
  double zeta_;
  double omegaD_ = 0;  // damped frequency (under-damped)
  double r1_ = 0;      // the two real roots (over-damped)
  double r2_ = 0;
};

// How a change animates: a spring or a timing curve with a duration, optionally delayed,
// sped up, or repeated. A value type; views receive it through the transaction of a change.
class Animation {
 public:
  enum class Kind { spring, curve };

  // SwiftUI-like spring: `response` is the period of the undamped oscillation, the damping
  // fraction is the damping ratio (1 = critically damped). The blend duration is kept for
  // equality but springs here always take over at once, keeping position and velocity.
  static Animation spring(double response = 0.5, double dampingFraction = 0.825, double blendDuration = 0);
  static Animation timingCurve(double x1, double y1, double x2, double y2, double duration);
  static Animation linear(double duration = 0.35);
  static Animation easeIn(double duration = 0.35);
  static Animation easeOut(double duration = 0.35);
  static Animation easeInOut(double duration = 0.35);
  // The desktop's "default" timing (a gentle ease-in-out) used by window frame animations.
  static Animation defaultTiming(double duration = 0.25);

  Animation delay(double seconds) const;
  Animation speed(double factor) const;
  // Plays `count` times in all; with `autoreverses` every second run plays backwards.
  Animation repeatCount(int count, bool autoreverses = true) const;
  Animation repeatForever(bool autoreverses = true) const;

  Kind kind() const { return kind_; }
  double response() const { return response_; }
  double dampingFraction() const { return dampingFraction_; }
  double blendDuration() const { return blendDuration_; }
  const UnitBezier& curve() const { return curve_; }
  // The curve's duration, or for a spring how long a change at rest takes to settle.
  double duration() const { return duration_; }
  double delaySeconds() const { return delay_; }
  double speedFactor() const { return speed_; }
  // 0 = repeats forever; 1 = plays once.
  int repeats() const { return repeats_; }
  bool autoreverses() const { return autoreverses_; }
  bool repeatsForever() const { return repeats_ == 0; }

  // The eased progress from 0 towards 1 of one run, `t` seconds (already sped up) into it,
  // for a change that starts at rest. Springs may overshoot 1.
  double progress(double t) const;

  bool operator==(const Animation& other) const;

 private:
  Animation() = default;
  Kind kind_ = Kind::curve;
  double response_ = 0;
  double dampingFraction_ = 0;
  double blendDuration_ = 0;
  UnitBezier curve_{0, 0, 1, 1};
  double duration_ = 0;
  double delay_ = 0;
  double speed_ = 1;
  int repeats_ = 1;
  bool autoreverses_ = false;
};

}  // namespace qv
