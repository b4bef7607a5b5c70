#include "platform/PathWatcher.h"

#include "base/Log.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace qv {

namespace {
constexpr uint32_t kEvents = IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVE | IN_DELETE_SELF | IN_MOVE_SELF |
                             IN_DONT_FOLLOW;
}  // namespace

PathWatcher::PathWatcher(QObject* parent) : QObject(parent) {
  handle_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (handle_ < 0) {
    qCWarning(lcPlatform) << "Changes to the data folder are noticed only at the next save: no inotify ("
                          << std::strerror(errno) << ")";
    return;
  }
  notifier_ = new QSocketNotifier(handle_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &PathWatcher::readEvents);
}

PathWatcher::~PathWatcher() {
  delete notifier_;
  if (handle_ >= 0) ::close(handle_);
}

void PathWatcher::watch(const QStringList& paths) {
  if (handle_ < 0) return;
  for (const QString& path : paths) {
    // The same file again gives the descriptor it has: nothing is watched twice.
    const int descriptor = ::inotify_add_watch(handle_, QFile::encodeName(path).constData(), kEvents);
    if (descriptor >= 0) watches_.insert(descriptor, path);
  }
}

QStringList PathWatcher::watched() const { return watches_.values(); }

void PathWatcher::readEvents() {
  alignas(struct inotify_event) char buffer[4096];
  bool any = false;
  for (;;) {
    const ssize_t length = ::read(handle_, buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) break;
    any = true;
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
      // A file or folder moved away is no longer at its path; one gone takes its watch with it.
      if (event->mask & IN_MOVE_SELF) ::inotify_rm_watch(handle_, event->wd);
      if (event->mask & IN_IGNORED) watches_.remove(event->wd);
      at += ssize_t(sizeof(struct inotify_event) + event->len);
    }
  }
  if (any) emit changed();
}

}  // namespace qv
