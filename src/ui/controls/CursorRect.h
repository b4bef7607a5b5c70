#pragma once
#include "ui/view/PaintedItem.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

// A transparent region that shows the pointing hand while the pointer is over it (or the
// normal cursor when switched off). It draws nothing and takes no clicks: presses go to the
// view it lies in. The cursor is the painted views' own hover cursor.
class CursorRect : public PaintedWidget {
  Q_OBJECT
 public:
  explicit CursorRect(InterfaceServices& context, QWidget* parent = nullptr);
  void setPointingHand(bool pointingHand) { setHoverEnabled(pointingHand); }
  bool showsPointingHand() const { return isHoverEnabled(); }

 protected:
  void paint(QPainter&) override {}
  bool event(QEvent* event) override;
};

// The same region among painted items: the items below it take the clicks.
class CursorRectItem : public PaintedItem {
  Q_OBJECT
 public:
  explicit CursorRectItem(InterfaceServices& context, QGraphicsItem* parent = nullptr);
  void setPointingHand(bool pointingHand) { setHoverEnabled(pointingHand); }
  bool showsPointingHand() const { return isHoverEnabled(); }

 protected:
  void paintItem(QPainter&) override {}
};

}  // namespace qv
