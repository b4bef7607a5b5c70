#pragma once
#include <optional>

namespace qv {

// Where the preview pane sits beside the column, from the hosting height, the pane's last
// measured height (0 before the first measurement) and the vertical centre of the card that
// opened it (none: centred).

// The pane's top edge: centred on the anchor, kept 20 points inside the top and bottom, and
// pinned 20 from the top when it is taller than the room between those margins.
double previewTop(double hostingHeight, double paneHeight, std::optional<double> anchorY);

// The vertical unit point (0 top, 1 bottom) the pane grows out of and shrinks into: the anchor's
// place on the pane, clamped to the pane; 0.5 without an anchor or a measured height.
double previewUnitAnchor(double hostingHeight, double paneHeight, std::optional<double> anchorY);

}  // namespace qv
