#include "ui/controls/CursorRect.h"

#include <QEvent>

namespace qv {

CursorRect::CursorRect(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
}

bool CursorRect::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
      event->ignore();  // on to the view below
      return false;
    default: return PaintedWidget::event(event);
  }
}

CursorRectItem::CursorRectItem(InterfaceServices& context, QGraphicsItem* parent) : PaintedItem(context, parent) {
  setAcceptedMouseButtons(Qt::NoButton);
}

}  // namespace qv
