#include "panel/PanelStandInView.h"

#include "panel/PanelLayout.h"

#include "items/model/ContentType.h"
#include "cards/ViewServices.h"
#include "platform/SettingsStore.h"
#include "state/PanelState.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// First line of the item's text, or its kind when it has no text (images).
QString rowTitle(const ClipboardItem& item) {
  const std::optional<QString> text = item.plainText();
  if (!text) return rawValue(item.contentType);
  const QString trimmed = text->trimmed();
  const qsizetype newline = trimmed.indexOf(QLatin1Char('\n'));
  // Long texts: only the start can ever show in one row.
  return (newline < 0 ? trimmed : trimmed.left(newline)).left(400);
}

}  // namespace

PanelStandInView::PanelStandInView(ViewServices& context, PanelState& state, TranslucencySupport support, QWidget* parent)
    : PaintedWidget(context, parent), state_(state), support_(support) {
  setHoverEnabled(false);
  // Only the column is painted; the rest stays clear for a compositor that may arrive later.
  setAttribute(Qt::WA_TranslucentBackground, true);
  connect(&state_, &PanelState::filteredItemsChanged, this, [this] {
    scrollTo(scrollOffset_);
    update();
  });
  connect(&state_, &PanelState::edgeSideChanged, this, qOverload<>(&QWidget::update));
  connect(&state_, &PanelState::searchQueryChanged, this, qOverload<>(&QWidget::update));
  connect(&state_, &PanelState::selectedIndexChanged, this, [this] {
    scrollToSelection();
    update();
  });
  for (auto changed : {&PanelState::sensitiveIDsChanged, &PanelState::autoSensitiveIDsChanged,
                       &PanelState::peekedIDsChanged})
    connect(&state_, changed, this, qOverload<>(&QWidget::update));
}

void PanelStandInView::setTranslucency(TranslucencySupport support) {
  if (support == support_) return;
  support_ = support;
  update();
}

std::optional<int> PanelStandInView::rowAt(QPointF position) const {
  if (position.y() < topBandRect().bottom()) return std::nullopt;
  const double step = kRowHeight + kRowSpacing;
  const int index = int(std::floor((position.y() - topBandRect().bottom() - kRowSpacing + scrollOffset_) / step));
  if (index < 0 || index >= itemCount() || !rowRect(index).contains(position)) return std::nullopt;
  return index;
}

void PanelStandInView::scrollToSelection() {
  const std::optional<int> selected = state_.selectedIndex();
  if (!selected || *selected >= itemCount()) return;
  const QRectF row = rowRect(*selected);
  const double listTop = topBandRect().bottom();
  if (row.top() < listTop)
    scrollTo(scrollOffset_ - (listTop - row.top()) - kRowSpacing);
  else if (row.bottom() > height())
    scrollTo(scrollOffset_ + (row.bottom() - height()) + kRowSpacing);
}

void PanelStandInView::mousePressEvent(QMouseEvent* event) {
  if (const std::optional<int> row = rowAt(event->position())) state_.setSelectedIndex(*row);
  PaintedWidget::mousePressEvent(event);
}

// A double click pastes the row as the keyboard's Return would, in the stored plain-text mode.
void PanelStandInView::mouseDoubleClickEvent(QMouseEvent* event) {
  const std::optional<int> row = rowAt(event->position());
  if (!row || !state_.pasteAction()) return;
  const bool plainText = context().settings->boolOr(QStringLiteral("qv.alwaysPlainText"), false);
  state_.pasteAction()(state_.filteredItems().at(*row), plainText);
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

int PanelStandInView::itemCount() const { return int(state_.filteredItems().size()); }

QRectF PanelStandInView::rowRect(int index) const {
  const QRectF column = columnRect();
  const double top = topBandRect().bottom() + kRowSpacing + index * (kRowHeight + kRowSpacing) - scrollOffset_;
  return {column.x() + kRowInset, top, column.width() - 2 * kRowInset, kRowHeight};
}

double PanelStandInView::maximumScroll() const {
  const double content = itemCount() * (kRowHeight + kRowSpacing) + kRowSpacing;
  const double room = height() - topBandRect().bottom();
  return std::max(0.0, content - room);
}

void PanelStandInView::scrollTo(double offset) {
  const double clamped = std::clamp(offset, 0.0, maximumScroll());
  if (clamped == scrollOffset_) return;
  scrollOffset_ = clamped;
  update();
}

QPainterPath PanelStandInView::hitShape() const {
  QPainterPath path;
  path.addRect(columnRect());
  return path;
}

AccessibilityInfo PanelStandInView::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::List;
  info.value = QString::number(itemCount());
  return info;
}

