#include "ui/anim/AnimatedValue.h"

#include <cmath>

namespace qv {

AnimationTrack::AnimationTrack(FrameClock& clock, int dimension, double epsilon)
    : clock_(clock), dimension_(std::clamp(dimension, 1, 4)), epsilon_(epsilon) {}

AnimationTrack::~AnimationTrack() = default;

std::optional<Animation> AnimationTrack::animation() const {
  if (!segment_) return std::nullopt;
  return segment_->animation;
}

void AnimationTrack::jumpTo(const Vector& value) {
  const bool moved = value != value_;
  target_ = value;
  value_ = value;
  velocity_ = {};
  if (segment_) finishSegment(false);
  if (moved) notifyChange();
}

void AnimationTrack::animateTo(const Vector& target, const std::optional<Animation>& animation,
                               AnimationCompletion completion) {
  if (!animation) {
    jumpTo(target);
    if (completion) completion(true);
    return;
  }
  if (target == target_) {
    // Already there, or already on the way: nothing new to animate.
    if (completion) {
      if (segment_) completions_.push_back(std::move(completion));
      else completion(true);
    }
    return;
  }
  // Bring the running motion up to this moment so the new one starts exactly where it is.
  const double now = clock_.now();
  bool previousArrived = false;
  std::vector<AnimationCompletion> superseded;
  if (segment_) {
    previousArrived = evaluate(now);
    superseded.swap(completions_);
  }
  Segment segment{*animation, value_, target, {}, now};
  if (animation->kind() == Animation::Kind::spring && animation->repeats() == 1) segment.startVelocity = velocity_;
  target_ = target;
  segment_ = segment;
  if (completion) completions_.push_back(std::move(completion));
  clock_.attach(this);
  // Last, since a completion may itself start another change.
  for (auto& done : superseded)
    if (done) done(previousArrived);
}

bool AnimationTrack::frame(double now) {
  if (!segment_) return false;
  const bool done = evaluate(now);
  notifyChange();
  // Completions last: one may destroy the owner of this track (a window closed after its fade).
  if (done) finishSegment(true);
  return !done;
}

bool AnimationTrack::evaluate(double now) {
  const Segment& s = *segment_;
  const Animation& animation = s.animation;
  const double local = (now - s.startTime - animation.delaySeconds()) * animation.speedFactor();
  if (local <= 0) {
    value_ = s.from;
    velocity_ = s.startVelocity;
    return false;
  }

  if (animation.repeats() == 1 && animation.kind() == Animation::Kind::spring) {
    const SpringSolver solver(animation.response(), animation.dampingFraction());
    const SpringSolver::Basis basis = solver.basis(local);
    const double velocityEpsilon = epsilon_ * solver.angularFrequency();
    bool settled = true;
    for (int i = 0; i < dimension_; ++i) {
      const double x0 = s.from[i] - s.to[i];
      const double x = solver.position(x0, s.startVelocity[i], basis);
      const double v = solver.velocity(x0, s.startVelocity[i], basis) * animation.speedFactor();
      value_[i] = s.to[i] + x;
      velocity_[i] = v;
      if (std::abs(x) > epsilon_ || std::abs(v) > velocityEpsilon) settled = false;
    }
    if (settled) arrive();
    return settled;
  }

  // One run's eased progress from `from` to `to`; repeats play the run again, backwards on
  // every second run when they autoreverse. A finished run ends on the target.
  const double runLength = animation.duration();
  double runTime = local;
  bool backwards = false;
  if (animation.repeats() == 1 || runLength <= 0) {
    if (local >= runLength) {
      arrive();
      return true;
    }
  } else {
    const double run = std::floor(local / runLength);
    if (animation.repeats() > 1 && run >= animation.repeats()) {
      arrive();
      return true;
    }
    runTime = local - run * runLength;
    backwards = animation.autoreverses() && std::fmod(run, 2.0) == 1.0;
    if (backwards) runTime = runLength - runTime;
  }
  const double progress = animation.progress(runTime);
  // Velocity from a small central difference of the progress.
  constexpr double h = 1e-4;
  const double before = std::max(runTime - h, 0.0);
  double rate = (animation.progress(runTime + h) - animation.progress(before)) / (runTime + h - before);
  if (backwards) rate = -rate;
  for (int i = 0; i < dimension_; ++i) {
    const double span = s.to[i] - s.from[i];
    value_[i] = s.from[i] + span * progress;
    velocity_[i] = span * rate * animation.speedFactor();
  }
  return false;
}

void AnimationTrack::arrive() {
  value_ = target_;
  velocity_ = {};
}

void AnimationTrack::finishSegment(bool finished) {
  segment_.reset();
  clock_.detach(this);
  // A completion may start the next animation on this very track: take the list first.
  std::vector<AnimationCompletion> completions;
  completions.swap(completions_);
  for (auto& completion : completions)
    if (completion) completion(finished);
}

void AnimationTrack::notifyChange() {
  if (onChange_) onChange_();
}

}  // namespace qv
