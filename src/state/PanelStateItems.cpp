#include "base/RoomAtFront.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/ImageStore.h"
#include "state/PanelState.h"
#include "state/PanelStateInternal.h"

#include <QPointer>
#include <algorithm>
#include <limits>

namespace qv {

bool isSameContent(const ClipboardItem& a, const ClipboardItem& b) {
  if (a.payload.index() != b.payload.index()) return false;
  if (const auto* p = std::get_if<ColorPayload>(&a.payload)) return p->hex == std::get<ColorPayload>(b.payload).hex;
  if (std::holds_alternative<ImagePayload>(a.payload)) return false;
  if (const auto* p = fieldsIf<LinkPayload>(&a.payload)) return p->url == std::get<LinkPayload>(b.payload)->url;
  if (const auto* p = std::get_if<CodePayload>(&a.payload)) return p->source == std::get<CodePayload>(b.payload).source;
  if (const auto* p = std::get_if<TextPayload>(&a.payload)) return p->text == std::get<TextPayload>(b.payload).text;
  if (const auto* p = fieldsIf<FilePayload>(&a.payload)) return p->name == std::get<FilePayload>(b.payload)->name;
  return false;
}

namespace {

// The text the de-duplication compares of an item; none for an image.
const QString* comparedText(const ClipboardItem& item) {
  return std::visit(
      [](const auto& payload) -> const QString* {
        using Payload = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<Payload, ColorPayload>) return &payload.hex;
        else if constexpr (std::is_same_v<Payload, LinkPayload>) return &payload->url.text();
        else if constexpr (std::is_same_v<Payload, CodePayload>) return &payload.source;
        else if constexpr (std::is_same_v<Payload, TextPayload>) return &payload.text;
        else if constexpr (std::is_same_v<Payload, FilePayload>) return &payload->name;
        else return nullptr;
      },
      item.payload);
}

// What the de-duplication compares of an item, folded into 32 bits: its kind, the length of its
// compared text and the length of its source. Items with the same content and source have the
// same key; an image (never the same as another) has a key of its kind that no copy looks for.
quint32 duplicateKey(const ClipboardItem& item) {
  const auto kind = quint32(item.payload.index());
  const QString* text = comparedText(item);
  const quint32 length = text ? quint32(text->size()) : 0;
  return (kind << 29) ^ (quint32(item.sourceAppBundleID.size()) << 21) ^ (length & 0x1FFFFF) ^ (length >> 21);
}

// A hash of what the de-duplication compares of an item (its compared text and its source), never
// 0; 0 for an image.
quint32 contentHash(const ClipboardItem& item) {
  const QString* text = comparedText(item);
  if (!text) return 0;
  return quint32(qHashMulti(0, *text, item.sourceAppBundleID)) | 1;
}

}  // namespace

// The duplicate keys of the items, oldest first (a copy appends one). A copy compares its key
// with these, and only the few items that agree in full: a pass over a long history per copy
// would read every item. Rebuilt after the items changed any other way than through the add
// path.
struct PanelState::DuplicateIndex {
  std::vector<quint32> keys;
  // The content hashes of the items beside their keys; 0 where not worked out yet. Items of the
  // same length from the same source share a key (at a million items, thousands of them): their
  // hashes, worked out as a copy first meets them, spare the look at each item and its text.
  std::vector<quint32> hashes;
  quint64 itemChanges = 0;        // every change of the items
  quint64 validAt = ~quint64(0);  // the count the keys are in line with
  // Keys being made a slice at a time: how many (oldest first), for the items at this count.
  quint64 makingAt = ~quint64(0);
  qsizetype made = 0;
  // The hashes worked out ahead of the copies, oldest first, since the keys were last made.
  qsizetype hashed = 0;
};

std::shared_ptr<PanelState::DuplicateIndex> PanelState::attachDuplicateIndex(PanelState& state) {
  auto index = std::make_shared<DuplicateIndex>();
  connect(&state, &PanelState::itemsChanged, &state, [raw = index.get()] { ++raw->itemChanges; });
  return index;
}

void PanelState::makeDuplicateKeys(qsizetype most) {
  DuplicateIndex& index = *duplicateIndex_;
  if (index.validAt == index.itemChanges) return;
  const qsizetype count = items_.size();
  if (index.makingAt != index.itemChanges) {
    index.makingAt = index.itemChanges;
    index.made = 0;
    index.hashed = 0;
    // With room for the copies to come: a vector grown by a copy would move all of it.
    const auto room = size_t(count + historyRoomAtFront(count));
    index.keys.reserve(room);
    index.hashes.reserve(room);
    index.keys.resize(size_t(count));
    index.hashes.assign(size_t(count), 0);
  }
  const qsizetype end = std::min(count, index.made + std::max<qsizetype>(most, 0));
  for (qsizetype k = index.made; k < end; ++k) index.keys[size_t(k)] = duplicateKey(items_.at(count - 1 - k));
  index.made = end;
  if (end == count) index.validAt = index.itemChanges;
}

