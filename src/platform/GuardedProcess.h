#pragma once
#include <sys/types.h>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace qv {

// A command run under a guard: a small process of ours that starts the command and adopts
// whatever the command leaves behind (it is their "subreaper", so a grandchild that made itself
// a session of its own with setsid still ends up its child). When the command finishes, or is
// ended, the guard kills everything below it and only then exits: nothing the command started
// outlives it. The guard also ends it all when the thread that started it goes away.
//
// The command gets no shell, no input, no output streams of ours and no other open file of ours.
class GuardedProcess {
 public:
  // Starts `command` (its program an absolute path or a name on PATH) in `workingFolder`. None
  // when the program cannot be found or no process can be made.
  static std::unique_ptr<GuardedProcess> start(const QStringList& command, const QString& workingFolder);
  ~GuardedProcess();
  GuardedProcess(const GuardedProcess&) = delete;
  GuardedProcess& operator=(const GuardedProcess&) = delete;

  // Waits up to `milliseconds` for the command and everything it started to be gone; true once
  // they are.
  bool waitForFinished(int milliseconds);
  bool isRunning() const { return !finished_; }
  // The command's exit code when it exited by itself; none while it runs, when it was killed or
  // crashed, or when it could not be run.
  std::optional<int> exitCode() const { return exitCode_; }
  // Ends the command and everything it started, and waits until they are gone.
  void kill();
  // The guard's process id (the command runs below it).
  pid_t guardId() const { return guard_; }

 private:
  explicit GuardedProcess(pid_t guard) : guard_(guard) {}
  bool reap(bool wait);

  pid_t guard_ = -1;
  bool finished_ = false;
  std::optional<int> exitCode_;
};

}  // namespace qv
