#pragma once
#include "panel/CategoryStrip.h"

namespace qv {

class PanelState;

// The strip's props from the state.
CategoryStripView::Props categoryStripProps(const PanelState& state);
// What the strip's clicks do to the state.
CategoryStripView::Callbacks categoryStripCallbacks(PanelState& state);
// Keeps the strip on the state and sends its clicks there; a new top filter scrolls its pill to
// the centre.
void connectCategoryStrip(CategoryStripView& strip, PanelState& state);

}  // namespace qv
