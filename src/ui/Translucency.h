#pragma once
#include "ui/theme/Environment.h"

#include <QColor>
#include <QPainterPath>
#include <QRegion>

class QPainter;
class QWidget;
struct xcb_connection_t;

namespace qv {

// The two translucent surfaces: the edge panel's body and the menus/popovers.
enum class Material { panel, menu };

// What the desktop offers for see-through windows.
struct TranslucencySupport {
  bool compositor = false;  // windows may be translucent at all
  bool blurBehind = false;  // the compositor blurs what lies behind a window on request
  bool operator==(const TranslucencySupport&) const = default;
};

// Translucent backgrounds need a compositing manager; without one a translucent window shows
// garbage, so those surfaces paint an opaque themed background instead.
namespace Translucency {

// Asks the X server (through Qt's own connection) whether a compositing manager owns the
// _NET_WM_CM_S<screen> selection, and whether it offers blur-behind. Nothing under other
// platforms (offscreen, Wayland without XWayland).
TranslucencySupport detect();
// The same on a given connection and screen number.
TranslucencySupport detect(xcb_connection_t* connection, int screen);

// Prepares a top-level window before it is shown: translucent when `support.compositor`,
// and asks for blur behind `region` (the whole window when empty) when the compositor offers
// it. Returns whether the window is translucent.
bool prepareWindow(QWidget* window, const TranslucencySupport& support, const QRegion& region = {});

// The background of a material. Translucent while a compositor runs and the user has not asked
// for reduced transparency or more contrast; more opaque when nothing blurs behind; opaque
// otherwise.
QColor backgroundColor(Material material, const EnvironmentValues& environment, const TranslucencySupport& support);
// The hairline around a surface (stronger with reduced transparency or more contrast).
QColor hairlineColor(const EnvironmentValues& environment);
// Fills `shape` with the background and strokes its hairline inside it.
void paintBackground(QPainter& painter, const QPainterPath& shape, Material material, const EnvironmentValues& environment,
                     const TranslucencySupport& support);

}  // namespace Translucency

}  // namespace qv
