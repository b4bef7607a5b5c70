#include "cards/badges/CardFacets.h"

namespace qv {

CardFacets::CardFacets(const ClipboardItem& item, const std::optional<QUuid>& categoryID,
                       const BadgeFilterPredicate& isFilterActive)
    : CardFacets(typeFilter(item), categoryID, item.sourceAppBundleID, isFilterActive) {}

CardFacets::CardFacets(TypeFilter kind, const std::optional<QUuid>& categoryID, const QString& sourceAppBundleID,
                       const BadgeFilterPredicate& isFilterActive) {
  if (!isFilterActive) return;
  type = isFilterActive(BadgeFilter::ofType(kind));
  pinned = isFilterActive(BadgeFilter::pinned());
  category = categoryID && isFilterActive(BadgeFilter::ofCategory(*categoryID));
  app = isFilterActive(BadgeFilter::ofApp(sourceAppBundleID));
}

}  // namespace qv
