#pragma once
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>

namespace qv::Symbols {

// Pictograms no icon theme names (the freedesktop names have no filter or clear-in-a-disc icon:
// what comes closest, a sort arrow or a backspace tag, reads as something else), drawn here.
enum class Drawn {
  none,
  decreasingLines,          // three horizontal lines, each shorter than the one above
  decreasingLinesInCircle,  // the same three lines inside a ring
  crossInDisc,              // a filled disc with an x cut out of it
};

// The product names its pictograms ("pin.fill", "doc.on.doc", …). Each maps to one icon of the
// freedesktop icon theme, with Adwaita's symbolic icons as the declared fallback theme, or is
// drawn by the program.
struct Entry {
  const char* symbol;
  const char* iconName;  // null for a drawn symbol
  // The icon has no crossed-out variant: a slash is drawn over it.
  bool slashed = false;
  Drawn drawn = Drawn::none;
};

// Declares Adwaita as the fallback theme (and the theme itself when the desktop named none).
// Called by the interface services; safe to call again.
void installIconTheme();

// Every symbol the program uses.
const std::vector<Entry>& table();
bool isKnown(const QString& symbol);
// The freedesktop icon name of a symbol; empty for an unknown or drawn one.
QString iconName(const QString& symbol);

// The themed icon, or the drawn one in the theme's ink (null for an unknown symbol, which is also
// logged once).
QIcon icon(const QString& symbol);

// The symbol at `pointSize` points square, in `tint`, at `devicePixelRatio`. Symbolic icons are
// single-colour shapes, so the tint replaces their colour and keeps their alpha.
QImage image(const QString& symbol, double pointSize, const QColor& tint, double devicePixelRatio = 1.0);

// Symbols whose icon the theme cannot find (for the test that every name resolves); drawn
// symbols always resolve.
QStringList unresolved();

}  // namespace qv::Symbols
