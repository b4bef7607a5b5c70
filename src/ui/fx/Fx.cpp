#include "ui/fx/Fx.h"

#include <dlfcn.h>
#include <QCache>
#include <QCoreApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <functional>

// ---- Painting where the main thread stands -----------------------------------------------------
//
// Qt's raster engine splits every blend of more than 95 spans (an image or a fill a hundred
// device rows tall, an antialiased circle two dozen pixels wide) into pieces for the global
// thread pool and waits for them, unless the painting thread is one of the pool's own, which it
// asks the pool. A frame of the program blends a few hundred thousand pixels in dozens of such
// pieces: waking the pool's threads and waiting for them took half of a library frame (a card
// lifting, the detail pane retargeted), more than the blending itself. So the program gives
// the answer for the global pool and the main thread as yes: Qt paints the main thread's frames
// on the main thread. Every other question gets Qt's own answer (the program's worker threads
// still hand large conversions to the pool). The definition here takes the place of Qt's for
// the calls Qt's libraries make (the executable's symbols come first); Qt's is found behind it.
bool QThreadPool::contains(const QThread* thread) const {
  using Contains = bool (*)(const QThreadPool*, const QThread*);
  static const auto qtContains = reinterpret_cast<Contains>(dlsym(RTLD_NEXT, "_ZNK11QThreadPool8containsEPK7QThread"));
  const QCoreApplication* application = QCoreApplication::instance();
  if (application && thread == application->thread() && this == QThreadPool::globalInstance()) return true;
  return qtContains ? qtContains(this, thread) : false;
}

