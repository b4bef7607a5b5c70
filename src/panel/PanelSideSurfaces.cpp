#include "panel/PanelSideSurfaces.h"

#include "cards/ViewServices.h"
#include "panel/DotsMenuRailView.h"
#include "panel/FilterPanel.h"
#include "panel/PanelView.h"
#include "panel/PreviewPlacement.h"
#include "platform/Scheduler.h"
#include "preview/ItemPreviewView.h"
#include "state/PanelState.h"
#include "ui/fx/Fx.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"
#include "ui/view/PaintedWidget.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace qv {

namespace {

constexpr double kSideEnterScale = 0.85;
constexpr double kPreviewEnterScale = 0.9;
constexpr double kPreviewEnterBlur = 10;
// Where a side surface waits while its picture moves in: far outside the view, so it is laid
// out and counts as shown but paints nothing.
const QPoint kParked(-20000, -20000);
constexpr double kSideSurfaceOffset = PanelView::kSideSurfaceOffset;
constexpr double kSideTopInset = PanelView::kSideTopInset;
constexpr double kSideBottomInset = PanelView::kSideBottomInset;
constexpr double kPreviewMargin = PanelView::kPreviewMargin;

// The pixels a shape covers, as a window region (rounded corners included).
QRegion regionOf(const QPainterPath& shape) { return QRegion(shape.toFillPolygon().toPolygon()); }

}  // namespace

SideSurfaceKind sideSurfaceKind(const PanelState& state) {
  if (state.previewItem()) return SideSurfaceKind::preview;
  if (state.showFilterPanel()) return SideSurfaceKind::filterPanel;
  if (state.showDotsMenu()) return SideSurfaceKind::dotsMenu;
  return SideSurfaceKind::none;
}

struct PanelSideSurfaces::SideSurface {
  SideSurface(FrameClock& clock, SideSurfaceKind k, QWidget* host) : kind(k), progress(clock, 0.0) {
    progress.setOnChange([host] { host->update(); });
  }
  SideSurfaceKind kind;
  std::optional<QUuid> previewID;
  QPointer<QWidget> widget;
  // What is painted while the surface moves; the live widget is parked meanwhile.
  QImage snapshot;
  QRectF rect;
  QPointF anchorUnit;
  // Room around the surface's own shape where its shadow falls.
  double shadowRoom = 0;
  Animated<double> progress;
  bool leaving = false;
  QRectF surfaceRect() const { return rect.adjusted(shadowRoom, shadowRoom, -shadowRoom, -shadowRoom); }
  // What it shows: a filter panel its rail and card side by side, a painted surface its hit
  // shape, anything else its rectangle.
  QRegion shape() const {
    const QPointF at = rect.topLeft();
    if (!leaving) {
      if (auto* filters = qobject_cast<FilterPanelView*>(widget.data()))
        return regionOf(filters->surfaceShape().translated(at));
      if (auto* painted = qobject_cast<PaintedWidget*>(widget.data()))
        return regionOf(painted->hitShape().translated(at));
    }
    return QRegion(surfaceRect().toAlignedRect());
  }
  bool arrived = false;
};

PanelSideSurfaces::PanelSideSurfaces(ViewServices& context, PanelState& state, QWidget& host,
                                     TranslucencySupport support)
    : context_(context), state_(state), host_(host), support_(support) {
  for (auto stateChanged : {&PanelState::previewItemIDChanged, &PanelState::showFilterPanelChanged,
                            &PanelState::showDotsMenuChanged, &PanelState::itemsChanged})
    connect(&state_, stateChanged, this, &PanelSideSurfaces::sync);
  connect(&state_, &PanelState::previewAnchorYChanged, this, [this] {
    for (auto& surface : surfaces_)
      if (surface->kind == SideSurfaceKind::preview && !surface->leaving) place(*surface);
  });
  connect(&state_, &PanelState::isMonitoringPausedChanged, this, [this] {
    for (auto& surface : surfaces_) applyLook(surface->widget);
  });
}

PanelSideSurfaces::~PanelSideSurfaces() = default;

bool PanelSideSurfaces::onLeft() const { return state_.edgeSide() == QLatin1String("left"); }

void PanelSideSurfaces::setTranslucency(TranslucencySupport support) {
  support_ = support;
  for (auto& surface : surfaces_) applyLook(surface->widget);
}

void PanelSideSurfaces::setPreviewFactory(PreviewFactory factory) {
  previewFactory_ = std::move(factory);
  sync();
}

void PanelSideSurfaces::relayout() {
  if (!surfaces_.empty() && !surfaces_.back()->leaving) updatePreview(*surfaces_.back());
  for (auto& surface : surfaces_) place(*surface);
}

void PanelSideSurfaces::follow() {
  for (auto& surface : surfaces_)
    if (!surface->leaving) place(*surface);
}

