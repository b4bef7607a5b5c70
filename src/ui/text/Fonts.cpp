#include "ui/text/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace qv {

namespace {
QFont sized(QFont font, double size, QFont::Weight weight) {
  if (size == std::floor(size)) {
    font.setPixelSize(int(size));
  } else {
    // Pixel sizes are whole; a point size maps through the logical resolution text uses.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(size * 72.0 / dpi);
  }
  font.setWeight(weight);
  return font;
}
}  // namespace

QFont systemFont(double size, QFont::Weight weight) { return sized(QGuiApplication::font(), size, weight); }

QFont monospacedFont(double size, QFont::Weight weight) {
  return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), size, weight);
}

}  // namespace qv
