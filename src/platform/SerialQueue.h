#pragma once
#include <QString>
#include <functional>
#include <memory>

namespace qv {

class Scheduler;

// A named serial queue for work that leaves the main thread (save, OCR, image decoding, the
// window-list scan). Work runs one item at a time in submission order.
class SerialQueue {
 public:
  virtual ~SerialQueue() = default;
  virtual QString name() const = 0;
  // Queues `work` and returns at once.
  virtual void async(std::function<void()> work) = 0;
  // Queues `work` behind everything already queued and waits for it to finish. Never call it
  // from the queue's own work.
  virtual void sync(std::function<void()> work) = 0;
};

using SerialQueueFactory = std::function<std::shared_ptr<SerialQueue>(const QString& name)>;

// The real queue: one worker thread per queue, named after the queue (the kernel keeps the
// last 15 characters). Destroying it waits for the work in progress, and runs the queued work
// first unless told to drop it (a queue of readers that can be abandoned: quit must not wait
// for reads nobody will see).
class ThreadSerialQueue : public SerialQueue {
 public:
  enum class QueuedAtEnd { run, drop };
  explicit ThreadSerialQueue(QString name, QueuedAtEnd queuedAtEnd = QueuedAtEnd::run);
  ~ThreadSerialQueue() override;
  QString name() const override;
  void async(std::function<void()> work) override;
  void sync(std::function<void()> work) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Results come back to the main thread through the scheduler: `postToMain(scheduler, work)`.
void postToMain(Scheduler& scheduler, std::function<void()> work);

}  // namespace qv