bool PanelSideSurfaces::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize) {
    for (auto& surface : surfaces_)
      if (surface->widget == watched) {
        follow();
        emit changed();
      }
  }
  return QObject::eventFilter(watched, event);
}

QRegion PanelSideSurfaces::region() const {
  QRegion region;
  for (const auto& surface : surfaces_) region += surface->shape();
  return region;
}

void PanelSideSurfaces::paint(QPainter& painter) const {
  for (const auto& surface : surfaces_) paintOne(painter, *surface);
}

void PanelSideSurfaces::applyLook(QWidget* widget) const {
  if (auto* pane = qobject_cast<ItemPreviewView*>(widget)) pane->setTranslucency(support_);
  if (auto* dots = qobject_cast<DotsMenuRailView*>(widget))
    dots->setProps({state_.isMonitoringPaused(), support_}, {[] { QCoreApplication::quit(); }});
  if (auto* filters = qobject_cast<FilterPanelView*>(widget)) filters->setTranslucency(support_);
}

SideSurfaceKind PanelSideSurfaces::kind() const {
  if (surfaces_.empty() || surfaces_.back()->leaving) return SideSurfaceKind::none;
  return surfaces_.back()->kind;
}

QWidget* PanelSideSurfaces::arrivedWidget() const {
  if (surfaces_.empty() || surfaces_.back()->leaving || !surfaces_.back()->arrived) return nullptr;
  return surfaces_.back()->widget;
}

double PanelSideSurfaces::progress() const {
  if (surfaces_.empty() || surfaces_.back()->leaving) return 0;
  return surfaces_.back()->progress.value();
}

QRectF PanelSideSurfaces::rect() const {
  QRectF united;
  for (const auto& surface : surfaces_) united |= surface->surfaceRect();
  return united;
}

QWidget* PanelSideSurfaces::makeWidget(SideSurfaceKind kind) {
  switch (kind) {
    case SideSurfaceKind::preview: {
      const std::optional<ClipboardItem> item = state_.previewItem();
      if (!previewFactory_ || !item) return nullptr;
      PanelState* state = &state_;
      return previewFactory_(
          *item, previewAvailableHeight(), [state] { state->cancelPreviewWork(); }, &host_);
    }
    case SideSurfaceKind::filterPanel: {
      auto* filters = new FilterPanelView(context_, state_, FilterSurface::panel, &host_);
      connect(filters, &FilterPanelView::surfaceShapeChanged, this, &PanelSideSurfaces::changed);
      return filters;
    }
    case SideSurfaceKind::dotsMenu: return new DotsMenuRailView(context_, state_, &host_);
    case SideSurfaceKind::none: break;
  }
  return nullptr;
}

double PanelSideSurfaces::previewAvailableHeight() const { return host_.height() - 2 * kPreviewMargin; }

void PanelSideSurfaces::updatePreview(SideSurface& surface) {
  auto* pane = qobject_cast<ItemPreviewView*>(surface.widget.data());
  const std::optional<ClipboardItem> item = state_.previewItem();
  if (!pane || !item) return;
  PanelState* state = &state_;
  pane->setProps({*item, previewAvailableHeight()}, {[state] { state->cancelPreviewWork(); }});
}

void PanelSideSurfaces::place(SideSurface& surface) const {
  const double hostHeight = host_.height();
  QSizeF size = surface.rect.size();
  if (surface.widget) size = QSizeF(surface.widget->sizeHint().expandedTo(surface.widget->minimumSize()));
  double top = kSideTopInset;
  if (surface.kind == SideSurfaceKind::preview) {
    // Placed by the pane's own boxes; one taller than the room between the margins overflows
    // the bottom, from 20 below the top.
    const double room = surface.shadowRoom;
    const double paneHeight = std::max(0.0, size.height() - 2 * room);
    const std::optional<double> anchor = state_.previewAnchorY();
    top = previewTop(hostHeight, paneHeight, anchor) - room;
    const double unit = previewUnitAnchor(hostHeight, paneHeight, anchor);
    surface.anchorUnit = {onLeft() ? 0.0 : 1.0, size.height() > 0 ? (room + unit * paneHeight) / size.height() : 0.5};
  } else {
    const double room = surface.shadowRoom;
    size.setHeight(std::min(size.height(), hostHeight - kSideTopInset - kSideBottomInset + 2 * room));
    top = kSideTopInset - room;
    surface.anchorUnit = {onLeft() ? 0.0 : 1.0, 0.0};
  }
  const double x = onLeft() ? kSideSurfaceOffset - surface.shadowRoom
                            : host_.width() - kSideSurfaceOffset - size.width() + surface.shadowRoom;
  surface.rect = QRectF(QPointF(x, top), size);
  if (surface.widget) {
    const QRect geometry = surface.rect.toRect();
    surface.widget->setGeometry(surface.arrived ? geometry : QRect(kParked, geometry.size()));
  }
}

