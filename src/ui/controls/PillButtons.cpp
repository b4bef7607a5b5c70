#include "ui/controls/PillButtons.h"

#include "ui/controls/ControlStyle.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kSymbolGap = 6;

std::vector<Fx::GradientStop> solid(const QColor& color) { return {{0, color}, {1, color}}; }

// A value between its resting and hovered form; colours never overshoot, the scale may.
double between(double rest, double hovered, double hover) { return lerp(rest, hovered, unitClamped(hover)); }

}  // namespace

HouseButton::HouseButton(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSizeF HouseButton::buttonSize() const {
  const HouseButtonLook l = look(0);
  const QFontMetricsF metrics(l.font);
  // A label width the look gives is not measured again (a tab is sized on every frame it paints).
  const auto measured = [&] {
    double content = metrics.horizontalAdvance(l.title);
    if (!l.symbol.isEmpty()) content += metrics.height() + kSymbolGap;
    return std::ceil(content);
  };
  const double label = l.labelWidth ? *l.labelWidth : measured();
  return {label + 2 * l.paddingH, std::ceil(metrics.height()) + 2 * l.paddingV};
}

QSize HouseButton::sizeHint() const {
  const QSizeF button = buttonSize();
  const QMarginsF m = margins();
  return QSize(int(std::ceil(button.width() + m.left() + m.right())),
               int(std::ceil(button.height() + m.top() + m.bottom())));
}

QRectF HouseButton::buttonRect() const {
  const QMarginsF m = margins();
  const QRectF inner = QRectF(rect()).marginsRemoved(m);
  const QSizeF size = buttonSize();
  return QRectF(inner.center().x() - size.width() / 2, inner.center().y() - size.height() / 2, size.width(),
                size.height());
}

QPainterPath HouseButton::hitShape() const {
  const QRectF button = buttonRect();
  const double radius = look(0).cornerRadius;
  return Fx::continuousRoundedRect(button, radius < 0 ? button.height() / 2 : radius);
}

AccessibilityInfo HouseButton::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = look(0).title;
  info.focusable = true;
  if (isLive()) info.press = [this] { const_cast<HouseButton*>(this)->trigger(); };
  return info;
}

void HouseButton::propsChanged() {
  setEnabled(isActionable());
  // A button without an action ignores hovering.
  setHoverEnabled(isLive());
  updateGeometry();
  update();
}

void HouseButton::replaceCallbacks(Callbacks callbacks) {
  const bool wasLive = isLive();
  callbacks_ = std::move(callbacks);
  if (isLive() != wasLive) propsChanged();
}

void HouseButton::trigger() {
  if (!isLive()) return;
  const auto onPress = callbacks_.onPress;  // the press may hand the button new props
  onPress();
}

void HouseButton::paint(QPainter& painter) {
  const HouseButtonLook l = look(hoverProgress());
  const QRectF button = buttonRect();
  const double radius = l.cornerRadius < 0 ? button.height() / 2 : l.cornerRadius;
  painter.save();
  painter.setOpacity(l.opacity);
  QTransform scale;
  scale.translate(button.center().x(), button.center().y());
  scale.scale(l.scale, l.scale);
  scale.translate(-button.center().x(), -button.center().y());
  painter.setTransform(scale, true);
  if (l.shadow) Fx::drawShadow(painter, button, radius, *l.shadow);
  painter.fillPath(Fx::continuousRoundedRect(button, radius), Fx::linearGradient(button, {0, 0}, {0, 1}, l.fill));
  if (l.borderWidth > 0 && l.border.alphaF() > 0)
    Fx::strokeInnerBorder(painter, button, radius, l.border, l.borderWidth);

  const QFontMetricsF metrics(l.font);
  const double textWidth = metrics.horizontalAdvance(l.title);
  const double symbolSize = l.symbol.isEmpty() ? 0 : metrics.height();
  const double content = textWidth + (symbolSize > 0 ? symbolSize + kSymbolGap : 0);
  double x = button.center().x() - content / 2;
  if (symbolSize > 0) {
    const double dpr = painter.device()->devicePixelRatioF();
    painter.drawImage(QRectF(x, button.center().y() - symbolSize / 2, symbolSize, symbolSize),
                      Symbols::image(l.symbol, symbolSize, l.foreground, dpr));
    x += symbolSize + kSymbolGap;
  }
  painter.setFont(l.font);
  painter.setPen(l.foreground);
  painter.drawText(QRectF(x, button.top(), textWidth + 1, button.height()), Qt::AlignLeft | Qt::AlignVCenter, l.title);
  painter.restore();
}