void PanelState::settleAside() {
  settleWork_ = context_.scheduler->after(
      0,
      [this] {
        // One slice a turn: the keys, then the content hashes of the items, then the check of the
        // marks. Slices of hashes are shorter: each reads an item's text.
        DuplicateIndex& index = *duplicateIndex_;
        const qsizetype count = items_.size();
        if (index.validAt != index.itemChanges) {
          makeDuplicateKeys(kSettleSlice);
        } else if (index.hashed < count) {
          const qsizetype end = std::min(count, index.hashed + kSettleSlice / 4);
          for (qsizetype k = index.hashed; k < end; ++k)
            if (!index.hashes[size_t(k)]) index.hashes[size_t(k)] = contentHash(items_.at(count - 1 - k));
          index.hashed = end;
        } else if (checkMarksLive(kSettleSlice)) {
          return;
        }
        settleAside();
      },
      Guard(this));
}

void PanelState::letGoOfHeldItems() {
  if (!items_.isDetached()) Q_EMIT itemsAboutToChange();
}

void PanelState::addItem(const ClipboardItem& item, bool blurred) {
  const auto isDuplicate = [&item](const ClipboardItem& other) {
    return isSameContent(other, item) && other.sourceAppBundleID == item.sourceAppBundleID;
  };
  DuplicateIndex& index = *duplicateIndex_;
  const qsizetype count = items_.size();
  makeDuplicateKeys(count);
  // The places of the earlier copies, newest first.
  const quint32 key = duplicateKey(item);
  const quint32 hash = contentHash(item);
  QList<qsizetype> duplicatePlaces;
  if (!std::holds_alternative<ImagePayload>(item.payload)) {
    // A plain search for the key (unrolled by the library), newest first.
    const auto newest = index.keys.crbegin(), end = index.keys.crend();
    for (auto at = std::find(newest, end, key); at != end; at = std::find(at + 1, end, key)) {
      const qsizetype place = at - newest;
      quint32& known = index.hashes[size_t(count - 1 - place)];
      if (!known) known = contentHash(items_.at(place));
      if (known == hash && isDuplicate(items_.at(place))) duplicatePlaces.append(place);
    }
  }
  const std::optional<QUuid> duplicate = duplicatePlaces.isEmpty()
                                             ? std::nullopt
                                             : std::optional<QUuid>(items_.at(duplicatePlaces.first()).id);

  historyFile_->noteAdded({item});
  const quint64 changesBeforeDuplicate = historyChanges_;
  const RecordedChange recorded(*this);
  const quint64 changesBefore = index.itemChanges;
  QList<QUuid> replaced;
  // Changed in place: copying a long history for each capture would cost more than the rest of
  // the add path together.
  if (duplicate) {
    letGoOfHeldItems();
    for (const qsizetype place : std::as_const(duplicatePlaces)) {
      replaced.append(items_.at(place).id);
      recordChange(HistoryChange::removed(items_.at(place).id));
      Q_EMIT itemAboutToBeRemoved(place);
    }
    for (qsizetype k = duplicatePlaces.size(); k-- > 0;) {
      const qsizetype place = duplicatePlaces[k];
      // An earlier copy is most often a recent one: the items before it move down by one and the
      // front one goes, rather than every item after it moving up.
      std::rotate(items_.begin(), items_.begin() + place, items_.begin() + place + 1);
      items_.removeFirst();
      index.keys.erase(index.keys.begin() + (count - 1 - place));
      index.hashes.erase(index.hashes.begin() + (count - 1 - place));
    }
    Q_EMIT itemsChanged();
  }
  // A new item at the front names no mark and is no older than itself: what the last prune and
  // retention pass found still holds, as long as nothing else changed meanwhile.
  const quint64 before = historyChanges_;
  const bool marksWereLive = !duplicate && marksLiveAt_ == before;
  // With a duplicate, the marks were live before it went (its removal counted as a change).
  const bool marksLiveBeforeDuplicate = duplicate && marksLiveAt_ == changesBeforeDuplicate;
  const bool floorHeld = !duplicate && retentionFloorAt_ == before;
  recordChange(HistoryChange::added(item));
  letGoOfHeldItems();
  items_.prepend(item);
  index.keys.push_back(key);
  index.hashes.push_back(hash);
  afterItemPrepended();
  Q_EMIT itemsChanged();
  // In line with the items unless something else changed them meanwhile.
  index.validAt = index.itemChanges == changesBefore + (duplicate ? 2 : 1) ? index.itemChanges : ~quint64(0);
  if (historyChanges_ == before + 1) {
    if (marksWereLive) marksLiveAt_ = historyChanges_;
    if (floorHeld) {
      retentionFloorMs_ = std::min(retentionFloorMs_, item.capturedAt.toMSecsSinceEpoch());
      retentionFloorAt_ = historyChanges_;
    }
  }

  if (duplicate) {
    inheritMarks({{*duplicate, item.id}});
    // Only the earlier copies' marks can have lost their items, unless something else changed
    // the items meanwhile: no pass over the history.
    if (marksLiveBeforeDuplicate && index.itemChanges == changesBefore + 2) dropMarksOf(replaced);
  }
  finishAdding({item}, blurred);
}

