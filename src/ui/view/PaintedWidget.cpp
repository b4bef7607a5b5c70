#include "ui/view/PaintedWidget.h"

#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/view/PointerArrival.h"

#include <QHoverEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <utility>

namespace qv {

PaintedWidget::PaintedWidget(InterfaceServices& context, QWidget* parent)
    : QWidget(parent), context_(context), hover_(*context.frameClock) {
  installAccessibilityBridge();
  setAttribute(Qt::WA_Hover);
  setMouseTracking(true);
  hover_.setOnChange([this] { update(); });
  if (context_.environment)
    connect(context_.environment.get(), &Environment::changed, this, qOverload<>(&QWidget::update));
}

EnvironmentValues PaintedWidget::environment() const {
  return context_.environment ? context_.environment->values() : EnvironmentValues{};
}

void PaintedWidget::setHoverEnabled(bool enabled) {
  if (!hover_.setEnabled(enabled, environment().reduceMotion)) return;
  if (!enabled) {
    unsetCursor();
    hoverChanged(false);
  }
}

QPainterPath PaintedWidget::hitShape() const {
  QPainterPath path;
  path.addRect(QRectF(rect()));
  return path;
}

AccessibilityInfo PaintedWidget::accessibility() const {
  AccessibilityInfo info;
  info.name = accessibleName();
  info.description = accessibleDescription();
  return info;
}

QImage widgetPicture(QWidget& widget) {
  const double dpr = widget.devicePixelRatioF();
  QImage image((QSizeF(widget.size()) * dpr).toSize().expandedTo({1, 1}), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  widget.render(&image, {}, {}, QWidget::DrawChildren);
  return image;
}

QImage PaintedWidget::renderForTest(double devicePixelRatio) {
  QImage image(QSize(int(std::ceil(width() * devicePixelRatio)), int(std::ceil(height() * devicePixelRatio))),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  paint(painter);
  return image;
}

void PaintedWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  paint(painter);
}

void PaintedWidget::updateHover(const QPointF& position, bool inside) {
  const bool hovered = inside && hits(position);
  if (!hover_.setHovered(hovered, environment().reduceMotion)) return;
  if (hover_.isHovered()) setCursor(Qt::PointingHandCursor);
  else unsetCursor();
  hoverChanged(hover_.isHovered());
  update();
}

bool PaintedWidget::admitsPress(const QMouseEvent& event) const {
  if (!context_.controlPointerArrival || event.button() != Qt::LeftButton) return true;
  return context_.controlPointerArrival->admitPress(*window(), event.globalPosition(), event.timestamp());
}

bool PaintedWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove: updateHover(static_cast<QHoverEvent*>(event)->position(), true); break;
    case QEvent::HoverLeave: updateHover({}, false); break;
    case QEvent::Leave: updateHover({}, false); break;
    // A window hidden under the pointer sends no leave: shown again, nothing is hovered.
    case QEvent::Hide: updateHover({}, false); break;
    case QEvent::MouseButtonRelease:
      if (std::exchange(heldPress_, false)) {
        event->accept();
        return true;
      }
      [[fallthrough]];
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // Outside the hit shape the press belongs to what lies below (the parent).
      if (!hits(static_cast<QMouseEvent*>(event)->position())) {
        event->ignore();
        return false;
      }
      if (event->type() != QEvent::MouseButtonRelease) {
        heldPress_ = !admitsPress(*static_cast<QMouseEvent*>(event));
        if (heldPress_) {
          event->accept();
          return true;
        }
      }
      break;
    default: break;
  }
  return QWidget::event(event);
}

}  // namespace qv
