#include "panel/HostedCard.h"

#include "cards/content/CardContentStyle.h"
#include "state/FilterTypes.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QPainter>

namespace qv {

namespace {
constexpr double kCornerRadius = 16;
constexpr char kConcealed[] = "\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";
}  // namespace

PlaceholderCard::PlaceholderCard(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent), lift_(*context.frameClock, 0.0) {
  setSize(CardContentStyle::cardSize());
  setAcceptedMouseButtons(Qt::NoButton);
  setHoverEnabled(false);
  lift_.setOnChange([this] {
    setTransform(Fx::hoverLift(lift_.value()).transform(rect()));
    update();
  });
}

void PlaceholderCard::setLifted(bool lifted) {
  lift_.animateTo(lifted ? 1.0 : 0.0, context().reduceMotion->unlessReduced(Theme::springSnappy()));
}

QMarginsF PlaceholderCard::paintOverflow() const {
  const double reach = Fx::blurMargin(9) + 6;
  return {reach, reach, reach, reach};
}

void PlaceholderCard::setCardProps(const Props& props, Callbacks) {
  if (props == props_) return;
  props_ = props;
  update();
}

void PlaceholderCard::paintItem(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF card = rect();
  painter.setRenderHint(QPainter::Antialiasing);
  if (lift_.value() > 0.001) Fx::drawShadows(painter, card, kCornerRadius, Fx::hoverLift(lift_.value()).shadows);
  painter.fillPath(Fx::continuousRoundedRect(card, kCornerRadius),
                   env.isDark() ? QColor(44, 44, 50) : QColor(255, 255, 255));
  Fx::strokeInnerBorder(painter, card, kCornerRadius, primaryColor(env, 0.1), 1);
  if (props_.isSelected) {
    const QRectF ring = card.adjusted(-1.5, -1.5, 1.5, 1.5);
    painter.setPen(QPen(Theme::accent(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Fx::continuousRoundedRect(ring, kCornerRadius + 1.5));
  }
  const QRectF content = card.adjusted(16, 14, -16, -16);
  painter.setPen(primaryColor(env, 0.5));
  painter.setFont(systemFont(11, QFont::DemiBold));
  painter.drawText(content, Qt::AlignLeft | Qt::AlignTop, chipLabel(typeFilter(props_.item)));
  painter.setPen(primaryColor(env, 0.85));
  painter.setFont(systemFont(13));
  const QString text = props_.isSensitive ? QString::fromUtf8(kConcealed) : props_.item.plainText().value_or(QString());
  painter.drawText(content.adjusted(0, 24, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text.left(400));
}

}  // namespace qv
