#include "ui/view/HoverState.h"

#include "ui/theme/Theme.h"

namespace qv {

bool HoverState::setEnabled(bool enabled, bool reduceMotion) {
  if (enabled == enabled_) return false;
  enabled_ = enabled;
  if (!enabled) setHovered(false, reduceMotion);
  return true;
}

bool HoverState::setHovered(bool hovered, bool reduceMotion) {
  hovered = hovered && enabled_;
  if (hovered == hovered_) return false;
  hovered_ = hovered;
  const double target = hovered ? 1.0 : 0.0;
  if (reduceMotion) progress_.jumpTo(target);
  else progress_.animateTo(target, Theme::springSnappy());
  return true;
}

bool HoverState::forget() {
  const bool was = hovered_;
  hovered_ = false;
  progress_.jumpTo(0.0);
  return was;
}

}  // namespace qv
