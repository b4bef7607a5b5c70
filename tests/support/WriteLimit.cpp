#include "support/WriteLimit.h"

#include <csignal>

namespace qv::test {

WriteLimit::WriteLimit(rlim_t bytes) {
  signalBefore_ = std::signal(SIGXFSZ, SIG_IGN);
  ::getrlimit(RLIMIT_FSIZE, &before_);
  rlimit limited = before_;
  limited.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limited);
}

WriteLimit::~WriteLimit() {
  ::setrlimit(RLIMIT_FSIZE, &before_);
  std::signal(SIGXFSZ, signalBefore_);
}

}  // namespace qv::test
