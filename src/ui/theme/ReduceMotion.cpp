#include "ui/theme/ReduceMotion.h"

#include "platform/DesktopAppearance.h"

namespace qv {

ReduceMotion::ReduceMotion(DesktopAppearance& desktop, QObject* parent) : QObject(parent), desktop_(desktop) {}

bool ReduceMotion::isEnabled() const {
  if (!enabled_) enabled_ = desktop_.preferences().reduceMotion;
  return *enabled_;
}

void ReduceMotion::startObserving() {
  if (observing_) return;
  observing_ = true;
  connect(&desktop_, &DesktopAppearance::changed, this, &ReduceMotion::refresh);
}

void ReduceMotion::refresh() {
  const bool previous = isEnabled();
  enabled_ = desktop_.preferences().reduceMotion;
  if (*enabled_ != previous) Q_EMIT changed(*enabled_);
}

std::optional<Animation> ReduceMotion::unlessReduced(const Animation& animation) const {
  if (isEnabled()) return std::nullopt;
  return animation;
}

}  // namespace qv
