#include "panel/CopiedToastView.h"

#include "panel/PasteHintBadge.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kSpacing = 6;
constexpr double kPaddingH = 24;
constexpr double kPaddingV = 18;
constexpr double kCornerRadius = 16;
constexpr double kSymbolSize = 28;
constexpr double kEnterScale = 0.85;
// Room around the card for the high shadow (radius 9, 6 down).
constexpr double kShadowRoom = 18;

const QString& copiedText() {
  static const QString text = QStringLiteral("Copied to clipboard");
  return text;
}
QFont titleFont() { return systemFont(13, QFont::DemiBold); }
QFont hintFont() { return systemFont(11); }

}  // namespace

CopiedToastView::CopiedToastView(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent), opacity_(*context.frameClock, 0), scale_(*context.frameClock, kEnterScale) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setHoverEnabled(false);
  opacity_.setOnChange([this] { update(); });
  scale_.setOnChange([this] { update(); });
}

void CopiedToastView::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  const Animation& spring = Theme::springGentle();
  if (props_.shown) {
    // Each entrance starts from its own beginning; under reduce motion only the opacity moves.
    const bool reduced = context().reduceMotion->isEnabled();
    scale_.jumpTo(reduced ? 1.0 : kEnterScale);
    if (!reduced) scale_.animateTo(1.0, spring);
    opacity_.animateTo(1.0, spring);
  } else {
    opacity_.animateTo(0.0, spring);
  }
  update();
}

QSize CopiedToastView::sizeHint() const {
  const QSizeF card = cardRect().size();
  return QSize(int(std::ceil(card.width() + 2 * kShadowRoom)), int(std::ceil(card.height() + 2 * kShadowRoom)));
}

QRectF CopiedToastView::cardRect() const {
  const QFontMetricsF title(titleFont());
  const QFontMetricsF hint(hintFont());
  const double textWidth = std::max(title.horizontalAdvance(copiedText()),
                                    hint.horizontalAdvance(PasteHintBadge::text()));
  const double width = std::ceil(std::max(textWidth, kSymbolSize) + 2 * kPaddingH);
  const double height = std::ceil(kSymbolSize + title.height() + hint.height() + 2 * kSpacing + 2 * kPaddingV);
  const QPointF centre = QRectF(rect()).center();
  return {centre.x() - width / 2, centre.y() - height / 2, width, height};
}

AccessibilityInfo CopiedToastView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = copiedText();
  info.description = PasteHintBadge::text();
  info.hidden = !props_.shown;
  return info;
}

void CopiedToastView::paint(QPainter& painter) {
  const double opacity = opacity_.value();
  if (opacity <= 0.001) return;
  const EnvironmentValues env = environment();
  const QRectF card = cardRect();
  const double margin = kShadowRoom;
  // One layer, so the shadow and the fade apply to the card as a whole.
  Fx::Layer layer(painter, card.adjusted(-margin, -margin, margin, margin));
  layer.setOpacity(opacity);
  QTransform transform;
  transform.translate(card.center().x(), card.center().y());
  transform.scale(scale_.value(), scale_.value());
  transform.translate(-card.center().x(), -card.center().y());
  layer.setTransform(transform);
  QPainter& p = layer.painter();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  Fx::drawShadows(p, card, kCornerRadius, Theme::shadowHigh());
  // The regular material: the window colour, nearly opaque.
  const QColor material = env.isDark() ? QColor(44, 44, 46, 242) : QColor(246, 246, 246, 242);
  p.fillPath(Fx::continuousRoundedRect(card, kCornerRadius), material);

  const QFontMetricsF title(titleFont());
  const QFontMetricsF hint(hintFont());
  double y = card.top() + kPaddingV;
  const QRectF symbol(card.center().x() - kSymbolSize / 2, y, kSymbolSize, kSymbolSize);
  p.drawImage(symbol, Symbols::image(QStringLiteral("checkmark.circle.fill"), kSymbolSize, Theme::accent(),
                                     Fx::painterScale(painter)));
  y += kSymbolSize + kSpacing;
  p.setFont(titleFont());
  p.setPen(primaryColor(env, 0.85));
  p.drawText(QRectF(card.left(), y, card.width(), title.height()), Qt::AlignCenter, copiedText());
  y += title.height() + kSpacing;
  p.setFont(hintFont());
  p.setPen(primaryColor(env, 0.45));
  p.drawText(QRectF(card.left(), y, card.width(), hint.height()), Qt::AlignCenter, PasteHintBadge::text());
}

}  // namespace qv
