#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "state/PanelStateInternal.h"

#include <QJsonArray>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace qv {

void PanelState::notifyMarks(ItemMarks::Changes changes) {
  if (changes & ItemMarks::pinnedChanged) Q_EMIT pinnedIDsChanged();
  if (changes & ItemMarks::sensitiveChanged) Q_EMIT sensitiveIDsChanged();
  if (changes & ItemMarks::autoSensitiveChanged) Q_EMIT autoSensitiveIDsChanged();
  if (changes & ItemMarks::peekedChanged) Q_EMIT peekedIDsChanged();
  if (changes & ItemMarks::peekedAtChanged) Q_EMIT peekedAtChanged();
  if (changes & ItemMarks::collapsedGroupsChanged) Q_EMIT collapsedGroupsChanged();
}

void PanelState::savePinned() { marks_.savePinned(); }
void PanelState::loadPinned() { notifyMarks(marks_.loadPinned()); }
void PanelState::saveSensitive() { marks_.saveSensitive(); }
void PanelState::loadSensitive() { notifyMarks(marks_.loadSensitive()); }
void PanelState::saveCollapsedGroups() { marks_.saveCollapsedGroups(); }
void PanelState::loadCollapsedGroups() { notifyMarks(marks_.loadCollapsedGroups()); }

void PanelState::markSensitive(const QUuid& id, bool automatic) { notifyMarks(marks_.markSensitive(id, automatic)); }
void PanelState::markSensitive(const QList<QUuid>& ids, bool automatic) {
  notifyMarks(marks_.markSensitive(ids, automatic));
}
void PanelState::togglePin(QUuid id) { notifyMarks(marks_.togglePin(id)); }
void PanelState::toggleSensitive(QUuid id) { notifyMarks(marks_.toggleSensitive(id)); }
bool PanelState::isConcealed(const QUuid& id) const { return marks_.isConcealed(id); }
void PanelState::togglePeek(QUuid id) { notifyMarks(marks_.togglePeek(id)); }
void PanelState::expirePeeks() { notifyMarks(marks_.expirePeeks()); }
void PanelState::clearPeeks() { notifyMarks(marks_.clearPeeks()); }
void PanelState::toggleCollapsedGroup(const QString& title) { notifyMarks(marks_.toggleCollapsedGroup(title)); }

void PanelState::pruneOrphanedIDs() {
  // Nothing changed since every mark was found live.
  if (marksLiveAt_ == historyChanges_) return;
  // Nothing to check against: skip building the set of live ids.
  if (cardAnchors_.isEmpty() && autoSensitiveIDs().isEmpty() && sensitiveIDs().isEmpty() &&
      cardCategories().isEmpty() && pinnedIDs().isEmpty()) {
    marksLiveAt_ = historyChanges_;
    return;
  }
  // The marked ids that are still in the history: one pass over the items, each looked up in a
  // sorted list of the (few) marked ids, cheaper than hashing every live id.
  std::vector<UuidKey> marked;
  marked.reserve(static_cast<size_t>(pinnedIDs().size() + sensitiveIDs().size() + autoSensitiveIDs().size() +
                                     cardCategories().size() + cardAnchors_.size()));
  forEachMarkedID([&marked](const QUuid& id) { marked.push_back(uuidKey(id)); });
  std::sort(marked.begin(), marked.end());
  marked.erase(std::unique(marked.begin(), marked.end()), marked.end());
  IdSet live;
  for (const ClipboardItem& item : std::as_const(items_)) {
    if (std::binary_search(marked.cbegin(), marked.cend(), uuidKey(item.id))) live.insert(item.id);
  }
  keepMarksOf(live);
}

// The marked ids (sorted) and the history rows looked at so far, for the history and marks as
// they were at `at` changes.
struct PanelState::MarksCheck {
  quint64 at = kNever;
  std::vector<UuidKey> marked;
  std::vector<bool> found;
  qsizetype next = 0;
};

bool PanelState::checkMarksLive(qsizetype most) {
  if (marksLiveAt_ == historyChanges_) return true;
  if (!marksCheck_) marksCheck_ = std::make_shared<MarksCheck>();
  MarksCheck& check = *marksCheck_;
  if (check.at != historyChanges_) {
    check = {};
    check.at = historyChanges_;
    forEachMarkedID([&check](const QUuid& id) { check.marked.push_back(uuidKey(id)); });
    std::sort(check.marked.begin(), check.marked.end());
    check.marked.erase(std::unique(check.marked.begin(), check.marked.end()), check.marked.end());
    check.found.assign(check.marked.size(), false);
  }
  if (check.marked.empty()) {
    marksLiveAt_ = historyChanges_;
    marksCheck_.reset();
    return true;
  }
  const qsizetype end = std::min(items_.size(), check.next + most);
  for (qsizetype i = check.next; i < end; ++i) {
    const auto at = std::lower_bound(check.marked.cbegin(), check.marked.cend(), uuidKey(items_.at(i).id));
    if (at != check.marked.cend() && *at == uuidKey(items_.at(i).id))
      check.found[size_t(at - check.marked.cbegin())] = true;
  }
  check.next = end;
  if (end < items_.size()) return false;
  // Marks that name gone items are left to the next prune.
  if (std::all_of(check.found.cbegin(), check.found.cend(), [](bool found) { return found; }))
    marksLiveAt_ = historyChanges_;
  marksCheck_.reset();
  return true;
}

void PanelState::dropMarksOf(const QList<QUuid>& gone) {
  const auto marked = [this](const QUuid& id) {
    return pinnedIDs().contains(id) || sensitiveIDs().contains(id) || autoSensitiveIDs().contains(id) ||
           cardCategories().contains(id) || cardAnchors_.contains(id);
  };
  if (std::any_of(gone.cbegin(), gone.cend(), marked)) {
    // Every other marked id is in the history still.
    IdSet live;
    forEachMarkedID([&](const QUuid& id) {
      if (!gone.contains(id)) live.insert(id);
    });
    return keepMarksOf(live);
  }
  marksLiveAt_ = historyChanges_;
}

void PanelState::forEachMarkedID(const std::function<void(const QUuid&)>& visit) const {
  for (const IdSet* set : {&pinnedIDs(), &sensitiveIDs(), &autoSensitiveIDs()})
    for (const QUuid& id : *set) visit(id);
  for (auto it = cardCategories().keyBegin(); it != cardCategories().keyEnd(); ++it) visit(*it);
  for (auto it = cardAnchors_.keyBegin(); it != cardAnchors_.keyEnd(); ++it) visit(*it);
}

void PanelState::keepMarksOf(const IdSet& live) {
  cardAnchors_.removeIf([&live](const auto& entry) { return !live.contains(entry.key()); });
  notifyMarks(marks_.keepOnly(live));
  notifyCategories(categories_.keepOnly(live));
  marksLiveAt_ = historyChanges_;
}

}  // namespace qv