namespace {

// What the de-duplication compares, as a hashable key: the kind, the compared text and the
// source. Images have none (two images are never the same).
struct ContentKey {
  qsizetype kind = 0;
  QString text;
  QString source;
  bool operator==(const ContentKey&) const = default;
};

size_t qHash(const ContentKey& key, size_t seed = 0) { return qHashMulti(seed, key.kind, key.text); }

std::optional<ContentKey> contentKey(const ClipboardItem& item) {
  const QString* text = comparedText(item);
  if (!text) return std::nullopt;
  return ContentKey{qsizetype(item.payload.index()), *text, item.sourceAppBundleID};
}

}  // namespace

QList<QUuid> PanelState::addItems(const QList<ClipboardItem>& items, bool blurred) {
  if (items.size() <= 1) {
    if (items.isEmpty()) return {};
    addItem(items.first(), blurred);
    return {items.first().id};
  }
  // Of the copy's items with the same content, the last stays (added one by one, each would
  // replace the one before).
  QHash<ContentKey, qsizetype> lastWithKey;
  quint64 kinds = 0;  // bit per payload kind the copy holds
  for (qsizetype i = 0; i < items.size(); ++i) {
    if (std::optional<ContentKey> key = contentKey(items[i])) {
      kinds |= quint64(1) << key->kind;
      lastWithKey.insert(std::move(*key), i);
    }
  }
  const RecordedChange recorded(*this);
  QList<QUuid> stayed;
  QList<ClipboardItem> history;
  history.reserve(items.size() + items_.size());
  for (qsizetype i = items.size() - 1; i >= 0; --i) {
    const std::optional<ContentKey> key = contentKey(items[i]);
    if (key && lastWithKey.value(*key) != i) continue;
    history.append(items[i]);
    stayed.prepend(items[i].id);
  }
  bool replacedAny = history.size() < items.size();
  // An older copy of the same content goes; the newest of them hands its marks on.
  QHash<ContentKey, QUuid> newestReplaced;
  for (const ClipboardItem& item : std::as_const(items_)) {
    if (kinds & (quint64(1) << item.payload.index())) {
      if (std::optional<ContentKey> key = contentKey(item); key && lastWithKey.contains(*key)) {
        if (!newestReplaced.contains(*key)) newestReplaced.insert(*key, item.id);
        replacedAny = true;
        recordChange(HistoryChange::removed(item.id));
        continue;
      }
    }
    history.append(item);
  }
  // The copy's kept items lead the new history; put at the front one after the other, the
  // oldest first, they come out in the same order.
  for (qsizetype k = stayed.size() - 1; k >= 0; --k) recordChange(HistoryChange::added(history.at(k)));

  historyFile_->noteAdded(items);
  const quint64 before = historyChanges_;
  const bool marksWereLive = !replacedAny && marksLiveAt_ == before;
  const bool floorHeld = !replacedAny && retentionFloorAt_ == before;
  items_ = std::move(history);
  Q_EMIT itemsChanged();
  if (historyChanges_ == before + 1) {
    if (marksWereLive) marksLiveAt_ = historyChanges_;
    if (floorHeld) {
      for (const ClipboardItem& item : items)
        retentionFloorMs_ = std::min(retentionFloorMs_, item.capturedAt.toMSecsSinceEpoch());
      retentionFloorAt_ = historyChanges_;
    }
  }

  if (!newestReplaced.isEmpty()) {
    QList<std::pair<QUuid, QUuid>> replacements;
    for (auto it = newestReplaced.cbegin(); it != newestReplaced.cend(); ++it)
      replacements.append({it.value(), items[lastWithKey.value(it.key())].id});
    inheritMarks(replacements);
  }
  finishAdding(items, blurred);
  return stayed;
}

