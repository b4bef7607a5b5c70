#pragma once
#include "ui/text/Fonts.h"
#include "ui/theme/Environment.h"

#include <QColor>
#include <QFont>
#include <algorithm>

namespace qv {

// The colour scheme's primary ink (black in light, white in dark) at `opacity`: the one ink of
// text, symbols, washes and hairlines in every view, menu and text field.
QColor primaryColor(bool dark, double opacity);
inline QColor primaryColor(const EnvironmentValues& environment, double opacity) {
  return primaryColor(environment.isDark(), opacity);
}

// The ink of text by rank: primary for titles, secondary for explanations, tertiary for
// footnotes (the desktop's usual label greys, as ink at an opacity).
enum class LabelLevel { primary, secondary, tertiary };
QColor labelColor(const EnvironmentValues& environment, LabelLevel level);

// The ultra-thin material of small capsules (filter chips, category pills): painted controls
// cannot blur what lies under them, so a thin veil of the appearance's light stands in.
QColor ultraThinMaterialVeil(const EnvironmentValues& environment);

// `color` with its alpha replaced.
// The red of destructive actions.
QColor systemRed(const EnvironmentValues& environment);
QColor withAlpha(QColor color, double alpha);

// Linear blend of two colours (sRGB and alpha), t clamped to [0, 1].
QColor mixColors(const QColor& from, const QColor& to, double t);

inline double lerp(double from, double to, double t) { return from + (to - from) * t; }
inline double unitClamped(double t) { return std::clamp(t, 0.0, 1.0); }

}  // namespace qv
