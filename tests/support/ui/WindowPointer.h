#pragma once
#include <QApplication>
#include <QEnterEvent>
#include <QPoint>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace qv::test {

// The pointer over a shown widget's window, its events delivered as the window system delivers
// them: moves, and clicks whose second press within the double-click interval the window turns
// into a double-click. Points are in `widget`'s coordinates.
class WindowPointer {
 public:
  explicit WindowPointer(QWidget& widget) : widget_(widget) {}

  // Moves onto `point` from one point beside it (a move to where the pointer already is is not
  // delivered).
  void moveTo(QPoint point) {
    send(point + QPoint(0, 1), Qt::NoButton, QEvent::MouseMove);
    send(point, Qt::NoButton, QEvent::MouseMove);
  }
  // The window shows (or slides) under the pointer resting at `point`: the window system says the
  // pointer entered and sends no move.
  void restsOnArrivalAt(QPoint point) {
    QWindow* window = widget_.window()->windowHandle();
    const QPointF local = widget_.mapTo(widget_.window(), point);
    QEnterEvent entered(local, local, window->mapToGlobal(local));
    QCoreApplication::sendEvent(window, &entered);
    QApplication::processEvents();
  }
  // A press and release at `point`, `afterMs` after the previous pointer event (QTest's clock):
  // within the double-click interval it is the second click of a double-click.
  void click(QPoint point, int afterMs = 5000) {
    press(point, afterMs);
    release(point);
  }
  // The click's two halves, for a press held a while.
  void press(QPoint point, int afterMs = 5000) {
    QTest::lastMouseTimestamp += afterMs;
    send(point, Qt::LeftButton, QEvent::MouseButtonPress);
  }
  void release(QPoint point) { send(point, Qt::LeftButton, QEvent::MouseButtonRelease); }
  static int doubleClickMs() { return 100; }

 private:
  void send(QPoint point, Qt::MouseButton button, QEvent::Type type) {
    QWindow* window = widget_.window()->windowHandle();
    const QPoint local = widget_.mapTo(widget_.window(), point);
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    qt_handleMouseEvent(window, local, window->mapToGlobal(local), held, button, type, Qt::NoModifier,
                        QTest::lastMouseTimestamp);
    QApplication::processEvents();
  }

  QWidget& widget_;
};

}  // namespace qv::test
