#include "library/LibraryWindow.h"

#include "library/LibraryDetailView.h"
#include "library/LibraryPlacement.h"
#include "library/LibraryServices.h"
#include "library/LibraryView.h"
#include "panel/FilterPanel.h"
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
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
      // A field that gave the focus up leaves nothing focused, as at the first show: the window
      // keeps the focus itself, so that activating it again (a click on its title bar, the next
      // show) never hands the keys to the first field in the chain. So does a field that hid
      // (the category form's name): Qt would pass the focus on to the next field.
      const bool hidden = old && old != this && old->window() == this && !old->isVisible() && isVisible();
      if (!focusWidget() || (hidden && now && now != this && now->window() == this)) setFocus(Qt::OtherFocusReason);
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
  // Keys typed while it fades out go nowhere, not into its fields.
  if (!open && filterSurface_->isAncestorOf(focusWidget())) setFocus(Qt::OtherFocusReason);
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

}  // namespace qv
