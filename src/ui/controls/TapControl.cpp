#include "ui/controls/TapControl.h"

#include <QMouseEvent>

namespace qv {

void TapControl::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton && acceptsTap();
  event->accept();
}

void TapControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool tap = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  if (tap && acceptsTap()) tapped();
}

}  // namespace qv
