#pragma once
// What a forked child does before it runs another program. Both use only async-signal-safe
// calls, as a child of a threaded process must.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace qv {

// Nothing blocked and every signal we change back to its default: what we ignore (a closed
// pipe) or handle must not stay so for the program.
inline void restoreDefaultSignals() {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (const int number : {SIGPIPE, SIGCHLD, SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &standard, nullptr);
}

// Standard input, output and error on /dev/null.
inline void standardStreamsToNull() {
  const int null = ::open("/dev/null", O_RDWR);
  if (null < 0) return;
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(null, 2);
  if (null > 2) ::close(null);
}

}  // namespace qv
