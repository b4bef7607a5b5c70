#include "panel/PanelView.h"

#include "panel/CardScrollView.h"
#include "panel/CategoryStrip.h"
#include "panel/CopiedToastView.h"
#include "panel/DotsMenuRailView.h"
#include "panel/FilterPanel.h"
#include "panel/FilterStatusBarView.h"
#include "panel/PreviewPlacement.h"
#include "panel/SearchBarView.h"
#include "preview/ItemPreviewView.h"

#include "cards/ViewServices.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/text/NumericText.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kSideEnterScale = 0.85;
constexpr double kPreviewEnterScale = 0.9;
constexpr double kPreviewEnterBlur = 10;
// Where a side surface waits while its picture moves in: far outside the view, so it is laid
// out and counts as shown but paints nothing.
const QPoint kParked(-20000, -20000);

QFont footerFont() { return systemFont(10); }

double footerHeight() { return std::ceil(QFontMetricsF(footerFont()).height()) + 2 * PanelView::kFooterPadding; }

// The pixels a shape covers, as a window region (rounded corners included).
QRegion regionOf(const QPainterPath& shape) { return QRegion(shape.toFillPolygon().toPolygon()); }

}  // namespace

QString panelCountLabel(const PanelState& state) {
  if (const qsizetype selected = state.multiSelectedIDs().size(); selected > 0)
    return QString::number(selected) + QStringLiteral(" selected \u00B7 \u21B5 to paste together");
  const qsizetype count = state.filteredItems().size();
  return count == 1 ? QStringLiteral("1 item") : QString::number(count) + QStringLiteral(" items");
}

SideSurfaceKind sideSurfaceKind(const PanelState& state) {
  if (state.previewItem()) return SideSurfaceKind::preview;
  if (state.showFilterPanel()) return SideSurfaceKind::filterPanel;
  if (state.showDotsMenu()) return SideSurfaceKind::dotsMenu;
  return SideSurfaceKind::none;
}

