#include "panel/FilterTabs.h"

#include "state/PanelState.h"

#include <algorithm>

namespace qv {

QString title(FilterTab tab) {
  switch (tab) {
    case FilterTab::type: return QStringLiteral("Type");
    case FilterTab::app: return QStringLiteral("App");
    case FilterTab::category: return QStringLiteral("Category");
    case FilterTab::date: return QStringLiteral("Date");
  }
  return {};
}

QString railSymbol(FilterTab tab) {
  switch (tab) {
    case FilterTab::type: return QStringLiteral("square.grid.2x2");
    case FilterTab::app: return QStringLiteral("app.badge");
    case FilterTab::category: return QStringLiteral("tag");
    case FilterTab::date: return QStringLiteral("calendar");
  }
  return {};
}

bool typeIsAvailable(const PanelState& state, TypeFilter type) {
  return state.filterTypes().contains(type) || state.hasItemsOf(type);
}

bool dateIsAvailable(const PanelState& state, DateFilter date) {
  // The state's own ranges, so a chip never appears that then filters to nothing.
  return state.filterDate() == date || state.hasItemsIn(date);
}

bool tabHasContent(const PanelState& state, FilterTab tab) {
  switch (tab) {
    case FilterTab::type:
      return std::any_of(std::begin(kFilterTypeRows), std::end(kFilterTypeRows),
                         [&](const FilterTypeRow& row) { return typeIsAvailable(state, row.type); });
    case FilterTab::app: return state.hasSourceApps();
    case FilterTab::category: return true;
    case FilterTab::date:
      return std::any_of(kAllDateFilters.begin(), kAllDateFilters.end(),
                         [&](DateFilter date) { return dateIsAvailable(state, date); });
  }
  return false;
}

bool tabShowsDot(const PanelState& state, FilterTab tab) {
  switch (tab) {
    case FilterTab::type:
      return !state.filterTypes().isEmpty() || state.activeFilter().kind == FilterType::Kind::pinned;
    case FilterTab::app: return !state.filterApps().isEmpty();
    case FilterTab::category: return state.activeFilter().kind == FilterType::Kind::custom;
    case FilterTab::date: return state.filterDate().has_value();
  }
  return false;
}

FilterTab availableTab(const PanelState& state, FilterTab tab) {
  if (tabHasContent(state, tab)) return tab;
  for (FilterTab candidate : kFilterTabs)
    if (tabHasContent(state, candidate)) return candidate;
  return FilterTab::category;
}

bool resetIsShown(const PanelState& state) {
  return state.hasActiveFilters() || !(state.activeFilter() == FilterType::all());
}

void resetAllFilters(PanelState& state) {
  state.setFilterTypes({});
  state.setFilterApps({});
  state.setFilterDate(std::nullopt);
  state.setActiveFilter(FilterType::all());
}

}  // namespace qv
