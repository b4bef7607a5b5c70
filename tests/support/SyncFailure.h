#pragma once
#include <QList>
#include <QString>
#include <cerrno>
#include <functional>

namespace qv::test {

// Makes fsync, fdatasync and syncfs fail in this process while it is in scope, as a disk does
// that reports a write error only when the data is synced (EIO, or ENOSPC on some file systems).
// The calls are stand-ins defined in the test binary, which pass through to the system's
// otherwise: linking this file is enough for the code under test to reach them.
class SyncFailure {
 public:
  // Which syncs fail: every one, or only those of folders (the file's own goes through, the
  // rename's does not).
  enum class Target { everything, foldersOnly };
  explicit SyncFailure(int error = EIO, Target target = Target::everything);
  ~SyncFailure();
  SyncFailure(const SyncFailure&) = delete;
  SyncFailure& operator=(const SyncFailure&) = delete;
  // How many syncs failed so far.
  int failed() const;
};

// Records, while in scope, every fsync, fdatasync and syncfs of this process in order: what was
// synced and how large it was then (the same stand-ins). `onCall` sees each as it happens, so a
// test can take the files as a crash right then would leave them.
class SyncRecorder {
 public:
  struct Call {
    QString path;
    qint64 size = 0;
    bool folder = false;
  };
  explicit SyncRecorder(std::function<void(const Call&)> onCall = {});
  ~SyncRecorder();
  SyncRecorder(const SyncRecorder&) = delete;
  SyncRecorder& operator=(const SyncRecorder&) = delete;
  QList<Call> calls() const;
};

}  // namespace qv::test
