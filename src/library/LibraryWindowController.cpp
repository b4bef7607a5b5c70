#include "library/LibraryWindowController.h"

#include "base/Log.h"
#include "library/LibraryActions.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeader.h"
#include "library/LibraryKeyMonitor.h"
#include "library/LibraryModel.h"
#include "library/LibraryPlacement.h"
#include "library/LibraryServices.h"
#include "library/LibraryView.h"
#include "panel/FilterPanel.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/controls/TextInput.h"
#include "ui/theme/Environment.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace qv {

// ---- ClickAwayLayer --------------------------------------------------------------------------

ClickAwayLayer::ClickAwayLayer(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("LibraryClickAwayLayer"));
  setAttribute(Qt::WA_NoSystemBackground);
  hide();
}

void ClickAwayLayer::setPassThrough(const QList<QRect>& controls) {
  if (controls == passThrough_) return;
  passThrough_ = controls;
  applyMask();
}

void ClickAwayLayer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  applyMask();
}

void ClickAwayLayer::applyMask() {
  QRegion region(rect());
  for (const QRect& control : std::as_const(passThrough_)) region -= control.translated(-pos());
  setMask(region);
}

void ClickAwayLayer::mousePressEvent(QMouseEvent* event) {
  event->accept();
  // A copy: closing may hand out a new callback.
  if (const auto close = onClickAway) close();
}

// ---- SurfacePresenceEffect -------------------------------------------------------------------

SurfacePresenceEffect::SurfacePresenceEffect(QPointF anchor, QObject* parent)
    : QGraphicsEffect(parent), anchor_(anchor) {}

void SurfacePresenceEffect::setPresence(double presence, bool scales) {
  presence_ = presence;
  scales_ = scales;
  update();
}

void SurfacePresenceEffect::draw(QPainter* painter) {
  const double opacity = std::clamp(presence_, 0.0, 1.0);
  if (opacity <= 0) return;
  QPoint offset;
  const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
  painter->save();
  painter->setOpacity(painter->opacity() * opacity);
  if (scales_) {
    // The overshoot may carry it a little past its full size.
    const double scale = kEnterScale + (1 - kEnterScale) * presence_;
    painter->translate(anchor_);
    painter->scale(scale, scale);
    painter->translate(-anchor_);
  }
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  painter->drawPixmap(offset, source);
  painter->restore();
}

// ---- LibraryWindow ---------------------------------------------------------------------------

LibraryWindow::LibraryWindow(LibraryServices& context, TranslucencySupport translucency, QWidget* parent)
    : QWidget(parent, Qt::Window),
      context_(context),
      translucency_(translucency),
      clickAway_(new ClickAwayLayer(this)),
      surfacePresence_(*context.frameClock, 0.0),
      surfaceOrigin_(*context.frameClock, QPointF()) {
  surfaceOrigin_.setOnChange([this] {
    if (filterSurface_) filterSurface_->move(surfaceOrigin_.value().toPoint());
  });
  surfacePresence_.setOnChange([this] {
    if (!filterSurface_ || !presenceEffect_) return;
    const bool reduced = context_.reduceMotion && context_.reduceMotion->isEnabled();
    presenceEffect_->setPresence(surfacePresence_.value(), !reduced);
  });
  clickAway_->onClickAway = [this] {
    if (const auto close = onClickAway) close();
  };
  setObjectName(QStringLiteral("LibraryWindow"));
  setWindowTitle(QStringLiteral("Quorvalen"));
  setMinimumSize(libraryWindow::kMinimumSize.toSize());
  setAttribute(Qt::WA_DeleteOnClose, false);
  Translucency::prepareWindow(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  if (context.environment)
    connect(context.environment.get(), &Environment::changed, this, qOverload<>(&QWidget::update));
  if (qApp)
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
      // A field that gave the focus up leaves nothing focused, as at the first show: the window
      // keeps the focus itself, so that activating it again (a click on its title bar, the next
      // show) never hands the keys to the first field in the chain.
      if (!focusWidget()) setFocus(Qt::OtherFocusReason);
      // Text typed anywhere in the window goes in as typed: no field completes or corrects it.
      if (!now || now->window() != this) return;
      if (qobject_cast<QLineEdit*>(now) || qobject_cast<QTextEdit*>(now)) disableAutomaticSubstitutions(*now);
    });
}

LibraryWindow::~LibraryWindow() {
  // The surface hides with the window's children while this window is already half gone: what
  // it reports then reaches no one.
  if (filterSurface_) filterSurface_->disconnect(this);
}

