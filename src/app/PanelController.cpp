#include "app/PanelController.h"

#include "app/AppContext.h"
#include "app/QuorvalenPanel.h"
#include "base/Log.h"
#include "panel/PanelLayout.h"
#include "panel/PanelView.h"
#include "platform/QuickLook.h"
#include "platform/WindowShaper.h"
#include "preview/ItemPreviewView.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/anim/Animation.h"
#include "ui/theme/ReduceMotion.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>
#include <cmath>

namespace qv {

namespace {
const QString kLeft = QStringLiteral("left");
const QString kRight = QStringLiteral("right");
const QString kBoth = QStringLiteral("both");
}  // namespace

PanelController::PanelController(AppContext& context, QObject* parent)
    : QObject(parent),
      context_(context),
      state_(std::make_unique<PanelState>(context)),
      panel_(std::make_unique<QuorvalenPanel>()),
      surface_(context, *panel_),
      input_(context, *state_, *panel_,
             {[this] { hidePanel(); }, [this](const QKeyEvent& event) { return handleKeyDown(event); },
              [this](QPointF at) { return isStatusItemAt && isStatusItemAt(at); },
              [this](QPoint point) { return surface_.letsThrough(point); }}),
      slide_(*context.frameClock, 0.0),
      alpha_(*context.frameClock, 1.0),
      prewarmPosition_(*context.frameClock, QPointF()),
      pasteBack_(context.scheduler, context.pastePermission, context.pasteSender) {
  panel_->resize(int(kPanelWidth), int(kInitialHeight));
  Translucency::prepareWindow(panel_.get());
  panel_->winId();  // the native window exists from now on, so shapes and hints can be set
  if (context_.windowShaper) context_.windowShaper->keepOnAllDesktops(panel_->windowHandle());
  if (context_.compositor) {
    connect(context_.compositor.get(), &Compositor::changed, this, &PanelController::followCompositor);
  }
  connect(panel_.get(), &QuorvalenPanel::deactivated, this, &PanelController::handleResignKey);

  slide_.setOnChange([this] {
    panel_->setContentOffset(slide_.value());
    updateShape();
  });
  alpha_.setOnChange([this] { applyAlpha(); });
  prewarmPosition_.setOnChange([this] {
    if (isPreWarming_) panel_->move(prewarmPosition_.value().toPoint());
  });

  installPasteActions();
  observePanelLayoutState();
  observeScreenChanges();
  // Closing Quick Look hands the keyboard back to the panel it was opened from.
  if (context_.quickLook)
    context_.quickLook->setClosedHandler([this] {
      if (state_->isVisible()) panel_->activate();
    });
  qCInfo(lcPanel) << "Panel created; compositor:" << surface_.translucency().compositor;
}

PanelController::~PanelController() {
  if (context_.quickLook) context_.quickLook->setClosedHandler({});
  input_.stop();
}

PanelState& PanelController::state() { return *state_; }
QWidget* PanelController::panelWindow() const { return panel_.get(); }

void PanelController::setPendingEdgeSide(const QString& side) { pendingEdgeSide_ = side; }

PanelView* PanelController::rootView() {
  if (!rootView_) installHostingView();
  return rootView_;
}

void PanelController::installHostingView() {
  rootView_ = new PanelView(context_, *state_, surface_.translucency());
  rootView_->setPreviewFactory([this](const ClipboardItem& item, double availableHeight, std::function<void()> onClose,
                                      QWidget* parent) -> QWidget* {
    return new ItemPreviewView(context_, *state_, {item, availableHeight}, {std::move(onClose)}, parent);
  });
  panel_->setRootView(rootView_);
  rootView_->show();  // at once, also into a window that is already shown
  connect(rootView_, &PanelView::contentRegionChanged, this, &PanelController::updateShape);
  updateShape();
}

void PanelController::observePanelLayoutState() {
  connect(state_.get(), &PanelState::previewItemIDChanged, this, &PanelController::scheduleWindowUpdate);
  connect(state_.get(), &PanelState::showFilterPanelChanged, this, &PanelController::scheduleWindowUpdate);
  connect(state_.get(), &PanelState::showDotsMenuChanged, this, &PanelController::scheduleWindowUpdate);
  connect(state_.get(), &PanelState::edgeSideChanged, this, &PanelController::updateShape);
}

void PanelController::observeScreenChanges() {
  connect(context_.screens.get(), &Screens::changed, this, [this] {
    // A moved or vanished screen: the next show places the panel afresh.
    currentScreen_.reset();
    if (state_->isVisible()) hidePanel();
  });
}

void PanelController::scheduleWindowUpdate() {
  pendingWindowUpdate_.cancel();
  pendingWindowUpdate_ = context_.scheduler->after(
      0, [this] { repositionIfNeeded(); }, Guard(this));
}

// ---- Placement --------------------------------------------------------------------------------

QString PanelController::resolveEdgeSide(const ScreenInfo& screen) {
  const QString stored = context_.settings->stringOr(QString::fromLatin1(PanelState::kEdgeSideKey), kRight);
  if (stored != kBoth) return stored;
  if (pendingEdgeSide_) return *std::exchange(pendingEdgeSide_, std::nullopt);
  const double midX = screen.frame.x() + screen.frame.width() / 2;
  return context_.screens->pointerLocation().x() < midX ? kLeft : kRight;
}

static QRect edgeFrame(const QRectF& visibleFrame, bool left) {
  const double x = left ? visibleFrame.x() : visibleFrame.x() + visibleFrame.width() - PanelController::kPanelWidth;
  return QRectF(x, visibleFrame.y(), PanelController::kPanelWidth, visibleFrame.height()).toAlignedRect();
}

void PanelController::placeOnEdge() {
  const std::optional<ScreenInfo> screen = screenContaining(context_.screens->screens(),
                                                            context_.screens->pointerLocation());
  if (!screen) return;  // no screen at all: the frame stays as it is
  currentScreen_ = screen;
  const QString side = resolveEdgeSide(*screen);
  if (side != state_->edgeSide()) state_->setEdgeSide(side);
  panel_->setGeometry(edgeFrame(screen->visibleFrame, side == kLeft));
  updateShape();
}

void PanelController::repositionIfNeeded() {
  if (!state_->isVisible()) return;
  std::optional<ScreenInfo> screen = currentScreen_;
  const QList<ScreenInfo> screens = context_.screens->screens();
  if (!screen) screen = screenContaining(screens, QRectF(panel_->geometry()).center());
  if (!screen) return;
  const QRect target = edgeFrame(screen->visibleFrame, isOnLeft());
  if (target != panel_->geometry()) panel_->setGeometry(target);
  updateShape();
  holdEdgeBand();
}

void PanelController::holdEdgeBand() {
  if (!context_.windowShaper) return;
  QRect band;
  if (state_->isVisible()) {
    const QRect frame = panel_->geometry();
    const int width = int(PanelView::kColumnMargin);
    band = QRect(isOnLeft() ? frame.left() : frame.right() + 1 - width, frame.top(), width, frame.height());
  }
  context_.windowShaper->holdPointerArea(panel_->windowHandle(), band);
}

// ---- Showing and hiding -----------------------------------------------------------------------

bool PanelController::isOnLeft() const { return state_->edgeSide() == kLeft; }
double PanelController::slideOffsetForSide() const { return isOnLeft() ? -kSlideDistance : kSlideDistance; }
bool PanelController::reduceMotion() const { return context_.reduceMotion && context_.reduceMotion->isEnabled(); }

void PanelController::showPanel() {
  if (state_->isVisible()) return;
  rootView();
  resetOnShow();
  // Typing alone searches the panel: its index is made now, aside, while the panel slides in,
  // so that the first key finds it instead of reading every item. Not at the launch: a history
  // never searched keeps no index in memory.
  state_->prepareSearch();
  previousApp_ = context_.workspace ? context_.workspace->frontmostApplication() : std::nullopt;
  isPreWarming_ = false;
  prewarmPosition_.jumpTo(prewarmPosition_.value());
  pendingOrderOut_.cancel();
  fadeOutWork_.cancel();
  state_->setSelectedIndex(std::nullopt);
  state_->setMultiSelectedIDs({});

  placeOnEdge();
  const double offset = slideOffsetForSide();
  alpha_.jumpTo(0);
  const bool reduced = reduceMotion();
  slide_.jumpTo(reduced ? 0 : offset);
  updateShape();

  panel_->show();
  if (context_.windowShaper) context_.windowShaper->keepOnAllDesktops(panel_->windowHandle());
  panel_->activate();
  // No text field starts focused.
  context_.scheduler->post(
      [this] {
        if (QWidget* focused = panel_->focusWidget()) focused->clearFocus();
      },
      Guard(this));

  input_.start();

  state_->setIsVisible(true);
  holdEdgeBand();
  state_->setIsPresenting(true);
  if (onVisibilityChange) onVisibilityChange(true);

  if (!reduced) slide_.animateTo(0, Animation::easeOut(kShowSlideSeconds));
  presentingWork_.cancel();
  presentingWork_ = context_.scheduler->after(
      kShowSlideSeconds, [this] { endPresenting(); }, Guard(this));
  alpha_.animateTo(1, Animation::easeOut(reduced ? 0.22 : 0.12));
  const QRect frame = panel_->geometry();
  qCInfo(lcPanel).nospace().noquote() << "Panel shown on the " << state_->edgeSide() << " edge at " << frame.x() << ","
                                      << frame.y() << " " << frame.width() << "x" << frame.height();
}

void PanelController::endPresenting() {
  if (state_->isPresenting()) state_->setIsPresenting(false);
}

void PanelController::hidePanel() {
  if (!state_->isVisible()) return;
  lastHideTime_ = context_.scheduler->uptime();
  state_->setIsVisible(false);
  holdEdgeBand();
  resetOnHide();
  state_->setIsPresenting(false);
  presentingWork_.cancel();
  slide_.jumpTo(0);
  state_->setSelectedIndex(std::nullopt);
  state_->setMultiSelectedIDs({});
  state_->setShowFilterPanel(false);
  state_->setShowDotsMenu(false);
  input_.stop();
  if (QWidget* focused = panel_->focusWidget()) focused->clearFocus();
  if (onVisibilityChange) onVisibilityChange(false);

  const bool reduced = reduceMotion();
  slide_.animateTo(reduced ? 0 : slideOffsetForSide(), Animation::easeIn(kHideSlideSeconds));
  fadeOutWork_.cancel();
  fadeOutWork_ = context_.scheduler->after(
      reduced ? 0 : kFadeOutDelaySeconds, [this, reduced] { fadeOutIfHidden(reduced); }, Guard(this));
  pendingOrderOut_.cancel();
  pendingOrderOut_ = context_.scheduler->after(
      kOrderOutDelaySeconds, [this] { finishHide(); }, Guard(this));
  qCInfo(lcPanel) << "Panel hidden";
}

void PanelController::fadeOutIfHidden(bool reduced) {
  if (state_->isVisible()) return;
  alpha_.animateTo(0, Animation::easeIn(reduced ? 0.2 : 0.12));
}

void PanelController::finishHide() {
  panel_->hide();
  alpha_.jumpTo(1);
  slide_.jumpTo(0);
}

void PanelController::togglePanel() {
  if (state_->isVisible()) {
    closeKeepingTypedKeys();
    return;
  }
  if (context_.scheduler->uptime() - lastHideTime_ > kToggleGuardSeconds) showPanel();
}

// On show, peeks older than 300 s end and an earlier copy's feedback is dropped; on hide, the copied flash, the paste
// hint and the preview end, with any of their pending work.
void PanelController::resetOnShow() {
  state_->expirePeeks();
  cancelCopyFeedback();
}

void PanelController::resetOnHide() {
  state_->clearCopyFeedback();
  state_->cancelPreviewWork();
}

void PanelController::preWarm() {
  isPreWarming_ = true;
  alpha_.jumpTo(0);
  placeOnEdge();
  const QRect frame = panel_->geometry();
  const double offset = slideOffsetForSide();
  const QList<ScreenInfo> screens = context_.screens->screens();
  const double screenWidth = screens.isEmpty() ? 3000 : screens.first().frame.width();
  const QPointF away = QPointF(frame.topLeft()) + QPointF(screenWidth + frame.width(), 0);
  prewarmPosition_.jumpTo(away + QPointF(offset, 0));
  updateShape();
  panel_->show();
  // The content is built once the launch is done, while the window is still out of sight.
  context_.scheduler->post([this] { rootView(); }, Guard(this));
  prewarmPosition_.animateTo(away, Animation::defaultTiming(kPreWarmStepSeconds), [this, away, offset, frame](bool) {
    context_.scheduler->post(
        [this, away, offset, frame] {
          if (!isPreWarming_) return;
          prewarmPosition_.animateTo(away + QPointF(offset, 0), Animation::defaultTiming(kPreWarmStepSeconds),
                                     [this, frame](bool) {
                                       context_.scheduler->post(
                                           [this, frame] {
                                             if (!isPreWarming_) return;
                                             isPreWarming_ = false;
                                             panel_->hide();
                                             alpha_.jumpTo(1);
                                             panel_->setGeometry(frame);
                                             updateShape();
                                           },
                                           Guard(this));
                                     });
        },
        Guard(this));
  });
}

void PanelController::handleResignKey() {
  // Dragging a card out moves the focus away; the panel stays for the drop.
  if (QGuiApplication::mouseButtons() & Qt::LeftButton) return;
  // Quick Look, opened from the panel, is part of it.
  if (input_.isQuickLookWindow(QGuiApplication::focusWindow())) return;
  hidePanel();
}

// ---- Window appearance -------------------------------------------------------------------------

void PanelController::applyAlpha() { surface_.setOpacity(alpha_.value()); }

void PanelController::followCompositor() {
  surface_.followCompositor();
  if (rootView_) rootView_->setTranslucency(surface_.translucency());
  applyAlpha();
  updateShape();
}

QRegion PanelController::contentRegion() const {
  if (isPreWarming_ || !rootView_) return {};
  QRegion region = rootView_->contentRegion();
  region.translate(int(std::lround(slide_.value())), 0);
  return region & QRect(0, 0, panel_->width(), panel_->height());
}

void PanelController::updateShape() {
  surface_.shapeTo(contentRegion());
  // Raised again with every frame of the slide: the window manager restacks the windows it
  // manages (the panel's own raise) and may put the one below the band over it.
  if (state_->isVisible()) holdEdgeBand();
}

}  // namespace qv
