#pragma once
#include "ui/theme/Theme.h"

#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <vector>

// Modifiers as pure functions of their inputs: the looks of transitions, hover lifts and shakes.

namespace qv::Fx {

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
