#pragma once
#include <QHash>
#include <QIcon>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

class DesktopEntries;
class Scheduler;
class SerialQueue;

// The icon and display name of an application by its desktop-entry id, each looked up once per
// process: a later install or rename keeps the first answer. Main thread only; it never reads
// the disk there: the applications' index is made on `queue` from the start, and until it has
// arrived an id is answered as an unknown one without keeping the answer.
class AppIdentity {
 public:
  // Starts making the index on `queue` (none: the index is made by whoever asks first).
  AppIdentity(std::shared_ptr<DesktopEntries> entries, std::shared_ptr<SerialQueue> queue = nullptr,
              std::shared_ptr<Scheduler> scheduler = nullptr);

  // The application's icon; the file manager's icon for an unknown id. Never null.
  QIcon appIcon(const QString& id);
  // The application's name; for an unknown id (or an entry without a name) the last
  // dot-separated part of the id, which may be empty.
  QString appName(const QString& id);
  // The Name of the desktop file at this path, when it can be read and has one.
  std::optional<QString> bundleName(const QString& applicationPath);
  // Whether the index has arrived (the answers given before it are not kept).
  bool hasIndex() const;
  // Runs on the main thread when the index arrives, so that what shows names and icons asks
  // again.
  void setOnIndexArrived(std::function<void()> arrived);

 private:
  struct Arrival {
    bool arrived = false;
    std::function<void()> notify;
  };
  std::shared_ptr<DesktopEntries> entries_;
  std::shared_ptr<Arrival> arrival_ = std::make_shared<Arrival>();
  QHash<QString, QIcon> icons_;
  QHash<QString, QString> names_;
};

}  // namespace qv
