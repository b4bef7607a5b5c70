#include "ui/text/ShapedText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QStaticText>

namespace qv::ShapedText {

namespace {

// Enough for every label and count on screen; a full cache starts over.
constexpr qsizetype kMostLines = 512;

quint64 layouts = 0;

struct Line {
  QStaticText layout;
  double advance = 0;
};

const Line& lineFor(const QFont& font, const QString& text) {
  static QHash<QString, Line> lines;
  const QString key = font.key() + QChar(u'\x1f') + text;
  auto found = lines.constFind(key);
  if (found != lines.constEnd()) return *found;
  if (lines.size() >= kMostLines) lines.clear();
  Line line{QStaticText(text), QFontMetricsF(font).horizontalAdvance(text)};
  line.layout.setTextFormat(Qt::PlainText);
  line.layout.setPerformanceHint(QStaticText::ModerateCaching);
  line.layout.prepare(QTransform(), font);
  ++layouts;
  return *lines.insert(key, line);
}

}  // namespace

void draw(QPainter& painter, const QFont& font, QPointF baselineLeft, const QString& text) {
  if (text.isEmpty()) return;
  painter.setFont(font);
  const QFontMetricsF metrics(font);
  painter.drawStaticText(QPointF(baselineLeft.x(), baselineLeft.y() - metrics.ascent()), lineFor(font, text).layout);
}

void drawCentred(QPainter& painter, const QFont& font, const QRectF& box, const QString& text) {
  if (text.isEmpty()) return;
  painter.setFont(font);
  const QFontMetricsF metrics(font);
  const double top = box.top() + (box.height() - (metrics.ascent() + metrics.descent())) / 2;
  painter.drawStaticText(QPointF(box.left(), top), lineFor(font, text).layout);
}

double advance(const QFont& font, const QString& text) { return text.isEmpty() ? 0 : lineFor(font, text).advance; }

quint64 layoutsMade() { return layouts; }

}  // namespace qv::ShapedText
