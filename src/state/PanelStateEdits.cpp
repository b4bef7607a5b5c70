#include "base/ByteCountText.h"
#include "base/NativePath.h"
#include "items/ItemServices.h"
#include "items/stores/RichTextStore.h"
#include "state/PanelStateInternal.h"

#include <sys/stat.h>
#include <algorithm>

namespace qv {

namespace {
qsizetype indexOfItem(const QList<ClipboardItem>& items, const QUuid& id) {
  const auto found = std::find_if(items.cbegin(), items.cend(),
                                  [&id](const ClipboardItem& item) { return item.id == id; });
  return found == items.cend() ? -1 : found - items.cbegin();
}
}  // namespace

void PanelState::updateText(const ClipboardItem& item, const QString& text) {
  const qsizetype index = indexOfItem(items_, item.id);
  if (index < 0) return;
  const ClipboardItem stored = items_.at(index);
  ClipboardPayload payload;
  if (const auto* code = std::get_if<CodePayload>(&stored.payload)) {
    // The language stays: an edit is no reason to guess again.
    payload = CodePayload{text, code->language};
  } else if (std::holds_alternative<TextPayload>(stored.payload)) {
    payload = TextPayload{text};
  } else {
    return;
  }
  // An editor saved without a change keeps the item as it was copied, rich form included.
  if (payload == stored.payload) return;
  ClipboardItem edited = stored;
  edited.payload = std::move(payload);
  // Changed in place: one notification, and no copy of a long history.
  // Not recorded in the journal: what the user edits away or removes is to leave the disk with
  // the next save, which therefore writes the whole file, instead of staying in the file and
  // the journal until the journal is next folded in.
  letGoOfHeldItems();
  items_[index] = std::move(edited);
  Q_EMIT itemsChanged();
  // Later pastes must carry the edited text, not the rich form of the old one.
  context_.richTextStore->remove(stored.idString());
  scheduleSave();
}

void PanelState::refreshFileSize(const ClipboardItem& item) {
  const auto* file = fieldsIf<FilePayload>(&item.payload);
  if (!file || !file->size.isEmpty() || !file->url || !file->url->isLocalFile()) return;
  if (const std::optional<qint64> size = fileSizeOnDisk(file->url->toLocalFile())) refreshFileSize(item, *size);
}

void PanelState::refreshFileSize(const ClipboardItem& item, qint64 size) {
  const auto* file = fieldsIf<FilePayload>(&item.payload);
  if (!file || !file->size.isEmpty() || !file->url || size < 1) return;
  const qsizetype index = indexOfItem(items_, item.id);
  if (index < 0) return;
  // Read a while ago: the history may have moved on meanwhile.
  const auto* stored = fieldsIf<FilePayload>(&items_.at(index).payload);
  if (!stored || !stored->size.isEmpty() || stored->url != file->url) return;
  ClipboardItem sized = items_.at(index);
  sized.payload = FilePayload{stored->name, byteCountText(size), stored->url};
  const RecordedChange recorded(*this);
  recordChange(HistoryChange::updated(sized));
  letGoOfHeldItems();
  items_[index] = std::move(sized);
  Q_EMIT itemsChanged();
  scheduleSave();
}

std::optional<qint64> PanelState::fileSizeOnDisk(const QString& path) {
  struct stat info {};
  // A folder has no size of its own; a missing file reads as nothing.
  if (::stat(nativePath(path).constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 1)
    return std::nullopt;
  return qint64(info.st_size);
}

void PanelState::removeItem(QUuid id) {
  if (auto pins = without(pinnedIDs(), id)) setPinnedIDs(std::move(*pins));
  savePinned();
  if (auto assignments = without(cardCategories(), id)) setCardCategories(std::move(*assignments));
  saveCardCategories();
  if (auto sensitive = without(sensitiveIDs(), id)) setSensitiveIDs(std::move(*sensitive));
  if (auto automaticIDs = without(autoSensitiveIDs(), id)) setAutoSensitiveIDs(std::move(*automaticIDs));
  saveSensitive();
  cardAnchors_.remove(id);
  if (auto peeked = without(peekedIDs(), id)) setPeekedIDs(std::move(*peeked));

  // Not recorded in the journal, as an edit (see updateText): the next save writes the file whole.
  const auto removal = [this, &id] {
    const qsizetype index = indexOfItem(items_, id);
    if (index < 0) return;
    letGoOfHeldItems();
    Q_EMIT itemAboutToBeRemoved(index);
    items_.remove(index);
    Q_EMIT itemsChanged();
  };
  if (animateRemoval_) animateRemoval_(removal);
  else removal();

  // A preview of the removed item would show an item that no longer exists.
  if (previewItemID_ == id) setPreviewItemID(std::nullopt);

  const int count = filteredCount();
  if (count == 0) setSelectedIndex(std::nullopt);
  else if (selectedIndex_ && *selectedIndex_ >= count) setSelectedIndex(count - 1);
  scheduleSave();
}

int PanelState::itemCount(const QString& fromApp) const {
  return static_cast<int>(std::count_if(items_.cbegin(), items_.cend(), [&fromApp](const ClipboardItem& item) {
    return item.sourceAppBundleID == fromApp;
  }));
}

int PanelState::removeItems(const QString& fromApp) {
  // Held apart from the items, which the removal below moves (the caller may pass an item's own).
  const QString app = fromApp;
  IdSet removed;
  for (const ClipboardItem& item : std::as_const(items_)) {
    if (item.sourceAppBundleID == app) removed.insert(item.id);
  }
  if (removed.isEmpty()) return 0;
  // Not recorded in the journal, as a removal (see updateText): the next save writes the file whole.
  letGoOfHeldItems();
  items_.removeIf([&app](const ClipboardItem& item) { return item.sourceAppBundleID == app; });
  Q_EMIT itemsChanged();
  if (previewItemID_ && removed.contains(*previewItemID_)) setPreviewItemID(std::nullopt);
  setSelectedIndex(std::nullopt);
  pruneOrphanedIDs();
  scheduleSave();
  return static_cast<int>(removed.size());
}

}  // namespace qv
