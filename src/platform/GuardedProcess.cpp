#include "platform/GuardedProcess.h"

#include "base/NativePath.h"
#include "platform/ChildProcessSetup.h"
#include "platform/DesktopEntries.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <vector>

extern char** environ;

namespace qv {

namespace {

// How long the guard tries to end what is left below it before it gives up and exits.
constexpr long kEndAllNanoseconds = 3'000'000'000L;
// How long `kill` waits for the guard to end everything before it ends the guard itself.
constexpr int kGuardGraceMilliseconds = 4000;
constexpr long kPollNanoseconds = 5'000'000L;

// Everything the child processes need, made before fork: after it, only async-signal-safe calls.
struct Prepared {
  QByteArray program;
  std::vector<QByteArray> arguments;
  std::vector<char*> argv;
  QByteArray folder;
};

void pause(long nanoseconds) {
  timespec delay{0, nanoseconds};
  while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

long elapsedSince(const timespec& start) {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return (now.tv_sec - start.tv_sec) * 1'000'000'000L + (now.tv_nsec - start.tv_nsec);
}

void closeInheritedFiles() {
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, 3u, ~0u, 0u) == 0) return;
#endif
  for (int fd = 3; fd < 1024; ++fd) ::close(fd);
}

// Sends SIGKILL to every child of this (single-threaded) process; false when it has none
// alive. A child's own children come to the guard when it dies, and are found on a later call.
bool killChildren(bool* listed) {
  char path[64] = "/proc/self/task/";
  // Append our pid (the guard has one thread, whose id is the pid).
  char digits[24];
  int length = 0;
  for (pid_t pid = ::getpid(); pid > 0; pid /= 10) digits[length++] = char('0' + pid % 10);
  int at = 16;
  while (length > 0) path[at++] = digits[--length];
  const char tail[] = "/children";
  for (const char c : tail) path[at++] = c;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  *listed = fd >= 0;
  if (fd < 0) return false;
  bool any = false;
  char buffer[4096];
  long pid = 0;
  bool inNumber = false;
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    for (ssize_t i = 0; i < count; ++i) {
      if (buffer[i] >= '0' && buffer[i] <= '9') {
        pid = pid * 10 + (buffer[i] - '0');
        inNumber = true;
      } else if (inNumber) {
        ::kill(pid_t(pid), SIGKILL);
        any = true;
        pid = 0;
        inNumber = false;
      }
    }
  }
  if (inNumber) {
    ::kill(pid_t(pid), SIGKILL);
    any = true;
  }
  ::close(fd);
  return any;
}

