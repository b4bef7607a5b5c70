#include "platform/MenuPresenter.h"

#include <QMenu>

namespace qv {

void PopupMenuPresenter::popUp(std::unique_ptr<QMenu> menu, const QPoint& globalPosition) {
  QMenu* open = menu.release();
  // Deferred: the close happens inside the menu's own event handler.
  QObject::connect(open, &QMenu::aboutToHide, open, &QObject::deleteLater);
  open->popup(globalPosition);
}

}  // namespace qv
