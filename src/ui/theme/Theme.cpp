#include "ui/theme/Theme.h"

namespace qv {

std::vector<ShadowLayer> ThemeShadow::layers() const {
  std::vector<ShadowLayer> result{primary};
  if (second) result.push_back(ShadowLayer{second->color, second->radius, 0, second->y});
  return result;
}

namespace Theme {

namespace {
QColor black(double opacity) { return QColor::fromRgbF(0, 0, 0, float(opacity)); }
}  // namespace

const QColor& accent() {
  static const QColor color = QColor::fromRgbF(88.f / 255, 93.f / 255, 193.f / 255, 1.f);
  return color;
}

const QColor& accentNS() {
  static const QColor color = QColor::fromRgbF(88.f / 255, 93.f / 255, 193.f / 255, 1.f);
  return color;
}

const ThemeShadow& shadowLow() {
  static const ThemeShadow shadow{{black(0.2), 8, 0, 4}, ShadowLayer{black(0.1), 2, 0, 1}};
  return shadow;
}

const ThemeShadow& shadowHigh() {
  static const ThemeShadow shadow{{black(0.24), 9, 0, 6}, ShadowLayer{black(0.12), 3, 0, 1}};
  return shadow;
}

const Animation& springStandard() {
  static const Animation animation = Animation::spring(0.42, 0.84, 0);
  return animation;
}

const Animation& springSnappy() {
  static const Animation animation = Animation::spring(0.3, 0.8, 0);
  return animation;
}

const Animation& springGentle() {
  static const Animation animation = Animation::spring(0.48, 0.88, 0);
  return animation;
}

const Animation& springCritical() {
  static const Animation animation = Animation::spring(0.32, 1.0, 0);
  return animation;
}

const Animation& overshoot() {
  static const Animation animation = Animation::timingCurve(0.34, 1.42, 0.44, 1.0, 0.42);
  return animation;
}

const Animation& easeOutQuick() {
  static const Animation animation = Animation::easeOut(0.2);
  return animation;
}

const Animation& easeInOutMedium() {
  static const Animation animation = Animation::easeInOut(0.26);
  return animation;
}

}  // namespace Theme

}  // namespace qv
