#pragma once
#include "ui/view/PaintedItem.h"

namespace qv {

// The accent capsule "Press Ctrl+V to paste" shown on the card of an item that was only copied
// (the paste permission is missing). It has no inputs and never takes the pointer: a click on
// it reaches the card beneath. Its size is its natural one; the host places it.
class PasteHintBadge : public PaintedItem {
  Q_OBJECT
 public:
  explicit PasteHintBadge(InterfaceServices& context, QGraphicsItem* parent = nullptr);

  // "Press Ctrl+V to paste", with the desktop's name of the paste keys.
  static QString text();
  QMarginsF paintOverflow() const override;
  QPainterPath hitShape() const override { return {}; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;
};

}  // namespace qv
