#include "cards/badges/ClickableItem.h"

#include "cards/ViewServices.h"
#include "ui/theme/Theme.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPointer>

namespace qv {

ClickableItem::ClickableItem(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent), active_(*context.frameClock, 0.0) {
  active_.setOnChange([this] { update(); });
  // Small shapes fill slowly (each fill is split across threads); at rest the control is
  // blitted from its last rendering, which every update() throws away.
  setCacheMode(DeviceCoordinateCache);
  setAcceptedMouseButtons(Qt::NoButton);
  setHoverEnabled(false);
}

void ClickableItem::replaceCallbacks(Callbacks callbacks) {
  const bool wasLive = hasAction();
  callbacks_ = std::move(callbacks);
  if (wasLive == hasAction()) return;
  setHoverEnabled(hasAction());
  setAcceptedMouseButtons(hasAction() ? Qt::LeftButton : Qt::NoButton);
  update();
}

void ClickableItem::setActive(bool active) {
  const bool first = !activeSet_;
  activeSet_ = true;
  if (active == isActive_) return;
  isActive_ = active;
  // A control shows its first state at once; later changes move.
  if (first || environment().reduceMotion) active_.jumpTo(active ? 1.0 : 0.0);
  else active_.animateTo(active ? 1.0 : 0.0, Theme::springSnappy());
}

AccessibilityInfo ClickableItem::clickableAccessibility(QAccessible::Role inertRole, const QString& name) const {
  AccessibilityInfo info;
  info.role = hasAction() ? QAccessible::Button : inertRole;
  info.name = name;
  info.selectable = true;
  info.selected = isActive_;
  // Read when pressed: the item may have taken new callbacks by then.
  if (hasAction())
    info.press = [self = QPointer<const ClickableItem>(this)] {
      if (self && self->callbacks_.onClick) {
        const auto onClick = self->callbacks_.onClick;
        onClick();
      }
    };
  return info;
}

void ClickableItem::scaleAboutCentre(QPainter& painter, const QRectF& bounds, double scale) {
  painter.translate(bounds.center());
  painter.scale(scale, scale);
  painter.translate(-bounds.center());
}

void ClickableItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
  pressed_ = hasAction() && event->button() == Qt::LeftButton;
  if (pressed_) event->accept();
  else event->ignore();
}

void ClickableItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && hitShape().contains(event->pos());
  pressed_ = false;
  if (!click || !hasAction()) return;
  const auto onClick = callbacks_.onClick;  // the call may replace this item's props or the item itself
  onClick();
}

}  // namespace qv
