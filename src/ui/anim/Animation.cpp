#include "ui/anim/Animation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv {

// ---- UnitBezier

double UnitBezier::sampleX(double s) const {
  // Bernstein form with P0 = 0 and P3 = 1.
  const double u = 1 - s;
  return 3 * u * u * s * x1_ + 3 * u * s * s * x2_ + s * s * s;
}

double UnitBezier::sampleY(double s) const {
  const double u = 1 - s;
  return 3 * u * u * s * y1_ + 3 * u * s * s * y2_ + s * s * s;
}

double UnitBezier::sampleDerivativeX(double s) const {
  const double u = 1 - s;
  return 3 * u * u * x1_ + 6 * u * s * (x2_ - x1_) + 3 * s * s * (1 - x2_);
}

double UnitBezier::solve(double t) const {
  if (t <= 0) return 0;
  if (t >= 1) return 1;
  constexpr double kEpsilon = 1e-7;
  // Newton's method first: fast where the curve is not flat in x.
  double s = t;
  for (int i = 0; i < 8; ++i) {
    const double error = sampleX(s) - t;
    if (std::abs(error) < kEpsilon) return sampleY(s);
    const double derivative = sampleDerivativeX(s);
    if (std::abs(derivative) < 1e-6) break;
    s -= error / derivative;
  }
  // Bisection always converges because x(s) is monotonic for control x in [0, 1].
  double low = 0, high = 1;
  s = t;
  for (int i = 0; i < 60; ++i) {
    const double x = sampleX(s);
    if (std::abs(x - t) < kEpsilon) break;
    if (x < t) low = s;
    else high = s;
    s = (low + high) / 2;
  }
  return sampleY(s);
}

// ---- SpringSolver

SpringSolver::SpringSolver(double response, double dampingFraction)
    : omega0_(2 * std::numbers::pi / std::max(response, 1e-4)), zeta_(std::max(dampingFraction, 0.0)) {
  if (zeta_ < 1) {
    omegaD_ = omega0_ * std::sqrt(1 - zeta_ * zeta_);
  } else if (zeta_ > 1) {
    const double root = std::sqrt(zeta_ * zeta_ - 1);
    r1_ = -omega0_ * (zeta_ - root);
    r2_ = -omega0_ * (zeta_ + root);
  }
}

SpringSolver::Basis SpringSolver::basis(double t) const {
  Basis b;
  b.t = t;
  if (zeta_ < 1) {
    b.decay = std::exp(-zeta_ * omega0_ * t);
    b.cosine = std::cos(omegaD_ * t);
    b.sine = std::sin(omegaD_ * t);
  } else if (zeta_ == 1) {
    b.decay = std::exp(-omega0_ * t);
  } else {
    b.decay = std::exp(r1_ * t);
    b.cosine = std::exp(r2_ * t);
  }
  return b;
}

double SpringSolver::position(double x0, double v0, const Basis& b) const {
  if (zeta_ < 1) {
    const double c = (v0 + zeta_ * omega0_ * x0) / omegaD_;
    return b.decay * (x0 * b.cosine + c * b.sine);
  }
  if (zeta_ == 1) return b.decay * (x0 + (v0 + omega0_ * x0) * b.t);
  const double c2 = (v0 - r1_ * x0) / (r2_ - r1_);
  const double c1 = x0 - c2;
  return c1 * b.decay + c2 * b.cosine;
}

double SpringSolver::velocity(double x0, double v0, const Basis& b) const {
  if (zeta_ < 1) {
    const double c = (v0 + zeta_ * omega0_ * x0) / omegaD_;
    return b.decay * ((c * omegaD_ - zeta_ * omega0_ * x0) * b.cosine - (x0 * omegaD_ + zeta_ * omega0_ * c) * b.sine);
  }
  if (zeta_ == 1) {
    const double c = v0 + omega0_ * x0;
    return b.decay * (c - omega0_ * (x0 + c * b.t));
  }
  const double c2 = (v0 - r1_ * x0) / (r2_ - r1_);
  const double c1 = x0 - c2;
  return c1 * r1_ * b.decay + c2 * r2_ * b.cosine;
}

double SpringSolver::settlingTime(double epsilon) const {
  // Walk back from a late time to the last moment the displacement was still outside epsilon.
  constexpr double kStep = 1.0 / 240;
  constexpr double kLimit = 30;
  double lastOutside = 0;
  for (double t = 0; t < kLimit; t += kStep) {
    if (std::abs(position(1, 0, t)) > epsilon) lastOutside = t;
    else if (t - lastOutside > 4 * std::numbers::pi / omega0_) break;  // quiet for two periods
  }
  return lastOutside + kStep;
}

// ---- Animation

Animation Animation::spring(double response, double dampingFraction, double blendDuration) {
  Animation animation;
  animation.kind_ = Kind::spring;
  animation.response_ = std::max(response, 1e-4);
  animation.dampingFraction_ = std::max(dampingFraction, 0.0);
  animation.blendDuration_ = blendDuration;
  animation.duration_ = SpringSolver(animation.response_, animation.dampingFraction_).settlingTime();
  return animation;
}

Animation Animation::timingCurve(double x1, double y1, double x2, double y2, double duration) {
  Animation animation;
  animation.kind_ = Kind::curve;
  animation.curve_ = UnitBezier(std::clamp(x1, 0.0, 1.0), y1, std::clamp(x2, 0.0, 1.0), y2);
  animation.duration_ = std::max(duration, 0.0);
  return animation;
}

Animation Animation::linear(double duration) { return timingCurve(0, 0, 1, 1, duration); }
Animation Animation::easeIn(double duration) { return timingCurve(0.42, 0, 1, 1, duration); }
Animation Animation::easeOut(double duration) { return timingCurve(0, 0, 0.58, 1, duration); }
Animation Animation::easeInOut(double duration) { return timingCurve(0.42, 0, 0.58, 1, duration); }
Animation Animation::defaultTiming(double duration) { return timingCurve(0.25, 0.1, 0.25, 1, duration); }

Animation Animation::delay(double seconds) const {
  Animation copy = *this;
  copy.delay_ = std::max(seconds, 0.0);
  return copy;
}

Animation Animation::speed(double factor) const {
  Animation copy = *this;
  copy.speed_ = factor > 0 ? factor : 1;
  return copy;
}

Animation Animation::repeatCount(int count, bool autoreverses) const {
  Animation copy = *this;
  copy.repeats_ = std::max(count, 1);
  copy.autoreverses_ = autoreverses;
  return copy;
}

Animation Animation::repeatForever(bool autoreverses) const {
  Animation copy = *this;
  copy.repeats_ = 0;
  copy.autoreverses_ = autoreverses;
  return copy;
}

double Animation::progress(double t) const {
  if (kind_ == Kind::spring) return 1 - SpringSolver(response_, dampingFraction_).position(1, 0, std::max(t, 0.0));
  if (duration_ <= 0) return 1;
  return curve_.solve(std::clamp(t / duration_, 0.0, 1.0));
}

bool Animation::operator==(const Animation& other) const {
  return kind_ == other.kind_ && response_ == other.response_ && dampingFraction_ == other.dampingFraction_ &&
         blendDuration_ == other.blendDuration_ && curve_ == other.curve_ && duration_ == other.duration_ &&
         delay_ == other.delay_ && speed_ == other.speed_ && repeats_ == other.repeats_ &&
         autoreverses_ == other.autoreverses_;
}

}  // namespace qv
