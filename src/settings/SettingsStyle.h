#pragma once
#include "ui/theme/Environment.h"

#include <QColor>
#include <QFont>

namespace qv::settingsStyle {

// The desktop's interface font (or its fixed-width one) at a pixel size.
QFont font(double pixelSize, QFont::Weight weight = QFont::Normal, bool monospaced = false);
// The colour of primary text, at an opacity.
QColor primary(const EnvironmentValues& environment, double opacity = 1.0);
// Secondary text (labels under or beside primary ones).
inline QColor secondary(const EnvironmentValues& environment, double opacity = 1.0) {
  return primary(environment, 0.5 * opacity);
}
// Tertiary text (explanations, fine print).
inline QColor tertiary(const EnvironmentValues& environment, double opacity = 1.0) {
  return primary(environment, 0.26 * opacity);
}
// A colour between two, `progress` of the way from `from` to `to`.
QColor mix(const QColor& from, const QColor& to, double progress);

}  // namespace qv::settingsStyle
