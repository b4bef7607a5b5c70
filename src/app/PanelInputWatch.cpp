#include "app/PanelInputWatch.h"

#include "app/AppContext.h"
#include "panel/PanelLayout.h"
#include "platform/QuickLook.h"
#include "state/PanelState.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace qv {

// An application-wide event filter that lives exactly as long as a monitor is installed. It
// only looks: every event continues to its receiver.
class PanelInputWatch::EventMonitor : public QObject {
 public:
  using Handler = std::function<void(QWindow*, QEvent*)>;
  explicit EventMonitor(Handler handler) : handler_(std::move(handler)) { qApp->installEventFilter(this); }
  ~EventMonitor() override { stop(); }

  // Sees nothing more. Its handler may be the one that stops it, so it is deleted later.
  void stop() {
    if (std::exchange(stopped_, true)) return;
    qApp->removeEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // Input reaches the window first and then the widget under it; the window sees each once.
    if (!stopped_ && watched->isWindowType()) handler_(static_cast<QWindow*>(watched), event);
    return false;
  }

 private:
  Handler handler_;
  bool stopped_ = false;
};

PanelInputWatch::PanelInputWatch(AppContext& context, PanelState& state, QWidget& panel, Hooks hooks)
    : context_(context), state_(state), panel_(panel), hooks_(std::move(hooks)) {}

PanelInputWatch::~PanelInputWatch() {
  stop();
  keptKeyMonitor_.reset();
}

bool PanelInputWatch::isOnLeft() const { return state_.edgeSide() == QLatin1String("left"); }

bool PanelInputWatch::hasClickMonitors() const { return bool(globalClickMonitor_) || bool(localClickMonitor_); }

void PanelInputWatch::start() {
  keptKeyMonitor_.reset();
  if (context_.pointerMonitor)
    globalClickMonitor_ = context_.pointerMonitor->addButtonPressHandler(
        [this](QPointF location) { handleGlobalPress(location); });
  localClickMonitor_ = std::make_unique<EventMonitor>([this](QWindow* window, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
      handleLocalClick(window, mouse->position());
  });
  if (keyMonitor_) return;
  keyMonitor_ = std::make_unique<EventMonitor>([this](QWindow* window, QEvent* event) {
    // While a menu is open (a card's, a drop-down's) its keys are its own: Escape closes the
    // menu only, and Return or the arrows choose in it, not in the list below. Quick Look's keys
    // are its own too: Escape closes it, not the panel.
    if (event->type() == QEvent::KeyRelease) lastRelease_ = releaseOf(*static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::KeyPress && !QApplication::activePopupWidget() && !isQuickLookWindow(window))
      handleKeyPress(*static_cast<QKeyEvent*>(event));
  });
}

PanelInputWatch::KeyRelease PanelInputWatch::releaseOf(const QKeyEvent& event) {
  return {event.nativeScanCode(), event.timestamp()};
}

void PanelInputWatch::handleKeyPress(const QKeyEvent& event) {
  // X repeats a held key as a release and a press at the same instant; the toolkit marks them
  // only when it sees both at once, which a busy machine does not always let it. Another key
  // pressed between the two (Ctrl, for Ctrl+3 right after a typed "3") makes it a press of its own.
  const KeyRelease release = std::exchange(lastRelease_, KeyRelease());
  if (event.isAutoRepeat() || event.nativeScanCode() == 0 || releaseOf(event) != release) {
    hooks_.keyDown(event);
    return;
  }
  QKeyEvent repeat(event.type(), event.key(), event.modifiers(), event.nativeScanCode(), event.nativeVirtualKey(),
                   event.nativeModifiers(), event.text(), true, event.count());
  repeat.setTimestamp(event.timestamp());
  hooks_.keyDown(repeat);
}

void PanelInputWatch::stop() {
  globalClickMonitor_.reset();
  // A click seen by the local monitor hides the panel from inside the monitor's own handler.
  if (localClickMonitor_) {
    localClickMonitor_->stop();
    localClickMonitor_.release()->deleteLater();
  }
  keyMonitor_.reset();
}

void PanelInputWatch::keepKeysAfterHide(std::function<void(const QKeyEvent&)> keep) {
  keptKeyMonitor_ = std::make_unique<EventMonitor>([this, keep = std::move(keep)](QWindow* window, QEvent* event) {
    if (window == panel_.windowHandle() && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
      keep(*static_cast<QKeyEvent*>(event));
  });
}

bool PanelInputWatch::isQuickLookWindow(const QWindow* window) const {
  return window && context_.quickLook && context_.quickLook->ownsWindow(window);
}

bool PanelInputWatch::previewIsOpen() const {
  const std::optional<QUuid>& id = state_.previewItemID();
  if (!id) return false;
  for (const ClipboardItem& item : state_.items())
    if (item.id == *id) return true;
  return false;
}

bool PanelInputWatch::isOutsideContent(QPointF position) const {
  const double width = panel_.width();
  const bool inColumn = isOnLeft() ? position.x() <= panelLayout::kColumnWidth
                                   : position.x() >= width - panelLayout::kColumnWidth;
  if (inColumn) return false;
  return !(previewIsOpen() || state_.showFilterPanel() || state_.showDotsMenu());
}

void PanelInputWatch::closeOverlaysIfOutside(QPointF position) {
  if (!state_.showFilterPanel() && !state_.showDotsMenu()) return;
  const double x = position.x();
  const double y = position.y();
  const double width = panel_.width();
  const double overlay = state_.showFilterPanel() ? panelLayout::kFilterPanelWidth : panelLayout::kDotsMenuWidth;
  const bool left = isOnLeft();
  const bool inOverlay = left ? (panelLayout::kOverlayOffset <= x && x <= panelLayout::kOverlayOffset + overlay)
                              : (width - panelLayout::kOverlayOffset - overlay <= x &&
                                 x <= width - panelLayout::kOverlayOffset);
  if (inOverlay) return;
  // The top band (where the search bar opens them), measured from the window's top edge.
  const bool inBand = panelLayout::kTopBandInset <= y && y <= panelLayout::kTopBandInset + panelLayout::kTopBandHeight;
  const bool inColumn = left ? x <= panelLayout::kColumnWidth : x >= width - panelLayout::kColumnWidth;
  if (inBand && inColumn) return;
  state_.setShowFilterPanel(false);
  state_.setShowDotsMenu(false);
}

void PanelInputWatch::handleLocalClick(QWindow* window, QPointF position) {
  // Menus, tool tips and Quick Look float over the panel and belong to it.
  if (window && (window->type() == Qt::Popup || window->type() == Qt::ToolTip)) return;
  if (isQuickLookWindow(window)) return;
  if (window && hooks_.isStatusItemAt(window->mapToGlobal(position))) return;
  if (window && window == panel_.windowHandle() && !isOutsideContent(position)) {
    closeOverlaysIfOutside(position);
    return;
  }
  hooks_.hide();
}

bool PanelInputWatch::isOwnWindowAt(QPointF globalPosition) const {
  const QPoint point = globalPosition.toPoint();
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    if (!window->isVisible() || !window->geometry().contains(point)) continue;
    // The panel lets clicks beside its content through to the program below.
    if (window == panel_.windowHandle() && hooks_.letsThrough(point - window->geometry().topLeft())) continue;
    return true;
  }
  return false;
}

void PanelInputWatch::handleGlobalPress(QPointF globalPosition) {
  if (isOwnWindowAt(globalPosition)) return;
  if (hooks_.isStatusItemAt(globalPosition)) return;
  hooks_.hide();
}

}  // namespace qv