void HouseButton::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton && isLive();
  event->accept();
}

void HouseButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  if (click) trigger();
}

bool HouseButton::event(QEvent* event) {
  // A release outside the shape never reaches mouseReleaseEvent; it still ends the press.
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (!hits(mouse->position())) pressed_ = false;
  }
  return PaintedWidget::event(event);
}

void HouseButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    trigger();
    return;
  }
  PaintedWidget::keyPressEvent(event);
}

// ---- ConfirmPillButton ---------------------------------------------------------------------

HouseButtonLook ConfirmPillButton::look(double hover) const {
  const EnvironmentValues env = environment();
  const QColor base = props_.isDestructive ? systemRed(env) : primaryColor(env, 1);
  HouseButtonLook l;
  l.title = props_.title;
  l.font = systemFont(11.5, props_.isDestructive ? QFont::DemiBold : QFont::Normal);
  l.foreground = withAlpha(base, props_.isDestructive ? between(0.85, 1.0, hover) : between(0.65, 0.95, hover));
  l.paddingH = 12;
  l.paddingV = 5;
  l.fill = solid(withAlpha(base, between(0.07, 0.14, hover)));
  l.border = withAlpha(base, between(0, 0.35, hover));
  l.borderWidth = 1;
  l.scale = lerp(1, 1.04, hover);
  return l;
}

// ---- AccentPillButton ----------------------------------------------------------------------

HouseButtonLook AccentPillButton::look(double hover) const {
  // A disabled button draws as resting even while the pointer is still over it.
  const double h = props_.isEnabled ? hover : 0;
  const QColor accent = Theme::accent();
  HouseButtonLook l;
  l.title = props_.title;
  l.font = systemFont(13, QFont::DemiBold);
  l.foreground = Qt::white;
  l.labelWidth = props_.width;
  l.paddingH = props_.width ? 0 : 22;
  l.paddingV = 6;
  l.fill = {{0, withAlpha(accent, 0.92)}, {1, accent}};
  const double s = unitClamped(h);
  l.shadow = ShadowLayer{withAlpha(accent, lerp(0.25, 0.45, s)), lerp(3, 6, s), 0, lerp(1, 2, s)};
  l.scale = lerp(1, 1.04, h);
  l.opacity = props_.isEnabled ? 1 : 0.6;
  return l;
}

// ---- AboutActionButton ---------------------------------------------------------------------

HouseButtonLook AboutActionButton::look(double hover) const {
  const EnvironmentValues env = environment();
  HouseButtonLook l;
  l.title = props_.title;
  l.symbol = props_.symbol;
  l.font = systemFont(12, QFont::Medium);
  l.foreground = mixColors(primaryColor(env, 1), Theme::accent(), hover);
  l.paddingH = 14;
  l.paddingV = 6;
  l.cornerRadius = 7;
  l.fill = solid(primaryColor(env, between(0.07, 0.12, hover)));
  l.border = withAlpha(Theme::accent(), between(0, 0.45, hover));
  l.borderWidth = 1;
  l.scale = lerp(1, 1.03, hover);
  return l;
}

// ---- ToolbarPillButton ---------------------------------------------------------------------

HouseButtonLook ToolbarPillButton::look(double hover) const {
  const EnvironmentValues env = environment();
  HouseButtonLook l;
  l.title = props_.title;
  l.font = systemFont(12, props_.isProminent ? QFont::DemiBold : QFont::Medium);
  l.foreground = props_.isProminent ? QColor(Qt::white) : primaryColor(env, between(0.7, 0.95, hover));
  l.paddingH = 14;
  l.paddingV = 5;
  l.fill = solid(props_.isProminent ? withAlpha(Theme::accent(), between(0.92, 1.0, hover))
                                    : primaryColor(env, between(0.08, 0.14, hover)));
  l.scale = lerp(1, 1.03, hover);
  return l;
}

}  // namespace qv
