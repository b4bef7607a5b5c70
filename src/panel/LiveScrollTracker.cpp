#include "panel/LiveScrollTracker.h"

namespace qv {

LiveScrollTracker::LiveScrollTracker(std::shared_ptr<Scheduler> scheduler) : scheduler_(std::move(scheduler)) {}

void LiveScrollTracker::noteScrollEvent() {
  wheelActive_ = true;
  quiet_.cancel();
  quiet_ = scheduler_->after(
      kQuietSeconds,
      [this] {
        wheelActive_ = false;
        settleIfQuiet();
      },
      Guard(alive_));
  setScrolling(true);
}

void LiveScrollTracker::setAnimating(bool animating) {
  animating_ = animating;
  settleIfQuiet();
}

void LiveScrollTracker::settleIfQuiet() {
  if (!wheelActive_ && !animating_) setScrolling(false);
}

void LiveScrollTracker::setScrolling(bool scrolling) {
  if (scrolling == scrolling_) return;
  scrolling_ = scrolling;
  if (scrolling && onEnterScroll_) onEnterScroll_();
  if (onChange_) onChange_();
}

}  // namespace qv
