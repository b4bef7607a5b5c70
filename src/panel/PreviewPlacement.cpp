#include "panel/PreviewPlacement.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {
constexpr double kPreviewMargin = 20;
}

double previewTop(double hostingHeight, double paneHeight, std::optional<double> anchorY) {
  if (!anchorY || hostingHeight <= 0 || paneHeight <= 0)
    return std::max((hostingHeight - paneHeight) / 2, kPreviewMargin);
  const double centred = std::max(*anchorY - paneHeight / 2, kPreviewMargin);
  const double lowest = std::max(hostingHeight - paneHeight - kPreviewMargin, kPreviewMargin);
  return std::min(centred, lowest);
}

double previewUnitAnchor(double hostingHeight, double paneHeight, std::optional<double> anchorY) {
  if (!anchorY || paneHeight <= 0) return 0.5;
  const double unit = (*anchorY - previewTop(hostingHeight, paneHeight, anchorY)) / paneHeight;
  // Not above 0 also catches a result that is not a number.
  if (!(unit > 0)) return 0;
  return std::min(unit, 1.0);
}

}  // namespace qv
