#pragma once
#include "cards/ViewServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

#include <functional>

namespace qv {

// A painted item with one click callback, the shell of the small controls on a card. A click is
// a left press and release on the hit shape. Without a callback the item takes neither hover
// nor clicks, so both fall through to the card below. Controls that show an applied filter
// keep it as the active flag, whose look moves with the snappy spring. Subclasses take the
// callback with their props (setProps(props, callbacks)), every time.
class ClickableItem : public PaintedItem {
  Q_OBJECT
 public:
  struct Callbacks {
    std::function<void()> onClick;  // none: the item is inert
  };

  explicit ClickableItem(ViewServices& context, QGraphicsItem* parent = nullptr);

  bool hasAction() const { return bool(callbacks_.onClick); }
  // The click removes, copies or pastes the card's item: under a resting pointer the host holds
  // it until the pointer moves.
  void setActsOnItem(bool actsOnItem) { actsOnItem_ = actsOnItem; }
  bool actsOnItem() const { return actsOnItem_; }

 protected:
  // Replaces the callback; the subclass's setProps calls it before comparing its props.
  void replaceCallbacks(Callbacks callbacks);
  // 0 inactive … 1 active.
  double activeProgress() const { return active_.value(); }
  void setActive(bool active);
  // A button while it has an action, else `inertRole`; selected while active.
  AccessibilityInfo clickableAccessibility(QAccessible::Role inertRole, const QString& name) const;
  // Scales what the painter paints next by `scale` about the centre of `bounds`.
  static void scaleAboutCentre(QPainter& painter, const QRectF& bounds, double scale);
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

 private:
  Callbacks callbacks_;
  Animated<double> active_;
  bool isActive_ = false;
  bool activeSet_ = false;
  bool pressed_ = false;
  bool actsOnItem_ = false;
};

}  // namespace qv