struct PanelView::SideSurface {
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

PanelView::PanelView(ViewServices& context, PanelState& state, TranslucencySupport support, QWidget* parent)
    : PaintedWidget(context, parent),
      context_(context),
      state_(state),
      support_(support),
      searchBar_(new SearchBarView(context, searchBarProps(state), searchBarCallbacks(state), this)),
      strip_(new CategoryStripView(context, categoryStripProps(state), categoryStripCallbacks(state), this)),
      statusBar_(new FilterStatusBarView(context, state, this)),
      list_(new CardScrollView(context, state, this)),
      toast_(new CopiedToastView(context, this)) {
  setHoverEnabled(false);
  // Only the surfaces are painted; the rest stays clear for a compositor that may arrive later.
  setAttribute(Qt::WA_TranslucentBackground, true);
  connectSearchBar(*searchBar_, state_);
  connectCategoryStrip(*strip_, state_);
  toast_->hide();
  list_->installEventFilter(this);
  statusBar_->installEventFilter(this);

  connect(&state_, &PanelState::edgeSideChanged, this, [this] {
    relayout();
    update();
  });
  connect(&state_, &PanelState::showCopiedToastChanged, this, &PanelView::syncToast);
  // The chips row comes and goes with the filters, opening and closing its room as it moves.
  connect(statusBar_, &FilterStatusBarView::shownHeightChanged, this, &PanelView::layoutColumn);
  for (auto changed : {&PanelState::filteredItemsChanged, &PanelState::multiSelectedIDsChanged})
    connect(&state_, changed, this, [this] { update(footerRect().toAlignedRect()); });
  for (auto changed : {&PanelState::previewItemIDChanged, &PanelState::showFilterPanelChanged,
                       &PanelState::showDotsMenuChanged, &PanelState::itemsChanged})
    connect(&state_, changed, this, &PanelView::syncSideSurface);
  connect(&state_, &PanelState::previewAnchorYChanged, this, [this] {
    for (auto& surface : sideSurfaces_)
      if (surface->kind == SideSurfaceKind::preview && !surface->leaving) placeSideSurface(*surface);
  });
  connect(&state_, &PanelState::isMonitoringPausedChanged, this, [this] {
    for (auto& surface : sideSurfaces_) applySurfaceLook(surface->widget);
  });
  layoutColumn();
  syncSideSurface();
}

PanelView::~PanelView() {
  // The side widgets are children; they go with the view.
  list_->removeEventFilter(this);
  statusBar_->removeEventFilter(this);
}

void PanelView::setTranslucency(TranslucencySupport support) {
  if (support == support_) return;
  support_ = support;
  for (auto& surface : sideSurfaces_) applySurfaceLook(surface->widget);
  update();
}

void PanelView::applySurfaceLook(QWidget* widget) const {
  if (auto* pane = qobject_cast<ItemPreviewView*>(widget)) pane->setTranslucency(support_);
  if (auto* dots = qobject_cast<DotsMenuRailView*>(widget))
    dots->setProps({state_.isMonitoringPaused(), support_}, {[] { QCoreApplication::quit(); }});
  if (auto* filters = qobject_cast<FilterPanelView*>(widget)) filters->setTranslucency(support_);
}

void PanelView::setPreviewFactory(PreviewFactory factory) {
  previewFactory_ = std::move(factory);
  syncSideSurface();
}

bool PanelView::onLeft() const { return state_.edgeSide() == QLatin1String("left"); }

// ---- The column -------------------------------------------------------------------------------

double PanelView::columnX() const { return onLeft() ? 0 : width() - kColumnWidth; }

QRectF PanelView::columnRect() const {
  const double height = std::min<double>(this->height(), footerRect().bottom() + kColumnMargin);
  return {columnX(), 0, kColumnWidth, std::max(0.0, height)};
}

QRectF PanelView::surfaceRect() const {
  return columnRect().adjusted(kColumnMargin, kColumnMargin, -kColumnMargin, -kColumnMargin);
}

QRectF PanelView::footerRect() const {
  return {columnX() + kColumnMargin, listBottom_, kColumnWidth - 2 * kColumnMargin, footerHeight()};
}

QString PanelView::countLabel() const { return panelCountLabel(state_); }

void PanelView::layoutColumn() {
  const double x = columnX() + kColumnMargin;
  const double w = kColumnWidth - 2 * kColumnMargin;
  double y = kColumnMargin;
  auto place = [&](QWidget* child, double height) {
    child->setGeometry(QRectF(x, y, w, height).toRect());
    y += height;
  };
  place(searchBar_, searchBar_->sizeHint().height());
  place(strip_, CategoryStripView::kHeight);
  place(statusBar_, statusBar_->shownHeight(int(w)));
  // The list takes what it needs of the rest; the footer follows it.
  const double room = height() - kColumnMargin - footerHeight() - y;
  list_->setAvailableRect(QRectF(x, y, w, std::max(0.0, room)));
  listBottom_ = y + list_->height();
  placeToast();
}

void PanelView::placeToast() {
  const QSize size = toast_->sizeHint();
  const QPointF centre = surfaceRect().center();
  toast_->setGeometry(
      QRectF(centre.x() - size.width() / 2.0, centre.y() - size.height() / 2.0, size.width(), size.height()).toRect());
}

void PanelView::syncToast() {
  const bool shown = state_.showCopiedToast();
  if (shown) {
    placeToast();
    toast_->show();
    toast_->raise();
  }
  toast_->setProps({shown});
  // The faded toast leaves the widget tree so it costs nothing while the list scrolls under it.
  if (!shown)
    context_.scheduler->after(
        1.0, [this] { toast_->setVisible(state_.showCopiedToast()); }, Guard(this));
}

void PanelView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  relayout();
}

void PanelView::relayout() {
  layoutColumn();
  // The pane's height budget follows the panel's.
  if (!sideSurfaces_.empty() && !sideSurfaces_.back()->leaving) updatePreview(*sideSurfaces_.back());
  for (auto& surface : sideSurfaces_) placeSideSurface(*surface);
  contentChanged();
}

