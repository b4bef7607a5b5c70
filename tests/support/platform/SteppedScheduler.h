#pragma once
// A scheduler whose posted work a test or benchmark runs one item at a time, so that each turn of the
// main thread's event loop can be timed on its own. Delays are ignored (work runs in order of
// posting) and repeating timers never fire: for code paths that only post.
#include "platform/Scheduler.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <deque>
#include <mutex>

namespace qv::test {

class SteppedScheduler : public Scheduler {
 public:
  SteppedScheduler() { clock_.start(); }
  QDateTime now() const override { return QDateTime::currentDateTime(); }
  double uptime() const override { return double(clock_.nsecsElapsed()) / 1e9; }
  WorkItem after(double, std::function<void()> work, Guard guard = {}) override {
    auto state = std::make_shared<WorkItem::State>();
    push(std::move(work), std::move(guard), state);
    return WorkItem(state);
  }
  Timer every(double, std::function<void()>, Guard = {}) override { return Timer(); }
  void post(std::function<void()> work, Guard guard = {}) override {
    push(std::move(work), std::move(guard), std::make_shared<WorkItem::State>());
  }

  // Runs the oldest work; false when none is waiting.
  bool runOne() {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (work_.empty()) return false;
      entry = std::move(work_.front());
      work_.pop_front();
    }
    if (!entry.state->cancelled && entry.guard.alive()) entry.work();
    entry.state->done = true;
    return true;
  }

 private:
  struct Entry {
    std::function<void()> work;
    Guard guard;
    std::shared_ptr<WorkItem::State> state;
  };
  void push(std::function<void()> work, Guard guard, std::shared_ptr<WorkItem::State> state) {
    std::lock_guard lock(mutex_);
    work_.push_back({std::move(work), std::move(guard), std::move(state)});
  }

  QElapsedTimer clock_;
  std::mutex mutex_;
  std::deque<Entry> work_;
};

}  // namespace qv::test
