#include "app/PanelController.h"

#include "app/AppContext.h"
#include "items/writer/PasteboardWriter.h"
#include "panel/PanelView.h"
#include "platform/keys/KeyCodes.h"
#include "platform/keys/KeyPress.h"
#include "settings/GeneralSettings.h"
#include "state/PanelState.h"

#include <QKeyEvent>

namespace qv {

namespace {
using namespace keys::code;
constexpr int kCommand = keys::kCommandFlag;
constexpr int kCommandShift = keys::kCommandFlag | keys::kShiftFlag;
constexpr const auto& kAlwaysPlainTextKey = GeneralSettings::kAlwaysPlainTextKey;

// The keys that act on the list whatever the modifiers (Command-Shift aside).
bool isListKey(int keyCode) {
  switch (keyCode) {
    case Return:
    case Space:
    case Escape:
    case LeftArrow:
    case RightArrow:
    case DownArrow:
    case UpArrow: return true;
    default: return false;
  }
}

// The first of the item targets that is present.
template <typename... Rest>
std::optional<ClipboardItem> firstOf(const std::optional<ClipboardItem>& first, const Rest&... rest) {
  if (first) return first;
  if constexpr (sizeof...(rest) > 0) return firstOf(rest...);
  else return std::nullopt;
}

// The item at `index` of the filtered list: read from the rows a search in steps has found so
// far when it is among them (a key pressed right after typing need not wait for the rest).
std::optional<ClipboardItem> filteredItemAt(const PanelState& state, qsizetype index) {
  if (index < 0) return std::nullopt;
  if (const FilteredItems shown = state.shownItems(); index < shown.size()) return shown.at(index);
  const FilteredItems items = state.filteredItems();
  if (index >= items.size()) return std::nullopt;
  return items.at(index);
}

std::optional<ClipboardItem> firstItem(const PanelState& state) { return filteredItemAt(state, 0); }
}  // namespace

bool PanelController::handleKeyDown(const QKeyEvent& event) {
  // A pick or a close that this key makes holds back the keys typed after it, this one's
  // repeats left out.
  const quint32 outer = std::exchange(keyBeingHandled_, event.nativeScanCode());
  const bool handled = handleKey(keys::KeyPress::from(event));
  keyBeingHandled_ = outer;
  return handled;
}

// Decides in a fixed order; the first rule that matches ends it. True when the key was handled;
// the event goes on to the window either way.
bool PanelController::handleKey(const keys::KeyPress& key) {
  // A held Escape closes one thing, not everything down to the panel.
  if (key.keyCode == Escape && key.isRepeat) return true;
  // An open category form or preview editor owns the keyboard; Escape only closes it.
  if (state_->newCategoryFormActive()) {
    if (key.keyCode != Escape) return false;
    state_->closeCategoryForm();
    return true;
  }
  if (state_->previewEditingActive()) {
    if (key.keyCode != Escape) return false;
    state_->raiseCancelPreviewEditTrigger();
    return true;
  }
  if (key.flags == kCommand || key.flags == kCommandShift) {
    if (const int position = key.digitPosition(); position >= 0) {
      if (key.isRepeat) return true;  // holding the keys picks once
      if (const auto item = filteredItemAt(*state_, position)) state_->pasteAction()(*item, keyboardPlainText(key));
      return true;  // also past the end of the list
    }
    if (key.flags == kCommandShift) return false;
    return handleCommandKey(key);
  }
  if (isListKey(key.keyCode)) return handleListKey(key);
  return handleGeneralKey(key);
}

bool PanelController::handleCommandKey(const keys::KeyPress& key) {
  switch (key.keyCode) {
    case F: state_->raiseExpandSearchTrigger(); return true;
    case C:
      if (state_->searchFieldFocused()) return handleGeneralKey(key);  // the field copies
      if (!key.isRepeat) copyFromKeyboard();
      return true;
    case P:
      // Held, the pin would flip at every repeat and end as chance leaves it.
      if (key.isRepeat) return true;
      if (const auto target = firstOf(hoveredItem(), selectedItem(), state_->previewItem())) state_->togglePin(*target);
      return true;
    default: return isListKey(key.keyCode) ? handleListKey(key) : handleGeneralKey(key);
  }
}

bool PanelController::handleListKey(const keys::KeyPress& key) {
  switch (key.keyCode) {
    case Return:
      if (!key.isRepeat) pasteFromKeyboard(key);
      return true;
    case Space:
      // With a query and no card under the pointer, the space is part of the search.
      if (state_->searchFieldFocused() && !hoveredItem() && !state_->searchQuery().isEmpty()) return false;
      // Held, it opens or closes the preview once.
      if (key.isRepeat) {
        if (state_->searchFieldFocused()) takeOutTypedSpace();
        return true;
      }
      if (canPreview()) previewFromKeyboard();
      else if (state_->searchFieldFocused()) takeOutTypedSpace();
      return true;
    case Escape: escapeOneLevel(); return true;
    case LeftArrow:
    case UpArrow:
      state_->selectPrevious();
      syncPreviewToSelection();
      return true;
    case RightArrow:
    case DownArrow:
      state_->selectNext();
      syncPreviewToSelection();
      return true;
    default: return false;
  }
}

bool PanelController::handleGeneralKey(const keys::KeyPress& key) {
  if (state_->searchFieldFocused()) return false;
  const bool plainOrShift = (key.flags & ~keys::kShiftFlag) == 0;
  switch (key.keyCode) {
    case T:
      // With Ctrl, Alt or Super the T key does nothing; plain, it is a letter like any other, or
      // the first "t" typed into an unfocused search would be lost.
      if (!plainOrShift) return true;
      break;
    case Delete:
      if (key.isRepeat) return true;  // holding the key removes one item only
      if (const auto target = firstOf(hoveredItem(), selectedItem())) state_->removeItem(*target);
      return true;
    default: break;
  }
  if (!plainOrShift || !key.typesText()) return false;
  // Typing starts a search with what was typed.
  state_->setSearchQuery(state_->searchQuery() + key.characters);
  state_->raiseExpandSearchTrigger();
  return true;
}

bool PanelController::keyboardPlainText(const keys::KeyPress& key) const {
  return context_.settings->boolOr(QString::fromLatin1(kAlwaysPlainTextKey), false) != key.hasShift();
}

// The card under the pointer, while it is still in the history: a removed card stays "hovered"
// until the pointer moves, and the next key goes to the selection instead.
std::optional<ClipboardItem> PanelController::hoveredItem() const {
  const std::optional<ClipboardItem>& hovered = state_->hoveredItem();
  if (!hovered) return std::nullopt;
  for (const ClipboardItem& item : state_->items())
    if (item.id == hovered->id) return item;
  return std::nullopt;
}

std::optional<ClipboardItem> PanelController::selectedItem() const {
  const std::optional<int> index = state_->selectedIndex();
  return index ? filteredItemAt(*state_, *index) : std::nullopt;
}

void PanelController::pasteFromKeyboard(const keys::KeyPress& key) {
  // A multi-selection pastes as a whole, whatever the selection index.
  if (!state_->multiSelectedIDs().isEmpty()) {
    state_->pasteMultiAction()(state_->multiSelectedItems());
    return;
  }
  if (const auto target = firstOf(selectedItem(), firstItem(*state_)))
    state_->pasteAction()(*target, keyboardPlainText(key));
}

void PanelController::copyFromKeyboard() {
  if (!state_->multiSelectedIDs().isEmpty()) {
    const std::optional<QString> joined = ClipboardItem::combinedText(state_->multiSelectedItems());
    if (!joined) return;
    context_.pasteboardWriter->writeText(*joined);  // raises the own-write counter itself
    state_->setShowCopiedToast(true);
    scheduleToastReset(kCopiedToastSeconds);
    return;
  }
  const auto target = firstOf(hoveredItem(), selectedItem(), state_->previewItem());
  if (!target) return;
  if (context_.pasteboardWriter->write(*target, false, std::nullopt)) state_->flashCopied(*target);
  else state_->shake(*target);
}

// Without a preview pane nothing can be previewed: Space then changes nothing at all, not the
// side surface, the search focus nor the query.
bool PanelController::canPreview() const { return rootView_ && rootView_->hasPreviewFactory(); }

void PanelController::previewFromKeyboard() {
  if (state_->searchFieldFocused()) {
    state_->raiseResignSearchFocusTrigger();
    takeOutTypedSpace();
  }
  if (const auto target = firstOf(hoveredItem(), selectedItem(), firstItem(*state_))) state_->retargetPreview(*target);
}

// The focused field receives this space as well (the key monitor lets every key through); it is
// taken out again.
void PanelController::takeOutTypedSpace() {
  context_.scheduler->post([this, previous = state_->searchQuery()] { stripTypedSpace(previous); }, Guard(this));
}

// Escape closes one thing per press: the dots menu, the preview, the filter panel, the panel.
void PanelController::escapeOneLevel() {
  if (state_->showDotsMenu()) state_->setShowDotsMenu(false);
  else if (state_->previewItem()) state_->cancelPreviewWork();
  else if (state_->showFilterPanel()) state_->setShowFilterPanel(false);
  else closeKeepingTypedKeys();
}

void PanelController::syncPreviewToSelection() {
  if (!state_->previewItem()) return;
  if (const std::optional<ClipboardItem> selected = selectedItem()) state_->setPreviewItemID(selected->id);
}

void PanelController::stripTypedSpace(const QString& previousQuery) {
  if (state_->searchQuery() == previousQuery + QLatin1Char(' ')) state_->setSearchQuery(previousQuery);
}

}  // namespace qv
