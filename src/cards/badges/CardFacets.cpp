#include "cards/badges/CardFacets.h"

namespace qv {

CardFacets::CardFacets(const ClipboardItem& item, const std::optional<QUuid>& categoryID,
                       const BadgeFilterPredicate& isFilterActive) {
  if (!isFilterActive) return;
  type = isFilterActive(BadgeFilter::ofType(typeFilter(item)));
  pinned = isFilterActive(BadgeFilter::pinned());
  category = categoryID && isFilterActive(BadgeFilter::ofCategory(*categoryID));
  app = isFilterActive(BadgeFilter::ofApp(item.sourceAppBundleID));
}

}  // namespace qv
