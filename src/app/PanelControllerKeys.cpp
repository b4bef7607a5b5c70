#include "app/PanelController.h"

#include <QKeyEvent>

namespace qv {

// The panel's keyboard handling comes here; until then no key is handled.
bool PanelController::handleKeyDown(const QKeyEvent& event) {
  Q_UNUSED(event);
  return false;
}

}  // namespace qv
