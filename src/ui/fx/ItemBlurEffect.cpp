#include "ui/fx/ItemBlurEffect.h"

#include "ui/fx/Fx.h"

#include <QPainter>
#include <QPixmap>

namespace qv::Fx {

void ItemBlurEffect::setRadius(double radius) {
  radius = std::max(0.0, radius);
  if (radius == radius_) return;
  radius_ = radius;
  updateBoundingRect();
  update();
}

QRectF ItemBlurEffect::boundingRectFor(const QRectF& rect) const {
  const double margin = radius_ > 0 ? blurMargin(radius_) : 0;
  return rect.adjusted(-margin, -margin, margin, margin);
}

void ItemBlurEffect::draw(QPainter* painter) {
  if (radius_ <= 0) {
    drawSource(painter);
    return;
  }
  // In the item's own coordinates, at the target's pixel ratio: the item's transform and
  // opacity apply to the blurred layer when it is drawn.
  QPoint offset;
  const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
  if (source.isNull()) return;
  painter->drawImage(QPointF(offset), blurred(source.toImage(), radius_, BlurEdges::transparent, BlurDetail::coarse));
}

}  // namespace qv::Fx
