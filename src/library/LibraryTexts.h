#pragma once
#include "library/LibraryScope.h"
#include "state/CustomCategory.h"

#include <QList>
#include <QString>
#include <optional>

namespace qv {

// The library's status row: how many items the grid shows out of the history, or how many
// are selected for pasting together.
struct LibraryStatusLine {
  QString text;            // "3 of 10 items", "1 item", "2 items selected · drag to paste together"
  bool filtered = false;   // kFilteredMarker follows the text, in the tertiary style
  bool selection = false;  // the text counts the multi-selection (drawn in the accent colour)
  bool paused = false;     // kPausedLabel stands beside it
  bool operator==(const LibraryStatusLine&) const = default;
};
inline constexpr char16_t kFilteredMarker[] = u"\u00B7 filtered";
inline constexpr char kPausedLabel[] = "Paused";
inline constexpr char kPausedSymbol[] = "pause.circle";

// `shown` of `total` items pass the scope, filters and query; `multiSelected` ids are selected.
LibraryStatusLine libraryStatusLine(qsizetype shown, qsizetype total, qsizetype multiSelected, bool paused);

// What stands in the grid's place while nothing is left to show.
struct LibraryEmptyState {
  QString title;
  QString symbol;
  QString description;
  bool operator==(const LibraryEmptyState&) const = default;
};

// The first rule that holds: a query (white space around it ignored), the panel's filters or
// its tab in force, then by scope. A category scope names its category, or "Category" when it
// no longer exists.
LibraryEmptyState libraryEmptyState(const QString& query, bool filtersInForce, const LibraryScope& scope,
                                    const QList<CustomCategory>& categories);

}  // namespace qv
