#include "cards/badges/BadgePill.h"

#include "cards/ViewServices.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {
constexpr double kSpacing = 4;
constexpr double kIconSize = 8;
constexpr double kDotOnlyPadding = 4.5;
constexpr double kPaddingH = 7;
constexpr double kPaddingV = 3;

CategoryDot dotOf(const BadgePill::Props& props, bool dotOnly) {
  CategoryDot dot{props.dot.value_or(QColor()), props.isActive || props.onImage, dotOnly ? 8.0 : 7.0, std::nullopt};
  if (dotOnly) dot.width = 14;
  return dot;
}
}  // namespace

BadgePill::BadgePill(ViewServices& context, QGraphicsItem* parent) : ClickableItem(context, parent) {
  TextStyle style{systemFont(9, QFont::DemiBold)};
  style.lineLimit = 1;
  label_.setStyle(style);
  relayout();
}

bool BadgePill::isDotOnly() const { return props_.label.isEmpty() && props_.icon.isEmpty() && props_.dot.has_value(); }

void BadgePill::setProps(const Props& props, Callbacks callbacks) {
  replaceCallbacks(std::move(callbacks));
  if (props == props_) return;
  props_ = props;
  setToolTip(props_.help);
  setActive(props_.isActive);
  relayout();
  update();
}

double BadgePill::labelWidth() const {
  if (props_.label.isEmpty()) return 0;
  const double natural = std::ceil(QFontMetricsF(label_.style().font).horizontalAdvance(props_.label));
  return props_.maxLabelWidth ? std::min(natural, *props_.maxLabelWidth) : natural;
}

BadgePill::Layout BadgePill::layout() const {
  const bool dotOnly = isDotOnly();
  const double padH = dotOnly ? kDotOnlyPadding : kPaddingH;
  const double padV = dotOnly ? kDotOnlyPadding : kPaddingV;
  const QSizeF dot = props_.dot ? dotOf(props_, dotOnly).frameSize() : QSizeF();
  const double labelHeight = props_.label.isEmpty() ? 0 : std::ceil(label_.size(0).height());
  const double height = std::max({dot.height(), props_.icon.isEmpty() ? 0.0 : kIconSize, labelHeight});
  const double middle = padV + height / 2;
  Layout l;
  double x = padH;
  auto place = [&](QRectF& slot, double width, double slotHeight) {
    if (x > padH) x += kSpacing;
    slot = QRectF(x, middle - slotHeight / 2, width, slotHeight);
    x += width;
  };
  if (props_.dot) place(l.dot, dot.width(), dot.height());
  if (!props_.icon.isEmpty()) place(l.icon, kIconSize, kIconSize);
  if (!props_.label.isEmpty()) place(l.label, labelWidth(), labelHeight);
  return l;
}

void BadgePill::relayout() {
  // A label wider than its greatest width is cut at the tail.
  const QFontMetricsF metrics(label_.style().font);
  const bool cut = props_.maxLabelWidth && metrics.horizontalAdvance(props_.label) > *props_.maxLabelWidth;
  label_.setText(cut ? metrics.elidedText(props_.label, Qt::ElideRight, *props_.maxLabelWidth) : props_.label);
  const bool dotOnly = isDotOnly();
  const double padH = dotOnly ? kDotOnlyPadding : kPaddingH;
  const double padV = dotOnly ? kDotOnlyPadding : kPaddingV;
  const Layout l = layout();
  double right = padH;
  double height = 0;
  for (const QRectF& slot : {l.dot, l.icon, l.label})
    if (!slot.isNull()) {
      right = std::max(right, slot.right());
      height = std::max(height, slot.height());
    }
  setSize({right + padH, height + 2 * padV});
}

BadgePill::Look BadgePill::look() const {
  const EnvironmentValues env = environment();
  const double hover = hoverProgress();
  const double active = unitClamped(activeProgress());
  Look l;
  const QColor resting = props_.onImage ? QColor::fromRgbF(0, 0, 0, 0.45f) : primaryColor(env, 0.09);
  l.background = mixColors(resting, Theme::accent(), active);
  const QColor wash = props_.onImage ? QColor::fromRgbF(1, 1, 1, float(0.16 * unitClamped(hover)))
                                     : primaryColor(env, 0.1 * unitClamped(hover));
  l.wash = withAlpha(wash, wash.alphaF() * (1 - active));
  const QColor ink = props_.onImage ? QColor::fromRgbF(1, 1, 1, float(lerp(0.92, 1.0, unitClamped(hover))))
                                    : primaryColor(env, lerp(0.6, 0.85, unitClamped(hover)));
  l.foreground = mixColors(ink, Qt::white, active);
  l.scale = lerp(1, 1.06, hover);
  l.dotScale = lerp(1, 1.25, hover);
  return l;
}

QPainterPath BadgePill::hitShape() const { return Fx::continuousRoundedRect(rect(), rect().height() / 2); }

AccessibilityInfo BadgePill::accessibility() const {
  return clickableAccessibility(QAccessible::StaticText, props_.help.isEmpty() ? props_.label : props_.help);
}

void BadgePill::paintItem(QPainter& painter) {
  const Look l = look();
  const QRectF capsule = rect();
  const double radius = capsule.height() / 2;
  painter.save();
  scaleAboutCentre(painter, capsule, l.scale);
  const QPainterPath shape = Fx::continuousRoundedRect(capsule, radius);
  painter.fillPath(shape, l.background);
  if (l.wash.alphaF() > 0) painter.fillPath(shape, l.wash);

  const Layout parts = layout();
  if (props_.dot) {
    painter.save();
    scaleAboutCentre(painter, parts.dot, l.dotScale);
    dotOf(props_, isDotOnly()).paint(painter, parts.dot);
    painter.restore();
  }
  if (!props_.icon.isEmpty())
    painter.drawImage(parts.icon, Symbols::image(props_.icon, kIconSize, l.foreground, Fx::painterScale(painter)));
  if (!props_.label.isEmpty()) {
    const double shownWidth = label_.size(0).width();
    label_.draw(painter, QPointF(parts.label.center().x() - shownWidth / 2, parts.label.top()), 0, l.foreground);
  }
  painter.restore();
}

}  // namespace qv
