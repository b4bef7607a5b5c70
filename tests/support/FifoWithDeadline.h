#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QString>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qv::test {

// A FIFO for a test of code that must never wait on one, with a deadline of its own: a reader
// still on it `limit` after it was made (an open that blocks until a writer comes) is let go —
// a writer opens it and leaves, so the open returns and reads nothing — and the test fails
// then, instead of waiting for ctest's time-out.
class FifoWithDeadline {
 public:
  explicit FifoWithDeadline(const QString& path, std::chrono::milliseconds limit = std::chrono::seconds(5))
      : path_(path), native_(QFile::encodeName(path)) {
    made_ = ::mkfifo(native_.constData(), 0600) == 0;
    if (made_) watch_ = std::thread([this, limit] { watch(limit); });
  }
  ~FifoWithDeadline() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    stopped_.notify_all();
    if (watch_.joinable()) watch_.join();
    if (released_)
      ADD_FAILURE() << "an open of the FIFO waited on " << path_.toStdString() << " past its deadline and was let go";
  }
  FifoWithDeadline(const FifoWithDeadline&) = delete;
  FifoWithDeadline& operator=(const FifoWithDeadline&) = delete;
  bool isMade() const { return made_; }
  const QString& path() const { return path_; }

 private:
  void watch(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (stopped_.wait_for(lock, limit, [this] { return stop_; })) return;
    // Past the deadline: whoever has the FIFO open for reading now is let go, and so is whoever
    // waits in an open for writing (a reader comes and leaves).
    while (!stop_) {
      const int fd = ::open(native_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        ::close(fd);
        released_ = true;
      }
      const int reader = ::open(native_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (reader >= 0) {
        // No data but a writer there: the writer's open was waiting for a reader.
        char byte;
        if (::read(reader, &byte, 1) < 0 && errno == EAGAIN) released_ = true;
        ::close(reader);
      }
      stopped_.wait_for(lock, std::chrono::milliseconds(10), [this] { return stop_; });
    }
  }

  QString path_;
  QByteArray native_;
  bool made_ = false;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stop_ = false;
  std::atomic<bool> released_ = false;
  std::thread watch_;
};

}  // namespace qv::test
