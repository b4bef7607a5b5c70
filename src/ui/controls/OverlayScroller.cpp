#include "ui/controls/OverlayScroller.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace qv {

namespace {
const Animation& fade() {
  static const Animation curve = Animation::easeOut(0.2);
  return curve;
}
}  // namespace

OverlayScroller::OverlayScroller(InterfaceServices& context, QAbstractScrollArea& area)
    : PaintedWidget(context, &area), area_(&area), watchedArea_(&area), visibility_(*context.frameClock, 0.0) {
  area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  visibility_.setOnChange([this] { update(); });
  QScrollBar* bar = area.verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this, [this] { reveal(); });
  connect(bar, &QScrollBar::rangeChanged, this, [this] { update(); });
  area.installEventFilter(this);
  place();
  raise();
}

bool OverlayScroller::isScrollable() const {
  return area_ && area_->verticalScrollBar()->maximum() > area_->verticalScrollBar()->minimum();
}

QRectF OverlayScroller::knobRect() const {
  if (!isScrollable()) return {};
  const QScrollBar* bar = area_->verticalScrollBar();
  const double track = height() - 2 * kInset;
  const double range = bar->maximum() - bar->minimum();
  const double page = std::max(1, bar->pageStep());
  const double length = std::clamp(track * page / (range + page), kMinimumKnobLength, track);
  const double top = kInset + (track - length) * (bar->value() - bar->minimum()) / range;
  return {(kWidth - kKnobWidth) / 2, top, kKnobWidth, length};
}

QPainterPath OverlayScroller::hitShape() const {
  // Takes the pointer only where a knob can be, and only while it scrolls.
  QPainterPath path;
  if (isScrollable() && visibility() > 0.01) path.addRect(QRectF(rect()));
  return path;
}

void OverlayScroller::paint(QPainter& painter) {
  const QRectF knob = knobRect();
  const double shown = visibility();
  if (knob.isEmpty() || shown <= 0.001) return;
  const double alpha = (0.38 + 0.14 * hoverProgress()) * shown;
  painter.fillPath(Fx::continuousRoundedRect(knob, kKnobWidth / 2), primaryColor(environment(), alpha));
}

void OverlayScroller::reveal() {
  if (!isScrollable()) return;
  if (environment().reduceMotion) visibility_.jumpTo(1);
  else visibility_.animateTo(1, fade());
  scheduleHide();
}

void OverlayScroller::scheduleHide() {
  hide_.cancel();
  if (isHovered() || dragOffset_) return;
  hide_ = context().scheduler->after(
      kHideDelay,
      [this] {
        if (environment().reduceMotion) visibility_.jumpTo(0);
        else visibility_.animateTo(0, fade());
      },
      this);
}

void OverlayScroller::hoverChanged(bool hovered) {
  if (hovered) {
    hide_.cancel();
    if (isScrollable()) visibility_.animateTo(1, fade());
  } else {
    scheduleHide();
  }
}

void OverlayScroller::mousePressEvent(QMouseEvent* event) {
  const QRectF knob = knobRect();
  if (knob.isEmpty() || event->button() != Qt::LeftButton) return PaintedWidget::mousePressEvent(event);
  const double y = event->position().y();
  // A press beside the knob moves it there first, centred on the pointer.
  dragOffset_ = knob.contains(QPointF(knob.center().x(), y)) ? y - knob.top() : knob.height() / 2;
  mouseMoveEvent(event);
  event->accept();
}

void OverlayScroller::mouseMoveEvent(QMouseEvent* event) {
  if (!dragOffset_ || !area_) return PaintedWidget::mouseMoveEvent(event);
  QScrollBar* bar = area_->verticalScrollBar();
  const QRectF knob = knobRect();
  const double travel = height() - 2 * kInset - knob.height();
  if (travel <= 0) return;
  const double fraction = std::clamp((event->position().y() - *dragOffset_ - kInset) / travel, 0.0, 1.0);
  bar->setValue(bar->minimum() + int(std::lround(fraction * (bar->maximum() - bar->minimum()))));
  event->accept();
}

void OverlayScroller::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragOffset_) return PaintedWidget::mouseReleaseEvent(event);
  dragOffset_.reset();
  scheduleHide();
  event->accept();
}

bool OverlayScroller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedArea_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) place();
  return PaintedWidget::eventFilter(watched, event);
}

void OverlayScroller::place() {
  if (!area_) return;
  const QRect inside = area_->contentsRect();
  setGeometry(inside.right() + 1 - int(kWidth), inside.top(), int(kWidth), inside.height());
}

}  // namespace qv