void PanelStandInView::wheelEvent(QWheelEvent* event) {
  const QPointF pixels = event->pixelDelta();
  const double delta = !pixels.isNull() ? pixels.y() : event->angleDelta().y() / 120.0 * 3 * (kRowHeight + kRowSpacing);
  scrollTo(scrollOffset_ - delta);
  event->accept();
}

void PanelStandInView::paint(QPainter& painter) {
  ++paintCount_;
  const EnvironmentValues env = environment();
  const QRectF column = columnRect();
  QPainterPath columnPath;
  columnPath.addRect(column);
  Translucency::paintBackground(painter, columnPath, Material::panel, env, support_);

  const bool dark = env.isDark();
  const QColor rowFill = dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 12);
  const QColor primary = dark ? QColor(242, 242, 247) : QColor(28, 28, 30);
  const QColor secondary = dark ? QColor(152, 152, 160) : QColor(110, 110, 118);

  const double step = kRowHeight + kRowSpacing;
  const double listTop = topBandRect().bottom();
  const int count = itemCount();
  const int first = std::clamp(int(std::floor(scrollOffset_ / step)), 0, count);
  const int last = std::clamp(int(std::ceil((scrollOffset_ + height() - listTop) / step)) + 1, first, count);
  firstPaintedRow_ = first;
  paintedRowCount_ = last - first;

  QFont titleFont = font();
  titleFont.setPixelSize(13);
  QFont detailFont = font();
  detailFont.setPixelSize(11);
  const QFontMetricsF titleMetrics(titleFont);

  // The top band: what has been typed into the search, or a hint that typing searches.
  const QRectF band = topBandRect().adjusted(kRowInset + 12, 0, -kRowInset - 12, 0);
  QFont queryFont = font();
  queryFont.setPixelSize(15);
  painter.setFont(queryFont);
  const QString query = state_.searchQuery();
  painter.setPen(query.isEmpty() ? secondary : primary);
  painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(queryFont).elidedText(query.isEmpty() ? QStringLiteral("Type to search") : query,
                                                       Qt::ElideLeft, band.width()));

  const std::optional<int> selected = state_.selectedIndex();
  painter.save();
  painter.setClipRect(QRectF(column.x(), listTop, column.width(), height() - listTop));
  painter.setRenderHint(QPainter::Antialiasing);
  const QList<ClipboardItem>& items = state_.filteredItems();
  for (int index = first; index < last; ++index) {
    const ClipboardItem& item = items[index];
    const QRectF row = rowRect(index);
    painter.setPen(Qt::NoPen);
    painter.setBrush(rowFill);
    painter.drawRoundedRect(row, 8, 8);
    if (selected == index) {
      painter.setPen(QPen(Theme::accent(), 2));
      painter.setBrush(Qt::NoBrush);
      painter.drawRoundedRect(row.adjusted(1, 1, -1, -1), 7, 7);
    }
    const QRectF text = row.adjusted(12, 8, -12, -8);
    painter.setFont(titleFont);
    painter.setPen(primary);
    painter.drawText(QRectF(text.x(), text.y(), text.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(state_.isConcealed(item.id) ? QString::fromUtf8(kConcealedRowText)
                                                                         : rowTitle(item),
                                             Qt::ElideRight, text.width()));
    painter.setFont(detailFont);
    painter.setPen(secondary);
    painter.drawText(QRectF(text.x(), text.bottom() - 14, text.width(), 14), Qt::AlignLeft | Qt::AlignVCenter,
                     item.sourceAppBundleID);
  }
  painter.restore();
}

}  // namespace qv
