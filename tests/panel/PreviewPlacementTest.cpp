#include "panel/PreviewPlacement.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

struct PlacementCase {
  const char* name;
  double hosting;
  double pane;
  std::optional<double> anchor;
  double top;
  double unitAnchor;
};

const PlacementCase kCases[] = {
    {"no anchor: centred", 800, 300, std::nullopt, 250, 0.5},
    {"no anchor, taller than the host: 20 from the top", 400, 500, std::nullopt, 20, 0.5},
    {"not measured yet: half the height", 800, 0, 400, 400, 0.5},
    {"not measured yet in a tiny host: 20", 30, 0, std::nullopt, 20, 0.5},
    {"anchor in the middle: centred on it", 800, 200, 400, 300, 0.5},
    {"anchor near the top: 20", 800, 200, 50, 20, 0.15},
    {"anchor near the bottom: H - h - 20", 800, 200, 760, 580, 0.9},
    {"taller than H - 40: pinned at 20", 800, 790, 400, 20, 380.0 / 790},
    {"anchor above the clamped top: 0", 800, 200, 5, 20, 0},
    {"anchor below the clamped bottom: 1", 800, 200, 900, 580, 1},
    {"zero host with an anchor: centred rule", 0, 100, 10, 20, 0},
};

}  // namespace

TEST(PreviewPlacement, TopAndAnchorCases) {
  for (const PlacementCase& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(previewTop(c.hosting, c.pane, c.anchor), c.top);
    EXPECT_DOUBLE_EQ(previewUnitAnchor(c.hosting, c.pane, c.anchor), c.unitAnchor);
  }
}
