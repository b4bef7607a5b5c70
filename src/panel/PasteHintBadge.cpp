#include "panel/PasteHintBadge.h"

#include "platform/keys/KeyCodes.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {
constexpr double kSymbolSize = 10;
constexpr double kSpacing = 6;
constexpr double kHorizontalPadding = 12;
constexpr double kVerticalPadding = 6;
const ShadowLayer kGlow{QColor(), 8, 0, 2};

const QFont& textFont() {
  static const QFont font = systemFont(11, QFont::DemiBold);
  return font;
}
}  // namespace

PasteHintBadge::PasteHintBadge(InterfaceServices& context, QGraphicsItem* parent) : PaintedItem(context, parent) {
  setAcceptedMouseButtons(Qt::NoButton);
  setHoverEnabled(false);
  const QFontMetricsF metrics(textFont());
  const double content = kSymbolSize + kSpacing + std::ceil(metrics.horizontalAdvance(text()));
  setSize(
      {content + 2 * kHorizontalPadding, std::ceil(std::max(metrics.height(), kSymbolSize)) + 2 * kVerticalPadding});
}

QString PasteHintBadge::text() {
  return QStringLiteral("Press %1 to paste").arg(keys::shortcutText({keys::code::V, keys::kCommandFlag}));
}

QMarginsF PasteHintBadge::paintOverflow() const {
  const double reach = Fx::blurMargin(kGlow.radius);
  return {reach, reach - kGlow.y, reach, reach + kGlow.y};
}

AccessibilityInfo PasteHintBadge::accessibility() const {
  AccessibilityInfo info = PaintedItem::accessibility();
  info.name = text();
  return info;
}

void PasteHintBadge::paintItem(QPainter& painter) {
  const QRectF capsule = rect();
  const double radius = capsule.height() / 2;
  ShadowLayer glow = kGlow;
  glow.color = Theme::accent();
  glow.color.setAlphaF(0.35f);
  Fx::drawShadow(painter, capsule, radius, glow);
  painter.setPen(Qt::NoPen);
  painter.fillPath(Fx::continuousRoundedRect(capsule, radius), Theme::accent());

  const QFontMetricsF metrics(textFont());
  double x = capsule.left() + kHorizontalPadding;
  const double middle = capsule.center().y();
  painter.drawImage(QRectF(x, middle - kSymbolSize / 2, kSymbolSize, kSymbolSize),
                    Symbols::image(QStringLiteral("command"), kSymbolSize, Qt::white, Fx::painterScale(painter)));
  x += kSymbolSize + kSpacing;
  painter.setFont(textFont());
  painter.setPen(Qt::white);
  painter.drawText(QPointF(x, middle - metrics.height() / 2 + metrics.ascent()), text());
}

}  // namespace qv
