#include "ui/text/TextPieces.h"

#include <algorithm>

namespace qv {

namespace {

bool isParagraphBreak(QChar c) { return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator; }

// Where a paragraph cut from a long line starting at `start` ends, at `limit` at the latest: after
// the last space or tab in the last quarter when there is one, else at `limit`, never inside a
// surrogate pair or before a combining mark.
qsizetype chunkEnd(QStringView text, qsizetype start, qsizetype limit) {
  const qsizetype earliest = limit - (limit - start) / 4;
  for (qsizetype at = limit; at > earliest; --at)
    if (text[at - 1] == u' ' || text[at - 1] == u'\t') return at;
  qsizetype at = limit;
  while (at > start + 1 && (text[at].isLowSurrogate() || text[at].isMark())) --at;
  return at;
}

// Whether `line` holds a run of more than `longest` characters without a space or tab: such a
// run cannot wrap at a word, and laying it out costs the square of its length.
bool hasUnbrokenRunLongerThan(QStringView line, qsizetype longest) {
  qsizetype run = 0;
  for (const QChar c : line) {
    run = c == u' ' || c == u'\t' ? 0 : run + 1;
    if (run > longest) return true;
  }
  return false;
}

}  // namespace

bool hasLineLongerThan(const QString& text, qsizetype limit) {
  for (qsizetype start = 0;;) {
    const qsizetype lineBreak = text.indexOf(u'\n', start);
    const qsizetype end = lineBreak < 0 ? text.size() : lineBreak;
    if (end - start > limit) return true;
    if (lineBreak < 0) return false;
    start = lineBreak + 1;
  }
}

std::vector<qsizetype> longLineBreaks(QStringView text, qsizetype chunk, qsizetype longestWhole) {
  std::vector<qsizetype> breaks;
  qsizetype lineStart = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !isParagraphBreak(text[i])) continue;
    const QStringView line = text.sliced(lineStart, i - lineStart);
    if (line.size() > longestWhole || hasUnbrokenRunLongerThan(line, chunk)) {
      while (i - lineStart > chunk) {
        lineStart = chunkEnd(text, lineStart, lineStart + chunk);
        breaks.push_back(lineStart);
      }
    }
    lineStart = i + 1;
  }
  return breaks;
}

qsizetype pieceEnd(const QString& text, qsizetype start, qsizetype limit) {
  if (limit >= text.size()) return text.size();
  // Looked for in the second half only: a megabyte line is not searched to its start each time.
  const qsizetype half = start + (limit - start) / 2;
  const qsizetype lineBreak = QStringView(text).sliced(half, limit - half).lastIndexOf(u'\n');
  if (lineBreak >= 0) return half + lineBreak + 1;
  qsizetype end = limit;
  if (text.at(end).isLowSurrogate() || (text.at(end) == u'\n' && text.at(end - 1) == u'\r')) --end;
  // A pair right at the start of a one-character piece goes in whole.
  return end > start ? end : std::min(text.size(), limit + 1);
}

}  // namespace qv
