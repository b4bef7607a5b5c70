#include "ui/StatusBarIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace qv {

namespace {
QPainterPath rounded(const QRectF& rect, double radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}
QPen roundPen(const QColor& color, double width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}
}  // namespace

bool drawStatusBarIcon(QPainter* painter, bool filled, bool paused) {
  if (!painter || !painter->isActive()) return false;
  QPainter& p = *painter;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const auto normal = QPainter::CompositionMode_SourceOver;
  const auto clear = QPainter::CompositionMode_Clear;

  // Back card, faint.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.45f), 1));
  p.drawPath(rounded(QRectF(4.5, 0.5, 12.5, 13), 3));

  // Erase the part the front card covers.
  const QPainterPath front = rounded(QRectF(1, 4, 13, 13), 3);
  p.setCompositionMode(clear);
  p.fillPath(front, Qt::black);
  p.setCompositionMode(normal);

  if (filled) {
    p.fillPath(front, Qt::black);
    p.setCompositionMode(clear);  // the lines below are cut out of the solid card
  } else {
    p.setPen(QPen(Qt::black, 1));
    p.drawPath(front);
  }
  p.setPen(roundPen(Qt::black, 1));
  p.drawLine(QPointF(4, 8.75), QPointF(12, 8.75));
  p.drawLine(QPointF(4, 12), QPointF(10, 12));
  p.setCompositionMode(normal);

  if (paused) {
    const QLineF slash(QPointF(2.5, 15.5), QPointF(15.5, 2.5));
    p.setCompositionMode(clear);
    p.setPen(roundPen(Qt::black, 3.5));
    p.drawLine(slash);
    p.setCompositionMode(normal);
    p.setPen(roundPen(Qt::black, 1.5));
    p.drawLine(slash);
  }
  p.restore();
  return true;
}

QImage statusBarIconImage(bool filled, bool paused, double devicePixelRatio, const QColor& tint) {
  const int side = int(std::ceil(kStatusBarIconSize * devicePixelRatio));
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  drawStatusBarIcon(&painter, filled, paused);
  // Keep the mask's alpha, take the tint's colour.
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(QRectF(0, 0, kStatusBarIconSize, kStatusBarIconSize), tint);
  return image;
}

QColor statusBarIconTint(const std::optional<QColor>& trayForeground, DesktopColorScheme desktopScheme) {
  if (trayForeground && trayForeground->isValid()) return *trayForeground;
  return desktopScheme == DesktopColorScheme::dark ? QColor(242, 242, 247) : QColor(28, 28, 30);
}

}  // namespace qv
