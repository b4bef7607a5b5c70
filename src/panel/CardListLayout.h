#pragma once
#include "items/model/CardGroup.h"
#include "items/model/ClipboardItem.h"
#include "state/FilteredItems.h"

#include <QHash>
#include <QRectF>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

namespace qv::cardList {

// The list's fixed geometry, in points. Every card takes the same height, so a section's height
// is known without measuring and collapsing can animate it.
inline constexpr double kCardWidth = 280;
inline constexpr double kCardHeight = 240;
inline constexpr double kCardStep = 254;  // a card and the spacing below it
inline constexpr double kHeaderHeight = 35;
inline constexpr double kHeaderRowHeight = 18;
inline constexpr double kHeaderTopPadding = 10;
inline constexpr double kSideInset = 12;
inline constexpr double kTopPadding = 8;
inline constexpr double kBottomPadding = 20;
inline constexpr double kEmptyStateHeight = 132;
inline constexpr double kEmptyListHeight = kEmptyStateHeight + kTopPadding + kBottomPadding;
// The library's grid: adaptive 280-point columns 14 apart (and rows 14 apart), centred inside
// paddings of 20 at the sides, 6 at the top and 20 at the bottom.
inline constexpr double kGridSpacing = 14;
inline constexpr double kGridSideInset = 20;
inline constexpr double kGridTopPadding = 6;
inline constexpr double kGridBottomPadding = 20;

// How the cards stand: the panel's one centred column, or the library's rows of `columns`
// cards. Headers span the width less `headerInset` on each side.
struct Arrangement {
  int columns = 1;
  double rowStep = kCardStep;  // a card and the spacing below it
  double columnStep = kCardWidth + kGridSpacing;
  double topPadding = kTopPadding;
  double bottomPadding = kBottomPadding;
  double headerInset = kSideInset;
  // The panel's sections each end with a row's spacing; the library's grid has spacing only
  // between rows, so its last row meets the bottom padding.
  bool spacingAfterLastRow = true;
  bool operator==(const Arrangement&) const = default;
};

// As many 280-point columns as fit `width` inside the grid's paddings, at least one.
int gridColumns(double width);
// The library grid's arrangement for a grid `width` wide.
Arrangement gridArrangement(double width);

// A run of consecutive items of one date group.
struct Run {
  CardGroup group = CardGroup::today;
  int count = 0;
  bool operator==(const Run&) const = default;
};

// One run of consecutive items of the same date group. A title that comes back after another
// opens a further section with the same title.
struct Section {
  QString title;
  int firstIndex = 0;  // position of the first item in the filtered list
  int count = 0;
  bool collapsed = false;
  double top = 0;          // content y of the header (or of the cards without headers)
  double cardsTop = 0;     // content y of the first card
  double cardsHeight = 0;  // the height the cards take now (shrinks while collapsing)
  double openness = 1;     // 1 shown, 0 collapsed; in between while animating
  int rows = 0;            // rows of cards when open

  bool operator==(const Section&) const = default;
};

struct Layout {
  Arrangement arrangement;
  std::vector<Section> sections;
  bool usesGrouping = false;   // headers exist only when the items span two date groups or more
  double contentHeight = 0;    // what the list scrolls over now
  double estimatedHeight = 0;  // the list's height cap: the content with collapses settled

  // The section holding item `index`, or -1.
  int sectionOf(int index) const;
  // Where item `index` lies in content coordinates, the list's width being `width`.
  QRectF cardRect(int index, double width) const;
  // The header of section `section` in content coordinates.
  QRectF headerRect(int section, double width) const;
  // The items whose cards reach into content rows [top, bottom): [first, last) of each section
  // that shows cards there, in list order.
  std::vector<std::pair<int, int>> cardsBetween(double top, double bottom) const;
  // The sections whose header reaches into [top, bottom).
  std::vector<int> headersBetween(double top, double bottom) const;
};

// The day and week boundaries of `now`, found once, so that grouping a long list is a few
// comparisons per item.
class DateGrouper {
 public:
  explicit DateGrouper(const QDateTime& now, const QLocale& locale = QLocale());
  CardGroup groupOf(const QDateTime& capturedAt) const;
  QDate today() const { return today_; }
  bool operator==(const DateGrouper&) const = default;

 private:
  QDate today_;
  qint64 yesterdayStart_, todayStart_, tomorrowStart_, weekStart_, nextWeekStart_;
};

// The date group of every item of a filtered list.
std::vector<CardGroup> groupsOf(const QList<ClipboardItem>& items, const DateGrouper& grouper);
std::vector<CardGroup> groupsOf(const FilteredItems& items, const DateGrouper& grouper);

// The date groups of a history's items, kept for the next filtered list of the same history: a
// search typed on takes its items' groups from them instead of reading every item's date again.
class HistoryGroups {
 public:
  std::vector<CardGroup> groupsOf(const FilteredItems& items, const DateGrouper& grouper);

 private:
  QList<ClipboardItem> history_;  // held, so that its memory is not another history's meanwhile
  std::optional<DateGrouper> grouper_;
  std::vector<CardGroup> groups_;
};

// Sections as runs of `groups`. A title in `collapsed` is collapsed when grouping applies;
// `openness` gives a section's animated openness by title (settled value when absent).
Layout layOut(const std::vector<CardGroup>& groups, const QSet<QString>& collapsed,
              const QHash<QString, double>& openness = {}, const Arrangement& arrangement = {});
// The same from the runs themselves; grouping applies from two runs on.
Layout layOut(const std::vector<Run>& runs, const QSet<QString>& collapsed, const QHash<QString, double>& openness,
              const Arrangement& arrangement);

// The stops (location, opacity) of the edge fade over a list `height` high: 8 points at an edge
// with nothing beyond, 24 where more content lies (`top` and `bottom` move between the two).
std::vector<std::pair<double, double>> fadeStops(double top, double bottom, double height);

}  // namespace qv::cardList
