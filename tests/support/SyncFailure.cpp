#include "support/SyncFailure.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <atomic>
#include <mutex>

namespace {

std::atomic<int> failWith{0};
std::atomic<bool> failFoldersOnly{false};
std::atomic<int> failedCalls{0};

using SyncCall = int (*)(int);

SyncCall systemCall(const char* name) { return reinterpret_cast<SyncCall>(::dlsym(RTLD_NEXT, name)); }

std::atomic<bool> recording{false};
std::mutex recordedLock;
QList<qv::test::SyncRecorder::Call> recorded;
std::function<void(const qv::test::SyncRecorder::Call&)> onRecorded;

void record(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return;
  char target[4096];
  const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
  const ssize_t length = ::readlink(link.constData(), target, sizeof target);
  if (length <= 0) return;
  const qv::test::SyncRecorder::Call call{QFile::decodeName(QByteArray(target, length)), qint64(status.st_size),
                                          S_ISDIR(status.st_mode)};
  std::lock_guard lock(recordedLock);
  recorded.append(call);
  if (onRecorded) onRecorded(call);
}

bool isFolder(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
}

int passOrFail(SyncCall real, int fd) {
  if (recording) record(fd);
  if (const int error = failWith.load(); error && (!failFoldersOnly || isFolder(fd))) {
    ++failedCalls;
    errno = error;
    return -1;
  }
  return real(fd);
}

}  // namespace

extern "C" {
int fsync(int fd) {
  static const SyncCall real = systemCall("fsync");
  return passOrFail(real, fd);
}
int fdatasync(int fd) {
  static const SyncCall real = systemCall("fdatasync");
  return passOrFail(real, fd);
}
int syncfs(int fd) {
  static const SyncCall real = systemCall("syncfs");
  return passOrFail(real, fd);
}
}

namespace qv::test {

SyncFailure::SyncFailure(int error, Target target) {
  failedCalls = 0;
  failFoldersOnly = target == Target::foldersOnly;
  failWith = error;
}

SyncFailure::~SyncFailure() {
  failWith = 0;
  failFoldersOnly = false;
}

int SyncFailure::failed() const { return failedCalls.load(); }

SyncRecorder::SyncRecorder(std::function<void(const Call&)> onCall) {
  {
    std::lock_guard lock(recordedLock);
    recorded.clear();
    onRecorded = std::move(onCall);
  }
  recording = true;
}

SyncRecorder::~SyncRecorder() {
  recording = false;
  std::lock_guard lock(recordedLock);
  onRecorded = {};
}

QList<SyncRecorder::Call> SyncRecorder::calls() const {
  std::lock_guard lock(recordedLock);
  return recorded;
}

}  // namespace qv::test
