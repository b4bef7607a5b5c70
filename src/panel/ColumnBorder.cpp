#include "panel/ColumnBorder.h"

#include "ui/fx/Fx.h"

#include <QPainter>
#include <cmath>
#include <cstring>

namespace qv {

ColumnBorder::Images ColumnBorder::make(const QRectF& surface, const QColor& color, const QPointF& offset) const {
  Images border;
  border.surface = surface;
  border.color = color;
  border.offset = offset;
  border.pixels = surface.translated(offset).toAlignedRect();
  QImage whole(border.pixels.size(), QImage::Format_ARGB32_Premultiplied);
  whole.fill(Qt::transparent);
  {
    QPainter stroke(&whole);
    stroke.translate(offset - QPointF(border.pixels.topLeft()));
    Fx::strokeInnerBorder(stroke, surface, radius_, color, width_);
  }
  // Beyond the corners' curves (which reach about one and a half radii along each edge), every
  // row holds the same two sides and nothing between them; where that is not so, all is kept.
  const int width = whole.width(), height = whole.height();
  border.band = int(std::ceil(2 * radius_)) + 2;
  const int band = border.band;
  bool alike = height > 2 * band && width > 2 * band;
  const auto* middle = reinterpret_cast<const quint32*>(whole.constScanLine(std::min(band, height - 1)));
  for (int x = band; alike && x < width - band; ++x) alike = middle[x] == 0;
  for (int y = band + 1; alike && y < height - band; ++y)
    alike = std::memcmp(whole.constScanLine(y), middle, size_t(width) * sizeof(quint32)) == 0;
  if (!alike) {
    border.whole = std::move(whole);
    return border;
  }
  border.top = whole.copy(0, 0, width, band);
  border.bottom = whole.copy(0, height - band, width, band);
  border.left = whole.copy(0, band, band, 1);
  border.right = whole.copy(width - band, band, band, 1);
  return border;
}

// The border from images made once, where the painter moves by whole device pixels (else, as
// while the panel scales in, stroked as it is): the same pixels at the same places.
void ColumnBorder::paint(QPainter& painter, const QRectF& surface, const QColor& color) {
  const QTransform device = painter.deviceTransform();
  const QPointF offset(device.dx(), device.dy());
  if (device.type() > QTransform::TxTranslate || offset != QPointF(offset.toPoint()) || surface.isEmpty())
    return Fx::strokeInnerBorder(painter, surface, radius_, color, width_);
  if (border_.surface != surface || border_.color != color || border_.offset != offset ||
      (border_.whole.isNull() && border_.top.isNull()))
    border_ = make(surface, color, offset);
  const QPointF at = QPointF(border_.pixels.topLeft()) - offset;
  if (!border_.whole.isNull()) return painter.drawImage(at, border_.whole);
  const int band = border_.band, width = border_.pixels.width(), height = border_.pixels.height();
  painter.drawImage(at, border_.top);
  painter.drawImage(at + QPointF(0, height - band), border_.bottom);
  const QRectF oneRow(0, 0, band, 1);
  painter.drawImage(QRectF(at + QPointF(0, band), QSizeF(band, height - 2 * band)), border_.left, oneRow);
  painter.drawImage(QRectF(at + QPointF(width - band, band), QSizeF(band, height - 2 * band)), border_.right, oneRow);
}

}  // namespace qv