// Ends everything below the guard: kills its children until none is left (each death hands the
// guard the dead one's children), reaping as it goes.
void endEverythingBelow(pid_t commandGroup) {
  timespec start{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  while (elapsedSince(start) < kEndAllNanoseconds) {
    bool listed = false;
    killChildren(&listed);
    // Without /proc, the command's own process group is what can still be reached.
    if (!listed && commandGroup > 0) ::kill(-commandGroup, SIGKILL);
    int status = 0;
    bool reaped = false;
    for (;;) {
      const pid_t pid = ::waitpid(-1, &status, WNOHANG);
      if (pid > 0) {
        reaped = true;
        continue;
      }
      if (pid < 0 && errno == EINTR) continue;
      if (pid < 0 && errno == ECHILD) return;  // nothing left below
      break;
    }
    if (!reaped) pause(kPollNanoseconds / 5);
  }
}

[[noreturn]] void runCommand(const Prepared& prepared) {
  restoreDefaultSignals();
  ::setpgid(0, 0);
  standardStreamsToNull();
  closeInheritedFiles();
  if (::chdir(prepared.folder.constData()) != 0) ::_exit(127);
  ::execve(prepared.program.constData(), prepared.argv.data(), environ);
  ::_exit(127);
}

[[noreturn]] void runGuard(const Prepared& prepared, pid_t parent) {
  closeInheritedFiles();
  // Blocked here and waited for below; the command gets them back before it runs.
  sigset_t waited;
  sigemptyset(&waited);
  sigaddset(&waited, SIGCHLD);
  sigaddset(&waited, SIGTERM);
  sigaddset(&waited, SIGINT);
  sigaddset(&waited, SIGHUP);
  ::sigprocmask(SIG_BLOCK, &waited, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigaction(SIGCHLD, &standard, nullptr);
  ::setpgid(0, 0);
  ::prctl(PR_SET_CHILD_SUBREAPER, 1L, 0L, 0L, 0L);
  ::prctl(PR_SET_PDEATHSIG, SIGTERM, 0L, 0L, 0L);
  if (::getppid() != parent) ::_exit(126);  // the thread that wanted it is already gone
  const pid_t command = ::fork();
  if (command == 0) runCommand(prepared);
  int exitCode = -1;
  if (command > 0) {
    for (;;) {
      siginfo_t info{};
      const int number = ::sigwaitinfo(&waited, &info);
      if (number < 0 && errno == EINTR) continue;
      if (number != SIGCHLD) break;  // asked to end, or the parent went away
      int status = 0;
      bool commandEnded = false;
      for (;;) {
        const pid_t pid = ::waitpid(-1, &status, WNOHANG);
        if (pid < 0 && errno == EINTR) continue;
        if (pid <= 0) break;
        if (pid == command) {
          commandEnded = true;
          if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
        }
      }
      if (commandEnded) break;
    }
  }
  endEverythingBelow(command);
  if (exitCode >= 0) ::_exit(exitCode);
  // The command was killed, crashed or never ran: the parent sees the guard killed.
  ::kill(::getpid(), SIGKILL);
  ::_exit(255);
}

}  // namespace

std::unique_ptr<GuardedProcess> GuardedProcess::start(const QStringList& command, const QString& workingFolder) {
  if (command.isEmpty()) return nullptr;
  const QString program = installedProgram(command.first());
  if (program.isEmpty()) return nullptr;
  Prepared prepared;
  prepared.program = nativePath(program);
  for (const QString& argument : command) prepared.arguments.push_back(nativePath(argument));
  for (QByteArray& argument : prepared.arguments) prepared.argv.push_back(argument.data());
  prepared.argv.push_back(nullptr);
  prepared.folder = nativePath(workingFolder.isEmpty() ? QStringLiteral("/") : workingFolder);
  const pid_t parent = ::getpid();
  const pid_t guard = ::fork();
  if (guard < 0) return nullptr;
  if (guard == 0) runGuard(prepared, parent);
  ::setpgid(guard, guard);  // also done by the guard; whichever runs first
  return std::unique_ptr<GuardedProcess>(new GuardedProcess(guard));
}

GuardedProcess::~GuardedProcess() {
  if (!finished_) kill();
}

bool GuardedProcess::reap(bool wait) {
  if (finished_) return true;
  int status = 0;
  pid_t pid;
  do {
    pid = ::waitpid(guard_, &status, wait ? 0 : WNOHANG);
  } while (pid < 0 && errno == EINTR);
  if (pid == 0) return false;
  finished_ = true;
  if (pid == guard_ && WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
  return true;
}

bool GuardedProcess::waitForFinished(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!reap(false)) {
    if (clock.elapsed() >= milliseconds) return false;
    pause(kPollNanoseconds);
  }
  return true;
}

void GuardedProcess::kill() {
  if (finished_) return;
  ::kill(guard_, SIGTERM);
  if (waitForFinished(kGuardGraceMilliseconds)) {
    exitCode_.reset();
    return;
  }
  // A guard that does not end (it should): end its group and what is reachable of the command's.
  ::kill(-guard_, SIGKILL);
  ::kill(guard_, SIGKILL);
  reap(true);
  exitCode_.reset();
}

}  // namespace qv
