#pragma once
#include "state/FilterTypes.h"

#include <QString>
#include <array>

namespace qv {

class PanelState;

// The filter surface's tabs and what each offers over the history, apart from how they look.
enum class FilterTab { type, app, category, date };
inline constexpr std::array<FilterTab, 4> kFilterTabs = {FilterTab::type, FilterTab::app, FilterTab::category,
                                                         FilterTab::date};
QString title(FilterTab tab);
QString railSymbol(FilterTab tab);

// Availability over the history: a value that is set stays available so it can be turned off.
bool typeIsAvailable(const PanelState& state, TypeFilter type);
bool dateIsAvailable(const PanelState& state, DateFilter date);
bool tabHasContent(const PanelState& state, FilterTab tab);
bool tabShowsDot(const PanelState& state, FilterTab tab);
// The tab itself when it has content, else the first that has (the category tab always has).
FilterTab availableTab(const PanelState& state, FilterTab tab);
bool resetIsShown(const PanelState& state);
// Clears the type, app and date filters and returns the top filter to all; the query stays.
void resetAllFilters(PanelState& state);

// The type tab's chips in order: the filter, its label and its symbol.
struct FilterTypeRow {
  TypeFilter type;
  const char* label;
  const char* symbol;
};
inline constexpr FilterTypeRow kFilterTypeRows[] = {
    {TypeFilter::text, "Text", "text.alignleft"}, {TypeFilter::code, "Code", "curlybraces"},
    {TypeFilter::image, "Image", "photo"},        {TypeFilter::link, "Link", "link"},
    {TypeFilter::color, "Color", "paintpalette"}, {TypeFilter::file, "File", "doc"}};

}  // namespace qv
