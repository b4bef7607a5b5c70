#include "settings/SettingsStyle.h"
#include "ui/controls/ControlStyle.h"

#include <QFontDatabase>
#include <algorithm>

namespace qv::settingsStyle {

QFont font(double pixelSize, QFont::Weight weight, bool monospaced) {
  QFont font = QFontDatabase::systemFont(monospaced ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont);
  font.setPixelSize(int(pixelSize + 0.5));
  font.setWeight(weight);
  return font;
}

QColor primary(const EnvironmentValues& environment, double opacity) {
  return withAlpha(environment.isDark() ? QColor(Qt::white) : QColor(0x1d, 0x1d, 0x1f), opacity);
}

QColor mix(const QColor& from, const QColor& to, double progress) {
  const double t = std::clamp(progress, 0.0, 1.0);
  auto lerp = [t](float a, float b) { return float(a + (b - a) * t); };
  return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                          lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

}  // namespace qv::settingsStyle
