#include "library/LibraryDetailSizing.h"

#include "preview/PreviewSizing.h"

#include <algorithm>

namespace qv::LibraryDetailSizing {

namespace {

double held(double content, double availableHeight) {
  return std::min(std::max(availableHeight - kViewerReserve, kBodyFloor), std::max(content, kBodyFloor));
}

}  // namespace

double viewerHeight(const ClipboardItem& item, double width, double availableHeight) {
  return held(PreviewSizing::preferredHeight(item, width - 20), availableHeight);
}

double fittingHeight(const ClipboardItem& item, double width, double candidateHeight) {
  const double content = std::holds_alternative<FilePayload>(item.payload)
                             ? (width - 20) * 1.25
                             : PreviewSizing::preferredHeight(item, width - 20);
  return held(content, candidateHeight) + kChrome;
}

}  // namespace qv::LibraryDetailSizing
