#include "support/SyncFailure.h"

#include <dlfcn.h>
#include <atomic>

namespace {

std::atomic<int> failWith{0};
std::atomic<int> failedCalls{0};

using SyncCall = int (*)(int);

SyncCall systemCall(const char* name) { return reinterpret_cast<SyncCall>(::dlsym(RTLD_NEXT, name)); }

int passOrFail(SyncCall real, int fd) {
  if (const int error = failWith.load()) {
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

SyncFailure::SyncFailure(int error) {
  failedCalls = 0;
  failWith = error;
}

SyncFailure::~SyncFailure() { failWith = 0; }

int SyncFailure::failed() const { return failedCalls.load(); }

}  // namespace qv::test
