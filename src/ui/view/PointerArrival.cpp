#include "ui/view/PointerArrival.h"

#include "ui/view/PaintedWidget.h"

#include <QGuiApplication>
#include <QLineF>
#include <QMouseEvent>
#include <QStyleHints>
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

void PointerArrival::restsWhereSeen() {
  if (place_) movedOnto_.reset();
}

double PointerArrival::applicationDoubleClickInterval() {
  const auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  const double toolkit = application ? QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0 : 0;
  return std::max(toolkit, kDoubleClickInterval);
}

PointerArrival::Press PointerArrival::press(const PointerTarget& target, double time, QPointF place, Effect effect) {
  pointerAt(place, target);
  const double sincePress = time - std::exchange(lastPressAt_, time);
  const bool second = time - lastPress_.time < interval_ &&
                      QLineF(place, lastPress_.place).length() <= kDoubleClickSlop;
  if (second && !(target == lastPress_.target)) return Press::secondOfFirst;
  const bool movedOnto = movedOnto_ && target == *movedOnto_;
  // What came by itself: past the interval no double-click can begin with this press, so it is
  // a press of its own, unless it would act on an item the user may not have aimed at.
  const bool settled = effect == Effect::onView && sincePress >= interval_;
  if (!movedOnto && !settled) return Press::waits;
  lastPress_ = {target, time, place};
  return Press::counts;
}

// ---- Controls ------------------------------------------------------------------------------------

ControlPointerArrival::ControlPointerArrival(QObject* parent)
    : QObject(parent), arrival_(PointerArrival::applicationDoubleClickInterval()) {}

namespace {
QWidget& widgetAt(QWidget& window, QPointF globalPosition) {
  QWidget* widget = window.childAt(window.mapFromGlobal(globalPosition).toPoint());
  return widget ? *widget : window;
}

PointerTarget targetOf(QWidget& widget) {
  PointerTarget target{&widget, {}, 0};
  if (auto* painted = qobject_cast<PaintedWidget*>(&widget)) target.version = painted->targetVersion();
  return target;
}
}  // namespace

PointerTarget ControlPointerArrival::targetAt(QWidget& window, QPointF globalPosition) {
  return targetOf(widgetAt(window, globalPosition));
}

bool ControlPointerArrival::admitPress(QWidget& window, QPointF globalPosition, quint64 timestamp,
                                       PointerArrival::Effect effect) {
  if (!windowPress_ || windowPress_->second != timestamp || !samePlace(windowPress_->first, globalPosition))
    return true;
  // Judged once: the host of cards asks for itself, then for its cards with the same press.
  if (judged_ && judged_->timestamp == timestamp && samePlace(judged_->place, globalPosition)) return judged_->counts;
  QWidget& widget = widgetAt(window, globalPosition);
  if (auto* painted = qobject_cast<PaintedWidget*>(&widget); painted && painted->actsOnItem())
    effect = PointerArrival::Effect::onItem;
  const bool counts = arrival_.press(targetOf(widget), double(timestamp) / 1000.0, globalPosition, effect) ==
                      PointerArrival::Press::counts;
  judged_ = Judged{timestamp, globalPosition, counts};
  return counts;
}

bool ControlPointerArrival::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWindowType()) return false;
  if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
    // A menu that goes leaves the pointer over what it uncovers; a window that comes or goes is
    // no place the pointer was seen. (A tooltip covers nothing the pointer is over.)
    switch (static_cast<QWindow*>(watched)->type()) {
      case Qt::ToolTip: break;
      case Qt::Popup:
        if (event->type() == QEvent::Hide) arrival_.restsWhereSeen();
        break;
      default: arrival_.forget(); break;
    }
    return false;
  }
  // Only what the window system delivers to the windows: the pointer's own doings.
  if (!event->spontaneous()) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPointF global = mouse->globalPosition();
      if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        // The press before, judged or not (one on a menu's row), is where a double-click may begin.
        if (windowPress_ && windowPressLeft_) arrival_.notePress(double(windowPress_->second) / 1000.0);
        windowPress_ = {global, mouse->timestamp()};
        windowPressLeft_ = mouse->button() == Qt::LeftButton;
      }
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