LibraryView* LibraryWindow::view() const { return view_; }
FilterPanelView* LibraryWindow::filterSurface() const { return filterSurface_; }

void LibraryWindow::setTranslucency(TranslucencySupport support) {
  translucency_ = support;
  if (support.blurBehind && context_.compositor && windowHandle())
    context_.compositor->requestBlurBehind(windowHandle(), {});
  if (filterSurface_) filterSurface_->setTranslucency(support);
  if (view_)
    if (auto* pane = view_->findChild<LibraryDetailView*>()) pane->setTranslucency(support);
  update();
}

void LibraryWindow::setContent(LibraryView* view, FilterPanelView* filterSurface) {
  view_ = view;
  filterSurface_ = filterSurface;
  layout()->addWidget(view);
  filterSurface->setParent(this);
  filterSurface->setTranslucency(translucency_);
  filterSurface->hide();
  if (auto* pane = view->findChild<LibraryDetailView*>()) pane->setTranslucency(translucency_);
  // The cards' top-left corner is what the surface grows from.
  const int room = FilterPanelView::kShadowRoom;
  presenceEffect_ = new SurfacePresenceEffect(QPointF(room, room), filterSurface);
  presenceEffect_->setEnabled(false);
  filterSurface->setGraphicsEffect(presenceEffect_);
  connect(filterSurface, &FilterPanelView::surfaceShapeChanged, this, [this] { placeFilterSurface(filterAnchor_); });
}

void LibraryWindow::placeFilterSurface(const QRectF& anchor, bool glide) {
  filterAnchor_ = anchor;
  if (!filterSurface_) return;
  const QSize size = filterSurface_->sizeHint();
  // The position is the cards'; their shadow's room lies around them.
  const int room = FilterPanelView::kShadowRoom;
  const QPointF cards = libraryFilterSurfacePosition(anchor, size.width() - 2 * room, width());
  const QPointF origin(cards.x() - room, cards.y() - room);
  filterSurface_->resize(size);
  // Moving over to another control it glides there (a change of its shape on the way keeps it
  // gliding); anything else puts it in place at once.
  const bool gliding = surfaceOrigin_.isAnimating() || (glide && surfaceOpen_ && filterSurface_->isVisible());
  if (gliding) surfaceOrigin_.animateTo(origin, Theme::overshoot());
  else surfaceOrigin_.jumpTo(origin);
  filterSurface_->move(surfaceOrigin_.value().toPoint());
  filterSurface_->raise();
}

void LibraryWindow::setFilterSurfaceOpen(bool open, const QList<QRect>& keepPresses) {
  clickAway_->setGeometry(rect());
  clickAway_->setPassThrough(keepPresses);
  clickAway_->setVisible(open);
  if (open) {
    clickAway_->raise();
    if (filterSurface_) filterSurface_->raise();
  }
  if (!filterSurface_ || open == surfaceOpen_) return;
  surfaceOpen_ = open;
  // Comes in and goes out on the overshoot; only at rest is it drawn as it is.
  if (open) filterSurface_->show();
  if (!isVisible()) {
    // Nothing to watch: it is there or gone at once.
    surfacePresence_.jumpTo(open ? 1 : 0);
    filterSurface_->setVisible(open);
    if (presenceEffect_) presenceEffect_->setEnabled(false);
    return;
  }
  if (presenceEffect_) presenceEffect_->setEnabled(true);
  surfacePresence_.animateTo(open ? 1 : 0, Theme::overshoot(), [this, open](bool finished) {
    if (!finished || !filterSurface_) return;
    if (presenceEffect_) presenceEffect_->setEnabled(false);
    if (!open) filterSurface_->hide();
  });
}

void LibraryWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  const EnvironmentValues env = context_.environment ? context_.environment->values() : EnvironmentValues{};
  painter.fillRect(rect(), Translucency::backgroundColor(Material::panel, env, translucency_));
}

void LibraryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (translucency_.blurBehind && context_.compositor) context_.compositor->requestBlurBehind(windowHandle(), {});
  screenChanged();
}

void LibraryWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  screenChanged();
}

void LibraryWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) screenChanged();
}

void LibraryWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (onFrameChange) onFrameChange();
}

void LibraryWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  clickAway_->setGeometry(rect());
  if (filterSurface_ && filterSurface_->isVisible()) placeFilterSurface(filterAnchor_);
  if (onFrameChange) onFrameChange();
}

void LibraryWindow::screenChanged() {
  if (onScreenChange) onScreenChange();
}

// ---- LibraryWindowController -----------------------------------------------------------------

