#include "panel/ScrollTracker.h"

namespace qv {

ScrollTracker::ScrollTracker(std::shared_ptr<Scheduler> scheduler) : scheduler_(std::move(scheduler)) {}

void ScrollTracker::noteScrollEvent() {
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

void ScrollTracker::setAnimating(bool animating) {
  animating_ = animating;
  settleIfQuiet();
}

void ScrollTracker::settleIfQuiet() {
  if (!wheelActive_ && !animating_) setScrolling(false);
}

void ScrollTracker::setScrolling(bool scrolling) {
  if (scrolling == scrolling_) return;
  scrolling_ = scrolling;
  if (scrolling && onEnterScroll_) onEnterScroll_();
  if (onChange_) onChange_();
}

}  // namespace qv
