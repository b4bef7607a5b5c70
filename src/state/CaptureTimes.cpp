#include "state/CaptureTimes.h"

#include <algorithm>

namespace qv {

void CaptureTimes::make(const QList<ClipboardItem>& items) {
  oldestFirst_.clear();
  oldestFirst_.reserve(size_t(items.size()));
  inOrder_ = true;
  typeCounts_ = {};
  apps_.clear();
  leaving_.clear();
  for (qsizetype i = items.size(); i-- > 0;) {
    const qint64 time = timeOf(items[i]);
    // Invalid dates sort below every time, so a history that ends in them is still in order.
    if (!oldestFirst_.empty() && time < oldestFirst_.back()) inOrder_ = false;
    oldestFirst_.push_back(time);
    ++typeCounts_[size_t(typeFilter(items[i]))];
  }
  // Neighbours often share the application: a run of them is counted with one look-up.
  const QString* runApp = nullptr;
  qsizetype run = 0;
  for (const ClipboardItem& item : items) {
    if (runApp && *runApp == item.sourceAppBundleID) {
      ++run;
      continue;
    }
    if (runApp) countApp(*runApp, run);
    runApp = &item.sourceAppBundleID;
    run = 1;
  }
  if (runApp) countApp(*runApp, run);
  made_ = true;
}

void CaptureTimes::countApp(const QString& app, qsizetype count) {
  const auto counted = apps_.find(app);
  if (counted == apps_.end()) apps_.insert(app, count);
  else if ((*counted += count) <= 0) apps_.erase(counted);
}

void CaptureTimes::prepended(const QList<ClipboardItem>& items) {
  if (!made_) return;
  if (items.size() != size() + 1 || !leaving_.empty()) return make(items);
  add(items.first());
}

void CaptureTimes::removing(const QList<ClipboardItem>& items, qsizetype row) {
  if (!made_) return;
  const ClipboardItem& item = items.at(row);
  leaving_.push_back({row, typeFilter(item), item.sourceAppBundleID});
}

bool CaptureTimes::removalsDone(const QList<ClipboardItem>& items) {
  if (!made_) return false;
  std::vector<Leaving> leaving = std::exchange(leaving_, {});
  if (leaving.empty() || items.size() != size() - qsizetype(leaving.size())) {
    forget();
    return false;
  }
  std::sort(leaving.begin(), leaving.end(), [](const Leaving& a, const Leaving& b) { return a.row < b.row; });
  const qsizetype count = size();
  for (const Leaving& gone : leaving) {
    // Row r is at count - 1 - r oldest first; the newer rows go first, so the places of the
    // older ones have not moved yet.
    oldestFirst_.erase(oldestFirst_.begin() + (count - 1 - gone.row));
    --typeCounts_[size_t(gone.type)];
    countApp(gone.app, -1);
  }
  // A history in date order stays in it with items taken out; one out of it may come back in
  // order, which only costs scans until it is made again.
  return true;
}

void CaptureTimes::forget() {
  oldestFirst_ = {};
  apps_ = {};
  leaving_ = {};
  made_ = false;
}

void CaptureTimes::add(const ClipboardItem& item) {
  const qint64 time = timeOf(item);
  // Invalid dates sort below every time, so a history that ends in them is still in order.
  if (!oldestFirst_.empty() && time < oldestFirst_.back()) inOrder_ = false;
  oldestFirst_.push_back(time);
  ++typeCounts_[size_t(typeFilter(item))];
  countApp(item.sourceAppBundleID, 1);
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
