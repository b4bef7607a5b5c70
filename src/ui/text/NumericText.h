#pragma once
#include "ui/anim/AnimatedValue.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

class QPainter;

namespace qv {

// Text whose digits each take the width of the widest one (monospaced digits): a count that
// changes moves nothing around it, whatever the font's own figures are like.
double monospacedDigitsWidth(const QFont& font, QStringView text);
// Draws `text` with its digits in those cells from `baselineLeft` (the left end of the
// baseline), in the painter's pen.
void drawMonospacedDigits(QPainter& painter, const QFont& font, QPointF baselineLeft, QStringView text);

// A line of text with monospaced digits that changes by rolling its number: between the part
// that stays at the start and the part that stays at the end, the old characters slide up and
// fade while the new ones come up from below and fade in (the other way when the number falls),
// and what follows glides to its new place. Under reduced motion they only cross-fade.
class NumericText {
 public:
  // How far the changing characters travel, in lines.
  static constexpr double kRollLines = 0.6;

  explicit NumericText(FrameClock& clock, QString text = {});

  void setOnChange(std::function<void()> onChange) { progress_.setOnChange(std::move(onChange)); }
  // Shows `text`: at once without an animation, else rolling along it.
  void setText(const QString& text, const std::optional<Animation>& animation, bool reduceMotion);
  const QString& text() const { return to_; }
  bool isAnimating() const { return progress_.isAnimating(); }

  // The characters that change now and how they stand: offsets in points below the line (up is
  // negative), opacities 0 … 1.
  struct Roll {
    QString outgoing, incoming;
    double outgoingOffset = 0, incomingOffset = 0;
    double outgoingOpacity = 0, incomingOpacity = 1;
  };
  Roll roll(const QFont& font) const;
  // The width now, moving from the old text's to the new one's.
  double width(const QFont& font) const;
  // Draws the line from the left edge of `box`, centred in its height.
  void draw(QPainter& painter, const QFont& font, const QRectF& box, const QColor& color) const;

 private:
  struct Split {
    QString prefix, outgoing, incoming, suffix;
  };
  Split split() const;

  Animated<double> progress_;
  QString from_;
  QString to_;
  bool rising_ = true;
  bool reduced_ = false;
};

}  // namespace qv
