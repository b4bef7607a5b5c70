#include "ui/text/ShapedText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QStaticText>
#include <algorithm>
#include <vector>

namespace qv::ShapedText {

namespace {

// Enough for every label and count on screen; a full cache starts over.
constexpr qsizetype kMostLines = 512;

quint64 layouts = 0;

struct Line {
  QStaticText layout;
  double advance = 0;
  double ascent = 0;
  double descent = 0;
};

// The lines of one font. Fonts are told apart by comparing them, not by their keys: a font's
// key is a string made anew on every call, dearer than the lookup it serves.
struct FontLines {
  QFont font;
  QHash<QString, Line> lines;
};

const Line& lineFor(const QFont& font, const QString& text) {
  static std::vector<FontLines> fonts;
  static qsizetype count = 0;
  auto sameFont = std::find_if(fonts.begin(), fonts.end(), [&](const FontLines& each) { return each.font == font; });
  if (sameFont != fonts.end()) {
    auto found = sameFont->lines.constFind(text);
    if (found != sameFont->lines.constEnd()) return *found;
  }
  if (count >= kMostLines) {
    fonts.clear();
    count = 0;
    sameFont = fonts.end();
  }
  if (sameFont == fonts.end()) sameFont = fonts.insert(fonts.end(), FontLines{font, {}});
  const QFontMetricsF metrics(font);
  Line line{QStaticText(text), metrics.horizontalAdvance(text), metrics.ascent(), metrics.descent()};
  line.layout.setTextFormat(Qt::PlainText);
  line.layout.setPerformanceHint(QStaticText::ModerateCaching);
  line.layout.prepare(QTransform(), font);
  ++layouts;
  ++count;
  return *sameFont->lines.insert(text, line);
}

}  // namespace

void draw(QPainter& painter, const QFont& font, QPointF baselineLeft, const QString& text) {
  if (text.isEmpty()) return;
  painter.setFont(font);
  const Line& line = lineFor(font, text);
  painter.drawStaticText(QPointF(baselineLeft.x(), baselineLeft.y() - line.ascent), line.layout);
}

void drawCentred(QPainter& painter, const QFont& font, const QRectF& box, const QString& text) {
  if (text.isEmpty()) return;
  painter.setFont(font);
  const Line& line = lineFor(font, text);
  const double top = box.top() + (box.height() - (line.ascent + line.descent)) / 2;
  painter.drawStaticText(QPointF(box.left(), top), line.layout);
}

double advance(const QFont& font, const QString& text) { return text.isEmpty() ? 0 : lineFor(font, text).advance; }

quint64 layoutsMade() { return layouts; }

}  // namespace qv::ShapedText
