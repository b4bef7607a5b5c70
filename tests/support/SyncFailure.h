#pragma once
#include <cerrno>

namespace qv::test {

// Makes fsync, fdatasync and syncfs fail in this process while it is in scope, as a disk does
// that reports a write error only when the data is synced (EIO, or ENOSPC on some file systems).
// The calls are stand-ins defined in the test binary, which pass through to the system's
// otherwise: linking this file is enough for the code under test to reach them.
class SyncFailure {
 public:
  explicit SyncFailure(int error = EIO);
  ~SyncFailure();
  SyncFailure(const SyncFailure&) = delete;
  SyncFailure& operator=(const SyncFailure&) = delete;
  // How many syncs failed so far.
  int failed() const;
};

}  // namespace qv::test
