#pragma once
#include "items/model/ClipboardItem.h"
#include "state/FilterTypes.h"

#include <QList>
#include <limits>
#include <vector>

namespace qv {

// A run of history rows: from `first` up to `end` (exclusive).
struct RowSpan {
  qsizetype first = 0;
  qsizetype end = 0;
  bool operator==(const RowSpan&) const = default;
};

// The capture times of a history's items and the kinds it holds, for the date and type filters:
// which rows a date range keeps and whether a chip has anything to keep, without a look at every
// item (at a million items a look at each is tens of milliseconds). The history is newest first
// as the add path keeps it, so a range is one run of rows found by a binary search; a history
// out of that order (a clock set back, a file put together elsewhere) is answered by a scan of
// the times instead.
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
  void forget();

  qsizetype size() const { return qsizetype(oldestFirst_.size()); }
  // Newest first, each capture no later than the one before it (items with invalid dates last).
  bool inDateOrder() const { return inOrder_; }
  // Whether an item was captured within [fromMs, untilMs).
  bool anyWithin(qint64 fromMs, qint64 untilMs) const;
  // The rows a capture in [fromMs, untilMs) can be in: one run in a history in date order, all
  // rows otherwise.
  RowSpan rowsWithin(qint64 fromMs, qint64 untilMs) const;
  bool holdsType(TypeFilter type) const { return types_ & (1u << static_cast<unsigned>(type)); }

 private:
  void add(const ClipboardItem& item);
  // Row k of a history of n items is at n - 1 - k: a copy at the front is appended.
  std::vector<qint64> oldestFirst_;
  bool inOrder_ = true;
  unsigned types_ = 0;  // bit per TypeFilter
  bool made_ = false;
};

}  // namespace qv
