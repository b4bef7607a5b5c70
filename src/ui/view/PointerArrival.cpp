#include "ui/view/PointerArrival.h"

#include "ui/view/PaintedWidget.h"

#include <QLineF>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace qv {

namespace {
bool samePlace(QPointF a, QPointF b) { return QLineF(a, b).length() < 0.01; }
}  // namespace

void PointerArrival::pointerAt(QPointF place, const PointerTarget& target) {
  if (place_ && samePlace(*place_, place)) return;
  place_ = place;
  movedOnto_ = target;
}

void PointerArrival::moved(QPointF place, const PointerTarget& target) {
  place_ = place;
  movedOnto_ = target;
}

void PointerArrival::rests(QPointF place) {
  place_ = place;
  movedOnto_.reset();
}

PointerArrival::Press PointerArrival::press(const PointerTarget& target, double time, QPointF place) {
  pointerAt(place, target);
  const bool second = time - lastPress_.time < kDoubleClickInterval &&
                      QLineF(place, lastPress_.place).length() <= kDoubleClickSlop;
  if (second && !(target == lastPress_.target)) return Press::secondOfFirst;
  if (!movedOnto_ || !(target == *movedOnto_)) return Press::waits;
  lastPress_ = {target, time, place};
  return Press::counts;
}

// ---- Controls ------------------------------------------------------------------------------------

ControlPointerArrival::ControlPointerArrival(QObject* parent) : QObject(parent) {}

PointerTarget ControlPointerArrival::targetAt(QWidget& window, QPointF globalPosition) {
  QWidget* widget = window.childAt(window.mapFromGlobal(globalPosition).toPoint());
  if (!widget) widget = &window;
  PointerTarget target{widget, {}, 0};
  if (auto* painted = qobject_cast<PaintedWidget*>(widget)) target.version = painted->targetVersion();
  return target;
}

bool ControlPointerArrival::admitPress(QWidget& window, QPointF globalPosition, quint64 timestamp) {
  if (!windowPress_ || windowPress_->second != timestamp || !samePlace(windowPress_->first, globalPosition))
    return true;
  return arrival_.press(targetAt(window, globalPosition), double(timestamp) / 1000.0, globalPosition) ==
         PointerArrival::Press::counts;
}

bool ControlPointerArrival::eventFilter(QObject* watched, QEvent* event) {
  // Only what the window system delivers to the windows: the pointer's own doings.
  if (!watched->isWindowType() || !event->spontaneous()) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPointF global = mouse->globalPosition();
      if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        windowPress_ = {global, mouse->timestamp()};
      if (QWidget* window = QWidget::find(static_cast<QWindow*>(watched)->winId()))
        arrival_.pointerAt(global, targetAt(*window, global));
      else arrival_.pointerAt(global, {});
      break;
    }
    // A wheel turned under the pointer brings what it scrolls there: the next press counts.
    case QEvent::Wheel: arrival_.forget(); break;
    default: break;
  }
  return false;
}

}  // namespace qv
