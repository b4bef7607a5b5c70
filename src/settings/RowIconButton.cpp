#include "settings/RowIconButton.h"

#include "settings/SettingsStyle.h"
#include "ui/symbols/Symbols.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace qv {

RowIconButton::RowIconButton(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), props_(std::move(props)), callbacks_(std::move(callbacks)) {
  setFixedSize(kSide, kSide);
}

void RowIconButton::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  update();
}

void RowIconButton::setPresence(double presence) {
  if (presence == presence_) return;
  presence_ = presence;
  update();
}

double RowIconButton::circleOpacity(double restingFill, bool increasedContrast, double hover) {
  const double resting = increasedContrast ? std::min(2 * restingFill, 0.22) : restingFill;
  const double hovered = std::max(resting + 0.03, 0.1);
  return resting + (hovered - resting) * hover;
}

double RowIconButton::symbolOpacity(bool increasedContrast, double hover) {
  const double resting = increasedContrast ? 0.75 : 0.4;
  const double hovered = increasedContrast ? 1.0 : 0.85;
  return resting + (hovered - resting) * hover;
}

QPainterPath RowIconButton::hitShape() const {
  QPainterPath circle;
  circle.addEllipse(QRectF(rect()));
  return circle;
}

AccessibilityInfo RowIconButton::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::Button;
  info.press = [this] { const_cast<RowIconButton*>(this)->click(); };
  return info;
}

void RowIconButton::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setOpacity(presence_);
  painter.setPen(Qt::NoPen);
  painter.setBrush(
      settingsStyle::primary(env, circleOpacity(props_.restingFill, env.increasedContrast, hoverProgress())));
  painter.drawEllipse(QRectF(rect()));
  const QColor tint = settingsStyle::primary(env, symbolOpacity(env.increasedContrast, hoverProgress()));
  const QImage symbol = Symbols::image(props_.symbol, props_.size, tint, devicePixelRatioF());
  if (!symbol.isNull()) {
    const QSizeF size = QSizeF(symbol.size()) / symbol.devicePixelRatio();
    painter.drawImage(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), symbol);
  }
}

void RowIconButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && hits(event->position())) click();
}

void RowIconButton::click() {
  // A copy: the click may hand this button new callbacks.
  if (const auto onClick = callbacks_.onClick) onClick();
}

}  // namespace qv
