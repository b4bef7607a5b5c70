#include "items/identity/AppIdentity.h"

#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryIndex.h"
#include "platform/Scheduler.h"
#include "platform/SerialQueue.h"

namespace qv {

AppIdentity::AppIdentity(std::shared_ptr<DesktopEntries> entries, std::shared_ptr<SerialQueue> queue,
                         std::shared_ptr<Scheduler> scheduler)
    : entries_(std::move(entries)) {
  if (!queue || !scheduler || entries_->builtIndex()) {
    arrival_->arrived = true;
    return;
  }
  queue->async([entries = entries_, scheduler, weak = std::weak_ptr<Arrival>(arrival_)] {
    entries->index();
    postToMain(*scheduler, [weak] {
      const std::shared_ptr<Arrival> arrival = weak.lock();
      if (!arrival) return;
      arrival->arrived = true;
      if (arrival->notify) arrival->notify();
    });
  });
}

bool AppIdentity::hasIndex() const { return arrival_->arrived; }

void AppIdentity::setOnIndexArrived(std::function<void()> arrived) { arrival_->notify = std::move(arrived); }

QIcon AppIdentity::appIcon(const QString& id) {
  if (const auto cached = icons_.constFind(id); cached != icons_.constEnd()) return cached.value();
  const std::shared_ptr<const DesktopEntryIndex> index = hasIndex() ? entries_->builtIndex() : nullptr;
  if (!index) return entries_->fileManagerIcon();
  QIcon icon;
  if (const auto entry = index->entry(id)) {
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
  const std::shared_ptr<const DesktopEntryIndex> index = hasIndex() ? entries_->builtIndex() : nullptr;
  const QString lastPart = id.section(u'.', -1);
  if (!index) return lastPart;
  // The index holds the Name its desktop file had when it was read.
  const std::optional<DesktopEntry> entry = index->entry(id);
  const QString name = entry && !entry->name.isEmpty() ? entry->name : lastPart;
  names_.insert(id, name);
  return name;
}

std::optional<QString> AppIdentity::bundleName(const QString& applicationPath) {
  const auto entry = entries_->entryAt(applicationPath);
  if (!entry || entry->name.isEmpty()) return std::nullopt;
  return entry->name;
}

}  // namespace qv
