#include "platform/UnixSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace qv {

namespace {
int gSignalPipe[2] = {-1, -1};

void onSignal(int number) {
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}
}  // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, std::function<void(int)> handler,
                                     QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
  if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
  ::fcntl(gSignalPipe[1], F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    if (::read(gSignalPipe[0], &byte, 1) == 1 && handler_) handler_(byte);
  });
  for (int number : signalNumbers) {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
  }
}

UnixSignalWatcher::~UnixSignalWatcher() = default;

}  // namespace qv
