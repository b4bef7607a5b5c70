#pragma once

// The geometry of the panel's content, in points: the card column on the panel's edge side, the
// place where the side surfaces open beside it, and the band at its top where the search bar lies. The panel
// controller's click rules rely on it.
namespace qv::panelLayout {

inline constexpr double kColumnWidth = 320;
inline constexpr double kOverlayOffset = 324;  // from the edge side to what opens beside the column
inline constexpr double kFilterPanelWidth = 420;
inline constexpr double kDotsMenuWidth = 180;
inline constexpr double kTopBandInset = 8;
inline constexpr double kTopBandHeight = 50;

}  // namespace qv::panelLayout
