#include "app/PanelController.h"

#include "app/AppContext.h"
#include "base/Log.h"
#include "items/writer/PasteboardWriter.h"
#include "platform/KeyPoster.h"
#include "platform/PastePermission.h"
#include "state/PanelState.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace qv {

// The views never paste themselves: they call these hooks, which hold the controller weakly.
void PanelController::installPasteActions() {
  const QPointer<PanelController> self(this);
  state_->setPasteAction([self](const ClipboardItem& item, bool plainText) {
    if (self) self->handlePasteAction(item, plainText);
  });
  state_->setPasteTransformedAction([self](const ClipboardItem& item, TextTransform transform) {
    if (self) self->handlePasteTransformedAction(item, transform);
  });
  state_->setPasteMultiAction([self](const QList<ClipboardItem>& items) {
    if (self) self->handlePasteMultiAction(items);
  });
}

void PanelController::handlePasteAction(const ClipboardItem& item, bool plainText) {
  // An image has no plain text: it is pasted as the image.
  pasteItem(item, plainText && item.plainText().has_value(), std::nullopt);
}

void PanelController::handlePasteTransformedAction(const ClipboardItem& item, TextTransform transform) {
  pasteItem(item, false, transform);
}

void PanelController::handlePasteMultiAction(const QList<ClipboardItem>& items) {
  // One item keeps its own form (an image, a rich text); several are joined as plain text, and
  // when none of them has text (all images) the first one is pasted.
  if (items.size() != 1) {
    if (const std::optional<QString> joined = ClipboardItem::combinedText(items)) {
      pasteText(*joined);
      return;
    }
  }
  if (!items.isEmpty()) pasteItem(items.first(), false, std::nullopt);
}

bool PanelController::pastePermissionHeld() const {
  return context_.pastePermission && context_.pastePermission->isHeld();
}

void PanelController::pasteItem(const ClipboardItem& item, bool plainText, std::optional<TextTransform> transform) {
  const std::optional<RunningApp> target = previousApp_;
  const bool permitted = pastePermissionHeld();
  if (!context_.pasteboardWriter->write(item, plainText, transform)) {
    // Only an image whose picture is gone fails; the panel stays open with the card shaking.
    state_->shake(item);
    return;
  }
  finishPaste(item, permitted, target);
}

void PanelController::pasteText(const QString& text) {
  const std::optional<RunningApp> target = previousApp_;
  const bool permitted = pastePermissionHeld();
  context_.pasteboardWriter->writeText(text);  // raises the own-write counter itself
  finishPaste(std::nullopt, permitted, target);
}

void PanelController::finishPaste(const std::optional<ClipboardItem>& item, bool hadPermission,
                                  const std::optional<RunningApp>& target) {
  if (!hadPermission) {
    showCopiedFeedback(item);
    return;
  }
  const QPointer<PanelController> self(this);
  pasteBack_.deliver(target, {[this, pickingKey = keyBeingHandled_] {
                                // The keys typed from now on follow the paste.
                                holdTypedKeys(pickingKey);
                                hidePanel();
                                resignKeyWindow();
                              },
                              [this] {
                                qCInfo(lcPanel) << "The paste permission went away; the pick is only copied";
                                hidePanel();
                              },
                              [self](PasteOutcome outcome) {
                                if (self) self->handlePasteOutcome(outcome);
                              }});
}

// Our window gives up the keyboard focus, so nothing of the paste can land in one of its fields.
void PanelController::resignKeyWindow() {
  if (QWidget* active = QApplication::activeWindow())
    if (QWidget* focused = active->focusWidget()) focused->clearFocus();
}

// The panel keeps the focus until its window goes; the keys typed until another window has it
// are held back and then typed into it.
void PanelController::closeKeepingTypedKeys() {
  if (!state_->isVisible()) return;
  holdTypedKeys(keyBeingHandled_);
  hidePanel();
  context_.pasteSender->handBackKeys();
}

// Until the hold has the keyboard (another program may have it for a moment), keys still reach
// the panel's window; they are held with the others.
void PanelController::holdTypedKeys(quint32 pickingKey) {
  context_.pasteSender->holdTypedKeys(pickingKey);
  input_.keepKeysAfterHide([keys = context_.keyPoster](const QKeyEvent& event) {
    if (keys && event.nativeScanCode() != 0)
      keys->keepTypedKey({event.nativeScanCode(), event.type() == QEvent::KeyPress, quint32(event.timestamp()),
                          quint16(event.nativeModifiers())});
  });
}

void PanelController::handlePasteOutcome(PasteOutcome outcome) {
  qCInfo(lcPanel) << "Paste into the previous application:" << pasteOutcomeName(outcome);
  if (outcome == PasteOutcome::pasted) return;
  // Nothing was typed: the item stays on the clipboard and the user learns it was only copied.
  state_->setShowCopiedToast(true);
  scheduleToastReset(kNotPastedToastSeconds);
  if (onPasteNotDelivered) onPasteNotDelivered(outcome);
}

void PanelController::showCopiedFeedback(const std::optional<ClipboardItem>& item) {
  if (item) state_->showPasteHint(*item);
  else state_->setShowCopiedToast(true);
  copyOnlyHideWork_.cancel();
  copyOnlyHideWork_ = context_.scheduler->after(
      kCopyOnlyHideSeconds, [this] { hideAfterCopyFeedback(); }, Guard(this));
  permissionRequestWork_.cancel();
  permissionRequestWork_ = context_.scheduler->after(
      kPermissionRequestSeconds,
      [this] {
        if (onPastePermissionNeeded) onPastePermissionNeeded();
      },
      Guard(this));
}

void PanelController::hideAfterCopyFeedback() {
  hidePanel();
  scheduleToastReset(kToastAfterHideSeconds);
}

void PanelController::scheduleToastReset(double seconds) {
  toastResetWork_.cancel();
  toastResetWork_ = context_.scheduler->after(
      seconds,
      [this] {
        if (state_->showCopiedToast()) state_->setShowCopiedToast(false);
      },
      Guard(this));
}

// A show starts without the feedback of an earlier copy: its pending hide would otherwise close
// the panel the user has just opened again.
void PanelController::cancelCopyFeedback() {
  copyOnlyHideWork_.cancel();
  toastResetWork_.cancel();
  state_->setShowCopiedToast(false);
}

}  // namespace qv