LibraryWindowController::LibraryWindowController(LibraryServices& context) : context_(context) {}

LibraryWindowController::~LibraryWindowController() {
  frameSave_.cancel();
  if (window_) {
    // Going away is not the user closing it.
    window_->onScreenChange = nullptr;
    window_->onFrameChange = nullptr;
  }
}

PanelState* LibraryWindowController::shownState() const { return shownState_; }
LibraryModel* LibraryWindowController::model() const { return model_; }

LibraryWindowController& LibraryWindowController::shared(LibraryServices& context) {
  if (!context.libraryWindow) context.libraryWindow = std::make_shared<LibraryWindowController>(context);
  return *context.libraryWindow;
}

void LibraryWindowController::show(PanelState& state) {
  shownState_ = &state;
  const qint64 ownPid = context_.workspace ? context_.workspace->ownPid() : 0;
  previousApp_ = libraryWindow::previousAppAfterShow(
      previousApp_, context_.workspace ? context_.workspace->frontmostApplication() : std::nullopt, ownPid);

  const bool first = !window_;
  if (first) build();
  showing_ = true;
  // The view keeps its first state; only when that is gone does it take the new one.
  if (!boundState_) bind(state);
  sync();
  if (first) {
    const QList<ScreenInfo> screens = context_.screens ? context_.screens->screens() : QList<ScreenInfo>();
    const QPointF pointer = context_.screens ? context_.screens->pointerLocation() : QPointF();
    const QRect frame = libraryWindow::initialFrame(screens, pointer, savedFrame()).toRect();
    window_->setGeometry(frame);
    qCInfo(lcApp).nospace() << "Library opens at " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                            << frame.height();
  } else if (window_->isMinimized()) {
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  }
  // Every show leaves nothing focused: the search field takes the keys only once clicked.
  if (QWidget* focused = window_->focusWidget(); focused && focused != window_.get()) focused->clearFocus();
  window_->setFocus(Qt::OtherFocusReason);
  window_->show();
  window_->raise();
  window_->activateWindow();
  showing_ = false;
  if (keys_) keys_->setActive(window_->isOnScreen());
  // A window closed through its window manager may come back as a new native window.
  qCInfo(lcApp).nospace() << "Library shown in window 0x" << Qt::hex << window_->winId();
  if (model_) qCInfo(lcApp) << "Library shows" << model_->statusLine().text;
  report(true);
}

void LibraryWindowController::build() {
  window_ = std::make_unique<LibraryWindow>(
      context_, context_.compositor ? context_.compositor->support() : TranslucencySupport{});
  window_->onScreenChange = [this] { screenChanged(); };
  window_->onFrameChange = [this] { scheduleFrameSave(); };
  window_->onClickAway = [this] {
    if (model_) model_->state().setLibraryFilterSurfaceOpen(false);
  };
  // Closed at quit while the state it shows still lives (its filter surface writes to the state
  // as it hides), and so that its frame is kept.
  if (QCoreApplication::instance())
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window_.get(), [this] { window_->hide(); });
  // A compositor that comes or goes while the program runs: translucent or opaque from then on.
  if (context_.compositor)
    connect(context_.compositor.get(), &Compositor::changed, window_.get(),
            [this] { window_->setTranslucency(context_.compositor->support()); });
}

void LibraryWindowController::bind(PanelState& state) {
  delete window_->view();
  delete window_->filterSurface();
  delete model_.data();
  boundState_ = &state;
  model_ = new LibraryModel(state, *context_.scheduler, window_.get());
  auto* actions = new LibraryActions(context_, state, model_);
  actions->setHost({[this] { return previousApp_; }, [this] { hideForPaste(); },
                    [this] {
                      if (onPasteNotDelivered) onPasteNotDelivered();
                    }});
  model_->setActions(actions);
  auto* view = new LibraryView(context_, *model_, window_.get());
  auto* surface = new FilterPanelView(context_, state, FilterSurface::library, window_.get());
  window_->setContent(view, surface);
  // The keyboard goes with the model it acts on.
  keys_ = new LibraryKeyMonitor(*model_, *window_, model_);
  keys_->columnsPerRow = [view] { return view->grid().columns(); };
  keys_->searchField = [view]() -> const QWidget* { return &view->searchField(); };
  // The same copy and paste-back as the cards'.
  keys_->actions = {[actions](const ClipboardItem& item) { actions->copyItem(item); },
                    [actions](const ClipboardItem& item, bool plainText) { actions->pasteBack(item, plainText); }};
  keys_->setActive(window_->isOnScreen());
  connect(model_, &LibraryModel::changed, window_.get(), [this] { sync(); });
  // Marks that change what a card shows.
  for (auto signal :
       {&PanelState::sensitiveIDsChanged, &PanelState::autoSensitiveIDsChanged, &PanelState::peekedIDsChanged,
        &PanelState::pasteHintItemIDChanged, &PanelState::copiedItemIDChanged})
    connect(&state, signal, window_.get(), [this] { sync(); });
}

