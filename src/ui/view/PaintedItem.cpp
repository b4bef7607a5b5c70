#include "ui/view/PaintedItem.h"

#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv {

PaintedItem::PaintedItem(InterfaceServices& context, QGraphicsItem* parent)
    : QGraphicsObject(parent), context_(context), hover_(*context.frameClock) {
  installAccessibilityBridge();
  setAcceptHoverEvents(true);
  hover_.setOnChange([this] { update(); });
  if (context_.environment) connect(context_.environment.get(), &Environment::changed, this, [this] { update(); });
}

EnvironmentValues PaintedItem::environment() const {
  return context_.environment ? context_.environment->values() : EnvironmentValues{};
}

void PaintedItem::setSize(const QSizeF& size) {
  if (size == size_) return;
  prepareGeometryChange();
  size_ = size;
  update();
}

QPainterPath PaintedItem::hitShape() const {
  QPainterPath path;
  path.addRect(rect());
  return path;
}

void PaintedItem::setHoverEnabled(bool enabled) {
  if (!hover_.setEnabled(enabled, environment().reduceMotion)) return;
  setAcceptHoverEvents(enabled);
  if (!enabled) {
    unsetCursor();
    hoverChanged(false);
  }
}

void PaintedItem::forgetHover() {
  if (!hover_.forget()) return;
  unsetCursor();
  hoverChanged(false);
  update();
}

AccessibilityInfo PaintedItem::accessibility() const { return {}; }

QRectF PaintedItem::boundingRect() const { return rect().marginsAdded(paintOverflow()); }

void PaintedItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setRenderHint(QPainter::TextAntialiasing);
  paintItem(*painter);
}

void paintItemTree(QPainter& painter, QGraphicsItem* item) {
  QList<QGraphicsItem*> children = item->childItems();
  std::stable_sort(children.begin(), children.end(), [](auto* a, auto* b) { return a->zValue() < b->zValue(); });
  auto paintChild = [&](QGraphicsItem* child) {
    if (!child->isVisible()) return;
    painter.save();
    painter.setTransform(child->itemTransform(item), true);
    painter.setOpacity(painter.opacity() * child->opacity());
    paintItemTree(painter, child);
    painter.restore();
  };
  for (auto* child : children)
    if (child->flags() & QGraphicsItem::ItemStacksBehindParent) paintChild(child);
  painter.save();
  item->paint(&painter, nullptr, nullptr);
  painter.restore();
  for (auto* child : children)
    if (!(child->flags() & QGraphicsItem::ItemStacksBehindParent)) paintChild(child);
}

QImage PaintedItem::renderForTest(double devicePixelRatio) {
  const QRectF bounds = boundingRect();
  QImage image(
      QSize(int(std::ceil(bounds.width() * devicePixelRatio)), int(std::ceil(bounds.height() * devicePixelRatio))),
      QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.translate(-bounds.topLeft());
  paintItemTree(painter, this);
  return image;
}

void PaintedItem::updateHover(bool hovered) {
  if (!hover_.setHovered(hovered, environment().reduceMotion)) return;
  if (hover_.isHovered()) setCursor(Qt::PointingHandCursor);
  else unsetCursor();
  hoverChanged(hover_.isHovered());
  update();
}

// The scene delivers hover by shape(), which is the hit shape, so overflow never hovers.
void PaintedItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event) { updateHover(hitShape().contains(event->pos())); }
void PaintedItem::hoverMoveEvent(QGraphicsSceneHoverEvent* event) { updateHover(hitShape().contains(event->pos())); }
void PaintedItem::hoverLeaveEvent(QGraphicsSceneHoverEvent*) { updateHover(false); }

bool PaintedItem::isOnShownView() const {
  if (!scene() || !isVisible()) return false;
  const QList<QGraphicsView*> views = scene()->views();
  return std::any_of(views.begin(), views.end(), [](const QGraphicsView* view) { return view->isVisible(); });
}

PaintedItemView::PaintedItemView(QGraphicsScene* scene, QWidget* parent) : QGraphicsView(scene, parent) {
  installAccessibilityBridge();
  setFrameShape(QFrame::NoFrame);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  setBackgroundBrush(Qt::NoBrush);
  setStyleSheet(QStringLiteral("background: transparent"));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMouseTracking(true);
}

void PaintedItemView::showEvent(QShowEvent* event) {
  QGraphicsView::showEvent(event);
  tellItemsShownViewsChanged();
}

void PaintedItemView::hideEvent(QHideEvent* event) {
  QGraphicsView::hideEvent(event);
  tellItemsShownViewsChanged();
}

void PaintedItemView::tellItemsShownViewsChanged() {
  if (!scene()) return;
  for (QGraphicsItem* item : scene()->items())
    if (auto* painted = qobject_cast<PaintedItem*>(item->toGraphicsObject())) painted->shownViewsChanged();
}

QList<PaintedItem*> PaintedItemView::accessibleItems() const {
  QList<PaintedItem*> result;
  if (!scene()) return result;
  for (auto* item : scene()->items()) {
    auto* painted = qobject_cast<PaintedItem*>(item->toGraphicsObject());
    if (!painted || !painted->isVisible()) continue;
    // Only the outermost painted items; their painted children hang below them.
    bool nested = false;
    for (auto* up = item->parentItem(); up; up = up->parentItem())
      if (qobject_cast<PaintedItem*>(up->toGraphicsObject())) nested = true;
    if (!nested) result << painted;
  }
  std::stable_sort(result.begin(), result.end(), [](PaintedItem* a, PaintedItem* b) {
    const QPointF pa = a->scenePos(), pb = b->scenePos();
    return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
  });
  return result;
}

}  // namespace qv
