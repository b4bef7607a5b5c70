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

std::vector<CardGroup> HistoryGroups::groupsOf(const FilteredItems& items, const DateGrouper& grouper) {
  const QList<ClipboardItem>& history = items.history();
  const bool kept = grouper_ == grouper && history_.constData() == history.constData() &&
                    history_.size() == history.size();
  // A short list of another history is quicker to group on its own than the whole history (and
  // the groups of the last one are let go, with the hold on its memory).
  if (!kept && items.size() * 4 < history.size()) {
    *this = HistoryGroups();
    return cardList::groupsOf(items, grouper);
  }
  if (!kept) {
    groups_ = cardList::groupsOf(history, grouper);
    history_ = history;
    grouper_ = grouper;
  }
  if (items.isAll()) return groups_;
  std::vector<CardGroup> groups;
  groups.reserve(size_t(items.size()));
  for (const qint32 place : items.places()) groups.push_back(groups_[size_t(place)]);
  return groups;
}

int gridColumns(double width) {
  const double room = width - 2 * kGridSideInset + kGridSpacing;
  return std::max(1, int(std::floor(room / (kCardWidth + kGridSpacing))));
}

Arrangement gridArrangement(double width) {
  return {gridColumns(width), kCardStep, kCardWidth + kGridSpacing, kGridTopPadding, kGridBottomPadding,
          kGridSideInset,     false};
}

Layout layOut(const std::vector<CardGroup>& groups, const QSet<QString>& collapsed,
              const QHash<QString, double>& openness, const Arrangement& arrangement) {
  std::vector<Run> runs;
  for (CardGroup group : groups) {
    if (runs.empty() || runs.back().group != group) runs.push_back({group, 0});
    ++runs.back().count;
  }
  return layOut(runs, collapsed, openness, arrangement);
}

Layout layOut(const std::vector<Run>& runs, const QSet<QString>& collapsed, const QHash<QString, double>& openness,
              const Arrangement& arrangement) {
  Layout layout;
  layout.arrangement = arrangement;
  layout.arrangement.columns = std::max(1, arrangement.columns);
  const int columns = layout.arrangement.columns;
  const double step = arrangement.rowStep;
  layout.usesGrouping = runs.size() >= 2;
  if (runs.empty()) {
    layout.contentHeight = layout.estimatedHeight = kEmptyStateHeight + arrangement.topPadding +
                                                    arrangement.bottomPadding;
    return layout;
  }
  double y = arrangement.topPadding;
  double estimate = arrangement.topPadding;
  int first = 0;
  const double rowSpacing = step - kCardHeight;
  for (const Run& run : runs) {
    const bool last = &run == &runs.back();
    // The last section's cards end with the card itself where rows have spacing only between them.
    const double trailing = last && !arrangement.spacingAfterLastRow ? rowSpacing : 0;
    Section section;
    section.title = rawValue(run.group);
    section.firstIndex = first;
    section.count = run.count;
    section.rows = (run.count + columns - 1) / columns;
    section.collapsed = layout.usesGrouping && collapsed.contains(section.title);
    section.openness = layout.usesGrouping ? openness.value(section.title, section.collapsed ? 0 : 1) : 1;
    section.top = y;
    if (layout.usesGrouping) {
      y += kHeaderHeight;
      estimate += kHeaderHeight;
    }
    section.cardsTop = y;
    section.cardsHeight = std::max(0.0, step * section.rows - trailing) * section.openness;
    y += section.cardsHeight;
    if (!section.collapsed) estimate += std::max(0.0, step * section.rows - trailing);
    layout.sections.push_back(section);
    first += run.count;
  }
  layout.contentHeight = y + arrangement.bottomPadding;
  layout.estimatedHeight = estimate + arrangement.bottomPadding;
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
  const int columns = arrangement.columns;
  const int offset = index - section.firstIndex;
  const double rowWidth = kCardWidth + (columns - 1) * arrangement.columnStep;
  return {(width - rowWidth) / 2 + (offset % columns) * arrangement.columnStep,
          section.cardsTop + (offset / columns) * arrangement.rowStep, kCardWidth, kCardHeight};
}

QRectF Layout::headerRect(int section, double width) const {
  if (section < 0 || size_t(section) >= sections.size()) return {};
  const double inset = arrangement.headerInset;
  return {inset, sections[size_t(section)].top, std::max(0.0, width - 2 * inset), kHeaderHeight};
}

std::vector<std::pair<int, int>> Layout::cardsBetween(double top, double bottom) const {
  std::vector<std::pair<int, int>> runs;
  const int columns = arrangement.columns;
  const double step = arrangement.rowStep;
  // First section whose cards end below `top`.
  auto it = std::lower_bound(sections.begin(), sections.end(), top, [](const Section& section, double y) {
    return section.cardsTop + section.cardsHeight < y;
  });
  for (; it != sections.end() && it->cardsTop < bottom; ++it) {
    if (it->openness <= 0) continue;
    // A shrinking section keeps its cards in place and shows only the rows its height still reaches.
    const int shown = std::min(it->rows, int(std::ceil(it->cardsHeight / step)));
    const int firstRow = std::clamp(int(std::floor((top - it->cardsTop - kCardHeight) / step)) + 1, 0, shown);
    const int lastRow = std::clamp(int(std::ceil((bottom - it->cardsTop) / step)), firstRow, shown);
    const int first = it->firstIndex + firstRow * columns;
    const int last = std::min(it->firstIndex + it->count, it->firstIndex + lastRow * columns);
    if (last > first) runs.emplace_back(first, last);
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