bool PanelView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    // The list grows and shrinks with its content: the footer and the surface follow.
    const double bottom = list_->geometry().y() + list_->height();
    if (bottom != listBottom_) {
      listBottom_ = bottom;
      placeToast();
      update();
      contentChanged();
    }
  } else if (watched == statusBar_ && event->type() == QEvent::LayoutRequest) {
    layoutColumn();
  } else if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize) {
    for (auto& surface : sideSurfaces_)
      if (surface->widget == watched) sideSurfaceChanged();
  }
  return PaintedWidget::eventFilter(watched, event);
}

bool PanelView::event(QEvent* event) {
  // A side surface asks for another size.
  if (event->type() == QEvent::LayoutRequest) sideSurfaceChanged();
  return PaintedWidget::event(event);
}

void PanelView::sideSurfaceChanged() {
  for (auto& surface : sideSurfaces_)
    if (!surface->leaving) placeSideSurface(*surface);
  contentChanged();
}

// ---- Side surfaces ----------------------------------------------------------------------------

SideSurfaceKind PanelView::sideSurface() const {
  if (sideSurfaces_.empty() || sideSurfaces_.back()->leaving) return SideSurfaceKind::none;
  return sideSurfaces_.back()->kind;
}

QWidget* PanelView::sideSurfaceWidget() const {
  if (sideSurfaces_.empty() || sideSurfaces_.back()->leaving || !sideSurfaces_.back()->arrived) return nullptr;
  return sideSurfaces_.back()->widget;
}

double PanelView::sideSurfaceProgress() const {
  if (sideSurfaces_.empty() || sideSurfaces_.back()->leaving) return 0;
  return sideSurfaces_.back()->progress.value();
}

QRectF PanelView::sideSurfaceRect() const {
  QRectF united;
  for (const auto& surface : sideSurfaces_) united |= surface->surfaceRect();
  return united;
}

QWidget* PanelView::makeSideWidget(SideSurfaceKind kind) {
  switch (kind) {
    case SideSurfaceKind::preview: {
      const std::optional<ClipboardItem> item = state_.previewItem();
      if (!previewFactory_ || !item) return nullptr;
      PanelState* state = &state_;
      return previewFactory_(
          *item, previewAvailableHeight(), [state] { state->cancelPreviewWork(); }, this);
    }
    case SideSurfaceKind::filterPanel: {
      auto* filters = new FilterPanelView(context_, state_, FilterSurface::panel, this);
      connect(filters, &FilterPanelView::surfaceShapeChanged, this, &PanelView::contentChanged);
      return filters;
    }
    case SideSurfaceKind::dotsMenu: return new DotsMenuRailView(context_, state_, this);
    case SideSurfaceKind::none: break;
  }
  return nullptr;
}

double PanelView::previewAvailableHeight() const { return height() - 2 * kPreviewMargin; }

void PanelView::updatePreview(SideSurface& surface) {
  auto* pane = qobject_cast<ItemPreviewView*>(surface.widget.data());
  const std::optional<ClipboardItem> item = state_.previewItem();
  if (!pane || !item) return;
  PanelState* state = &state_;
  pane->setProps({*item, previewAvailableHeight()}, {[state] { state->cancelPreviewWork(); }});
}

void PanelView::placeSideSurface(SideSurface& surface) const {
  const double hostHeight = height();
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
                            : width() - kSideSurfaceOffset - size.width() + surface.shadowRoom;
  surface.rect = QRectF(QPointF(x, top), size);
  if (surface.widget) {
    const QRect geometry = surface.rect.toRect();
    surface.widget->setGeometry(surface.arrived ? geometry : QRect(kParked, geometry.size()));
  }
}

bool PanelView::surfacesMove() const {
  // Without a compositor the window is cut to what it shows and nothing blends: a surface that
  // fades or grows would show black where it is not yet drawn, so it comes and goes at once.
  return state_.isVisible() && support_.compositor;
}

