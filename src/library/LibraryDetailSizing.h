#pragma once
#include "items/model/ClipboardItem.h"

namespace qv::LibraryDetailSizing {

// The detail pane's rows around its body: a 38-point header, 12 between header and body, and
// 10 of padding above and below.
inline constexpr double kChrome = 70;
// The body is never shorter, and the text and code viewers never lower, than this.
inline constexpr double kBodyFloor = 290;
// What the viewers leave of the host's height for the header, the padding and the room below.
inline constexpr double kViewerReserve = 150;

// The height of the text viewer, the code viewer and the editor in a pane `width` wide and
// `availableHeight` high: the item's preferred preview height at `width` − 20, at least 290,
// at most `availableHeight` − 150 unless that is below 290.
double viewerHeight(const ClipboardItem& item, double width, double availableHeight);

// The height the pane needs for `item` at `width` with `candidateHeight` available: the content's
// estimate (a file's is (width − 20) × 1.25) held between the same bounds as the viewer, plus the
// chrome. A candidate below 440 always gives 360.
double fittingHeight(const ClipboardItem& item, double width, double candidateHeight);

}  // namespace qv::LibraryDetailSizing
