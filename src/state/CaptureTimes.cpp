#include "state/CaptureTimes.h"

#include <algorithm>

namespace qv {

void CaptureTimes::make(const QList<ClipboardItem>& items) {
  oldestFirst_.clear();
  oldestFirst_.reserve(size_t(items.size()));
  inOrder_ = true;
  types_ = 0;
  for (qsizetype i = items.size(); i-- > 0;) add(items[i]);
  made_ = true;
}

void CaptureTimes::prepended(const QList<ClipboardItem>& items) {
  if (!made_) return;
  if (items.size() != size() + 1) return make(items);
  add(items.first());
}

void CaptureTimes::forget() {
  oldestFirst_ = {};
  made_ = false;
}

void CaptureTimes::add(const ClipboardItem& item) {
  const qint64 time = timeOf(item);
  // Invalid dates sort below every time, so a history that ends in them is still in order.
  if (!oldestFirst_.empty() && time < oldestFirst_.back()) inOrder_ = false;
  oldestFirst_.push_back(time);
  types_ |= 1u << static_cast<unsigned>(typeFilter(item));
}

bool CaptureTimes::anyWithin(qint64 fromMs, qint64 untilMs) const {
  if (fromMs >= untilMs) return false;
  if (inOrder_) {
    const RowSpan rows = rowsWithin(fromMs, untilMs);
    return rows.first < rows.end;
  }
  return std::any_of(oldestFirst_.cbegin(), oldestFirst_.cend(),
                     [&](qint64 time) { return time != kNoTime && time >= fromMs && time < untilMs; });
}

RowSpan CaptureTimes::rowsWithin(qint64 fromMs, qint64 untilMs) const {
  const qsizetype count = size();
  if (!inOrder_) return {0, count};
  if (fromMs >= untilMs) return {0, 0};
  const auto first = std::lower_bound(oldestFirst_.cbegin(), oldestFirst_.cend(), std::max(fromMs, kNoTime + 1));
  const auto end = std::lower_bound(first, oldestFirst_.cend(), untilMs);
  // Places k in [first, end) of the oldest-first times are rows count - 1 - k.
  return {count - qsizetype(end - oldestFirst_.cbegin()), count - qsizetype(first - oldestFirst_.cbegin())};
}

}  // namespace qv
