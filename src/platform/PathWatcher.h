#pragma once
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;

namespace qv {

// Tells when something changes at a few paths: a folder's entries made, removed or renamed, a
// file written, cut, renamed over or deleted, or the path itself removed or moved. Through
// inotify, on the thread it lives on: nothing polls, and nothing wakes while nothing changes.
// Without inotify (none left for this user) it watches nothing and says so once.
class PathWatcher : public QObject {
  Q_OBJECT
 public:
  explicit PathWatcher(QObject* parent = nullptr);
  ~PathWatcher() override;
  PathWatcher(const PathWatcher&) = delete;
  PathWatcher& operator=(const PathWatcher&) = delete;

  // Watches each of `paths` that exists, as it is now (a file put there later is watched once
  // this is called again). Paths already watched stay watched.
  void watch(const QStringList& paths);
  // The paths watched now (for tests).
  QStringList watched() const;

 signals:
  // Something changed at one of the paths (once for a burst of events read together).
  void changed();

 private:
  void readEvents();

  int handle_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  QHash<int, QString> watches_;  // by watch descriptor
};

}  // namespace qv
