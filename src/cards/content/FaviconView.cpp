#include "cards/content/FaviconView.h"

#include "base/Graphemes.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"

#include <QPainter>

namespace qv {

namespace {
constexpr double kCornerRadius = 4;
constexpr double kLetterSize = 8;
}  // namespace

FaviconView::FaviconView()
    : color_(color(QString())), letter_(QString(), TextStyle{systemFont(kLetterSize, QFont::Bold)}) {}

bool FaviconView::setProps(const Props& props) {
  if (props == props_) return false;
  props_ = props;
  color_ = color(props.domain);
  letter_.setText(letter(props.domain));
  return true;
}

double FaviconView::hue(const QString& domain) {
  qint64 sum = 0;
  for (const char32_t codePoint : domain.toUcs4()) sum += codePoint;
  return double(sum % 360) / 360.0;
}

QColor FaviconView::color(const QString& domain) { return QColor::fromHsvF(float(hue(domain)), 0.55f, 0.72f); }

QString FaviconView::letter(const QString& domain) { return graphemePrefix(domain, 1).toUpper(); }

void FaviconView::paint(QPainter& painter, const QRectF& frame) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color_);
  painter.drawPath(Fx::continuousRoundedRect(frame, kCornerRadius));
  painter.restore();
  if (letter_.text().isEmpty()) return;
  const QSizeF letterSize = letter_.size(0);
  letter_.draw(painter, frame.center() - QPointF(letterSize.width() / 2, letterSize.height() / 2), 0, Qt::white);
}

}  // namespace qv
