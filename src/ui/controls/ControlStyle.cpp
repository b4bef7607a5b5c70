#include "ui/controls/ControlStyle.h"

#include <QGuiApplication>

namespace qv {

QColor systemRed(const EnvironmentValues& environment) {
  return environment.isDark() ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor primaryColor(bool dark, double opacity) {
  const float ink = dark ? 1.f : 0.f;
  return QColor::fromRgbF(ink, ink, ink, float(unitClamped(opacity)));
}

QColor labelColor(const EnvironmentValues& environment, LabelLevel level) {
  const bool dark = environment.isDark();
  switch (level) {
    case LabelLevel::primary: return primaryColor(environment, 0.85);
    case LabelLevel::secondary: return primaryColor(environment, dark ? 0.55 : 0.5);
    case LabelLevel::tertiary: return primaryColor(environment, dark ? 0.25 : 0.26);
  }
  return primaryColor(environment, 0.85);
}

QColor ultraThinMaterialVeil(const EnvironmentValues& environment) {
  return environment.isDark() ? QColor::fromRgbF(1, 1, 1, 0.08f) : QColor::fromRgbF(1, 1, 1, 0.55f);
}

QColor withAlpha(QColor color, double alpha) {
  color.setAlphaF(float(unitClamped(alpha)));
  return color;
}

QColor mixColors(const QColor& from, const QColor& to, double t) {
  t = unitClamped(t);
  const QColor a = from.isValid() ? from.toRgb() : QColor(0, 0, 0, 0);
  const QColor b = to.isValid() ? to.toRgb() : QColor(0, 0, 0, 0);
  return QColor::fromRgbF(float(lerp(a.redF(), b.redF(), t)), float(lerp(a.greenF(), b.greenF(), t)),
                          float(lerp(a.blueF(), b.blueF(), t)), float(lerp(a.alphaF(), b.alphaF(), t)));
}

}  // namespace qv
