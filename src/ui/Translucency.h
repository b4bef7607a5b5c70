#pragma once
#include "platform/Compositor.h"
#include "ui/theme/Environment.h"

#include <QColor>
#include <QPainterPath>
#include <QRegion>

class QPainter;
class QWidget;

namespace qv {

// The two translucent surfaces: the edge panel's body and the menus/popovers.
enum class Material { panel, menu };

// Translucent backgrounds need a compositing manager; without one a translucent window shows
// garbage, so those surfaces paint an opaque themed background instead.
namespace Translucency {

// Prepares a top-level window, before its native window exists, for both ways of drawing: it
// gets a visual with an alpha channel, so that a compositor arriving later can show it
// translucent, and no system background. Without a compositor its owner paints it opaque and
// cuts it to the parts that show something.
void prepareWindow(QWidget* window);

// The background of a material. Translucent while a compositor runs and the user has not asked
// for reduced transparency or more contrast; nearly opaque unless the compositor is known to
// blur what lies behind (text behind would read through it); opaque otherwise.
QColor backgroundColor(Material material, const EnvironmentValues& environment, const TranslucencySupport& support);
// The hairline around a surface (stronger with reduced transparency or more contrast).
QColor hairlineColor(const EnvironmentValues& environment);
// Fills `shape` with the background and strokes its hairline inside it.
void paintBackground(QPainter& painter, const QPainterPath& shape, Material material,
                     const EnvironmentValues& environment, const TranslucencySupport& support);
// The two halves of it: the fill, which replaces what lay there, and the hairline over it (a
// surface that keeps its hairline as a picture draws the fill alone).
void fillBackground(QPainter& painter, const QPainterPath& shape, Material material,
                    const EnvironmentValues& environment, const TranslucencySupport& support);
void strokeHairline(QPainter& painter, const QPainterPath& shape, const EnvironmentValues& environment);

}  // namespace Translucency

}  // namespace qv