namespace qv::Fx {

namespace {

// Whether `image` lands pixel for pixel on the device: the engine then puts it on whole pixels
// (rounding where it lands) whether it samples or not.
bool landsPixelForPixel(const QPainter& painter, const QImage& image) {
  const QTransform& device = painter.deviceTransform();
  const double ratio = image.devicePixelRatio();
  return device.type() <= QTransform::TxScale && std::abs(device.m11() - ratio) < 1e-9 &&
         std::abs(device.m22() - ratio) < 1e-9;
}

}  // namespace

void drawImage(QPainter& painter, const QPointF& at, const QImage& image) {
  // The raster engine blends an image that lands pixel for pixel with its fast blend only while
  // smooth transforms are off: with them on it samples every pixel, three to four times slower,
  // for the same result.
  const bool exact = painter.testRenderHint(QPainter::SmoothPixmapTransform) && landsPixelForPixel(painter, image);
  if (exact) painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  // The raster engine splits a blend across threads from 96 spans (device rows) on.
  constexpr int kBandRows = 64;
  const int rows = image.height();
  if (rows <= kBandRows + kBandRows / 2 || painter.worldTransform().type() > QTransform::TxTranslate) {
    painter.drawImage(at, image);
  } else {
    const double dpr = image.devicePixelRatio();
    for (int top = 0; top < rows; top += kBandRows) {
      const int height = std::min(kBandRows, rows - top);
      painter.drawImage(QPointF(at.x(), at.y() + top / dpr), image, QRectF(0, top, image.width(), height));
    }
  }
  if (exact) painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// ---- Shapes --------------------------------------------------------------------------------

namespace {

// One continuous corner, as points (along, across) in units of the radius: `along` is the
// distance back from the corner along the incoming edge, `across` the distance from the
// corner along the outgoing edge. The curve is symmetric about the diagonal.
constexpr double kCornerExtent = kContinuousCornerExtent;
struct UnitPoint {
  double along, across;
};
constexpr UnitPoint kEdgeStart{1.52866483, 0}, kEdgeC1{1.08849323, 0}, kEdgeC2{0.86840689, 0},
    kEdgeEnd{0.66993427, 0.06549600}, kArcStart{0.63149399, 0.07491100}, kArcC1{0.37282392, 0.16905899},
    kArcC2{0.16906013, 0.37282401};

UnitPoint mirrored(UnitPoint p) { return {p.across, p.along}; }

void addCorner(QPainterPath& path, QPointF corner, QPointF dirIn, QPointF dirOut, double r) {
  auto at = [&](UnitPoint u) { return corner - dirIn * (u.along * r) + dirOut * (u.across * r); };
  path.lineTo(at(kEdgeStart));
  path.cubicTo(at(kEdgeC1), at(kEdgeC2), at(kEdgeEnd));
  path.lineTo(at(kArcStart));
  path.cubicTo(at(kArcC1), at(kArcC2), at(mirrored(kArcStart)));
  path.lineTo(at(mirrored(kEdgeEnd)));
  path.cubicTo(at(mirrored(kEdgeC2)), at(mirrored(kEdgeC1)), at(mirrored(kEdgeStart)));
}

}  // namespace

QPainterPath roundedRect(const QRectF& rect, double radius) {
  QPainterPath path;
  const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
  if (r <= 0) path.addRect(rect);
  else path.addRoundedRect(rect, r, r);
  return path;
}

QPainterPath continuousRoundedRect(const QRectF& rect, double radius) {
  const double shortSide = std::min(rect.width(), rect.height());
  if (radius <= 0 || shortSide <= 0) return roundedRect(rect, 0);
  if (radius * kCornerExtent > shortSide / 2) return roundedRect(rect, radius);
  QPainterPath path;
  const double r = radius;
  path.moveTo(rect.left() + kCornerExtent * r, rect.top());
  addCorner(path, rect.topRight(), {1, 0}, {0, 1}, r);
  addCorner(path, rect.bottomRight(), {0, 1}, {-1, 0}, r);
  addCorner(path, rect.bottomLeft(), {-1, 0}, {0, -1}, r);
  addCorner(path, rect.topLeft(), {0, -1}, {1, 0}, r);
  path.closeSubpath();
  return path;
}

void strokeInnerBorder(QPainter& painter, const QRectF& rect, double radius, const QBrush& brush, double width) {
  if (width <= 0) return;
  const double inset = width / 2;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(brush, width));
  painter.drawPath(continuousRoundedRect(rect.adjusted(inset, inset, -inset, -inset), std::max(0.0, radius - inset)));
  painter.restore();
}

// ---- Gradients and masks -------------------------------------------------------------------

QLinearGradient linearGradient(const QRectF& rect, QPointF startUnit, QPointF endUnit,
                               const std::vector<GradientStop>& stops) {
  auto at = [&](QPointF u) { return QPointF(rect.left() + u.x() * rect.width(), rect.top() + u.y() * rect.height()); };
  QLinearGradient gradient(at(startUnit), at(endUnit));
  for (const auto& stop : stops) gradient.setColorAt(std::clamp(stop.location, 0.0, 1.0), stop.color);
  return gradient;
}

QLinearGradient verticalFadeMask(const QRectF& rect, double fadeStart) {
  return linearGradient(rect, {0, 0}, {0, 1}, {{0, Qt::black}, {fadeStart, Qt::black}, {1, Qt::transparent}});
}

void applyMask(QPainter& painter, const QRectF& rect, const QBrush& mask) {
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  painter.fillRect(rect, mask);
  painter.restore();
}

// ---- Shadows -------------------------------------------------------------------------------

double painterScale(const QPainter& painter) {
  const QTransform& t = painter.worldTransform();
  const double det = std::abs(t.m11() * t.m22() - t.m12() * t.m21());
  // The device painted into: a widget rendered into a picture (QWidget::render) names itself as
  // the painter's device, while its pixels land in the picture at the picture's ratio.
  const QPaintEngine* engine = painter.paintEngine();
  const QPaintDevice* device = engine && engine->paintDevice() ? engine->paintDevice() : painter.device();
  const double deviceRatio = device ? device->devicePixelRatio() : 1.0;
  return std::clamp(deviceRatio * std::sqrt(det), 0.25, 8.0);
}

double layerScale(const QPainter& painter) { return std::max(0.25, std::round(painterScale(painter) * 4) / 4); }

namespace {

// Main thread only, like all painting.
struct ShadowCache {
  QCache<QByteArray, QImage> images{48 * 1024 * 1024};  // cost = bytes
  int hits = 0;
  int misses = 0;
};
ShadowCache& shadowCache() {
  static ShadowCache cache;
  return cache;
}

QByteArray shadowKey(const QSizeF& size, double cornerRadius, const ShadowLayer& layer, double dpr) {
  // Sizes are quantised to quarter points so that animated sizes do not flood the cache.
  auto q = [](double v) { return qint64(std::lround(v * 4)); };
  QByteArray key;
  key.reserve(64);
  for (qint64 v : {q(size.width()), q(size.height()), q(cornerRadius), q(layer.radius), q(dpr)})
    key.append(reinterpret_cast<const char*>(&v), sizeof v);
  const QRgb rgba = layer.color.rgba();
  key.append(reinterpret_cast<const char*>(&rgba), sizeof rgba);
  return key;
}

// A shadow is blurred: the nearest pixel is as good as a sampled one where the painter scales
// (a lifted card) and costs a fifth.
void drawBlurred(QPainter& painter, const QPointF& at, const QImage& image) {
  const bool sampled = painter.testRenderHint(QPainter::SmoothPixmapTransform) &&
                       painter.worldTransform().type() == QTransform::TxScale;
  if (sampled) painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  drawImage(painter, at, image);
  if (sampled) painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Draws the picture kept under `key` at `at`, made first when the cache holds none; one too big
// for the cache is drawn once and let go.
QImage kept(const QByteArray& key, const std::function<QImage()>& make) {
  auto& cache = shadowCache();
  if (const QImage* image = cache.images.object(key)) {
    ++cache.hits;
    return *image;
  }
  ++cache.misses;
  const QImage made = make();
  cache.images.insert(key, new QImage(made), std::max<qsizetype>(1, made.sizeInBytes()));
  return made;
}

void drawKept(QPainter& painter, const QPointF& at, const QByteArray& key, const std::function<QImage()>& make) {
  drawBlurred(painter, at, kept(key, make));
}

QImage renderShadow(const QPainterPath& shape, const QRectF& bounds, const QColor& color, double radius, double dpr,
                    QPointF* origin) {
  const double margin = blurMargin(radius) + 1;
  const QRectF area = bounds.adjusted(-margin, -margin, margin, margin);
  QImage image(QSize(int(std::ceil(area.width() * dpr)), int(std::ceil(area.height() * dpr))),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(-area.topLeft());
    p.fillPath(shape, color);
  }
  *origin = area.topLeft();
  return blurred(image, radius, BlurEdges::transparent);
}

}  // namespace

void drawShadow(QPainter& painter, const QRectF& rect, double cornerRadius, const ShadowLayer& layer) {
  if (!layer.color.isValid() || layer.color.alpha() == 0 || rect.isEmpty()) return;
  const double dpr = painterScale(painter);
  const double margin = blurMargin(layer.radius) + 1;
  drawKept(painter, rect.topLeft() + QPointF(layer.x, layer.y) - QPointF(margin, margin),
           shadowKey(rect.size(), cornerRadius, layer, dpr), [&] {
             const QRectF local(0, 0, rect.width(), rect.height());
             QPointF origin;
             return renderShadow(continuousRoundedRect(local, cornerRadius), local, layer.color, layer.radius, dpr,
                                 &origin);
           });
}

void drawStretchedShadow(QPainter& painter, const QRectF& rect, double cornerRadius, const ShadowLayer& layer,
                         bool inMotion) {
  if (!layer.color.isValid() || layer.color.alpha() == 0 || rect.isEmpty()) return;
  const double margin = blurMargin(layer.radius) + 1;
  // How far along an edge a corner's curve and its blur reach (a continuous corner runs on past
  // its radius).
  const double reach = std::ceil(cornerRadius * 1.6 + margin);
  const double least = 2 * reach + 2;
  if (rect.width() <= least + 2 && rect.height() <= least + 2) return drawShadow(painter, rect, cornerRadius, layer);
  const double dpr = painterScale(painter);
  const QPointF at = rect.topLeft() + QPointF(layer.x, layer.y) - QPointF(margin, margin);
  const QSizeF piece(std::min(rect.width(), least), std::min(rect.height(), least));
  const auto small = [&] {
    return kept(shadowKey(piece, cornerRadius, layer, dpr) + "piece", [&] {
      QImage image((QSizeF(piece.width() + 2 * margin, piece.height() + 2 * margin) * dpr).toSize(),
                   QImage::Format_ARGB32_Premultiplied);
      image.setDevicePixelRatio(dpr);
      image.fill(Qt::transparent);
      QPainter piecePainter(&image);
      drawShadow(piecePainter, QRectF(QPointF(margin - layer.x, margin - layer.y), piece), cornerRadius, layer);
      return image;
    });
  };
  // Three slices a side: the ends as they are, the middle stretched to the length asked for.
  struct Slices {
    double from[4];
    double to[4];
  };
  const auto slice = [&](double source, double target) {
    const double end = std::min(source / 2, margin + reach);
    return Slices{{0, end, source - end, source}, {0, end, target - end, target}};
  };
  const QSizeF whole(rect.width() + 2 * margin, rect.height() + 2 * margin);
  const Slices across = slice(piece.width() + 2 * margin, whole.width());
  const Slices down = slice(piece.height() + 2 * margin, whole.height());
  const auto drawSlices = [&](QPainter& target, QPointF origin) {
    const QImage image = small();
    for (int column = 0; column < 3; ++column)
      for (int row = 0; row < 3; ++row) {
        const QRectF to(QPointF(across.to[column], down.to[row]), QPointF(across.to[column + 1], down.to[row + 1]));
        const QRectF from(QPointF(across.from[column], down.from[row]) * dpr,
                          QPointF(across.from[column + 1], down.from[row + 1]) * dpr);
        if (to.isEmpty() || from.isEmpty()) continue;
        // The middle lies past the blur, one colour: filled, not stretched pixel by pixel.
        if (column == 1 && row == 1) target.fillRect(to.translated(origin), image.pixelColor(from.center().toPoint()));
        else target.drawImage(to.translated(origin), image, from);
      }
  };
  if (inMotion) {
    // A picture of the whole would be made for one frame and let go. A slice is stretched only
    // along the edge it runs down, where its pixels are all alike: the nearest is as good.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    drawSlices(painter, at);
    painter.restore();
    return;
  }
  drawKept(painter, at, shadowKey(rect.size(), cornerRadius, layer, dpr) + "stretched", [&] {
    QImage image((whole * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter stretched(&image);
    stretched.setCompositionMode(QPainter::CompositionMode_Source);
    stretched.setRenderHint(QPainter::SmoothPixmapTransform);
    drawSlices(stretched, QPointF());
    stretched.end();
    return image;
  });
}

void drawShadows(QPainter& painter, const QRectF& rect, double cornerRadius, const std::vector<ShadowLayer>& layers) {
  for (const auto& layer : layers) drawShadow(painter, rect, cornerRadius, layer);
}

void drawShadows(QPainter& painter, const QRectF& rect, double cornerRadius, const ThemeShadow& shadow) {
  drawShadows(painter, rect, cornerRadius, shadow.layers());
}

void drawShadow(QPainter& painter, const QPainterPath& shape, const ShadowLayer& layer) {
  if (!layer.color.isValid() || layer.color.alpha() == 0 || shape.isEmpty()) return;
  QPointF origin;
  const QImage image = renderShadow(shape, shape.boundingRect(), layer.color, layer.radius, painterScale(painter),
                                    &origin);
  drawImage(painter, origin + QPointF(layer.x, layer.y), image);
}

ShadowCacheStats shadowCacheStats() {
  const auto& cache = shadowCache();
  return {int(cache.images.count()), cache.hits, cache.misses};
}

void clearShadowCache() {
  auto& cache = shadowCache();
  cache.images.clear();
  cache.hits = cache.misses = 0;
}

// ---- Layers --------------------------------------------------------------------------------

Layer::Layer(QPainter& target, const QRectF& bounds) : target_(target), bounds_(bounds) {}

Layer::~Layer() { end(); }

QPainter& Layer::painter() {
  if (!painter_) {
    const double dpr = painterScale(target_);
    const double margin = blur_ > 0 ? blurMargin(blur_) : 0;
    area_ = bounds_.adjusted(-margin, -margin, margin, margin);
    image_ = QImage(
        QSize(std::max(1, int(std::ceil(area_.width() * dpr))), std::max(1, int(std::ceil(area_.height() * dpr)))),
        QImage::Format_ARGB32_Premultiplied);
    image_.setDevicePixelRatio(dpr);
    image_.fill(Qt::transparent);
    painter_ = new QPainter(&image_);
    painter_->setRenderHints(target_.renderHints());
    painter_->translate(-area_.topLeft());
  }
  return *painter_;
}

void Layer::end() {
  if (ended_) return;
  ended_ = true;
  if (!painter_) return;
  if (hasMask_) applyMask(*painter_, bounds_, mask_);
  painter_->end();
  delete painter_;
  painter_ = nullptr;
  if (opacity_ <= 0) return;
  if (blur_ > 0) image_ = blurred(image_, blur_, BlurEdges::transparent);
  target_.save();
  target_.setTransform(transform_, true);
  target_.setOpacity(target_.opacity() * std::min(1.0, opacity_));
  drawImage(target_, area_.topLeft(), image_);
  target_.restore();
}

}  // namespace qv::Fx
