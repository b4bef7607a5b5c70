#include "cards/badges/ClickableItem.h"

#include <QGraphicsSceneMouseEvent>

namespace qv {

ClickableItem::ClickableItem(AppContext& context, QGraphicsItem* parent) : PaintedItem(context, parent) {
  setAcceptedMouseButtons(Qt::NoButton);
  setHoverEnabled(false);
}

void ClickableItem::setAction(std::function<void()> action) {
  action_ = std::move(action);
  setHoverEnabled(bool(action_));
  setAcceptedMouseButtons(action_ ? Qt::LeftButton : Qt::NoButton);
  update();
}

void ClickableItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
  pressed_ = action_ && event->button() == Qt::LeftButton;
  if (pressed_)
    event->accept();
  else
    event->ignore();
}

void ClickableItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && hitShape().contains(event->pos());
  pressed_ = false;
  if (!click || !action_) return;
  const auto action = action_;  // the action may replace this item's props or the item itself
  action();
}

}  // namespace qv
