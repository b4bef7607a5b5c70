#include "ui/controls/TapControl.h"

#include <QApplication>
#include <QMouseEvent>

namespace qv {

void TapControl::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton && acceptsTap();
  firstPressAt_ = event->timestamp();
  event->accept();
}

void TapControl::mouseDoubleClickEvent(QMouseEvent* event) {
  const bool tookFirst = firstPressAt_ &&
                         event->timestamp() - *firstPressAt_ <= quint64(QApplication::doubleClickInterval());
  if (tookFirst) return mousePressEvent(event);
  pressed_ = false;
  event->accept();
}

void TapControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool tap = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  if (tap && acceptsTap()) tapped();
}

}  // namespace qv
