#include "preview/ItemPaneSession.h"

#include "base/NativePath.h"
#include "cards/ViewServices.h"
#include "items/writer/PasteboardWriter.h"
#include "platform/SerialQueue.h"
#include "platform/Workspace.h"
#include "preview/EditableTextView.h"
#include "preview/LinkOpening.h"
#include "preview/PreviewContent.h"
#include "preview/ShareItems.h"
#include "preview/SharePickerAnchor.h"
#include "state/PanelState.h"

namespace qv {

ItemPaneSession::ItemPaneSession(ViewServices& context, PanelState& state, Surface surface, SharePickerAnchor& anchor,
                                 Hooks hooks)
    : context_(context),
      state_(state),
      stateAlive_(&state),
      surface_(surface),
      anchor_(anchor),
      hooks_(std::move(hooks)) {
  const auto cancelTrigger = surface == Surface::panel ? &PanelState::cancelPreviewEditTriggerChanged
                                                       : &PanelState::cancelDetailEditTriggerChanged;
  connect(&state_, cancelTrigger, this, [this] {
    if (editing_) discardEdit();
  });
}

ItemPaneSession::~ItemPaneSession() {
  if (stateAlive_) releaseEditFlag();
}

bool ItemPaneSession::setItem(const ClipboardItem& item) {
  const bool other = !hasItem_ || item.id != item_.id;
  item_ = item;
  hasItem_ = true;
  if (other) {
    // Nothing of the previous item stays: not its edit, not its share menu.
    if (editing_) {
      editorEdited_ = false;
      draft_.clear();
      editing_ = false;
      setEditFlag(false);
    }
    anchor_.dismiss();
    sharing_ = false;
    readFileSize();
  }
  syncShareAnchor();
  return other;
}

// ---- Editing --------------------------------------------------------------------------------------

bool ItemPaneSession::editFlag() const {
  return surface_ == Surface::panel ? state_.previewEditingActive() : state_.detailEditingActive();
}

void ItemPaneSession::setEditFlag(bool active) {
  // Written only when it changes.
  if (editFlag() == active) return;
  if (surface_ == Surface::panel) state_.setPreviewEditingActive(active);
  else state_.setDetailEditingActive(active);
}

bool ItemPaneSession::beginEditing() {
  if (editing_) return false;
  const std::optional<QString> text = editableText(item_);
  if (!text) return false;
  draft_ = *text;
  editorEdited_ = false;
  setEditFlag(true);
  editing_ = true;
  changed(hooks_.onEditingChange);
  return true;
}

void ItemPaneSession::endEditing() {
  takeDraftFromEditor();
  setEditFlag(false);
  if (!editing_) return;
  editing_ = false;
  changed(hooks_.onEditingChange);
}

void ItemPaneSession::saveEdit() {
  if (!editing_) return;
  // Copies: the state hands the pane the edited item (or none) while it notifies.
  const ClipboardItem item = item_;
  const QString text = draft();
  state_.updateText(item, text);
  endEditing();
}

void ItemPaneSession::discardEdit() {
  editorEdited_ = false;
  draft_.clear();
  endEditing();
}

void ItemPaneSession::releaseEditFlag() {
  if (editing_) setEditFlag(false);
}

EditableTextView* ItemPaneSession::makeEditor(QWidget* parent) { return makeEditor(parent, EditableTextLook{}); }

EditableTextView* ItemPaneSession::makeEditor(QWidget* parent, const EditableTextLook& look) {
  takeDraftFromEditor();
  auto* editor = new EditableTextView(context_, std::holds_alternative<CodePayload>(item_.payload), parent, look);
  editorEdited_ = false;
  editor_ = editor;
  // The session may go before its editor (a pane's children outlive its members).
  const QPointer<ItemPaneSession> self(this);
  editor->setProps({draft_}, {[self, editor] {
                                if (self && self->editor_ == editor) self->editorEdited_ = true;
                              },
                              [self, editor] {
                                if (!self || self->editor_ != editor) return;
                                self->takeDraftFromEditor();
                                self->editor_ = nullptr;
                              }});
  return editor;
}

const QString& ItemPaneSession::draft() const {
  takeDraftFromEditor();
  return draft_;
}

void ItemPaneSession::takeDraftFromEditor() const {
  if (!editorEdited_ || !editor_) return;
  editorEdited_ = false;
  // Only an open edit has a draft to keep.
  if (editing_) draft_ = editor_->currentText();
}

// ---- Sharing --------------------------------------------------------------------------------------

void ItemPaneSession::pressShare() {
  ++shareTrigger_;
  syncShareAnchor();
}

void ItemPaneSession::syncShareAnchor() {
  anchor_.setProps({shareItems(item_, *context_.imageStore), shareTrigger_}, {[this](bool presenting) {
                     if (presenting == sharing_) return;
                     sharing_ = presenting;
                     changed(hooks_.onSharingChange);
                   }});
}

// ---- A file's size ----------------------------------------------------------------------------------

void ItemPaneSession::readFileSize() {
  const auto* file = fieldsIf<FilePayload>(&item_.payload);
  if (!file || !file->size.isEmpty() || !file->url || !file->url->isLocalFile()) return;
  // A file on a slow or stalled disk must not hold up the pane: asked on a worker, told back here.
  std::shared_ptr<Scheduler> scheduler = context_.scheduler;
  PanelState* state = &state_;
  context_.queue(QLatin1String(kFileSizeQueue))
      ->async([path = file->url->toLocalFile(), item = item_, scheduler, state] {
        const std::optional<qint64> size = PanelState::fileSizeOnDisk(path);
        if (!size) return;
        scheduler->post([state, item, size = *size] { state->refreshFileSize(item, size); }, Guard(state));
      });
}

// ---- Acting on the item -------------------------------------------------------------------------------

bool ItemPaneSession::copy(bool asPlainText) const {
  return context_.pasteboardWriter->write(item_, asPlainText, std::nullopt);
}

void ItemPaneSession::togglePin() const { state_.togglePin(item_); }

void ItemPaneSession::togglePeek() const { state_.togglePeek(item_); }

bool ItemPaneSession::reveal() const {
  const std::optional<QUrl> url = localFileURL(item_);
  if (!url) return false;
  context_.workspace->revealFile(localFilePath(*url));
  return true;
}

bool ItemPaneSession::openLink() const {
  const auto* link = fieldsIf<LinkPayload>(&item_.payload);
  if (!link) return false;
  qv::openLink(context_, link->url.qurl());
  return true;
}

void ItemPaneSession::remove() const { state_.removeItem(item_); }

void ItemPaneSession::changed(const std::function<void()>& hook) const {
  if (hook) hook();
}

}  // namespace qv
