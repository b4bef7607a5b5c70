#include "ui/fx/Fx.h"

#include <QCache>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace qv::Fx {

// ---- Blur ----------------------------------------------------------------------------------

void drawImage(QPainter& painter, const QPointF& at, const QImage& image) {
  // The raster engine splits a blend across threads from 96 spans (device rows) on.
  constexpr int kBandRows = 64;
  const int rows = image.height();
  if (rows <= kBandRows + kBandRows / 2 || painter.worldTransform().type() > QTransform::TxTranslate) {
    painter.drawImage(at, image);
    return;
  }
  const double dpr = image.devicePixelRatio();
  for (int top = 0; top < rows; top += kBandRows) {
    const int height = std::min(kBandRows, rows - top);
    painter.drawImage(QPointF(at.x(), at.y() + top / dpr), image, QRectF(0, top, image.width(), height));
  }
}

double sigmaForRadius(double radius) { return std::max(0.0, radius) / 2.0; }

double blurMargin(double radius) { return std::ceil(3.0 * sigmaForRadius(radius)); }

namespace {

// Above this sigma (device pixels) the image is halved before blurring.
constexpr double kMaxFullScaleSigma = 6.0;

// Three box blurs approximate a Gaussian (central limit); the box widths are chosen so that
// their combined variance equals sigma².
std::array<int, 3> boxRadiiForSigma(double sigma) {
  constexpr int n = 3;
  const double wIdeal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
  int wl = int(std::floor(wIdeal));
  if (wl % 2 == 0) --wl;
  const int wu = wl + 2;
  const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0);
  const int m = int(std::lround(mIdeal));
  std::array<int, 3> radii{};
  for (int i = 0; i < n; ++i) radii[i] = ((i < m ? wl : wu) - 1) / 2;
  return radii;
}

// One box pass over `count` lines of `length` pixels of four float channels. `step` walks
// along a line, `lineStep` from one line to the next (both in pixels). Floats keep the faint
// tails that integer rounding would eat, so the blur keeps the image's mean.
void boxPass(float* pixels, int length, int count, qsizetype step, qsizetype lineStep, int radius, bool extend,
             std::vector<float>& line) {
  if (radius <= 0 || length <= 0) return;
  const float scale = 1.0f / float(2 * radius + 1);
  line.resize(size_t(length) * 4);
  for (int l = 0; l < count; ++l) {
    float* base = pixels + l * lineStep * 4;
    for (int i = 0; i < length; ++i) std::memcpy(&line[size_t(i) * 4], base + i * step * 4, 4 * sizeof(float));
    auto at = [&](int i) -> const float* {
      static constexpr float zero[4] = {0, 0, 0, 0};
      if (i < 0) return extend ? &line[0] : zero;
      if (i >= length) return extend ? &line[size_t(length - 1) * 4] : zero;
      return &line[size_t(i) * 4];
    };
    float sum[4] = {0, 0, 0, 0};
    for (int i = -radius; i <= radius; ++i) {
      const float* p = at(i);
      for (int c = 0; c < 4; ++c) sum[c] += p[c];
    }
    for (int i = 0; i < length; ++i) {
      float* out = base + i * step * 4;
      for (int c = 0; c < 4; ++c) out[c] = sum[c] * scale;
      const float* leaving = at(i - radius);
      const float* entering = at(i + radius + 1);
      for (int c = 0; c < 4; ++c) sum[c] += entering[c] - leaving[c];
    }
  }
}

