#include "state/ItemMarks.h"

#include "base/Log.h"
#include "base/Uuid.h"
#include "platform/Scheduler.h"
#include "platform/SettingsStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <utility>

namespace qv {

namespace {

// Every id in a stored value, wherever it lies: strings and keys that are UUIDs (in any form).
void collectIds(const QJsonValue& value, ItemMarks::IdSet& ids) {
  if (value.isString()) {
    if (const std::optional<QUuid> id = parseUuidAnyForm(value.toString())) ids.insert(*id);
  } else if (value.isArray()) {
    for (const QJsonValue& entry : value.toArray()) collectIds(entry, ids);
  } else if (value.isObject()) {
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
      if (const std::optional<QUuid> id = parseUuidAnyForm(it.key())) ids.insert(*id);
      collectIds(it.value(), ids);
    }
  }
}

}  // namespace

ItemMarks::IdSet ItemMarks::readIdList(const char* key) {
  IdSet ids;
  const QString name = QLatin1String(key);
  const std::optional<QJsonArray> stored = settings_.arrayValue(name);
  if (!stored && !settings_.hasStoredValue(name)) return ids;
  if (stored) {
    bool whole = true;
    for (const QJsonValue& entry : *stored) {
      const std::optional<QUuid> id = entry.isString() ? parseUuidAnyForm(entry.toString()) : std::nullopt;
      if (id) ids.insert(*id);
      else whole = false;
    }
    if (whole) return ids;
  }
  // Read as absent, a list of another type or an entry that is no id would drop a mark (and
  // retention the pinned item): the ids found in it are kept and written back as a list, and the
  // value as it was is set aside, which holds retention until the user chooses one again.
  collectIds(settings_.value(name), ids);
  qCWarning(lcState) << "Stored" << name
                     << (stored ? "holds entries that are no id; set aside as" : "is no list; set aside as")
                     << settings_.setAsideUnreadable(name) << "- kept the" << ids.size() << "ids found in it";
  if (!ids.isEmpty()) writeIdList(key, ids);
  return ids;
}

void ItemMarks::writeIdList(const char* key, const IdSet& ids) {
  QJsonArray array;
  for (const QUuid& id : ids) array.append(uuidString(id));
  settings_.set(QLatin1String(key), array);
}

void ItemMarks::savePinned() { writeIdList(kPinnedIDsKey, pinnedIDs_); }

ItemMarks::Changes ItemMarks::loadPinned() { return setPinnedIDs(readIdList(kPinnedIDsKey)) ? pinnedChanged : none; }

void ItemMarks::saveSensitive() {
  writeIdList(kSensitiveIDsKey, sensitiveIDs_);
  writeIdList(kAutoSensitiveIDsKey, autoSensitiveIDs_);
}

ItemMarks::Changes ItemMarks::loadSensitive() {
  Changes changes = setSensitiveIDs(readIdList(kSensitiveIDsKey)) ? sensitiveChanged : none;
  if (setAutoSensitiveIDs(readIdList(kAutoSensitiveIDsKey).intersect(sensitiveIDs_))) changes |= autoSensitiveChanged;
  return changes;
}

void ItemMarks::saveCollapsedGroups() {
  QJsonArray array;
  for (const QString& title : collapsedGroups_) array.append(title);
  settings_.set(QLatin1String(kCollapsedGroupsKey), array);
}

ItemMarks::Changes ItemMarks::loadCollapsedGroups() {
  QSet<QString> groups;
  const QJsonArray stored = settings_.arrayValue(QLatin1String(kCollapsedGroupsKey)).value_or(QJsonArray());
  for (const QJsonValue& value : stored) {
    if (value.isString()) groups.insert(value.toString());
  }
  return setCollapsedGroups(std::move(groups)) ? collapsedGroupsChanged : none;
}

