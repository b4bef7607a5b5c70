#pragma once
#include "items/model/CardGroup.h"
#include "library/LibraryScope.h"
#include "state/FilterTypes.h"
#include "state/FilteredItems.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QUuid>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

namespace cardList {
class DateGrouper;
}
class PanelState;
class RowSearch;

// One run of the library's grid: consecutive filtered items of one date group. A run is known
// by its place among the runs together with its group, so a group that comes back after
// another (an item captured out of order) stays a section of its own.
struct LibraryDateSection {
  CardGroup group = CardGroup::today;
  int position = 0;    // the run's place among the sections
  int firstIndex = 0;  // its first item in the filtered list
  int count = 0;
  bool collapsed = false;  // its cards are hidden: headers show and the group is collapsed
  QString title() const { return rawValue(group); }
  bool operator==(const LibraryDateSection&) const = default;
};

struct LibrarySections {
  std::vector<LibraryDateSection> sections;
  bool showsHeaders = false;  // headers show only from two sections on
  bool operator==(const LibrarySections&) const = default;
};

// The counts of the scope tabs: the items that pass the panel's filters (whatever the query
// and the scope), how many of them are pinned, and how many each category holds.
struct LibraryScopeCounts {
  qsizetype all = 0;
  qsizetype pinned = 0;
  QHash<QUuid, qsizetype> perCategory;  // a category holding none is absent
  qsizetype of(const QUuid& categoryID) const { return perCategory.value(categoryID); }
  bool operator==(const LibraryScopeCounts&) const = default;
};

// The library's narrowed lists, kept from one read to the next while their inputs stay, with
// what is derived from them (date runs, tab counts) and the date group of every history row. A
// copy at the front or the removal of one item changes the history in place: the lists let go
// of it over the change, keeping their places, and take the change in afterwards (a list held
// on through it would make the change copy the whole history). A pin or a category that comes
// or goes moves the tab counts by what changed. Anything else lets them go, to be made again
// when next read. The model narrows; this keeps.
class LibraryLists {
 public:
  // One narrowed list and what was derived from it, for one scope and one trimmed query.
  struct Entry {
    LibraryScope scope;
    QString query;                   // trimmed, lower-cased
    std::optional<DateRange> range;  // the date bucket it was made in
    FilteredItems items;
    // Its date runs (without the collapsed flags, which change on their own), for one day.
    std::optional<std::vector<LibraryDateSection>> sections;
    QDate sectionsDay;
    std::optional<LibraryScopeCounts> counts;
    // A search of a long history going on in steps: `items` holds the first found until it ends.
    std::shared_ptr<RowSearch> inSteps;
  };
  // The grid's and the tab counts' lists at least, and a few more while the user types or
  // switches tabs.
  static constexpr size_t kEntries = 4;

  explicit LibraryLists(const PanelState& state);

  // Whether the item is in the scope, by its marks.
  static bool inScope(const LibraryScope& scope, const ClipboardItem& item, const QSet<QUuid>& pins,
                      const QHash<QUuid, QUuid>& categories);
  // The items of `history` at `places` (ascending): the history itself when every place is there.
  static FilteredItems listOf(const QList<ClipboardItem>& history, QList<qint32> places);

  // The lists asked for since the inputs last changed, the most recently used last.
  std::vector<Entry>& entries() { return entries_; }
  // An input changed: every list goes.
  void clear();

  // ---- Over a change of the history in place ------------------------------------------------
  // A change is about to go in: the lists let go of the history but keep their places.
  void holdOverChange();
  // The item at `place` is about to leave the history: what the held lists need of it.
  void noteRemoval(qsizetype place);
  // What the lists made of a change of the history.
  struct Change {
    // A copy at the front or the removal of one item, taken into the held lists; otherwise
    // they went.
    bool followed = false;
    // The item that left (with a removal).
    std::optional<QUuid> removed;
  };
  // The history changed: a copy at its front adds its place, group and counts to the lists held
  // over it, and the removal of one item takes its own away; any other change lets them go.
  Change historyChanged(const cardList::DateGrouper& today);

  // ---- The date group of every history row --------------------------------------------------
  // Made for `today`'s day when missing (a lookup per item instead of a date conversion).
  void makeGroups(const cardList::DateGrouper& today);
  CardGroup groupOfRow(qsizetype row) const { return groupsOldestFirst_[groupsOldestFirst_.size() - 1 - size_t(row)]; }

  // ---- Tab counts ----------------------------------------------------------------------------
  // The counts of `entry`, the list of the whole history under the filters: made when missing.
  const LibraryScopeCounts& countsOf(Entry& entry);
  // A pin or a category came or went: the lists of the whole history stay, as the marks play no
  // part in them, and their counts move by what changed; the others go. False (nothing changed)
  // while lists are held over a change: the caller lets every list go.
  bool marksChanged();

 private:
  // Moves the tab counts by the marks that changed since they were last in line with them;
  // false when too much changed to follow.
  bool countMarksChange(LibraryScopeCounts& counts) const;

  const PanelState& state_;
  std::vector<Entry> entries_;
  // The entries while a change goes in, without the history: all of it, or their places in it.
  struct Held {
    Entry entry;
    bool all = false;
    QList<qint32> places;
  };
  std::vector<Held> held_;
  // The items about to be removed in the change under way, with the marks they had then.
  struct Removal {
    qsizetype place = 0;
    QUuid id;
    bool pinned = false;
    std::optional<QUuid> category;
  };
  std::vector<Removal> removals_;
  // The history as the entries and the groups were last told of it.
  qsizetype seenSize_ = 0;
  QUuid seenFirst_;
  // The date group of every history row, oldest first (a copy at the front appends one), for
  // one day: the sections of any narrowed list are read from it.
  std::vector<CardGroup> groupsOldestFirst_;
  QDate groupsDay_;
  // The marks the tab counts were last brought in line with, and the marked items that left the
  // history since (their counts went with them).
  QSet<QUuid> countedPins_;
  QHash<QUuid, QUuid> countedCategories_;
  QSet<QUuid> goneSinceCounted_;
};

}  // namespace qv
