#pragma once
#include <QLockFile>
#include <QString>
#include <memory>

namespace qv {

// One running program per user: a lock file in the runtime folder, held for the life of the
// process and released only after its final save. A relaunched program waits for the old one
// to let go of it; a second start while one runs gets nothing.
class SingleInstance {
 public:
  static constexpr char kLockFileName[] = "quorvalen.lock";
  static constexpr int kRelaunchWaitMs = 15000;

  // Takes the lock, waiting up to `waitMs` for another holder to finish; none when it stays
  // taken (or the folder cannot hold a lock file).
  static std::unique_ptr<SingleInstance> acquire(const QString& runtimeFolder, int waitMs = 0);
  QString lockFilePath() const { return lock_.fileName(); }

  explicit SingleInstance(const QString& path) : lock_(path) {}

 private:
  QLockFile lock_;
};

}  // namespace qv
