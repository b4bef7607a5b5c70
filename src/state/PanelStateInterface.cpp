#include "items/ItemServices.h"
#include "state/PanelState.h"

#include <algorithm>

namespace qv {

// Timed feedback runs as cancellable work on the scheduler, guarded by the state: starting a
// flag again cancels the pending end first, so only the newest start ends it.

void PanelState::flashCopied(const QUuid& id) {
  copiedFlashWork_.cancel();
  setCopiedItemID(id);
  copiedFlashWork_ = context_.scheduler->after(
      kCopiedFlashSeconds, [this] { setCopiedItemID(std::nullopt); }, this);
}

void PanelState::showPasteHint(const QUuid& id) {
  flashCopied(id);
  pasteHintWork_.cancel();
  setPasteHintItemID(id);
  pasteHintWork_ = context_.scheduler->after(
      kPasteHintSeconds, [this] { setPasteHintItemID(std::nullopt); }, this);
}

void PanelState::shake(const QUuid& id) {
  setShakeItemID(id);
  raiseShakeToken();
}

void PanelState::clearCopyFeedback() {
  copiedFlashWork_.cancel();
  copiedFlashWork_ = WorkItem();
  setCopiedItemID(std::nullopt);
  pasteHintWork_.cancel();
  pasteHintWork_ = WorkItem();
  setPasteHintItemID(std::nullopt);
}

void PanelState::retargetPreview(const ClipboardItem& item) {
  previewRetargetWork_.cancel();
  // A second request for the previewed card closes the preview.
  if (previewItemID_ == item.id) {
    setPreviewItemID(std::nullopt);
    return;
  }
  const QUuid id = item.id;
  const auto open = [this, id] {
    if (const auto anchor = cardAnchors_.constFind(id); anchor != cardAnchors_.constEnd()) setPreviewAnchorY(*anchor);
    setPreviewItemID(id);
  };
  if (previewItemID_) {
    // The old preview closes at once; the new one opens a moment later.
    setPreviewItemID(std::nullopt);
    previewRetargetWork_ = context_.scheduler->after(kPreviewRetargetSeconds, open, this);
  } else {
    open();
  }
}

void PanelState::schedulePreviewHover(const std::optional<ClipboardItem>& item) {
  previewHoverWork_.cancel();
  if (!previewItemID_ || !item || item->id == *previewItemID_) return;
  previewHoverWork_ = context_.scheduler->after(
      kPreviewHoverSeconds,
      [this, target = *item] {
        // Never move a preview away from an open editor.
        if (previewItemID_ && !previewEditingActive_) retargetPreview(target);
      },
      this);
}

void PanelState::cancelPreviewWork() {
  previewRetargetWork_.cancel();
  previewHoverWork_.cancel();
  setPreviewItemID(std::nullopt);
}

std::optional<ClipboardItem> PanelState::previewItem() const {
  if (!previewItemID_) return std::nullopt;
  const QUuid& id = *previewItemID_;
  const auto found = std::find_if(items_.cbegin(), items_.cend(),
                                  [&id](const ClipboardItem& item) { return item.id == id; });
  if (found == items_.cend()) return std::nullopt;
  return *found;
}

QList<ClipboardItem> PanelState::multiSelectedItems() const {
  if (multiSelectedIDs_.isEmpty()) return {};
  // One pass over the history, keeping only the selected items.
  const IdSet wanted(multiSelectedIDs_.cbegin(), multiSelectedIDs_.cend());
  QHash<QUuid, const ClipboardItem*> byID;
  byID.reserve(wanted.size());
  for (const ClipboardItem& item : std::as_const(items_)) {
    if (wanted.contains(item.id) && !byID.contains(item.id)) byID.insert(item.id, &item);
  }
  QList<ClipboardItem> selected;
  selected.reserve(multiSelectedIDs_.size());
  for (const QUuid& id : multiSelectedIDs_) {
    if (const ClipboardItem* item = byID.value(id)) selected.append(*item);
  }
  return selected;
}

int PanelState::filteredCount() const { return static_cast<int>(filteredItems().size()); }

}  // namespace qv
