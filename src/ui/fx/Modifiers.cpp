#include "ui/fx/Modifiers.h"

#include <algorithm>
#include <cmath>

namespace qv::Fx {

namespace {
QTransform around(QPointF pivot, const QTransform& transform) {
  return QTransform::fromTranslate(-pivot.x(), -pivot.y()) * transform *
         QTransform::fromTranslate(pivot.x(), pivot.y());
}
QPointF unitPoint(const QRectF& bounds, QPointF unit) {
  return {bounds.left() + unit.x() * bounds.width(), bounds.top() + unit.y() * bounds.height()};
}
}  // namespace

LayerLook blurScale(const QRectF& bounds, double scale, QPointF anchorUnit, double blur, double opacity) {
  LayerLook look;
  look.scale = scale;
  look.scaleOrigin = unitPoint(bounds, anchorUnit);
  look.transform = around(look.scaleOrigin, QTransform::fromScale(scale, scale));
  look.blur = blur;
  look.opacity = opacity;
  return look;
}

LayerLook blowAway(const QRectF& bounds, double progress, double travel) {
  const double p = progress, t = travel;
  const double scale = 1 - 0.22 * p;
  LayerLook look;
  look.scale = scale;
  look.scaleOrigin = bounds.center();
  look.afterScale = around(bounds.bottomLeft(), QTransform().rotate(10 * t * p)) *
                    QTransform::fromTranslate(44 * t * p, -30 * t * p);
  look.transform = around(look.scaleOrigin, QTransform::fromScale(scale, scale)) * look.afterScale;
  look.blur = 8 * p;
  look.opacity = 1 - p;
  return look;
}

QTransform HoverLift::transform(const QRectF& bounds) const {
  return around(bounds.center(), QTransform::fromScale(scale, scale)) *
         QTransform::fromTranslate(offset.x(), offset.y());
}

HoverLift hoverLift(double q) {
  HoverLift lift;
  lift.scale = 1 + 0.025 * q;
  lift.offset = {0, -2 * q};
  const double alpha = std::clamp(q, 0.0, 1.0);
  lift.shadows = {ShadowLayer{QColor::fromRgbF(0, 0, 0, float(0.2 * alpha)), 9 * alpha, 0, 5 * q},
                  ShadowLayer{QColor::fromRgbF(0, 0, 0, float(0.12 * alpha)), 2 * alpha, 0, 1 * q}};
  return lift;
}

double shakeOffset(double p) { return (1 - p) * std::sin(p * 2 * M_PI * 3) * 5; }

}  // namespace qv::Fx
