#pragma once
#include "items/model/ClipboardItem.h"

namespace qv::libraryDetail {

// The size of the library's detail pane, in points. The pane floats over the bottom of the grid:
// as wide as the grid leaves room for (at least 320), but no wider than its item's wide preview;
// as tall as a share of the library's content (0.72 for items that lay out tall, else 0.45, at
// least 180), but no taller than the pane needs.

inline constexpr double kMinimumWidth = 320;
inline constexpr double kWidthWithoutItem = 820;
inline constexpr double kGridMargin = 80;
inline constexpr double kMinimumHeight = 180;
inline constexpr double kShare = 0.45;
inline constexpr double kTallShare = 0.72;
// The viewer inside the pane: 20 points narrower than it, at least 290 tall; a candidate height
// gives up 150 points to the rest of the pane; the header, spacing and padding take 70.
inline constexpr double kContentInset = 20;
inline constexpr double kMinimumViewerHeight = 290;
inline constexpr double kViewerHeightReserve = 150;
inline constexpr double kChromeHeight = 70;
inline constexpr double kFileAspect = 1.25;

// The height the pane needs for `item` at `width` when it could have `availableHeight`.
// A candidate below 440 always gives 360.
double fittingHeight(const ClipboardItem& item, double width, double availableHeight);
// The pane's width in a grid `gridWidth` wide; none: no item is shown.
double width(double gridWidth, const ClipboardItem* item);
// The pane's height at `width` in content `contentHeight` tall.
double height(double contentHeight, const ClipboardItem* item, double width);

}  // namespace qv::libraryDetail
