#include "cards/content/CardContentStyle.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv::CardContentStyle {

QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, float(opacity)); }
QColor black(double opacity) { return QColor::fromRgbF(0, 0, 0, float(opacity)); }

namespace {
void drawTintedBackground(QPainter& painter, const QRectF& rect, bool dark) {
  painter.setPen(Qt::NoPen);
  painter.fillRect(rect, dark ? QColor::fromRgbF(28.f / 255, 26.f / 255, 40.f / 255, 0.97f) : white(0.82));
  painter.fillRect(rect, Fx::linearGradient(rect, {0.5, 0}, {0.5, 1},
                                            {{0, white(dark ? 0.13 : 0.92)}, {1, white(dark ? 0.02 : 0.65)}}));
  QRadialGradient glow(QPointF(rect.center().x(), rect.top()), 210);
  glow.setColorAt(0, white(dark ? 0.07 : 0.5));
  glow.setColorAt(1, white(0));
  painter.fillRect(rect, glow);
  // The top edge line fades out towards both corners.
  const QRectF edge(rect.left(), rect.top(), rect.width(), 1.5);
  const QColor edgeColor = dark ? white(0.75) : black(0.144);
  QColor clear = edgeColor;
  clear.setAlphaF(0);
  painter.fillRect(edge, Fx::linearGradient(edge, {0, 0.5}, {1, 0.5}, {{0, clear}, {0.5, edgeColor}, {1, clear}}));
}
}  // namespace

QImage sharedLayer(const QString& name, const QRectF& bounds, double scale,
                   const std::function<void(QPainter&)>& paint) {
  // Main thread only, like all painting; a handful of layers of card size.
  struct Key {
    QString name;
    QRectF bounds;
    double scale;
    bool operator==(const Key&) const = default;
  };
  static std::vector<std::pair<Key, QImage>> cache;
  const Key key{name, bounds, scale};
  auto found = std::find_if(cache.begin(), cache.end(), [&](const auto& entry) { return entry.first == key; });
  if (found != cache.end()) return found->second;
  QImage image(
      QSize(std::max(1, int(std::ceil(bounds.width() * scale))), std::max(1, int(std::ceil(bounds.height() * scale)))),
      QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  QPainter layer(&image);
  layer.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  layer.translate(-bounds.topLeft());
  paint(layer);
  layer.end();
  if (cache.size() >= 24) cache.erase(cache.begin());
  return cache.insert(cache.end(), {key, std::move(image)})->second;
}

void paintTintedBackground(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  // Every text-like card paints the same background: made once per size, scheme and pixel
  // ratio, then copied.
  const bool dark = environment.isDark();
  const QRectF local(QPointF(0, 0), rect.size());
  Fx::drawImage(
      painter, rect.topLeft(),
      sharedLayer(dark ? QStringLiteral("tinted-dark") : QStringLiteral("tinted-light"), local,
                  Fx::painterScale(painter), [&](QPainter& layer) { drawTintedBackground(layer, local, dark); }));
}

void paintWithBottomFade(QPainter& painter, const QRectF& rect, double fadeStart, double fadeEnd,
                         const std::function<void(QPainter&)>& draw) {
  const double scale = Fx::painterScale(painter);
  // Band edges on whole device pixels, so the two passes meet without a seam.
  const double opaqueEnd = rect.top() + fadeStart * rect.height();
  const double clearStart = rect.top() + fadeEnd * rect.height();
  const double bandTop = std::floor(opaqueEnd * scale) / scale;
  const double bandBottom = std::min(rect.bottom(), std::ceil(clearStart * scale) / scale);

  painter.save();
  painter.setClipRect(QRectF(rect.left(), rect.top(), rect.width(), std::max(0.0, bandTop - rect.top())),
                      Qt::IntersectClip);
  draw(painter);
  painter.restore();

  if (bandBottom <= bandTop) return;
  const QRectF band(rect.left(), bandTop, rect.width(), bandBottom - bandTop);
  const double start = (opaqueEnd - bandTop) / band.height();
  const double end = std::min(1.0, (clearStart - bandTop) / band.height());
  Fx::Layer layer(painter, band);
  layer.setMask(QBrush(Fx::linearGradient(band, {0.5, 0}, {0.5, 1},
                                          {{0, black(1)}, {start, black(1)}, {end, black(0)}, {1, black(0)}})));
  QPainter& inner = layer.painter();
  inner.setClipRect(band);
  draw(inner);
}

QRectF fillCropSource(const QSizeF& imageSize, const QSizeF& target) {
  if (imageSize.isEmpty() || target.isEmpty()) return {};
  const double scale = std::max(target.width() / imageSize.width(), target.height() / imageSize.height());
  const QSizeF shown(target.width() / scale, target.height() / scale);
  return {(imageSize.width() - shown.width()) / 2, (imageSize.height() - shown.height()) / 2, shown.width(),
          shown.height()};
}

QRectF fitRect(const QSizeF& imageSize, const QRectF& target) {
  if (imageSize.isEmpty() || target.isEmpty()) return {};
  const QSizeF size = imageSize.scaled(target.size(), Qt::KeepAspectRatio);
  return {target.center().x() - size.width() / 2, target.center().y() - size.height() / 2, size.width(), size.height()};
}

}  // namespace qv::CardContentStyle
