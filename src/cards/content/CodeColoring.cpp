#include "cards/content/CodeColoring.h"

#include "cards/content/CardContentStyle.h"

namespace qv {

QFont codeCardFont() { return CardContentStyle::monospacedFont(11); }

// Until the highlighter is in place every run is plain text.
VisibleTextLayout::Formats codeCardFormats(const QString& text, const QString& language, bool dark) {
  Q_UNUSED(text);
  Q_UNUSED(language);
  Q_UNUSED(dark);
  return {};
}

QColor codeCardPlainColor(bool dark) {
  return dark ? CardContentStyle::white(0.9) : CardContentStyle::black(0.85);
}

}  // namespace qv
