#pragma once
#include "ui/anim/AnimatedValue.h"

#include <functional>

namespace qv {

// The hover flag of a painted control and its animated progress (0 = resting, 1 = hovered),
// moved with the snappy spring, or at once while motion is reduced. A control without an
// action ignores hovering.
class HoverState {
 public:
  explicit HoverState(FrameClock& clock) : progress_(clock, 0.0) {}

  bool isEnabled() const { return enabled_; }
  bool isHovered() const { return hovered_; }
  double progress() const { return progress_.value(); }
  bool isAnimating() const { return progress_.isAnimating(); }
  void setOnChange(std::function<void()> onChange) { progress_.setOnChange(std::move(onChange)); }

  // Returns whether the flag changed.
  bool setEnabled(bool enabled, bool reduceMotion);
  bool setHovered(bool hovered, bool reduceMotion);
  // Un-hovered at once, a running fade included; returns whether the flag changed.
  bool forget();

 private:
  bool enabled_ = true;
  bool hovered_ = false;
  Animated<double> progress_;
};

}  // namespace qv