struct FloatImage {
  int w = 0, h = 0;
  std::vector<float> px;  // four premultiplied channels per pixel
  float* at(int x, int y) { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
  const float* at(int x, int y) const { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
};

FloatImage toFloat(const QImage& image) {
  FloatImage f{image.width(), image.height(), {}};
  f.px.resize(size_t(f.w) * size_t(f.h) * 4);
  for (int y = 0; y < f.h; ++y) {
    const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
    for (int x = 0; x < f.w; ++x) {
      const quint32 p = row[x];
      float* out = f.at(x, y);
      out[0] = float(p & 0xff);
      out[1] = float((p >> 8) & 0xff);
      out[2] = float((p >> 16) & 0xff);
      out[3] = float(p >> 24);
    }
  }
  return f;
}

// The first halving read straight from the 8-bit image, in the same order as `halved`, so that
// no full-size float copy is made.
FloatImage halvedImage(const QImage& image, bool extend) {
  const int w = image.width(), h = image.height();
  FloatImage out{(w + 1) / 2, (h + 1) / 2, {}};
  out.px.assign(size_t(out.w) * size_t(out.h) * 4, 0.f);
  for (int y = 0; y < out.h; ++y)
    for (int dy = 0; dy < 2; ++dy) {
      int sy = 2 * y + dy;
      if (sy >= h) {
        if (!extend) continue;
        sy = h - 1;
      }
      const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(sy));
      float* o = out.at(0, y);
      for (int x = 0; x < out.w; ++x, o += 4)
        for (int dx = 0; dx < 2; ++dx) {
          int sx = 2 * x + dx;
          if (sx >= w) {
            if (!extend) continue;
            sx = w - 1;
          }
          const quint32 p = row[sx];
          o[0] += float(p & 0xff) * 0.25f;
          o[1] += float((p >> 8) & 0xff) * 0.25f;
          o[2] += float((p >> 16) & 0xff) * 0.25f;
          o[3] += float(p >> 24) * 0.25f;
        }
    }
  return out;
}

// Halves the image by averaging 2 × 2 blocks (an odd last row or column counts the missing
// pixels as transparent, or as repeats when edges extend). The average keeps the mean.
FloatImage halved(const FloatImage& f, bool extend) {
  FloatImage h{(f.w + 1) / 2, (f.h + 1) / 2, {}};
  h.px.assign(size_t(h.w) * size_t(h.h) * 4, 0.f);
  for (int y = 0; y < h.h; ++y)
    for (int x = 0; x < h.w; ++x) {
      float* out = h.at(x, y);
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          int sx = 2 * x + dx, sy = 2 * y + dy;
          if (sx >= f.w || sy >= f.h) {
            if (!extend) continue;
            sx = std::min(sx, f.w - 1);
            sy = std::min(sy, f.h - 1);
          }
          const float* in = f.at(sx, sy);
          for (int c = 0; c < 4; ++c) out[c] += in[c] * 0.25f;
        }
    }
  return h;
}

// One row of premultiplied float pixels into 8-bit premultiplied ARGB.
void storeRow(quint32* row, const float* in, int width) {
  for (int x = 0; x < width; ++x, in += 4) {
    quint32 c[4];
    for (int k = 0; k < 4; ++k) c[k] = quint32(std::clamp(int(in[k] + 0.5f), 0, 255));
    // Premultiplied colour never exceeds alpha.
    for (int k = 0; k < 3; ++k) c[k] = std::min(c[k], c[3]);
    row[x] = c[0] | (c[1] << 8) | (c[2] << 16) | (c[3] << 24);
  }
}

// Bilinear enlargement by `factor` onto `image` (its size), sampling at pixel centres, row by
// row straight into the image.
void storeEnlarged(QImage& image, const FloatImage& f, int factor) {
  const int w = image.width(), h = image.height();
  auto coordinate = [&](int i, int size, int& i0, int& i1, float& t) {
    const float s = std::clamp((float(i) + 0.5f) / float(factor) - 0.5f, 0.f, float(size - 1));
    i0 = int(s);
    i1 = std::min(i0 + 1, size - 1);
    t = s - float(i0);
  };
  struct Tap {
    int i0, i1;
    float t;
  };
  std::vector<Tap> columns(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) coordinate(x, f.w, columns[size_t(x)].i0, columns[size_t(x)].i1, columns[size_t(x)].t);
  std::vector<float> top(size_t(f.w) * 4), out(size_t(w) * 4);
  for (int y = 0; y < h; ++y) {
    int y0, y1;
    float ty;
    coordinate(y, f.h, y0, y1, ty);
    // Blend the two source rows once, then only across.
    const float* r0 = f.at(0, y0);
    const float* r1 = f.at(0, y1);
    for (size_t k = 0; k < top.size(); ++k) top[k] = r0[k] + (r1[k] - r0[k]) * ty;
    for (int x = 0; x < w; ++x) {
      const Tap& tap = columns[size_t(x)];
      const float* a = &top[size_t(tap.i0) * 4];
      const float* b = &top[size_t(tap.i1) * 4];
      for (int k = 0; k < 4; ++k) out[size_t(x) * 4 + k] = a[k] + (b[k] - a[k]) * tap.t;
    }
    storeRow(reinterpret_cast<quint32*>(image.scanLine(y)), out.data(), w);
  }
}

