#pragma once
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

// Draws `image` (at its device pixel ratio) with its top-left at `at`, as QPainter::drawImage
// does. Where the painter only translates, an image of many rows is drawn in bands of a few
// dozen: Qt's raster engine hands blends of more rows to its thread pool, and waking the pool
// costs several times what blending a card-sized image takes.
void drawImage(QPainter& painter, const QPointF& at, const QImage& image);

// ---- Blur --------------------------------------------------------------------------------
//
// Every blur radius in the program (blur modifiers, shadow radii) means the same thing: the
// distance in points over which the blur visibly spreads. The Gaussian behind it has
// sigma = radius / 2, so about 95 % of the spread lies within the radius.
double sigmaForRadius(double radius);

// What lies beyond the image's edge while blurring.
enum class BlurEdges {
  transparent,  // nothing: content fades out at the edges (a layer blurred in place of a view)
  extend,       // the edge pixels repeat: the image keeps its opacity up to its edges
};

// Blurs `image` (any format; the result is premultiplied ARGB32 of the same size and device
// pixel ratio). `radius` is in points; it is scaled by the image's device pixel ratio. Large
// radii are blurred at a reduced scale (halved until sigma is at most 6 device pixels) and
// scaled back up, which costs a fraction and looks the same.
QImage blurred(const QImage& image, double radius, BlurEdges edges = BlurEdges::transparent);

// How far (in points) a blur of `radius` reaches beyond the content: the margin to add around
// a layer so that nothing is cut off.
double blurMargin(double radius);

// ---- Shapes --------------------------------------------------------------------------------

// A rounded rectangle with continuous ("squircle") corners: the curvature grows smoothly from
// the straight edge into the corner instead of jumping onto a circle. Where the corners would
// not fit (the rectangle is shorter than about three radii) it falls back to circular corners,
// and a radius of half the short side or more makes a capsule.
QPainterPath continuousRoundedRect(const QRectF& rect, double radius);
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

// ---- Modifiers as pure functions of their inputs ---------------------------------------------

// A view's look during a transition: a transform in the view's own coordinates, a blur radius
// and an opacity, applied in that order.
struct LayerLook {
  QTransform transform;
  double blur = 0;
  double opacity = 1;
  // The same transform in the two steps a graphics item applies: first a scale around
  // `scaleOrigin`, then `afterScale`.
  double scale = 1;
  QPointF scaleOrigin;
  QTransform afterScale;
  bool isIdentity() const { return transform.isIdentity() && blur == 0 && opacity == 1; }
};

// Scale around a unit anchor of `bounds`, then blur, then opacity.
LayerLook blurScale(const QRectF& bounds, double scale, QPointF anchorUnit, double blur, double opacity);

// Thrown away: shrinks (1 − 0.22p) around the centre, turns 10·t·p degrees around the
// bottom-leading corner, moves 44·t·p to the trailing side and 30·t·p up, blurs 8p and fades to
// 1 − p. p = 0 is at rest, p = 1 gone.
LayerLook blowAway(const QRectF& bounds, double progress, double travel);
// The card list's removal: the end state of blowAway with travel 0.35.
inline constexpr double kBlowAwayTravel = 0.35;

// A card's lift while hovered or selected, for a lift progress q in [0, 1] (0 = resting, 1 =
// lifted; the host animates q with the snappy spring only when "lifted" changes).
struct HoverLift {
  double scale = 1;
  QPointF offset;
  std::vector<ShadowLayer> shadows;  // painted in order, under the content
  // The transform around the centre of `bounds`.
  QTransform transform(const QRectF& bounds) const;
};
HoverLift hoverLift(double liftProgress);

// The refusal shake: horizontal offset at progress p in [0, 1] (three cycles, 5 points,
// decaying linearly). Zero at both ends.
double shakeOffset(double progress);
inline constexpr double kShakeDuration = 0.3;

}  // namespace qv::Fx
