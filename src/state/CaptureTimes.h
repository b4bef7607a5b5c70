#pragma once
#include "items/model/ClipboardItem.h"
#include "state/FilterTypes.h"

#include <QHash>
#include <QList>
#include <array>
#include <limits>
#include <vector>

namespace qv {

// A run of history rows: from `first` up to `end` (exclusive).
struct RowSpan {
  qsizetype first = 0;
  qsizetype end = 0;
  bool operator==(const RowSpan&) const = default;
};

// What the filter surface asks of a history, kept beside it: the capture times of its items,
// the kinds it holds and its source applications, each counted. Which rows a date range keeps,
// whether a chip has anything to keep and which applications to offer are answered without a
// look at every item (at a million items a look at each is tens of milliseconds); a copy at the
// front and the removal of items told of in advance move the counts. The history is newest
// first as the add path keeps it, so a range is one run of rows found by a binary search; a
// history out of that order (a clock set back, a file put together elsewhere) is answered by a
// scan of the times instead.
class CaptureTimes {
 public:
  // The time an item counts with: milliseconds since the epoch, or kNoTime for an invalid date
  // (which no range keeps).
  static constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();
  static qint64 timeOf(const ClipboardItem& item) {
    return item.capturedAt.isValid() ? item.capturedAt.toMSecsSinceEpoch() : kNoTime;
  }

  bool isMade() const { return made_; }
  void make(const QList<ClipboardItem>& items);
  // `items` got one item at its front; a history other than the one made from is made again.
  void prepended(const QList<ClipboardItem>& items);
  // The item at `row` of `items` is about to be removed, within a change of the history that
  // ends with removalsDone. Told of each removed item before any goes.
  void removing(const QList<ClipboardItem>& items, qsizetype row);
  // The change ended with `items`: the items told of leave the counts. False (and forgotten)
  // when the history is not the one made from less those items: it changed some other way too.
  bool removalsDone(const QList<ClipboardItem>& items);
  void forget();

  qsizetype size() const { return qsizetype(oldestFirst_.size()); }
  // Newest first, each capture no later than the one before it (items with invalid dates last).
  bool inDateOrder() const { return inOrder_; }
  // Whether an item was captured within [fromMs, untilMs).
  bool anyWithin(qint64 fromMs, qint64 untilMs) const;
  // The rows a capture in [fromMs, untilMs) can be in: one run in a history in date order, all
  // rows otherwise.
  RowSpan rowsWithin(qint64 fromMs, qint64 untilMs) const;
  bool holdsType(TypeFilter type) const { return typeCounts_[size_t(type)] > 0; }
  // The source application of every item (an empty id included), with how many items came from it.
  const QHash<QString, qsizetype>& appCounts() const { return apps_; }

 private:
  void add(const ClipboardItem& item);
  void countApp(const QString& app, qsizetype count);
  // Row k of a history of n items is at n - 1 - k: a copy at the front is appended.
  std::vector<qint64> oldestFirst_;
  bool inOrder_ = true;
  std::array<qsizetype, kAllTypeFilters.size()> typeCounts_{};
  QHash<QString, qsizetype> apps_;
  // The items told of as leaving, by their row in the history before the change.
  struct Leaving {
    qsizetype row = 0;
    TypeFilter type = TypeFilter::text;
    QString app;
  };
  std::vector<Leaving> leaving_;
  bool made_ = false;
};

}  // namespace qv
