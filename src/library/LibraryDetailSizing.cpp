#include "library/LibraryDetailSizing.h"

#include "preview/PreviewSizing.h"

#include <algorithm>
#include <variant>

namespace qv::libraryDetail {

double fittingHeight(const ClipboardItem& item, double width, double availableHeight) {
  const double inner = width - kContentInset;
  const double content = std::holds_alternative<FilePayload>(item.payload)
                             ? inner * kFileAspect
                             : PreviewSizing::preferredHeight(item, inner);
  return std::min(std::max(availableHeight - kViewerHeightReserve, kMinimumViewerHeight),
                  std::max(content, kMinimumViewerHeight)) +
         kChromeHeight;
}

double width(double gridWidth, const ClipboardItem* item) {
  const double base = std::max(gridWidth - kGridMargin, kMinimumWidth);
  const double cap = item ? std::max(PreviewSizing::expandedWidth(*item), kMinimumWidth) : kWidthWithoutItem;
  return std::min(base, cap);
}

double height(double contentHeight, const ClipboardItem* item, double width) {
  if (!item) return std::max(contentHeight * kShare, kMinimumHeight);
  const double share = PreviewSizing::prefersTallLayout(*item) ? kTallShare : kShare;
  const double candidate = std::max(contentHeight * share, kMinimumHeight);
  return std::min(candidate, fittingHeight(*item, width, candidate));
}

}  // namespace qv::libraryDetail
