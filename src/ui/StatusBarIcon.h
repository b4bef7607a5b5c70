#pragma once
#include "platform/DesktopAppearance.h"

#include <QColor>
#include <QImage>
#include <optional>

class QPainter;

namespace qv {

// The status item's symbol, an 18 × 18 point mask drawn at the painter's origin (y down): a
// back card outline, a front card (solid with two text lines cut out when `filled`, outlined
// with two lines otherwise) and, when `paused`, a slash with a transparent margin. The cut-outs
// clear what lies below, so the painter should draw into a transparent ARGB image. Returns
// false and draws nothing without an active painter.
bool drawStatusBarIcon(QPainter* painter, bool filled, bool paused);

inline constexpr int kStatusBarIconSize = 18;

// The symbol as an image at `devicePixelRatio`, its black replaced by `tint` (the tray shows a
// template image in the panel's text colour).
QImage statusBarIconImage(bool filled, bool paused, double devicePixelRatio, const QColor& tint = Qt::black);

// The symbol's colour: the tray's own foreground where it names one, else the text colour of
// the desktop's colour scheme (light on a dark desktop; dark without a preference).
QColor statusBarIconTint(const std::optional<QColor>& trayForeground, DesktopColorScheme desktopScheme);

}  // namespace qv