void gaussian(FloatImage& f, double sigma, bool extend) {
  if (sigma < 0.2) return;
  std::vector<float> line;
  for (int r : boxRadiiForSigma(sigma)) {
    boxPass(f.px.data(), f.w, f.h, 1, f.w, r, extend, line);
    boxPass(f.px.data(), f.h, f.w, f.w, 1, r, extend, line);
  }
}

void storeInto(QImage& image, const FloatImage& f) {
  for (int y = 0; y < f.h; ++y) storeRow(reinterpret_cast<quint32*>(image.scanLine(y)), f.at(0, y), f.w);
}

}  // namespace

QImage blurred(const QImage& image, double radius, BlurEdges edges) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const double dpr = image.devicePixelRatio();
  double sigma = sigmaForRadius(radius) * dpr;
  if (result.isNull() || sigma < 0.2) return result;
  const bool extend = edges == BlurEdges::extend;

  // Large radii: halved straight from the image, and enlarged straight back into it.
  const bool reduce = sigma > kMaxFullScaleSigma && result.width() > 8 && result.height() > 8;
  FloatImage work = reduce ? halvedImage(result, extend) : toFloat(result);
  int factor = reduce ? 2 : 1;
  if (reduce) sigma /= 2;
  while (sigma > kMaxFullScaleSigma && work.w > 8 && work.h > 8) {
    work = halved(work, extend);
    sigma /= 2;
    factor *= 2;
  }
  gaussian(work, sigma, extend);
  result.detach();
  if (factor > 1) storeEnlarged(result, work, factor);
  else storeInto(result, work);
  result.setDevicePixelRatio(dpr);
  return result;
}

// ---- Shapes --------------------------------------------------------------------------------

namespace {

// One continuous corner, as points (along, across) in units of the radius: `along` is the
// distance back from the corner along the incoming edge, `across` the distance from the
// corner along the outgoing edge. The curve is symmetric about the diagonal.
constexpr double kCornerExtent = 1.52866483;
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
  // Sizes are quantised to quarter points so that animated sizes do not flood the cache.
  auto q = [](double v) { return qint64(std::lround(v * 4)); };
  QByteArray key;
  key.reserve(64);
  for (qint64 v : {q(rect.width()), q(rect.height()), q(cornerRadius), q(layer.radius), q(dpr)})
    key.append(reinterpret_cast<const char*>(&v), sizeof v);
  const QRgb rgba = layer.color.rgba();
  key.append(reinterpret_cast<const char*>(&rgba), sizeof rgba);

  auto& cache = shadowCache();
  const QRectF local(0, 0, rect.width(), rect.height());
  const double margin = blurMargin(layer.radius) + 1;
  QImage* image = cache.images.object(key);
  if (image) {
    ++cache.hits;
  } else {
    ++cache.misses;
    QPointF origin;
    auto* made = new QImage(
        renderShadow(continuousRoundedRect(local, cornerRadius), local, layer.color, layer.radius, dpr, &origin));
    const qsizetype cost = std::max<qsizetype>(1, made->sizeInBytes());
    image = made;
    if (!cache.images.insert(key, made, cost)) {
      // Too big for the cache: draw it once and let it go.
      QImage once = *image;
      drawImage(painter, rect.topLeft() + QPointF(layer.x, layer.y) - QPointF(margin, margin), once);
      return;
    }
  }
  drawImage(painter, rect.topLeft() + QPointF(layer.x, layer.y) - QPointF(margin, margin), *image);
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

// ---- Modifiers -------------------------------------------------------------------------------

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
