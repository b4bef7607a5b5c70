#pragma once
#include "platform/SerialQueue.h"

#include <QStringList>
#include <deque>
#include <map>
#include <mutex>

namespace qv {

// A queue that runs nothing until the test says so. `sync` first runs everything queued before
// it (it waits behind queued work, as the real queue does), then its own work.
class FakeSerialQueue : public SerialQueue {
 public:
  explicit FakeSerialQueue(QString name) : name_(std::move(name)) {}
  QString name() const override { return name_; }
  void async(std::function<void()> work) override;
  void sync(std::function<void()> work) override;

  // Runs queued work (including work queued while running) and returns how many ran.
  int runAll();
  // Runs only the oldest queued item; false when none was queued.
  bool runOne();
  int pendingCount() const;

 private:
  QString name_;
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> work_;
};

// Hands out fake queues by name and keeps them reachable for the test.
class FakeSerialQueues {
 public:
  SerialQueueFactory factory();
  std::shared_ptr<FakeSerialQueue> queue(const QString& name) const;
  // Runs every queue until all are empty.
  int runAll();

 private:
  std::map<QString, std::shared_ptr<FakeSerialQueue>> queues_;
};

}  // namespace qv
