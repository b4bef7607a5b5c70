#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "state/PanelStateInternal.h"

#include <QJsonArray>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace qv {

namespace {
// A UUID as two integers: ordered and compared inline, unlike QUuid's own operators.
using IdKey = std::pair<quint64, quint64>;
IdKey idKey(const QUuid& id) {
  static_assert(sizeof(QUuid) == 16);
  quint64 words[2];
  std::memcpy(words, &id, sizeof words);
  return {words[0], words[1]};
}
}  // namespace

PanelState::IdSet PanelState::readIdList(const char* key) const {
  IdSet ids;
  const QJsonArray stored = context_.settings->arrayValue(QLatin1String(key)).value_or(QJsonArray());
  for (const QJsonValue& value : stored) {
    if (const std::optional<QUuid> id = parseUuid(value.toString())) ids.insert(*id);
  }
  return ids;
}

void PanelState::writeIdList(const char* key, const IdSet& ids) {
  QJsonArray array;
  for (const QUuid& id : ids) array.append(uuidString(id));
  context_.settings->set(QLatin1String(key), array);
}

void PanelState::savePinned() { writeIdList(kPinnedIDsKey, pinnedIDs_); }

void PanelState::loadPinned() { setPinnedIDs(readIdList(kPinnedIDsKey)); }

void PanelState::markSensitive(const QUuid& id, bool automatic) {
  if (automatic && !autoSensitiveIDs_.contains(id)) {
    IdSet automaticIDs = autoSensitiveIDs_;
    automaticIDs.insert(id);
    setAutoSensitiveIDs(std::move(automaticIDs));
  }
  if (!sensitiveIDs_.contains(id)) {
    IdSet sensitive = sensitiveIDs_;
    sensitive.insert(id);
    setSensitiveIDs(std::move(sensitive));
  }
  saveSensitive();
}

void PanelState::togglePin(QUuid id) {
  IdSet pins = pinnedIDs_;
  if (!pins.remove(id)) pins.insert(id);
  setPinnedIDs(std::move(pins));
  savePinned();
}

void PanelState::toggleSensitive(QUuid id) {
  IdSet sensitive = sensitiveIDs_;
  if (!sensitive.remove(id)) sensitive.insert(id);
  setSensitiveIDs(std::move(sensitive));
  // A manual toggle never leaves an automatic mark behind.
  if (auto automaticIDs = without(autoSensitiveIDs_, id)) setAutoSensitiveIDs(std::move(*automaticIDs));
  saveSensitive();
}

bool PanelState::isConcealed(const QUuid& id) const {
  return (sensitiveIDs_.contains(id) || autoSensitiveIDs_.contains(id)) && !peekedIDs_.contains(id);
}

void PanelState::togglePeek(QUuid id) {
  IdSet peeked = peekedIDs_;
  QHash<QUuid, QDateTime> openedAt = peekedAt_;
  if (peeked.remove(id)) {
    openedAt.remove(id);
  } else {
    peeked.insert(id);
    openedAt.insert(id, context_.scheduler->now());
  }
  setPeekedIDs(std::move(peeked));
  setPeekedAt(std::move(openedAt));
}

void PanelState::expirePeeks() {
  if (peekedIDs_.isEmpty()) return;
  const qint64 cutoffMs =
      context_.scheduler->now().toMSecsSinceEpoch() - static_cast<qint64>(kPeekLifetimeSeconds * 1000);
  IdSet peeked = peekedIDs_;
  QHash<QUuid, QDateTime> openedAt = peekedAt_;
  for (auto it = peekedAt_.cbegin(); it != peekedAt_.cend(); ++it) {
    // A peek exactly 300 s old survives.
    if (it.value().toMSecsSinceEpoch() < cutoffMs) {
      peeked.remove(it.key());
      openedAt.remove(it.key());
    }
  }
  setPeekedIDs(std::move(peeked));
  setPeekedAt(std::move(openedAt));
}

void PanelState::clearPeeks() {
  if (peekedIDs_.isEmpty()) return;
  setPeekedIDs({});
  setPeekedAt({});
}

