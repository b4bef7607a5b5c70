#include "settings/Appearance.h"

#include <QApplication>
#include <QPalette>

namespace qv {
namespace {

std::optional<QString> kept;
std::optional<QPalette> desktopPalette;  // the palette before the first change

QPalette darkPalette() {
  QPalette palette;
  const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x21), text(0xe8, 0xe8, 0xea);
  const QColor accent(88, 93, 193);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window.lighter(120));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::ToolTipBase, base);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, text.darker(160));
  palette.setColor(QPalette::Highlight, accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, accent.lighter(140));
  palette.setColor(QPalette::Disabled, QPalette::Text, text.darker(200));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, text.darker(200));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, text.darker(200));
  return palette;
}

QPalette lightPalette() {
  QPalette palette(QColor(0xec, 0xec, 0xee));
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
  palette.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
  palette.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
  palette.setColor(QPalette::Highlight, QColor(88, 93, 193));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  return palette;
}

}  // namespace

void applyAppearance(const QString& appearance) {
  if (!desktopPalette) desktopPalette = QApplication::palette();
  if (appearance == QLatin1String("light") || appearance == QLatin1String("dark"))
    kept = appearance;
  else
    kept.reset();
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  QApplication::setPalette(!kept ? *desktopPalette : *kept == QLatin1String("dark") ? darkPalette() : lightPalette());
}

std::optional<QString> keptAppearance() { return kept; }

}  // namespace qv
