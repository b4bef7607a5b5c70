#include "settings/onboarding/DemoLoop.h"

namespace qv {

DemoLoop::DemoLoop(Scheduler& scheduler, double firstWait, std::vector<Step> steps)
    : scheduler_(scheduler), firstWait_(firstWait), steps_(std::move(steps)) {}

DemoLoop::~DemoLoop() { pending_.cancel(); }

void DemoLoop::start() {
  stop();
  if (steps_.empty()) return;
  running_ = true;
  waitThenRun(0, firstWait_);
}

void DemoLoop::stop() {
  if (!running_) return;
  running_ = false;
  pending_.cancel();
  const Step& step = steps_[next_];
  if (step.runsWhenStopped && step.change) step.change();
}

void DemoLoop::waitThenRun(size_t index, double seconds) {
  next_ = index;
  // The work item dies with the loop (the destructor cancels it), so `this` is safe here.
  pending_ = scheduler_.after(seconds, [this, index] {
    const Step& step = steps_[index];
    if (step.change) step.change();
    if (running_) waitThenRun((index + 1) % steps_.size(), step.waitAfter);
  });
}

}  // namespace qv
