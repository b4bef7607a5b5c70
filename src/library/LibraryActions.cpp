#include "library/LibraryActions.h"

#include "base/Log.h"
#include "cards/ViewServices.h"
#include "items/writer/PasteboardWriter.h"
#include "state/PanelState.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>

namespace qv {

LibraryActions::LibraryActions(ViewServices& context, PanelState& state, QObject* parent)
    : QObject(parent),
      context_(context),
      state_(state),
      pasteBack_(context.scheduler, context.pastePermission, context.pasteSender) {}

LibraryActions::~LibraryActions() {
  if (waiting_) QCoreApplication::instance()->removeEventFilter(this);
}

bool LibraryActions::write(const ClipboardItem& item, bool plainText, std::optional<TextTransform> transform) {
  // An image has no plain text: it goes on the clipboard as the image.
  if (context_.pasteboardWriter->write(item, plainText && item.plainText().has_value(), transform)) return true;
  qCInfo(lcApp) << "Library: the item could not be put on the clipboard";
  state_.shake(item);
  return false;
}

void LibraryActions::copyItem(const ClipboardItem& item) {
  if (write(item, false, std::nullopt)) state_.flashCopied(item);
}

void LibraryActions::copyTransformed(const ClipboardItem& item, TextTransform transform) {
  if (write(item, false, transform)) state_.flashCopied(item);
}

void LibraryActions::copyWithHint(const ClipboardItem& item, bool plainText) {
  if (write(item, plainText, std::nullopt)) state_.showPasteHint(item);
}

void LibraryActions::pasteBack(const ClipboardItem& item, bool plainText) {
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
    pasteBackNow(item, plainText);
    return;
  }
  // The later pick replaces one still waiting.
  if (!waiting_) QCoreApplication::instance()->installEventFilter(this);
  waiting_ = WaitingPaste{item, plainText};
  releaseWait_.cancel();
  releaseWait_ = context_.scheduler->after(
      kReleaseWaitSeconds, [this] { pasteWaitingForRelease(); }, Guard(this));
}

bool LibraryActions::eventFilter(QObject* watched, QEvent* event) {
  if (waiting_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    // The server has given the release to this window already: it may go now.
    releaseWait_.cancel();
    pasteWaitingForRelease();
  }
  return QObject::eventFilter(watched, event);
}

void LibraryActions::pasteWaitingForRelease() {
  if (!waiting_) return;
  const WaitingPaste paste = *std::exchange(waiting_, std::nullopt);
  QCoreApplication::instance()->removeEventFilter(this);
  pasteBackNow(paste.item, paste.plainText);
}

void LibraryActions::pasteBackNow(const ClipboardItem& item, bool plainText) {
  const std::optional<RunningApp> target = host_.previousApp ? host_.previousApp() : std::nullopt;
  if (!pasteBack_.permissionHeld()) {
    copyWithHint(item, plainText);
    return;
  }
  // Without an application to go back to, the keystroke would land in whatever window is
  // active then: the item is only copied.
  if (!target) {
    qCInfo(lcApp) << "Library: no application to paste into; the pick is only copied";
    copyWithHint(item, plainText);
    return;
  }
  if (!write(item, plainText, std::nullopt)) return;
  const QPointer<LibraryActions> self(this);
  pasteBack_.deliver(target, {[this] { hideWindow(); },
                              [this] {
                                qCInfo(lcApp) << "Library: the paste permission went away; the pick is only copied";
                                hideWindow();
                                tellCopiedOnly();
                              },
                              [self](PasteOutcome outcome) {
                                qCInfo(lcApp)
                                    << "Library paste into the previous application:" << pasteOutcomeName(outcome);
                                if (self && outcome != PasteOutcome::pasted) self->tellCopiedOnly();
                              }});
}

void LibraryActions::hideWindow() {
  if (host_.hideWindow) host_.hideWindow();
}

void LibraryActions::tellCopiedOnly() {
  if (host_.tellCopiedOnly) host_.tellCopiedOnly();
}

}  // namespace qv