void PanelState::toggleCollapsedGroup(const QString& title) {
  QSet<QString> groups = collapsedGroups_;
  if (!groups.remove(title)) groups.insert(title);
  setCollapsedGroups(std::move(groups));
  saveCollapsedGroups();
}

void PanelState::saveSensitive() {
  writeIdList(kSensitiveIDsKey, sensitiveIDs_);
  writeIdList(kAutoSensitiveIDsKey, autoSensitiveIDs_);
}

void PanelState::loadSensitive() {
  setSensitiveIDs(readIdList(kSensitiveIDsKey));
  // An automatic mark without its sensitive mark is dropped.
  setAutoSensitiveIDs(readIdList(kAutoSensitiveIDsKey).intersect(sensitiveIDs_));
}

void PanelState::saveCollapsedGroups() {
  QJsonArray array;
  for (const QString& title : collapsedGroups_) array.append(title);
  context_.settings->set(QLatin1String(kCollapsedGroupsKey), array);
}

void PanelState::loadCollapsedGroups() {
  QSet<QString> groups;
  const QJsonArray stored =
      context_.settings->arrayValue(QLatin1String(kCollapsedGroupsKey)).value_or(QJsonArray());
  for (const QJsonValue& value : stored) {
    if (value.isString()) groups.insert(value.toString());
  }
  setCollapsedGroups(std::move(groups));
}

void PanelState::pruneOrphanedIDs() {
  // Nothing changed since every mark was found live.
  if (marksLiveAt_ == historyChanges_) return;
  // Nothing to check against: skip building the set of live ids.
  if (cardAnchors_.isEmpty() && autoSensitiveIDs_.isEmpty() && sensitiveIDs_.isEmpty() &&
      cardCategories_.isEmpty() && pinnedIDs_.isEmpty()) {
    marksLiveAt_ = historyChanges_;
    return;
  }
  // The marked ids that are still in the history: one pass over the items, each looked up in a
  // sorted list of the (few) marked ids, cheaper than hashing every live id.
  std::vector<IdKey> marked;
  marked.reserve(static_cast<size_t>(pinnedIDs_.size() + sensitiveIDs_.size() + autoSensitiveIDs_.size() +
                                     cardCategories_.size() + cardAnchors_.size()));
  for (const IdSet* set : {&pinnedIDs_, &sensitiveIDs_, &autoSensitiveIDs_})
    for (const QUuid& id : *set) marked.push_back(idKey(id));
  for (auto it = cardCategories_.keyBegin(); it != cardCategories_.keyEnd(); ++it) marked.push_back(idKey(*it));
  for (auto it = cardAnchors_.keyBegin(); it != cardAnchors_.keyEnd(); ++it) marked.push_back(idKey(*it));
  std::sort(marked.begin(), marked.end());
  marked.erase(std::unique(marked.begin(), marked.end()), marked.end());
  IdSet live;
  for (const ClipboardItem& item : std::as_const(items_)) {
    if (std::binary_search(marked.cbegin(), marked.cend(), idKey(item.id))) live.insert(item.id);
  }
  cardAnchors_.removeIf([&live](const auto& entry) { return !live.contains(entry.key()); });
  setAutoSensitiveIDs(IdSet(autoSensitiveIDs_).intersect(live));

  IdSet sensitive = IdSet(sensitiveIDs_).intersect(live);
  if (sensitive != sensitiveIDs_) {
    setSensitiveIDs(std::move(sensitive));
    saveSensitive();
  }
  IdMap assignments = cardCategories_;
  assignments.removeIf([&live](const auto& entry) { return !live.contains(entry.key()); });
  if (assignments.size() != cardCategories_.size()) {
    setCardCategories(std::move(assignments));
    saveCardCategories();
  }
  IdSet pins = IdSet(pinnedIDs_).intersect(live);
  if (pins != pinnedIDs_) {
    setPinnedIDs(std::move(pins));
    savePinned();
  }
  marksLiveAt_ = historyChanges_;
}

}  // namespace qv
