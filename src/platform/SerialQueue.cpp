#include "platform/SerialQueue.h"

#include "platform/Scheduler.h"

#include <pthread.h>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace qv {

struct ThreadSerialQueue::Impl {
  QString name;
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> work;
  bool stopping = false;
  QueuedAtEnd queuedAtEnd = QueuedAtEnd::run;
  std::thread thread;

  void run() {
    for (;;) {
      std::function<void()> next;
      {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return stopping || !work.empty(); });
        if (work.empty()) return;
        next = std::move(work.front());
        work.pop_front();
      }
      next();
    }
  }
};

ThreadSerialQueue::ThreadSerialQueue(QString name, QueuedAtEnd queuedAtEnd) : impl_(std::make_unique<Impl>()) {
  impl_->name = std::move(name);
  impl_->queuedAtEnd = queuedAtEnd;
  impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
  const QByteArray threadName = impl_->name.right(15).toUtf8();
  pthread_setname_np(impl_->thread.native_handle(), threadName.constData());
}

ThreadSerialQueue::~ThreadSerialQueue() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
    if (impl_->queuedAtEnd == QueuedAtEnd::drop) dropped.swap(impl_->work);
  }
  dropped.clear();  // outside the lock, before the wait: what the work held goes now
  impl_->wake.notify_one();
  impl_->thread.join();
}

QString ThreadSerialQueue::name() const { return impl_->name; }

void ThreadSerialQueue::async(std::function<void()> work) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->work.push_back(std::move(work));
  }
  impl_->wake.notify_one();
}

void ThreadSerialQueue::sync(std::function<void()> work) {
  std::promise<void> finished;
  auto done = finished.get_future();
  async([&] {
    work();
    finished.set_value();
  });
  done.wait();
}

void postToMain(Scheduler& scheduler, std::function<void()> work) { scheduler.post(std::move(work)); }

}  // namespace qv
