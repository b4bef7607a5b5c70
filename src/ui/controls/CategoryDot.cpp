#include "ui/controls/CategoryDot.h"

#include "ui/fx/Fx.h"

#include <QPainter>

namespace qv {

void CategoryDot::paint(QPainter& painter, const QRectF& frame) const {
  const QSizeF dot = frameSize();
  const QRectF shape(frame.center().x() - dot.width() / 2, frame.center().y() - dot.height() / 2, dot.width(),
                     dot.height());
  const double radius = dot.height() / 2;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(Fx::continuousRoundedRect(shape, radius), color);
  if (onAccent) Fx::strokeInnerBorder(painter, shape, radius, QColor::fromRgbF(1, 1, 1, 0.85f), 1);
  else Fx::strokeInnerBorder(painter, shape, radius, QColor::fromRgbF(0, 0, 0, 0.22f), 0.5);
  painter.restore();
}

}  // namespace qv
