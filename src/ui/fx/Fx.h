#pragma once
#include "ui/fx/Blur.h"
#include "ui/fx/Modifiers.h"
#include "ui/theme/Theme.h"

#include <QBrush>
#include <QColor>
#include <QGradient>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <vector>

class QPainter;

namespace qv::Fx {

// Device pixels per point where `painter` paints now (pixel ratio times the world scale).
double painterScale(const QPainter& painter);
// The scale a kept picture is made at for `painter`: painterScale in quarter steps, so that a
// scale that moves by a hair (a card's lift) makes no new picture.
double layerScale(const QPainter& painter);

// Draws `image` (at its device pixel ratio) with its top-left at `at`, as QPainter::drawImage
// does. Where the painter only translates, an image of many rows is drawn in bands of a few
// dozen: Qt's raster engine hands blends of more rows to its thread pool, and waking the pool
// costs several times what blending a card-sized image takes.
void drawImage(QPainter& painter, const QPointF& at, const QImage& image);

// ---- Shapes --------------------------------------------------------------------------------

// A rounded rectangle with continuous ("squircle") corners: the curvature grows smoothly from
// the straight edge into the corner instead of jumping onto a circle. Where the corners would
// not fit (the rectangle is shorter than about three radii) it falls back to circular corners,
// and a radius of half the short side or more makes a capsule.
QPainterPath continuousRoundedRect(const QRectF& rect, double radius);
// How far along each side a continuous corner reaches, in units of its radius.
inline constexpr double kContinuousCornerExtent = 1.52866483;
// The same with circular corners.
QPainterPath roundedRect(const QRectF& rect, double radius);

// Strokes a border that lies entirely inside the shape `continuousRoundedRect(rect, radius)`.
void strokeInnerBorder(QPainter& painter, const QRectF& rect, double radius, const QBrush& brush, double width);

// ---- Gradients and masks -------------------------------------------------------------------

struct GradientStop {
  double location = 0;
  QColor color;
};

// A linear gradient across `rect` from one unit point to another ((0, 0) = top-left,
// (1, 1) = bottom-right).
QLinearGradient linearGradient(const QRectF& rect, QPointF startUnit, QPointF endUnit,
                               const std::vector<GradientStop>& stops);

// Multiplies what is already painted in `rect` by the alpha of `mask` (DestinationIn). Use it
// on a layer, not on a shared surface.
void applyMask(QPainter& painter, const QRectF& rect, const QBrush& mask);

// A top-to-bottom fade: opaque down to `fadeStart` (unit), transparent at the bottom. Cards
// clip long text with this instead of an ellipsis.
QLinearGradient verticalFadeMask(const QRectF& rect, double fadeStart);

// ---- Shadows -------------------------------------------------------------------------------

// Paints the shadow of a continuous rounded rectangle. The blurred bitmap is cached per size,
// corner radius, shadow colour and radius, and device pixel ratio, so a list of equal cards
// blurs once. A transparent layer or a zero radius with a clear colour paints nothing.
void drawShadow(QPainter& painter, const QRectF& rect, double cornerRadius, const ShadowLayer& layer);
// The same shadow for a large rectangle whose size changes (a pane that follows its content):
// the shadow of a small one with its straight middle stretched, since a blurred straight edge is
// the same all along it. Nothing is blurred for a new size. `inMotion`: a size that changes every
// frame, drawn in slices without keeping a picture of it.
void drawStretchedShadow(QPainter& painter, const QRectF& rect, double cornerRadius, const ShadowLayer& layer,
                         bool inMotion = false);
// Paints every layer of an elevation in order.
void drawShadows(QPainter& painter, const QRectF& rect, double cornerRadius, const std::vector<ShadowLayer>& layers);
void drawShadows(QPainter& painter, const QRectF& rect, double cornerRadius, const ThemeShadow& shadow);

// The shadow of any shape, blurred each time (no cache): for shapes that change.
void drawShadow(QPainter& painter, const QPainterPath& shape, const ShadowLayer& layer);

struct ShadowCacheStats {
  int entries = 0;
  int hits = 0;
  int misses = 0;
};
ShadowCacheStats shadowCacheStats();
void clearShadowCache();

// ---- Layers --------------------------------------------------------------------------------

// An offscreen layer over `bounds` (in the painter's current coordinates) at the painter's
// device pixel ratio. Paint into `painter()`; when the layer ends (end() or destruction) it is
// optionally masked and blurred, then composited onto the target with its opacity and
// transform. This is what a compositing group is: shadows and opacity apply to the whole.
class Layer {
 public:
  Layer(QPainter& target, const QRectF& bounds);
  ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  // Created on first use, after the blur is set.
  QPainter& painter();
  const QRectF& bounds() const { return bounds_; }

  void setOpacity(double opacity) { opacity_ = opacity; }
  // Blur radius in points; the layer grows by the blur margin so nothing is cut off.
  void setBlur(double radius) { blur_ = radius; }
  // Alpha mask over the bounds (e.g. verticalFadeMask), applied before the blur.
  void setMask(const QBrush& mask) {
    mask_ = mask;
    hasMask_ = true;
  }
  // Extra transform applied when compositing (in the target's coordinates).
  void setTransform(const QTransform& transform) { transform_ = transform; }

  void end();

 private:
  QPainter& target_;
  QRectF bounds_;
  QRectF area_;
  QImage image_;
  bool ended_ = false;
  QPainter* painter_ = nullptr;
  double opacity_ = 1;
  double blur_ = 0;
  QBrush mask_;
  bool hasMask_ = false;
  QTransform transform_;
};

}  // namespace qv::Fx