void LibraryWindowController::hideForPaste() {
  if (!window_) return;
  if (QWidget* focused = window_->focusWidget()) focused->clearFocus();
  // Hiding reports the library off screen (screenChanged).
  window_->hide();
  qCInfo(lcApp) << "Library ordered out for a paste";
}

void LibraryWindowController::sync() {
  if (!window_ || !model_ || !boundState_ || !window_->view()) return;
  LibraryView& view = *window_->view();
  // A hidden library is brought up to date when it shows again.
  if (!window_->isOnScreen() && !showing_) {
    syncPending_ = true;
    return;
  }
  syncPending_ = false;
  view.sync();
  FilterPanelView* surface = window_->filterSurface();
  const bool open = model_->state().libraryFilterSurfaceOpen();
  const auto frameOf = [this](const QWidget& control) {
    return QRect(control.mapTo(window_.get(), QPoint()), control.size());
  };
  if (surface && open) {
    const LibraryModel::FilterOpener opener = model_->filterOpener();
    QWidget* anchor = &view.filterButton();
    if (opener == LibraryModel::FilterOpener::addButton)
      anchor = view.pencilButton() ? view.pencilButton() : &view.newCategoryButton();
    const bool moved = placedOpenerValue_ && *placedOpenerValue_ != int(opener);
    placedOpenerValue_ = int(opener);
    window_->placeFilterSurface(QRectF(frameOf(*anchor)), moved);
  }
  QList<QRect> keepPresses = {frameOf(view.filterButton()), frameOf(view.newCategoryButton())};
  if (view.pencilButton()) keepPresses << frameOf(*view.pencilButton());
  const bool changed = surface && window_->isFilterSurfaceOpen() != open;
  window_->setFilterSurfaceOpen(open, keepPresses);
  if (changed) qCInfo(lcApp) << (open ? "Library filter surface opened" : "Library filter surface closed");
}

void LibraryWindowController::report(bool visible) {
  reported_ = visible;
  qCInfo(lcApp) << (visible ? "Library on screen" : "Library off screen");
  if (onVisibilityChange) onVisibilityChange(visible);
}

LibraryKeyMonitor* LibraryWindowController::keyFilter() const { return keys_; }

void LibraryWindowController::screenChanged() {
  // The keyboard is the library's exactly while it is on screen.
  if (keys_) keys_->setActive(window_->isOnScreen());
  if (showing_) return;  // show() reports once it is done
  const bool onScreen = window_->isOnScreen();
  if (onScreen && syncPending_) sync();
  if (!onScreen) saveFrame();
  // Minimising counts as leaving the screen, so the edge trigger works again meanwhile.
  if (reported_ != onScreen) report(onScreen);
}

std::optional<QRectF> LibraryWindowController::savedFrame() const {
  if (!context_.settings) return std::nullopt;
  return libraryWindow::decodeSavedFrame(context_.settings->value(QString::fromLatin1(libraryWindow::kSavedFrameKey)));
}

void LibraryWindowController::scheduleFrameSave() {
  if (!window_ || !window_->isVisible() || !context_.scheduler) return;
  frameSave_.cancel();
  frameSave_ = context_.scheduler->after(
      kFrameSaveDelaySeconds, [this] { saveFrame(); }, this);
}

void LibraryWindowController::saveFrame() {
  frameSave_.cancel();
  // A minimised, maximised or full-screen window keeps the frame it had before.
  if (!window_ || !context_.settings || window_->windowState() != Qt::WindowNoState) return;
  const QRectF frame = window_->geometry();
  const QList<ScreenInfo> screens = context_.screens ? context_.screens->screens() : QList<ScreenInfo>();
  const std::optional<ScreenInfo> screen = screenContaining(screens, frame.center());
  const QString encoded = libraryWindow::encodeSavedFrame(frame, screen ? screen->frame : QRectF());
  const QString key = QString::fromLatin1(libraryWindow::kSavedFrameKey);
  if (context_.settings->stringValue(key) != encoded) context_.settings->set(key, encoded);
}

QStringList LibraryWindowController::listedRows() const {
  return window_ && window_->view() ? window_->view()->listedRows() : QStringList();
}

}  // namespace qv
