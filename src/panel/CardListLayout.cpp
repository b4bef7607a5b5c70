#include "panel/CardListLayout.h"

#include "base/CalendarWeek.h"

#include <algorithm>
#include <cmath>

namespace qv::cardList {

DateGrouper::DateGrouper(const QDateTime& now, const QLocale& locale) : today_(now.toLocalTime().date()) {
  auto start = [](const QDate& day) { return day.startOfDay().toMSecsSinceEpoch(); };
  const QDate week = startOfWeek(today_, locale.firstDayOfWeek());
  yesterdayStart_ = start(today_.addDays(-1));
  todayStart_ = start(today_);
  tomorrowStart_ = start(today_.addDays(1));
  weekStart_ = start(week);
  nextWeekStart_ = start(week.addDays(7));
}

CardGroup DateGrouper::groupOf(const QDateTime& capturedAt) const {
  const qint64 at = capturedAt.toMSecsSinceEpoch();
  if (at >= todayStart_ && at < tomorrowStart_) return CardGroup::today;
  if (at >= yesterdayStart_ && at < todayStart_) return CardGroup::yesterday;
  if (at >= weekStart_ && at < nextWeekStart_) return CardGroup::thisWeek;
  return CardGroup::earlier;
}

namespace {
template <typename Items>
std::vector<CardGroup> groupsOfItems(const Items& items, const DateGrouper& grouper) {
  std::vector<CardGroup> groups;
  groups.reserve(size_t(items.size()));
  for (const ClipboardItem& item : items) groups.push_back(grouper.groupOf(item.capturedAt));
  return groups;
}
}  // namespace

std::vector<CardGroup> groupsOf(const QList<ClipboardItem>& items, const DateGrouper& grouper) {
  return groupsOfItems(items, grouper);
}

std::vector<CardGroup> groupsOf(const FilteredItems& items, const DateGrouper& grouper) {
  return groupsOfItems(items, grouper);
}

Layout layOut(const std::vector<CardGroup>& groups, const QSet<QString>& collapsed,
              const QHash<QString, double>& openness) {
  Layout layout;
  for (size_t index = 1; index < groups.size() && !layout.usesGrouping; ++index)
    layout.usesGrouping = groups[index] != groups.front();
  if (groups.empty()) {
    layout.contentHeight = layout.estimatedHeight = kEmptyListHeight;
    return layout;
  }
  double y = kTopPadding;
  double estimate = kTopPadding;
  for (size_t index = 0; index < groups.size();) {
    size_t end = index + 1;
    while (end < groups.size() && groups[end] == groups[index]) ++end;
    Section section;
    section.title = rawValue(groups[index]);
    section.firstIndex = int(index);
    section.count = int(end - index);
    section.collapsed = layout.usesGrouping && collapsed.contains(section.title);
    section.openness = layout.usesGrouping ? openness.value(section.title, section.collapsed ? 0 : 1) : 1;
    section.top = y;
    if (layout.usesGrouping) {
      y += kHeaderHeight;
      estimate += kHeaderHeight;
    }
    section.cardsTop = y;
    section.cardsHeight = kCardStep * section.count * section.openness;
    y += section.cardsHeight;
    if (!section.collapsed) estimate += kCardStep * section.count;
    layout.sections.push_back(section);
    index = end;
  }
  layout.contentHeight = y + kBottomPadding;
  layout.estimatedHeight = estimate + kBottomPadding;
  return layout;
}

int Layout::sectionOf(int index) const {
  auto after = std::upper_bound(sections.begin(), sections.end(), index,
                                [](int i, const Section& section) { return i < section.firstIndex; });
  if (after == sections.begin()) return -1;
  const Section& section = *(after - 1);
  return index < section.firstIndex + section.count ? int(after - 1 - sections.begin()) : -1;
}

QRectF Layout::cardRect(int index, double width) const {
  const int at = sectionOf(index);
  if (at < 0) return {};
  const Section& section = sections[size_t(at)];
  return {(width - kCardWidth) / 2, section.cardsTop + (index - section.firstIndex) * kCardStep, kCardWidth,
          kCardHeight};
}

std::vector<std::pair<int, int>> Layout::cardsBetween(double top, double bottom) const {
  std::vector<std::pair<int, int>> runs;
  // First section whose cards end below `top`.
  auto it = std::lower_bound(sections.begin(), sections.end(), top, [](const Section& section, double y) {
    return section.cardsTop + section.cardsHeight < y;
  });
  for (; it != sections.end() && it->cardsTop < bottom; ++it) {
    if (it->openness <= 0) continue;
    // A shrinking section keeps its cards in place and shows only those its height still reaches.
    const int shown = std::min(it->count, int(std::ceil(it->cardsHeight / kCardStep)));
    const int first = std::clamp(int(std::floor((top - it->cardsTop - kCardHeight) / kCardStep)) + 1, 0, shown);
    const int last = std::clamp(int(std::ceil((bottom - it->cardsTop) / kCardStep)), first, shown);
    if (last > first) runs.emplace_back(it->firstIndex + first, it->firstIndex + last);
  }
  return runs;
}

std::vector<int> Layout::headersBetween(double top, double bottom) const {
  std::vector<int> shown;
  if (!usesGrouping) return shown;
  auto it = std::lower_bound(sections.begin(), sections.end(), top,
                             [](const Section& section, double y) { return section.cardsTop < y; });
  for (; it != sections.end() && it->top < bottom; ++it) shown.push_back(int(it - sections.begin()));
  return shown;
}

std::vector<std::pair<double, double>> fadeStops(double top, double bottom, double height) {
  const double h = std::max(height, 49.0);
  const double t = top / h;
  const double b = bottom / h;
  return {{0, 0},     {0.25 * t, 0.16},         {0.5 * t, 0.5},         {0.75 * t, 0.84},         {t, 1},
          {1 - b, 1}, {1 - b + 0.25 * b, 0.84}, {1 - b + 0.5 * b, 0.5}, {1 - b + 0.75 * b, 0.16}, {1, 0}};
}

}  // namespace qv::cardList
