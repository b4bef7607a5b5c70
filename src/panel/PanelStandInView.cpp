#include "panel/PanelStandInView.h"

#include "panel/CardListView.h"
#include "panel/PanelLayout.h"

#include "cards/ViewServices.h"
#include "state/PanelState.h"

#include <QFontMetricsF>
#include <QPainter>

namespace qv {

PanelStandInView::PanelStandInView(ViewServices& context, PanelState& state, TranslucencySupport support,
                                   QWidget* parent)
    : PaintedWidget(context, parent), state_(state), support_(support), list_(new CardListView(context, state, this)) {
  setHoverEnabled(false);
  // Only the column is painted; the rest stays clear for a compositor that may arrive later.
  setAttribute(Qt::WA_TranslucentBackground, true);
  connect(&state_, &PanelState::edgeSideChanged, this, [this] {
    placeList();
    update();
  });
  connect(&state_, &PanelState::searchQueryChanged, this, qOverload<>(&QWidget::update));
  placeList();
}

void PanelStandInView::setTranslucency(TranslucencySupport support) {
  if (support == support_) return;
  support_ = support;
  update();
}

bool PanelStandInView::onLeft() const { return state_.edgeSide() == QLatin1String("left"); }

QRectF PanelStandInView::columnRect() const {
  const double x = onLeft() ? 0 : width() - panelLayout::kColumnWidth;
  return {x, 0, panelLayout::kColumnWidth, double(height())};
}

QRectF PanelStandInView::topBandRect() const {
  const QRectF column = columnRect();
  return {column.x(), panelLayout::kTopBandInset, column.width(), panelLayout::kTopBandHeight};
}

void PanelStandInView::placeList() {
  const QRectF column = columnRect();
  const double top = topBandRect().bottom();
  list_->setAvailableRect(QRectF(column.x(), top, column.width(), std::max(0.0, column.height() - top)));
}

void PanelStandInView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeList();
}

QPainterPath PanelStandInView::hitShape() const {
  QPainterPath path;
  path.addRect(columnRect());
  return path;
}

AccessibilityInfo PanelStandInView::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::List;
  info.value = QString::number(state_.filteredItems().size());
  return info;
}

void PanelStandInView::paint(QPainter& painter) {
  ++paintCount_;
  const EnvironmentValues env = environment();
  QPainterPath columnPath;
  columnPath.addRect(columnRect());
  Translucency::paintBackground(painter, columnPath, Material::panel, env, support_);

  const bool dark = env.isDark();
  const QColor primary = dark ? QColor(242, 242, 247) : QColor(28, 28, 30);
  const QColor secondary = dark ? QColor(152, 152, 160) : QColor(110, 110, 118);
  // The top band: what has been typed into the search, or a hint that typing searches.
  const QRectF band = topBandRect().adjusted(20, 0, -20, 0);
  QFont queryFont = font();
  queryFont.setPixelSize(15);
  painter.setFont(queryFont);
  const QString query = state_.searchQuery();
  painter.setPen(query.isEmpty() ? secondary : primary);
  painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(queryFont).elidedText(query.isEmpty() ? QStringLiteral("Type to search") : query,
                                                       Qt::ElideLeft, band.width()));
}

}  // namespace qv
