#pragma once
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace qv {

// Lines of text laid out once per string and font and drawn from that layout from then on: a
// line drawn in every frame (a count that rolls, a tab in a transition) is not shaped anew
// each time. Main thread only.
namespace ShapedText {

// Draws `text` on one line from the left end of its baseline, in the painter's pen.
void draw(QPainter& painter, const QFont& font, QPointF baselineLeft, const QString& text);
// Draws `text` on one line from the left edge of `box`, centred in its height (as drawText with
// Qt::AlignLeft | Qt::AlignVCenter does).
void drawCentred(QPainter& painter, const QFont& font, const QRectF& box, const QString& text);
// The advance of `text` (QFontMetricsF::horizontalAdvance), measured once.
double advance(const QFont& font, const QString& text);
// How many lines have been laid out so far (tests: a frame that draws the same text lays out
// none).
quint64 layoutsMade();

}  // namespace ShapedText

}  // namespace qv
