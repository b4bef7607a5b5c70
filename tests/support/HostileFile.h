#pragma once
#include "support/FifoWithDeadline.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qv::test {

// What may stand at the path of a file the program reads, none of which a read may wait on or
// take without end: a link to a device that never ends, a FIFO nobody writes (or a link to one,
// which a listing of files lets through), a file whose size (4 GB, sparse) is far above any the
// program keeps, and a folder.
enum class HostileForm { linkToDevZero, fifo, linkToFifo, sparse4GB, folder };
inline constexpr HostileForm kHostileForms[] = {HostileForm::linkToDevZero, HostileForm::fifo, HostileForm::linkToFifo,
                                                HostileForm::sparse4GB, HostileForm::folder};

inline const char* nameOf(HostileForm form) {
  switch (form) {
    case HostileForm::linkToDevZero: return "a link to /dev/zero";
    case HostileForm::fifo: return "a FIFO";
    case HostileForm::linkToFifo: return "a link to a FIFO";
    case HostileForm::sparse4GB: return "a 4 GB sparse file";
    case HostileForm::folder: return "a folder";
  }
  return "";
}

// Puts a file of `form` at `path` (whose folder exists). The FIFO has a deadline of its own
// (FifoWithDeadline): a reader still waiting on it then is let go and the test fails.
class HostileFile {
 public:
  HostileFile(const QString& path, HostileForm form) {
    const QByteArray native = QFile::encodeName(path);
    switch (form) {
      case HostileForm::linkToDevZero: made_ = ::symlink("/dev/zero", native.constData()) == 0; break;
      case HostileForm::fifo:
        fifo_ = std::make_unique<FifoWithDeadline>(path);
        made_ = fifo_->isMade();
        break;
      case HostileForm::linkToFifo:
        fifo_ = std::make_unique<FifoWithDeadline>(path + QStringLiteral(".fifo-target"));
        made_ = fifo_->isMade() && ::symlink(QFile::encodeName(fifo_->path()).constData(), native.constData()) == 0;
        break;
      case HostileForm::sparse4GB: {
        QFile file(path);
        made_ = file.open(QIODevice::WriteOnly) && file.resize(qint64(4) << 30);
        break;
      }
      case HostileForm::folder: made_ = QDir().mkpath(path); break;
    }
  }
  bool isMade() const { return made_; }

 private:
  bool made_ = false;
  std::unique_ptr<FifoWithDeadline> fifo_;
};

// Runs `read` on a thread of its own with a deadline and a bound on the memory it may take. A
// read that has not returned after `limit` (longer than a FIFO's own deadline, which lets a
// waiting reader go first), or that grew the memory by more than `memoryBytes` meanwhile (a read
// of /dev/zero never returns), cannot be stopped: the test program ends then, failed.
inline void readWithinLimits(const std::function<void()>& read, const char* what,
                             std::chrono::milliseconds limit = std::chrono::seconds(20),
                             qint64 memoryBytes = qint64(256) << 20) {
  const auto residentBytes = [] {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return qint64(0);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+) kB")).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() * 1024 : qint64(0);
  };
  const qint64 before = residentBytes();
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::thread reader([&] {
    read();
    std::lock_guard lock(mutex);
    done = true;
    finished.notify_all();
  });
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::unique_lock lock(mutex);
  while (!finished.wait_for(lock, std::chrono::milliseconds(10), [&] { return done; })) {
    const qint64 grown = residentBytes() - before;
    if (grown > memoryBytes || std::chrono::steady_clock::now() > deadline) {
      std::fprintf(stderr, "FAILED: reading %s %s\n", what,
                   grown > memoryBytes ? "took memory without bound" : "did not return by its deadline");
      std::fflush(stderr);
      std::_Exit(1);
    }
  }
  lock.unlock();
  reader.join();
}

}  // namespace qv::test
