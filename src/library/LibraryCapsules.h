#pragma once
#include "ui/fx/Fx.h"

#include <QPainterPath>
#include <QRectF>

namespace qv {

// Room the header's capsules leave around themselves for their hover growth. The header's
// spacings count from the capsules, so its layout takes this room back.
inline constexpr double kGrowthRoom = 2;

// The header's capsule: a rounded rectangle whose ends are half circles.
inline QPainterPath libraryCapsule(const QRectF& rect) { return Fx::continuousRoundedRect(rect, rect.height() / 2); }

}  // namespace qv