ItemMarks::Changes ItemMarks::markSensitive(const QUuid& id, bool automatic) {
  Changes changes = none;
  if (automatic && !autoSensitiveIDs_.contains(id)) {
    autoSensitiveIDs_.insert(id);
    changes |= autoSensitiveChanged;
  }
  if (!sensitiveIDs_.contains(id)) {
    sensitiveIDs_.insert(id);
    changes |= sensitiveChanged;
  }
  saveSensitive();
  return changes;
}

ItemMarks::Changes ItemMarks::markSensitive(const QList<QUuid>& ids, bool automatic) {
  Changes changes = none;
  for (const QUuid& id : ids) {
    if (automatic && !autoSensitiveIDs_.contains(id)) {
      autoSensitiveIDs_.insert(id);
      changes |= autoSensitiveChanged;
    }
    if (!sensitiveIDs_.contains(id)) {
      sensitiveIDs_.insert(id);
      changes |= sensitiveChanged;
    }
  }
  saveSensitive();
  return changes;
}

ItemMarks::Changes ItemMarks::togglePin(const QUuid& id) {
  if (!pinnedIDs_.remove(id)) pinnedIDs_.insert(id);
  savePinned();
  return pinnedChanged;
}

ItemMarks::Changes ItemMarks::toggleSensitive(const QUuid& id) {
  if (!sensitiveIDs_.remove(id)) sensitiveIDs_.insert(id);
  Changes changes = sensitiveChanged;
  if (autoSensitiveIDs_.remove(id)) changes |= autoSensitiveChanged;
  saveSensitive();
  return changes;
}

ItemMarks::Changes ItemMarks::togglePeek(const QUuid& id) {
  if (peekedIDs_.remove(id)) return peekedChanged | (peekedAt_.remove(id) ? peekedAtChanged : none);
  peekedIDs_.insert(id);
  const QDateTime now = scheduler_.now();
  const auto opened = peekedAt_.constFind(id);
  const bool reopened = opened == peekedAt_.constEnd() || *opened != now;
  peekedAt_.insert(id, now);
  return peekedChanged | (reopened ? peekedAtChanged : none);
}

ItemMarks::Changes ItemMarks::expirePeeks() {
  if (peekedIDs_.isEmpty()) return none;
  const qint64 cutoffMs = scheduler_.now().toMSecsSinceEpoch() - static_cast<qint64>(kPeekLifetimeSeconds * 1000);
  IdSet stillPeeked = peekedIDs_;
  QHash<QUuid, QDateTime> openedAt = peekedAt_;
  for (auto it = peekedAt_.cbegin(); it != peekedAt_.cend(); ++it) {
    // A peek exactly 300 s old survives.
    if (it.value().toMSecsSinceEpoch() < cutoffMs) {
      stillPeeked.remove(it.key());
      openedAt.remove(it.key());
    }
  }
  Changes changes = setPeekedIDs(std::move(stillPeeked)) ? peekedChanged : none;
  if (setPeekedAt(std::move(openedAt))) changes |= peekedAtChanged;
  return changes;
}

ItemMarks::Changes ItemMarks::clearPeeks() {
  if (peekedIDs_.isEmpty()) return none;
  Changes changes = setPeekedIDs({}) ? peekedChanged : none;
  if (setPeekedAt({})) changes |= peekedAtChanged;
  return changes;
}

ItemMarks::Changes ItemMarks::toggleCollapsedGroup(const QString& title) {
  if (!collapsedGroups_.remove(title)) collapsedGroups_.insert(title);
  saveCollapsedGroups();
  return collapsedGroupsChanged;
}

ItemMarks::Changes ItemMarks::keepOnly(const IdSet& live) {
  Changes changes = setAutoSensitiveIDs(IdSet(autoSensitiveIDs_).intersect(live)) ? autoSensitiveChanged : none;
  if (setSensitiveIDs(IdSet(sensitiveIDs_).intersect(live))) {
    changes |= sensitiveChanged;
    saveSensitive();
  }
  if (setPinnedIDs(IdSet(pinnedIDs_).intersect(live))) {
    changes |= pinnedChanged;
    savePinned();
  }
  return changes;
}

}  // namespace qv
