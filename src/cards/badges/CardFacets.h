#pragma once
#include "state/FilterTypes.h"

#include <QUuid>
#include <functional>
#include <optional>

namespace qv {

// Whether the filter asked for by a badge is applied; none: no badge shows as applied.
using BadgeFilterPredicate = std::function<bool(const BadgeFilter&)>;
// Runs when a badge asks for its filter.
using BadgeFilterAction = std::function<void(const BadgeFilter&)>;

// Which of a card's badges (kind, pinned, category, source application) are applied filters.
// Hosts compute it for each card so that the card's equality sees when that changes.
struct CardFacets {
  bool type = false;
  bool pinned = false;
  bool category = false;
  bool app = false;

  CardFacets() = default;
  CardFacets(bool typeActive, bool pinnedActive, bool categoryActive, bool appActive)
      : type(typeActive), pinned(pinnedActive), category(categoryActive), app(appActive) {}
  // Asks the predicate about the kind, pinned, the category (only when there is one) and the
  // source application, in that order. The overlay asks the same about the badges it shows.
  CardFacets(const ClipboardItem& item, const std::optional<QUuid>& categoryID,
             const BadgeFilterPredicate& isFilterActive);
  CardFacets(TypeFilter type, const std::optional<QUuid>& categoryID, const QString& sourceAppBundleID,
             const BadgeFilterPredicate& isFilterActive);

  bool operator==(const CardFacets&) const = default;
};

}  // namespace qv
