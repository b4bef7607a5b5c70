#include "base/Graphemes.h"

#include <QTextBoundaryFinder>

namespace qv {

namespace {
bool isPlainAscii(QStringView text) {
  for (QChar c : text)
    if (c.unicode() >= 0x7F || c == u'\r') return false;
  return true;
}
bool isRegionalIndicator(const QString& text, qsizetype position) {
  if (position + 1 >= text.size() || !text.at(position).isHighSurrogate()) return false;
  const char32_t code = QChar::surrogateToUcs4(text.at(position), text.at(position + 1));
  return code >= 0x1F1E6 && code <= 0x1F1FF;
}

// Qt's finder splits flag emoji (regional-indicator pairs). A break in front of an indicator is
// no boundary when an odd number of indicators stand right before it; the run is counted while
// walking forward, so long runs of flags stay linear.
template <typename Visit>
void forEachBoundary(const QString& text, Visit visit) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype previous = 0;
  qsizetype indicatorRun = 0;  // indicators right before `next`
  for (qsizetype next = finder.toNextBoundary(); next != -1; next = finder.toNextBoundary()) {
    const bool segmentIsIndicator = next - previous == 2 && isRegionalIndicator(text, previous);
    indicatorRun = segmentIsIndicator ? indicatorRun + 1 : 0;
    previous = next;
    if (next < text.size() && indicatorRun % 2 == 1 && isRegionalIndicator(text, next)) continue;
    if (!visit(next)) return;
  }
}
}  // namespace

qsizetype graphemeCount(const QString& text) {
  if (isPlainAscii(text)) return text.size();
  qsizetype count = 0;
  forEachBoundary(text, [&](qsizetype) {
    ++count;
    return true;
  });
  return count;
}

QString graphemePrefix(const QString& text, qsizetype count) {
  if (count <= 0) return {};
  // Plain ASCII up to one character past the cut: every position there is a boundary, and
  // nothing after it needs reading (a long source cut to a short prefix).
  if (isPlainAscii(QStringView(text).left(count + 1))) return text.left(count);
  // The finder analyses all the text it is given (most of a second for 100 MB), so it gets a
  // window that grows until it holds the prefix. Whether a position is a boundary depends only
  // on what comes before it and the character at it: a boundary found well inside the window
  // is one of the whole text.
  for (qsizetype window = count + 64;; window *= 2) {
    const bool whole = window >= text.size();
    const QString part = whole ? text : text.left(window);
    qsizetype seen = 0;
    qsizetype position = -1;
    forEachBoundary(part, [&](qsizetype next) {
      if (!whole && next >= part.size() - 2) return false;
      if (++seen < count) return true;
      position = next;
      return false;
    });
    if (position >= 0) return text.left(position);
    if (whole) return text;
  }
}

bool hasVisibleCharacter(const QString& text) {
  for (const char32_t code : text.toUcs4()) {
    if (QChar::isSpace(code)) continue;
    switch (QChar::category(code)) {
      case QChar::Other_Control:
      case QChar::Other_Format:
      case QChar::Other_Surrogate:
      case QChar::Other_NotAssigned:
      case QChar::Separator_Space:
      case QChar::Separator_Line:
      case QChar::Separator_Paragraph: continue;
      default: break;
    }
    if (code == 0x115F || code == 0x1160 || code == 0x3164 || code == 0xFFA0 || code == 0x2800) continue;
    if (code >= 0xFE00 && code <= 0xFE0F) continue;  // variation selectors alone show nothing
    return true;
  }
  return false;
}

}  // namespace qv
