#pragma once
#include <QHash>
#include <QIcon>
#include <QString>
#include <memory>
#include <optional>

namespace qv {

class DesktopEntries;

// The icon and display name of an application by its desktop-entry id, each looked up once per
// process: a later install or rename keeps the first answer. Main thread only.
class AppIdentity {
 public:
  explicit AppIdentity(std::shared_ptr<DesktopEntries> entries);

  // The application's icon; the file manager's icon for an unknown id. Never null.
  QIcon appIcon(const QString& id);
  // The application's name; for an unknown id (or an entry without a name) the last
  // dot-separated part of the id, which may be empty.
  QString appName(const QString& id);
  // The Name of the desktop file at this path, when it can be read and has one.
  std::optional<QString> bundleName(const QString& applicationPath);

 private:
  std::shared_ptr<DesktopEntries> entries_;
  QHash<QString, QIcon> icons_;
  QHash<QString, QString> names_;
};

}  // namespace qv
