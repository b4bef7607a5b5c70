#pragma once
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace qv {

// One running program per user: a lock file in the runtime folder, held for the life of the
// process and released only after its final save. A relaunched program waits for the old one
// to let go of it; a second start while one runs tells the running one (through a local socket
// beside the lock) and leaves.
class SingleInstance {
 public:
  static constexpr char kLockFileName[] = "quorvalen.lock";
  static constexpr char kSocketFileName[] = "quorvalen.socket";
  static constexpr int kRelaunchWaitMs = 15000;
  static constexpr int kTellWaitMs = 2000;

  // Takes the lock, waiting up to `waitMs` for another holder to finish; none when it stays
  // taken (or the folder cannot hold a lock file).
  static std::unique_ptr<SingleInstance> acquire(const QString& runtimeFolder, int waitMs = 0);
  // From a start that found the lock taken: tells the running program that the user started it
  // again. False when nothing answered.
  static bool tellRunningInstance(const QString& runtimeFolder);

  SingleInstance(const QString& folder);
  ~SingleInstance();
  QString lockFilePath() const { return lock_.fileName(); }

  // Calls `onAnotherStart` on the main thread whenever a later start tells this one.
  bool listenForAnotherStart(std::function<void()> onAnotherStart);

 private:
  QString folder_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace qv