void PanelState::inheritMarks(const QList<std::pair<QUuid, QUuid>>& replacements) {
  IdSet pins = pinnedIDs();
  IdSet sensitive = sensitiveIDs();
  IdMap assignments = cardCategories();
  bool pinsChanged = false, sensitiveChanged = false, assignmentsChanged = false;
  for (const auto& [replaced, replacement] : replacements) {
    if (pins.contains(replaced)) {
      pins.insert(replacement);
      pinsChanged = true;
    }
    if (sensitive.contains(replaced) && !autoSensitiveIDs().contains(replaced)) {
      sensitive.insert(replacement);
      sensitiveChanged = true;
    }
    if (const auto category = assignments.constFind(replaced); category != assignments.constEnd()) {
      assignments.insert(replacement, *category);
      assignmentsChanged = true;
    }
  }
  if (pinsChanged) {
    setPinnedIDs(std::move(pins));
    savePinned();
  }
  if (sensitiveChanged) {
    setSensitiveIDs(std::move(sensitive));
    saveSensitive();
  }
  if (assignmentsChanged) {
    setCardCategories(std::move(assignments));
    saveCardCategories();
  }
}

void PanelState::finishAdding(const QList<ClipboardItem>& added, bool blurred) {
  applyRetention();
  pruneOrphanedIDs();
  scheduleSave();

  for (const ClipboardItem& item : added) {
    if (const auto* link = fieldsIf<LinkPayload>(&item.payload)) {
      const QString scheme = link->url.scheme().toLower();
      // A blurred capture may be a secret: its address never leaves the machine.
      if (!blurred && (scheme == u"http" || scheme == u"https")) fetchLinkMetadata(item, link->url);
    } else if (const auto* image = fieldsIf<ImagePayload>(&item.payload)) {
      // Its picture file is written by the save, off the main thread (encoding a large picture
      // takes long); its text is read from the picture held here.
      startTextRecognition(item.id, image->image);
    }
  }
}

void PanelState::startTextRecognition(const QUuid& id, const QImage& captured) {
  QPointer<PanelState> self(this);
  context_.imageTextRecognizer->schedule(
      uuidString(id),
      [self] {
        if (self) self->bumpImageTextRevision();
      },
      captured);
}

void PanelState::clearAll() {
  setItems({});
  setPinnedIDs({});
  setCardCategories({});
  setSensitiveIDs({});
  setAutoSensitiveIDs({});
  cardAnchors_.clear();
  clearPeeks();
  savePinned();
  saveCardCategories();
  saveSensitive();
  setSelectedIndex(std::nullopt);
  setPreviewItemID(std::nullopt);
  // Not recorded in the journal: the next save writes the file whole and deletes the side files
  // of everything that was here.
  scheduleSave();
}

std::optional<QDateTime> PanelState::retentionCutoff() const {
  if (retentionHeld()) return std::nullopt;
  const QString setting =
      context_.settings->stringValue(QLatin1String(kHistoryRetentionKey)).value_or(QStringLiteral("1w"));
  if (setting != u"1w" && setting != u"1m" && setting != u"1y") return std::nullopt;  // kept forever
  // Calendar arithmetic in local time: a month back from 31 March is the end of February.
  const QDateTime now = context_.scheduler->now().toLocalTime();
  QDateTime cutoff;
  if (setting == u"1w") cutoff = now.addDays(-7);
  else if (setting == u"1m") cutoff = now.addMonths(-1);
  else cutoff = now.addYears(-1);
  if (!cutoff.isValid()) return std::nullopt;
  return cutoff;
}

bool PanelState::isProtected(const ClipboardItem& item) const {
  return pinnedIDs().contains(item.id) || cardCategories().contains(item.id);
}

bool PanelState::applyRetention() {
  const std::optional<QDateTime> cutoff = retentionCutoff();
  if (!cutoff) return false;
  const qint64 cutoffMs = cutoff->toMSecsSinceEpoch();
  if (retentionFloorAt_ == historyChanges_ && cutoffMs <= retentionFloorMs_) return false;
  const auto expired = [&](const ClipboardItem& item) {
    return item.capturedAt.toMSecsSinceEpoch() < cutoffMs && !isProtected(item);
  };
  // The floor is the oldest capture at or after the cutoff; everything older is protected.
  qint64 floor = std::numeric_limits<qint64>::max();
  bool anyExpired = false;
  for (const ClipboardItem& item : std::as_const(items_)) {
    const qint64 capturedMs = item.capturedAt.toMSecsSinceEpoch();
    if (capturedMs >= cutoffMs) floor = std::min(floor, capturedMs);
    else if (!isProtected(item)) {
      anyExpired = true;
      break;
    }
  }
  if (!anyExpired) {
    retentionFloorMs_ = floor;
    retentionFloorAt_ = historyChanges_;
    return false;
  }
  const RecordedChange recorded(*this);
  for (const ClipboardItem& item : std::as_const(items_))
    if (expired(item)) recordChange(HistoryChange::removed(item.id));
  letGoOfHeldItems();
  items_.removeIf(expired);
  Q_EMIT itemsChanged();
  pruneOrphanedIDs();
  return true;
}

}  // namespace qv
