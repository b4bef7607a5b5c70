#include "platform/fake/FakeScheduler.h"

namespace qv {

FakeScheduler::FakeScheduler(QDateTime start) : wallStart_(std::move(start)) {}

QDateTime FakeScheduler::now() const {
  std::lock_guard lock(mutex_);
  return wallStart_.addMSecs(static_cast<qint64>((elapsed_ + wallOffset_) * 1000.0 + 0.5));
}

double FakeScheduler::uptime() const {
  std::lock_guard lock(mutex_);
  return elapsed_;
}

void FakeScheduler::setWallClock(const QDateTime& date) {
  std::lock_guard lock(mutex_);
  wallOffset_ = static_cast<double>(wallStart_.msecsTo(date)) / 1000.0 - elapsed_;
}

void FakeScheduler::schedule(double due, Entry entry) {
  std::lock_guard lock(mutex_);
  queue_.emplace(std::make_pair(due, sequence_++), std::move(entry));
}

WorkItem FakeScheduler::after(double seconds, std::function<void()> work, Guard guard) {
  auto state = std::make_shared<WorkItem::State>();
  schedule(uptime() + std::max(0.0, seconds), Entry{state, std::move(work), std::move(guard)});
  return WorkItem(state);
}

Timer FakeScheduler::every(double seconds, std::function<void()> work, Guard guard) {
  auto state = std::make_shared<WorkItem::State>();
  const double interval = std::max(1e-6, seconds);
  schedule(uptime() + interval, Entry{state, std::move(work), std::move(guard), interval});
  return Timer(WorkItem(state));
}

void FakeScheduler::post(std::function<void()> work, Guard guard) {
  schedule(uptime(), Entry{std::make_shared<WorkItem::State>(), std::move(work), std::move(guard)});
}

void FakeScheduler::passBusy(double seconds) {
  std::lock_guard lock(mutex_);
  elapsed_ += std::max(0.0, seconds);
}

int FakeScheduler::advance(double seconds) {
  int ran = 0;
  double target;
  {
    std::lock_guard lock(mutex_);
    target = elapsed_ + std::max(0.0, seconds);
  }
  for (;;) {
    Entry entry;
    double due;
    {
      std::lock_guard lock(mutex_);
      auto first = queue_.begin();
      if (first == queue_.end() || first->first.first > target + 1e-9) break;
      due = first->first.first;
      entry = std::move(first->second);
      queue_.erase(first);
      elapsed_ = std::max(elapsed_, due);
    }
    if (entry.state->cancelled || entry.state->done) continue;
    if (!entry.guard.alive()) {
      entry.state->done = true;
      continue;
    }
    if (entry.interval >= 0) {
      const double interval = entry.interval;
      auto work = entry.work;
      schedule(due + interval, std::move(entry));
      ++ran;
      work();
    } else {
      entry.state->done = true;
      ++ran;
      entry.work();
    }
  }
  std::lock_guard lock(mutex_);
  elapsed_ = target;
  return ran;
}

int FakeScheduler::pendingCount() const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& [key, entry] : queue_)
    if (!entry.state->cancelled && !entry.state->done) ++count;
  return count;
}

}  // namespace qv
