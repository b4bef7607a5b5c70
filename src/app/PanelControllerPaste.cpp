#include "app/PanelController.h"

namespace qv {

// The paste hooks of the state (pasteAction, pasteTransformedAction, pasteMultiAction) are
// filled here once the paste actions exist.
void PanelController::installPasteActions() {}

}  // namespace qv
