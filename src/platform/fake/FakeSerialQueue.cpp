#include "platform/fake/FakeSerialQueue.h"

namespace qv {

void FakeSerialQueue::async(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  work_.push_back(std::move(work));
}

void FakeSerialQueue::sync(std::function<void()> work) {
  runAll();
  work();
}

bool FakeSerialQueue::runOne() {
  std::function<void()> next;
  {
    std::lock_guard lock(mutex_);
    if (work_.empty()) return false;
    next = std::move(work_.front());
    work_.pop_front();
  }
  next();
  return true;
}

int FakeSerialQueue::runAll() {
  int count = 0;
  while (runOne()) ++count;
  return count;
}

int FakeSerialQueue::pendingCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(work_.size());
}

SerialQueueFactory FakeSerialQueues::factory() {
  return [this](const QString& name) -> std::shared_ptr<SerialQueue> {
    auto& slot = queues_[name];
    if (!slot) slot = std::make_shared<FakeSerialQueue>(name);
    return slot;
  };
}

std::shared_ptr<FakeSerialQueue> FakeSerialQueues::queue(const QString& name) const {
  auto it = queues_.find(name);
  return it == queues_.end() ? nullptr : it->second;
}

int FakeSerialQueues::runAll() {
  int total = 0;
  for (;;) {
    int ran = 0;
    for (auto& [name, queue] : queues_) ran += queue->runAll();
    if (ran == 0) return total;
    total += ran;
  }
}

}  // namespace qv
