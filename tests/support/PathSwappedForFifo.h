#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qv::test {

// A path that a thread of its own turns, as fast as it can, from a regular file (holding
// `contents`) into a FIFO and back: a reader that looks at the path and then opens it meets the
// FIFO now and then. `release` lets go of whoever opened the FIFO and waits on it.
class PathSwappedForFifo {
 public:
  PathSwappedForFifo(const QString& folder, const QByteArray& contents)
      : path_(folder + QStringLiteral("/swapped")),
        file_(QFile::encodeName(folder + QStringLiteral("/file"))),
        fifo_(QFile::encodeName(folder + QStringLiteral("/fifo"))) {
    QFile file(QFile::decodeName(file_));
    if (file.open(QIODevice::WriteOnly)) file.write(contents);
    file.close();
    ::mkfifo(fifo_.constData(), 0600);
    swapper_ = std::thread([this] {
      const QByteArray path = QFile::encodeName(path_);
      while (!stop_) {
        ::rename(file_.constData(), path.constData());
        ::rename(path.constData(), file_.constData());
        ::rename(fifo_.constData(), path.constData());
        ::rename(path.constData(), fifo_.constData());
      }
    });
  }
  ~PathSwappedForFifo() {
    stop_ = true;
    swapper_.join();
    release();
  }
  const QString& path() const { return path_; }
  // Opens the FIFO for writing, once, when a reader waits on it (it then reads an empty file).
  void release() const {
    const int fd = ::open(fifo_.constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }

  // Runs `read` `times` times on a thread of its own; false when that has not ended after a
  // minute (a deadline for a hang: a read blocked on the FIFO). A blocked reader is let go, so
  // that the call returns either way.
  bool readsWithoutBlocking(const std::function<void()>& read, int times) const {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread reader([&] {
      for (int i = 0; i < times; ++i) read();
      std::lock_guard lock(mutex);
      done = true;
      finished.notify_all();
    });
    std::unique_lock lock(mutex);
    const bool inTime = finished.wait_for(lock, std::chrono::seconds(60), [&] { return done; });
    while (!done) {
      lock.unlock();
      release();
      lock.lock();
      finished.wait_for(lock, std::chrono::milliseconds(10), [&] { return done; });
    }
    lock.unlock();
    reader.join();
    return inTime;
  }

 private:
  QString path_;
  QByteArray file_, fifo_;
  std::atomic<bool> stop_ = false;
  std::thread swapper_;
};

}  // namespace qv::test
