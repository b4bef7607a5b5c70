#pragma once
#include "ui/theme/Environment.h"
#include "ui/view/Accessibility.h"
#include "ui/view/HoverState.h"

#include <QGraphicsObject>
#include <QGraphicsView>
#include <QImage>
#include <QMarginsF>
#include <QPainterPath>

namespace qv {

struct InterfaceServices;

// Base of cards and what lies on them, in a QGraphicsView host. The item has a size; its
// painting may overflow it by `paintOverflow()` (glows, shadows, a hover lift) while the
// pointer hits only `hitShape()`. Hover and cursor work as in PaintedWidget.
class PaintedItem : public QGraphicsObject {
  Q_OBJECT
 public:
  explicit PaintedItem(InterfaceServices& context, QGraphicsItem* parent = nullptr);

  InterfaceServices& context() const { return context_; }
  EnvironmentValues environment() const;

  void setSize(const QSizeF& size);
  QSizeF size() const { return size_; }
  QRectF rect() const { return QRectF(QPointF(0, 0), size_); }

  // How far painting may reach beyond rect(). Call prepareOverflowChange() before it changes.
  virtual QMarginsF paintOverflow() const { return {}; }
  void prepareOverflowChange() { prepareGeometryChange(); }
  // Where the item takes the pointer. Default: its rectangle.
  virtual QPainterPath hitShape() const;

  void setHoverEnabled(bool enabled);
  bool isHoverEnabled() const { return hover_.isEnabled(); }
  bool isHovered() const { return hover_.isHovered(); }
  double hoverProgress() const { return hover_.progress(); }
  // Drops the hover at once, with no fade: a recycled host's item starts un-hovered even when
  // the scene never told it that the pointer left.
  void forgetHover();

  virtual AccessibilityInfo accessibility() const;

  // Whether the item can be seen: visible, in a scene that a view shows in a shown window.
  bool isOnShownView() const;

  // The item and its painted children on a transparent image covering boundingRect(), at
  // `devicePixelRatio`; item coordinate (0, 0) lands at renderOrigin().
  QImage renderForTest(double devicePixelRatio = 1.0);
  QPointF renderOrigin() const { return -boundingRect().topLeft(); }

  QRectF boundingRect() const override;
  QPainterPath shape() const override { return hitShape(); }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 protected:
  // What the item draws (named apart from QGraphicsItem::paint, which calls it, so that
  // subclasses do not hide that one).
  virtual void paintItem(QPainter& painter) = 0;
  virtual void hoverChanged(bool hovered) { Q_UNUSED(hovered); }
  // A view of the item's scene was shown or hidden (isOnShownView may have changed).
  virtual void shownViewsChanged() {}

  void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
  void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
  void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;

 private:
  void updateHover(bool hovered);
  friend class PaintedItemView;

  InterfaceServices& context_;
  QSizeF size_;
  HoverState hover_;
};

// Paints `item` and its visible children in stacking order, as the scene would (children's
// transforms and opacities; not the item's own, nor graphics effects).
void paintItemTree(QPainter& painter, QGraphicsItem* item);

// The host of painted items: a frameless, transparent, antialiased view whose accessible
// children are its painted items in reading order (top to bottom, then leading to trailing).
class PaintedItemView : public QGraphicsView {
  Q_OBJECT
 public:
  explicit PaintedItemView(QGraphicsScene* scene, QWidget* parent = nullptr);
  // Top-level painted items in reading order.
  QList<class PaintedItem*> accessibleItems() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void tellItemsShownViewsChanged();
};

}  // namespace qv