void PanelView::removeSideSurface(SideSurface& surface) {
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
          std::erase_if(sideSurfaces_, [leaving](const auto& s) { return s.get() == leaving; });
          update();
          contentChanged();
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

void PanelView::syncSideSurface() {
  const SideSurfaceKind kind = sideSurfaceKind(state_);
  const std::optional<QUuid> previewID = kind == SideSurfaceKind::preview ? state_.previewItemID()
                                                                          : std::optional<QUuid>();
  if (!sideSurfaces_.empty()) {
    SideSurface& current = *sideSurfaces_.back();
    if (!current.leaving && current.kind == kind && current.previewID == previewID) return updatePreview(current);
    if (!current.leaving) removeSideSurface(current);
  }
  if (kind == SideSurfaceKind::none) return contentChanged();
  QWidget* widget = makeSideWidget(kind);
  if (!widget) return contentChanged();
  applySurfaceLook(widget);
  auto surface = std::make_unique<SideSurface>(*context_.frameClock, kind, this);
  surface->previewID = previewID;
  surface->widget = widget;
  if (kind == SideSurfaceKind::filterPanel) surface->shadowRoom = FilterPanelView::kShadowRoom;
  if (kind == SideSurfaceKind::dotsMenu) surface->shadowRoom = DotsMenuRailView::kShadowRoom;
  if (qobject_cast<ItemPreviewView*>(widget)) surface->shadowRoom = ItemPreviewView::kShadowRoom;
  widget->installEventFilter(this);
  placeSideSurface(*surface);
  widget->show();
  SideSurface* arriving = surface.get();
  sideSurfaces_.push_back(std::move(surface));
  auto arrive = [this, arriving] {
    arriving->arrived = true;
    arriving->snapshot = {};
    placeSideSurface(*arriving);
    update();
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
  contentChanged();
}

void PanelView::paintSideSurface(QPainter& painter, const SideSurface& surface) const {
  if (surface.snapshot.isNull()) return;
  const double p = surface.progress.value();
  const double opacity = std::clamp(p, 0.0, 1.0);
  if (opacity <= 0) return;
  const bool reduced = context().reduceMotion->isEnabled();
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

QRegion PanelView::contentRegion() const {
  QRegion region = regionOf(hitShape());
  for (const auto& surface : sideSurfaces_) region += surface->shape();
  return region;
}

void PanelView::contentChanged() {
  const QRegion region = contentRegion();
  if (region == lastRegion_) return;
  lastRegion_ = region;
  emit contentRegionChanged();
}

// ---- Painting ---------------------------------------------------------------------------------

QPainterPath PanelView::hitShape() const { return Fx::continuousRoundedRect(surfaceRect(), kCornerRadius); }

AccessibilityInfo PanelView::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::Pane;
  info.name = QStringLiteral("Clipboard history");
  info.value = countLabel();
  return info;
}

void PanelView::paintColumn(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF surface = surfaceRect();
  const QPainterPath shape = Fx::continuousRoundedRect(surface, kCornerRadius);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // Replace whatever the window held: a translucent surface must not blend over stale pixels.
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillPath(shape, Translucency::backgroundColor(Material::panel, env, support_));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const bool strong = env.reduceTransparency || env.increasedContrast;
  Fx::strokeInnerBorder(painter, surface, kCornerRadius,
                        strong ? Translucency::hairlineColor(env) : primaryColor(env, 0.08), 0.5);
  // The count in monospaced digits, centred: it keeps its place as the number changes.
  const QFont font = footerFont();
  const QFontMetricsF metrics(font);
  const QString label = countLabel();
  const QRectF line = footerRect().adjusted(0, kFooterPadding, 0, -kFooterPadding);
  painter.setPen(primaryColor(env, 0.28));
  drawMonospacedDigits(painter, font,
                       QPointF(line.center().x() - monospacedDigitsWidth(font, label) / 2,
                               line.center().y() + (metrics.ascent() - metrics.descent()) / 2),
                       label);
  painter.restore();
}

void PanelView::paint(QPainter& painter) {
  ++paintCount_;
  // The side surfaces first: one that grows out of the column's edge comes from behind it.
  for (const auto& surface : sideSurfaces_) paintSideSurface(painter, *surface);
  paintColumn(painter);
}

}  // namespace qv
