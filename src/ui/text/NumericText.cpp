#include "ui/text/NumericText.h"

#include "ui/text/ShapedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>

namespace qv {

namespace {

double digitCell(const QFontMetricsF& metrics) {
  double widest = 0;
  for (char16_t digit = u'0'; digit <= u'9'; ++digit)
    widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
  return widest;
}

// Calls `run(text, isDigit)` for each run of digits and of other characters, in order.
template <typename Run>
void forEachRun(QStringView text, Run run) {
  qsizetype start = 0;
  while (start < text.size()) {
    const bool digits = text[start].isDigit();
    qsizetype end = start;
    while (end < text.size() && text[end].isDigit() == digits) ++end;
    run(text.mid(start, end - start), digits);
    start = end;
  }
}

// The first whole number in `text`, or none.
std::optional<qint64> firstNumber(const QString& text) {
  static const QRegularExpression number(QStringLiteral("\\d+"));
  const QRegularExpressionMatch match = number.match(text);
  if (!match.hasMatch()) return std::nullopt;
  bool ok = false;
  const qint64 value = match.captured().toLongLong(&ok);
  return ok ? std::optional(value) : std::nullopt;
}

double unit(double t) { return std::clamp(t, 0.0, 1.0); }

}  // namespace

double monospacedDigitsWidth(const QFont& font, QStringView text) {
  const QFontMetricsF metrics(font);
  const double cell = digitCell(metrics);
  double width = 0;
  forEachRun(text, [&](QStringView run, bool digits) {
    width += digits ? cell * double(run.size()) : ShapedText::advance(font, run.toString());
  });
  return width;
}

void drawMonospacedDigits(QPainter& painter, const QFont& font, QPointF baselineLeft, QStringView text) {
  const QFontMetricsF metrics(font);
  const double cell = digitCell(metrics);
  painter.setFont(font);
  double x = baselineLeft.x();
  forEachRun(text, [&](QStringView run, bool digits) {
    if (!digits) {
      const QString part = run.toString();
      ShapedText::draw(painter, font, QPointF(x, baselineLeft.y()), part);
      x += ShapedText::advance(font, part);
      return;
    }
    for (const QChar digit : run) {
      ShapedText::draw(painter, font, QPointF(x + (cell - metrics.horizontalAdvance(digit)) / 2, baselineLeft.y()),
                       QString(digit));
      x += cell;
    }
  });
}

NumericText::NumericText(FrameClock& clock, QString text) : progress_(clock, 1.0), from_(text), to_(std::move(text)) {}

void NumericText::setText(const QString& text, const std::optional<Animation>& animation, bool reduceMotion) {
  if (text == to_) return;
  const std::optional<qint64> before = firstNumber(to_), after = firstNumber(text);
  rising_ = !before || !after || *after >= *before;
  reduced_ = reduceMotion;
  from_ = to_;
  to_ = text;
  if (!animation) {
    from_ = to_;
    progress_.jumpTo(1);
    return;
  }
  progress_.jumpTo(0);
  progress_.animateTo(1, animation);
}

NumericText::Split NumericText::split() const {
  // The unchanged start and end; what lies between is what rolls.
  qsizetype prefix = 0;
  const qsizetype shorter = std::min(from_.size(), to_.size());
  while (prefix < shorter && from_[prefix] == to_[prefix]) ++prefix;
  qsizetype suffix = 0;
  while (suffix < shorter - prefix && from_[from_.size() - 1 - suffix] == to_[to_.size() - 1 - suffix]) ++suffix;
  return {to_.left(prefix), from_.mid(prefix, from_.size() - prefix - suffix),
          to_.mid(prefix, to_.size() - prefix - suffix), to_.right(suffix)};
}

NumericText::Roll NumericText::roll(const QFont& font) const {
  const Split parts = split();
  const double p = progress_.value();
  const double travel = reduced_ ? 0 : kRollLines * QFontMetricsF(font).height();
  // Rising numbers roll upwards: the old ones leave above, the new ones come from below.
  const double direction = rising_ ? 1 : -1;
  Roll roll;
  roll.outgoing = parts.outgoing;
  roll.incoming = parts.incoming;
  roll.outgoingOffset = -direction * travel * p;
  roll.incomingOffset = direction * travel * (1 - p);
  roll.outgoingOpacity = parts.outgoing.isEmpty() ? 0 : 1 - unit(p);
  roll.incomingOpacity = unit(p);
  return roll;
}

double NumericText::width(const QFont& font) const {
  const double before = monospacedDigitsWidth(font, from_), after = monospacedDigitsWidth(font, to_);
  return before + (after - before) * unit(progress_.value());
}

void NumericText::draw(QPainter& painter, const QFont& font, const QRectF& box, const QColor& color) const {
  const QFontMetricsF metrics(font);
  const double baseline = box.center().y() + (metrics.ascent() - metrics.descent()) / 2;
  painter.save();
  painter.setPen(color);
  if (!progress_.isAnimating() || from_ == to_) {
    drawMonospacedDigits(painter, font, QPointF(box.left(), baseline), to_);
    painter.restore();
    return;
  }
  const Split parts = split();
  const Roll now = roll(font);
  const double opacity = painter.opacity();
  double x = box.left();
  drawMonospacedDigits(painter, font, QPointF(x, baseline), parts.prefix);
  x += monospacedDigitsWidth(font, parts.prefix);
  painter.setOpacity(opacity * now.outgoingOpacity);
  drawMonospacedDigits(painter, font, QPointF(x, baseline + now.outgoingOffset), parts.outgoing);
  painter.setOpacity(opacity * now.incomingOpacity);
  drawMonospacedDigits(painter, font, QPointF(x, baseline + now.incomingOffset), parts.incoming);
  painter.setOpacity(opacity);
  // What follows glides from behind the old characters to behind the new ones.
  const double before = monospacedDigitsWidth(font, parts.outgoing),
               after = monospacedDigitsWidth(font, parts.incoming);
  drawMonospacedDigits(painter, font, QPointF(x + before + (after - before) * unit(progress_.value()), baseline),
                       parts.suffix);
  painter.restore();
}

}  // namespace qv
