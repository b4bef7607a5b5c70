#pragma once
#include "ui/view/PaintedItem.h"

#include <functional>

namespace qv {

// A painted item with one click action, the shell of the small controls on a card. A click is
// a left press and release on the hit shape. Without an action the item takes neither hover
// nor clicks, so both fall through to the card below.
class ClickableItem : public PaintedItem {
  Q_OBJECT
 public:
  explicit ClickableItem(AppContext& context, QGraphicsItem* parent = nullptr);

  void setAction(std::function<void()> action);
  bool hasAction() const { return bool(action_); }

 protected:
  const std::function<void()>& action() const { return action_; }
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

 private:
  std::function<void()> action_;
  bool pressed_ = false;
};

}  // namespace qv
