#pragma once
#include "panel/CategoryForm.h"
#include "state/FilterTypes.h"

#include <QLabel>
#include <QScrollArea>
#include <QWidget>
#include <array>

namespace qv {

class PanelState;
class OrnamentRail;
class OrnamentRailButton;
class FilterChip;
class ChipFlowLayout;

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

// The floating filter surface: a rail with one button per tab (and reset while anything is
// set) beside a card with the chips of the chosen tab. The category tab carries the category
// form. Rebuilt from the state on every change it reads.
class FilterPanelView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kCardWidth = 320;
  static constexpr int kMaxContentHeight = 420;
  FilterPanelView(InterfaceServices& context, PanelState& state, FilterSurface surface = FilterSurface::panel,
                  QWidget* parent = nullptr);

  FilterTab tab() const { return tab_; }
  void selectTab(FilterTab tab);
  CategoryForm& form() { return form_; }
  OrnamentRail& rail() const { return *rail_; }
  OrnamentRailButton* resetButton() const { return reset_; }  // null while hidden
  // The chips of the current tab, in order.
  const std::vector<FilterChip*>& chips() const { return chips_; }
  CategoryFormView* formView() const { return formView_; }
  // The rail button tooltip of a tab.
  QString railHelp(FilterTab tab) const;
  // A category's chip menu deletes through here: one that holds items asks first, naming how
  // many. `confirmDeletion` answers the question (a dialog when unset).
  void deleteCategoryAsking(const QUuid& categoryID);
  std::function<bool(const QString& question)> confirmDeletion;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void rebuild();
  void rebuildRail();
  void rebuildContent();
  void addChip(FilterChip* chip);

  InterfaceServices& context_;
  PanelState& state_;
  FilterTab tab_ = FilterTab::type;
  CategoryForm form_;
  OrnamentRail* rail_ = nullptr;
  OrnamentRailButton* reset_ = nullptr;
  QWidget* card_;
  QLabel* header_;
  QScrollArea* scroll_;
  QWidget* content_;
  CategoryFormView* formView_ = nullptr;
  std::vector<FilterChip*> chips_;
  bool rebuildQueued_ = false;
};

}  // namespace qv
