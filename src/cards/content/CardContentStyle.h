#pragma once
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Environment.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <functional>
#include <vector>

class QPainter;

namespace qv {

// What every card content shares: the card's size, its colours, the tinted
// background of the text-like cards and the bottom fade that stands in for an ellipsis.
namespace CardContentStyle {

inline constexpr double kCardWidth = 280;
inline constexpr double kCardHeight = 240;
// The card's rounded shape: continuous corners of this radius.
inline constexpr double kCardCornerRadius = 18;
inline QSizeF cardSize() { return {kCardWidth, kCardHeight}; }

// The scheme's primary ink at `opacity` (primaryColor), by the cards' short name.
inline QColor primary(const EnvironmentValues& environment, double opacity) {
  return primaryColor(environment, opacity);
}
QColor white(double opacity);
QColor black(double opacity);

// An image of `bounds` (points) at `scale` device pixels per point, painted once by `paint` in
// the bounds' coordinates and kept under `name` with the bounds and scale among the most
// recent few: for layers that every card shares (backgrounds, edges, glows). Main thread only.
QImage sharedLayer(const QString& name, const QRectF& bounds, double scale,
                   const std::function<void(QPainter&)>& paint);

// The background of the text, code, file and link cards.
void paintTintedBackground(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

// Paints what `draw` paints into `rect`, clipped to it and masked by a top-to-bottom gradient
// that is opaque down to `fadeStart` and clear from `fadeEnd` (unit locations over the rect's
// height). Only the band where the alpha falls goes through a layer: above it `draw` paints
// straight onto the target, and below it nothing is painted.
void paintWithBottomFade(QPainter& painter, const QRectF& rect, double fadeStart, double fadeEnd,
                         const std::function<void(QPainter&)>& draw);

// The source rectangle of a picture shown scaled to fill `target` (aspect kept, the longer
// side cut equally at both ends).
QRectF fillCropSource(const QSizeF& imageSize, const QSizeF& target);
// The rectangle a picture takes when scaled to fit inside `target`, centred.
QRectF fitRect(const QSizeF& imageSize, const QRectF& target);

}  // namespace CardContentStyle

}  // namespace qv