bool PanelSideSurfaces::surfacesMove() const {
  // Without a compositor the window is cut to what it shows and nothing blends: a surface that
  // fades or grows would show black where it is not yet drawn, so it comes and goes at once.
  return state_.isVisible() && support_.compositor;
}

void PanelSideSurfaces::remove(SideSurface& surface) {
  surface.leaving = true;
  if (auto* pane = qobject_cast<ItemPreviewView*>(surface.widget.data()))
    disconnect(pane, &ItemPreviewView::entranceStepped, this, nullptr);
  if (surface.widget) {
    if (surface.arrived || surface.snapshot.isNull()) surface.snapshot = widgetPicture(*surface.widget);
    surface.widget->hide();
    surface.widget->removeEventFilter(this);
    surface.widget->deleteLater();
  }
  SideSurface* leaving = &surface;
  // Dropped on the next turn: the completion below runs inside the surface's own animation.
  auto done = [this, leaving] {
    context_.scheduler->post(
        [this, leaving] {
          std::erase_if(surfaces_, [leaving](const auto& s) { return s.get() == leaving; });
          host_.update();
          emit changed();
        },
        Guard(this));
  };
  if (!surfacesMove()) {
    surface.progress.jumpTo(0);
    return done();
  }
  surface.progress.animateTo(0.0, Theme::overshoot(), [done](bool finished) {
    if (finished) done();
  });
}

void PanelSideSurfaces::sync() {
  const SideSurfaceKind kind = sideSurfaceKind(state_);
  const std::optional<QUuid> previewID = kind == SideSurfaceKind::preview ? state_.previewItemID()
                                                                          : std::optional<QUuid>();
  if (!surfaces_.empty()) {
    SideSurface& current = *surfaces_.back();
    if (!current.leaving && current.kind == kind && current.previewID == previewID) return updatePreview(current);
    if (!current.leaving) remove(current);
  }
  if (kind == SideSurfaceKind::none) {
    emit changed();
    return;
  }
  QWidget* widget = makeWidget(kind);
  if (!widget) {
    emit changed();
    return;
  }
  applyLook(widget);
  auto surface = std::make_unique<SideSurface>(*context_.frameClock, kind, &host_);
  surface->previewID = previewID;
  surface->widget = widget;
  if (kind == SideSurfaceKind::filterPanel) surface->shadowRoom = FilterPanelView::kShadowRoom;
  if (kind == SideSurfaceKind::dotsMenu) surface->shadowRoom = DotsMenuRailView::kShadowRoom;
  if (qobject_cast<ItemPreviewView*>(widget)) surface->shadowRoom = ItemPreviewView::kShadowRoom;
  widget->installEventFilter(this);
  place(*surface);
  widget->show();
  SideSurface* arriving = surface.get();
  surfaces_.push_back(std::move(surface));
  auto arrive = [this, arriving] {
    arriving->arrived = true;
    arriving->snapshot = {};
    place(*arriving);
    host_.update();
  };
  if (!surfacesMove()) {
    arriving->progress.jumpTo(1);
    arrive();
  } else {
    // The pane's rail and caption come in while the pane itself does: its picture follows them.
    if (auto* pane = qobject_cast<ItemPreviewView*>(widget))
      connect(pane, &ItemPreviewView::entranceStepped, this, [arriving, pane] {
        if (!arriving->arrived && !arriving->leaving) arriving->snapshot = pane->arrivalPicture();
      });
    arriving->snapshot = widgetPicture(*widget);
    arriving->progress.animateTo(1.0, Theme::overshoot(), [arrive](bool finished) {
      if (finished) arrive();
    });
  }
  emit changed();
}

void PanelSideSurfaces::paintOne(QPainter& painter, const SideSurface& surface) const {
  if (surface.snapshot.isNull()) return;
  const double p = surface.progress.value();
  const double opacity = std::clamp(p, 0.0, 1.0);
  if (opacity <= 0) return;
  const bool reduced = context_.reduceMotion->isEnabled();
  const bool preview = surface.kind == SideSurfaceKind::preview;
  const double from = preview ? kPreviewEnterScale : kSideEnterScale;
  const double scale = reduced ? 1.0 : from + (1 - from) * p;
  const double blur = reduced || !preview ? 0.0 : kPreviewEnterBlur * (1 - opacity);
  const Fx::LayerLook look = Fx::blurScale(surface.rect, scale, surface.anchorUnit, blur, opacity);
  Fx::Layer layer(painter, surface.rect);
  layer.setOpacity(look.opacity);
  layer.setBlur(look.blur);
  layer.setTransform(look.transform);
  Fx::drawImage(layer.painter(), surface.rect.topLeft(), surface.snapshot);
}

}  // namespace qv
