#include "platform/DetachedLaunch.h"

#include "base/NativePath.h"
#include "platform/ChildProcessSetup.h"
#include "platform/DesktopEntries.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <vector>

extern char** environ;

namespace qv {

namespace {

// After fork, only async-signal-safe calls: everything is made before.
[[noreturn]] void runDetached(const QByteArray& program, char* const* argv, const QByteArray& folder, int report) {
  ::setsid();
  // The grandchild runs it: nobody's child of ours, never to be reaped by us.
  const pid_t runner = ::fork();
  if (runner != 0) ::_exit(runner > 0 ? 0 : 1);
  restoreDefaultSignals();
  standardStreamsToNull();
  for (int fd = 3; fd < 1024; ++fd)
    if (fd != report) ::close(fd);
  if (::chdir(folder.constData()) != 0 && ::chdir("/") != 0) ::_exit(127);
  ::execve(program.constData(), argv, environ);
  // Tells the caller why it did not run; the report pipe closes itself on a successful exec.
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

bool launchDetached(const QStringList& command) {
  if (command.isEmpty() || command.first().isEmpty()) return false;
  const QString found = installedProgram(command.first());
  if (found.isEmpty()) return false;
  const QByteArray program = nativePath(found);
  std::vector<QByteArray> arguments;
  for (const QString& argument : command) arguments.push_back(nativePath(argument));
  std::vector<char*> argv;
  for (QByteArray& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const QByteArray folder = nativePath(QDir::homePath());
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    runDetached(program, argv.data(), folder, report[1]);
  }
  ::close(report[1]);
  if (child < 0) {
    ::close(report[0]);
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // Nothing read: the pipe closed on exec (or the grandchild could not be made).
  int error = 0;
  ssize_t read;
  do {
    read = ::read(report[0], &error, sizeof error);
  } while (read < 0 && errno == EINTR);
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && read == 0;
}

}  // namespace qv
