#pragma once
#include "platform/Scheduler.h"

#include <functional>
#include <memory>

namespace qv {

// Tells a scrolling list whether the user is scrolling it right now. X11 wheels report no
// phases, so a scroll runs from the first wheel or scroll-bar event until the wheel has been
// quiet for a moment and any scroll animation has ended. `onEnterScroll` runs once per scroll,
// when it begins; `onChange` after every change of the flag.
class LiveScrollTracker {
 public:
  static constexpr double kQuietSeconds = 0.15;

  explicit LiveScrollTracker(std::shared_ptr<Scheduler> scheduler);

  bool isScrolling() const { return scrolling_; }
  void setOnEnterScroll(std::function<void()> action) { onEnterScroll_ = std::move(action); }
  void setOnChange(std::function<void()> action) { onChange_ = std::move(action); }

  // A wheel step or a scroll-bar drag moved the list.
  void noteScrollEvent();
  // A scroll animation started or ended; it keeps a running scroll alive until it ends.
  void setAnimating(bool animating);

 private:
  void settleIfQuiet();
  void setScrolling(bool scrolling);

  std::shared_ptr<Scheduler> scheduler_;
  std::function<void()> onEnterScroll_;
  std::function<void()> onChange_;
  WorkItem quiet_;
  bool scrolling_ = false;
  bool animating_ = false;
  bool wheelActive_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qv
