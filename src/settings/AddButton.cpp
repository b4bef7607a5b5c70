#include "settings/AddButton.h"

#include "settings/SettingsStyle.h"
#include "ui/controls/ControlStyle.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv {

AddButton::AddButton(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), props_(std::move(props)), callbacks_(std::move(callbacks)) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setHoverEnabled(!props_.disabled);
  setAccessibleName(props_.label);
}

void AddButton::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  setHoverEnabled(!props_.disabled);
  setAccessibleName(props_.label);
  update();
}

// 28 points high, with 7 above and below.
QSize AddButton::sizeHint() const { return QSize(120, 28 + 2 * 7); }

AccessibilityInfo AddButton::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::Button;
  if (!props_.disabled) info.press = [this] { const_cast<AddButton*>(this)->click(); };
  return info;
}

QColor AddButton::labelColor() const {
  if (props_.disabled) return settingsStyle::secondary(environment());
  // The snappy hover spring overshoots: withAlpha keeps the alpha within [0, 1].
  return withAlpha(Theme::accent(), 0.75 + 0.25 * hoverProgress());
}

double AddButton::labelScale() const { return props_.disabled ? 1.0 : 1.0 + 0.01 * hoverProgress(); }

void AddButton::paint(QPainter& painter) {
  const QColor color = labelColor();
  const double scale = labelScale();
  const double midY = height() / 2.0;
  // Scaled around the label's leading edge.
  painter.translate(0, midY);
  painter.scale(scale, scale);
  painter.translate(0, -midY);
  const QImage plus = Symbols::image(QStringLiteral("plus"), 13, color, devicePixelRatioF());
  double x = 0;
  if (!plus.isNull()) {
    const QSizeF size = QSizeF(plus.size()) / plus.devicePixelRatio();
    painter.drawImage(QPointF(0, midY - size.height() / 2), plus);
    x = size.width() + 6;
  }
  painter.setFont(settingsStyle::font(13));
  painter.setPen(color);
  painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, props_.label);
}

void AddButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !props_.disabled && hits(event->position())) click();
}

void AddButton::click() {
  // A copy: the click may hand this button new callbacks.
  if (const auto onClick = callbacks_.onClick) onClick();
}

}  // namespace qv
