#pragma once
#include "ui/anim/Animation.h"
#include "ui/anim/FrameClock.h"
#include "ui/anim/Transaction.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <array>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

namespace qv {

// Called once for every animation towards a target: true when it arrived, false when a newer
// change or a jump took over first.
using AnimationCompletion = std::function<void(bool finished)>;

// The engine under every animated value: up to four numbers that move together towards a
// target along one animation. A spring retargeted mid-flight starts from the current position
// and velocity, so motion stays continuous; a timing curve starts from the current position.
class AnimationTrack : public FrameClient {
 public:
  using Vector = std::array<double, 4>;

  // `epsilon`: the distance from the target (per component) below which a spring counts as
  // settled.
  AnimationTrack(FrameClock& clock, int dimension, double epsilon);
  ~AnimationTrack() override;
  AnimationTrack(const AnimationTrack&) = delete;
  AnimationTrack& operator=(const AnimationTrack&) = delete;

  const Vector& value() const { return value_; }
  const Vector& target() const { return target_; }
  const Vector& velocity() const { return velocity_; }
  bool isAnimating() const { return segment_.has_value(); }
  // The animation under way, if any.
  std::optional<Animation> animation() const;

  // Sets the value at once, ending any animation (its completion reports false).
  void jumpTo(const Vector& value);
  // Moves towards `target` with `animation`, or at once without one. A target equal to the one
  // already being approached changes nothing (the completion joins the running animation).
  void animateTo(const Vector& target, const std::optional<Animation>& animation, AnimationCompletion completion);
  // Called after the value moved (every frame while animating, and on jumps).
  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  bool frame(double now) override;

 private:
  struct Segment {
    Animation animation;
    Vector from{};
    Vector to{};
    Vector startVelocity{};
    double startTime = 0;
  };
  // Moves value and velocity to `now`; true once the segment is over.
  bool evaluate(double now);
  void arrive();
  void finishSegment(bool finished);
  void notifyChange();

  FrameClock& clock_;
  int dimension_;
  double epsilon_;
  Vector value_{};
  Vector target_{};
  Vector velocity_{};
  std::optional<Segment> segment_;
  std::vector<AnimationCompletion> completions_;
  std::function<void()> onChange_;
};

// How a value type maps onto the track's numbers.
template <typename T>
struct Animatable;

template <>
struct Animatable<double> {
  static constexpr int dimension = 1;
  static constexpr double epsilon = 1e-3;
  static AnimationTrack::Vector toVector(double value) { return {value, 0, 0, 0}; }
  static double fromVector(const AnimationTrack::Vector& v) { return v[0]; }
};

template <>
struct Animatable<QPointF> {
  static constexpr int dimension = 2;
  static constexpr double epsilon = 5e-3;
  static AnimationTrack::Vector toVector(const QPointF& p) { return {p.x(), p.y(), 0, 0}; }
  static QPointF fromVector(const AnimationTrack::Vector& v) { return {v[0], v[1]}; }
};

template <>
struct Animatable<QSizeF> {
  static constexpr int dimension = 2;
  static constexpr double epsilon = 5e-3;
  static AnimationTrack::Vector toVector(const QSizeF& s) { return {s.width(), s.height(), 0, 0}; }
  static QSizeF fromVector(const AnimationTrack::Vector& v) { return {v[0], v[1]}; }
};

template <>
struct Animatable<QRectF> {
  static constexpr int dimension = 4;
  static constexpr double epsilon = 5e-3;
  static AnimationTrack::Vector toVector(const QRectF& r) { return {r.x(), r.y(), r.width(), r.height()}; }
  static QRectF fromVector(const AnimationTrack::Vector& v) { return {v[0], v[1], v[2], v[3]}; }
};

// Colours move through their sRGB components and alpha; an invalid colour counts as clear.
template <>
struct Animatable<QColor> {
  static constexpr int dimension = 4;
  static constexpr double epsilon = 1e-3;
  static AnimationTrack::Vector toVector(const QColor& c) {
    if (!c.isValid()) return {0, 0, 0, 0};
    const QColor rgb = c.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
  }
  static QColor fromVector(const AnimationTrack::Vector& v) {
    auto unit = [](double x) { return float(x < 0 ? 0 : x > 1 ? 1 : x); };
    return QColor::fromRgbF(unit(v[0]), unit(v[1]), unit(v[2]), unit(v[3]));
  }
};

// A value a view paints that moves smoothly to each new target. `setTarget` takes the
// animation of the current transaction (see withAnimation), so a view simply sets targets
// while it handles a state change; `animateTo` names the animation itself.
template <typename T>
class Animated {
  using Traits = Animatable<T>;

 public:
  explicit Animated(FrameClock& clock, const T& initial = T{}) : Animated(clock, initial, Traits::epsilon) {}
  // `restWithin`: how close to its target (per component) a spring counts as settled, for a
  // value whose smaller steps show nothing.
  Animated(FrameClock& clock, const T& initial, double restWithin) : track_(clock, Traits::dimension, restWithin) {
    track_.jumpTo(Traits::toVector(initial));
  }

  T value() const { return Traits::fromVector(track_.value()); }
  T target() const { return Traits::fromVector(track_.target()); }
  // Units per second. A colour has no meaningful velocity.
  T velocity() const requires(!std::is_same_v<T, QColor>) { return Traits::fromVector(track_.velocity()); }
  bool isAnimating() const { return track_.isAnimating(); }
  std::optional<Animation> animation() const { return track_.animation(); }

  void setTarget(const T& target, AnimationCompletion completion = {}) {
    animateTo(target, Transaction::current().animation, std::move(completion));
  }
  void animateTo(const T& target, const std::optional<Animation>& animation, AnimationCompletion completion = {}) {
    track_.animateTo(Traits::toVector(target), animation, std::move(completion));
  }
  void jumpTo(const T& value) { track_.jumpTo(Traits::toVector(value)); }
  void setOnChange(std::function<void()> onChange) { track_.setOnChange(std::move(onChange)); }

 private:
  AnimationTrack track_;
};

}  // namespace qv
