#include "panel/PanelView.h"

#include "panel/CardScrollView.h"
#include "panel/CategoryStripBinding.h"
#include "panel/CopiedToastView.h"
#include "panel/FilterPanel.h"
#include "panel/FilterStatusBarView.h"
#include "panel/PanelSideSurfaces.h"
#include "panel/SearchBarView.h"

#include "cards/ViewServices.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/text/NumericText.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

QFont footerFont() { return systemFont(10); }

double footerHeight() { return std::ceil(QFontMetricsF(footerFont()).height()) + 2 * PanelView::kFooterPadding; }

// The pixels a shape covers, as a window region (rounded corners included).
QRegion regionOf(const QPainterPath& shape) { return QRegion(shape.toFillPolygon().toPolygon()); }

}  // namespace

QString panelCountLabel(const PanelState& state) {
  if (const qsizetype selected = state.multiSelectedIDs().size(); selected > 0)
    return QString::number(selected) + QStringLiteral(" selected \u00B7 \u21B5 to paste together");
  const qsizetype count = state.shownCount();
  return count == 1 ? QStringLiteral("1 item") : QString::number(count) + QStringLiteral(" items");
}

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
  sides_ = std::make_unique<PanelSideSurfaces>(context, state, *this, support);
  connect(sides_.get(), &PanelSideSurfaces::changed, this, &PanelView::contentChanged);
  layoutColumn();
  sides_->sync();
}

PanelView::~PanelView() {
  // The side widgets are children; they go with the view.
  list_->removeEventFilter(this);
  statusBar_->removeEventFilter(this);
}

void PanelView::setTranslucency(TranslucencySupport support) {
  if (support == support_) return;
  support_ = support;
  sides_->setTranslucency(support);
  update();
}

void PanelView::setPreviewFactory(PreviewFactory factory) { sides_->setPreviewFactory(std::move(factory)); }

bool PanelView::hasPreviewFactory() const { return sides_->hasPreviewFactory(); }

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
  sides_->relayout();
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
  }
  return PaintedWidget::eventFilter(watched, event);
}

bool PanelView::event(QEvent* event) {
  // A side surface asks for another size.
  if (event->type() == QEvent::LayoutRequest) {
    sides_->follow();
    contentChanged();
  }
  return PaintedWidget::event(event);
}

SideSurfaceKind PanelView::sideSurface() const { return sides_->kind(); }
QWidget* PanelView::sideSurfaceWidget() const { return sides_->arrivedWidget(); }
double PanelView::sideSurfaceProgress() const { return sides_->progress(); }
QRectF PanelView::sideSurfaceRect() const { return sides_->rect(); }

QRegion PanelView::contentRegion() const {
  const QRectF surface = surfaceRect();
  if (!surfaceRegion_ || surfaceRegion_->first != surface) surfaceRegion_.emplace(surface, regionOf(hitShape()));
  return surfaceRegion_->second + sides_->region();
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
  border_.paint(painter, surface, strong ? Translucency::hairlineColor(env) : primaryColor(env, 0.08));
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
  sides_->paint(painter);
  paintColumn(painter);
}

}  // namespace qv
