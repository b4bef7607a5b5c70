#include "items/identity/AppIdentity.h"

#include "platform/DesktopEntries.h"

namespace qv {

AppIdentity::AppIdentity(std::shared_ptr<DesktopEntries> entries) : entries_(std::move(entries)) {}

QIcon AppIdentity::appIcon(const QString& id) {
  if (const auto cached = icons_.constFind(id); cached != icons_.constEnd()) return cached.value();
  QIcon icon;
  if (const auto entry = entries_->entry(id)) {
    icon = entries_->icon(entry->iconName);
    if (icon.isNull()) icon = entries_->genericApplicationIcon();
  } else {
    icon = entries_->fileManagerIcon();
  }
  icons_.insert(id, icon);
  return icon;
}

QString AppIdentity::appName(const QString& id) {
  if (const auto cached = names_.constFind(id); cached != names_.constEnd()) return cached.value();
  std::optional<QString> name;
  if (const auto entry = entries_->entry(id)) name = bundleName(entry->path);
  if (!name) name = id.section(u'.', -1);
  names_.insert(id, *name);
  return *name;
}

std::optional<QString> AppIdentity::bundleName(const QString& applicationPath) {
  const auto entry = entries_->entryAt(applicationPath);
  if (!entry || entry->name.isEmpty()) return std::nullopt;
  return entry->name;
}

}  // namespace qv
