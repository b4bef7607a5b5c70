#pragma once
#include <QObject>
#include <functional>
#include <initializer_list>

class QSocketNotifier;

namespace qv {

// Turns POSIX signals (SIGTERM, SIGINT, SIGHUP) into a call on the main thread, where the
// program can save and quit in order. One watcher per process.
class UnixSignalWatcher : public QObject {
  Q_OBJECT
 public:
  UnixSignalWatcher(std::initializer_list<int> signalNumbers, std::function<void(int)> handler,
                    QObject* parent = nullptr);
  ~UnixSignalWatcher() override;

 private:
  std::function<void(int)> handler_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qv
