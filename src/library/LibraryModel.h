#pragma once
#include "items/model/CardGroup.h"
#include "items/model/ClipboardItem.h"
#include "library/LibraryLists.h"
#include "library/LibraryScope.h"
#include "library/LibraryTexts.h"
#include "platform/Scheduler.h"
#include "state/FilterTypes.h"
#include "state/FilteredItems.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

namespace cardList {
class DateGrouper;
}
class LibraryActions;
class RowSearch;
class PanelState;

// The library's view state and what it derives from the history: the scope, the query, the
// keyboard selection and the item in the detail pane; the narrowed history with its date
// sections and tab counts, the status line and the empty state; and the header's actions on
// the state. The header, the grid and the status row read it and act through it. It lives as
// long as the library window, so all of it survives closing and re-opening the window.
class LibraryModel : public QObject {
  Q_OBJECT
 public:
  // Which header control the filter surface hangs from.
  enum class FilterOpener { filterButton, addButton };

  LibraryModel(PanelState& state, Scheduler& scheduler, QObject* parent = nullptr);
  ~LibraryModel() override;

  PanelState& state() const { return state_; }

  // ---- View state ----------------------------------------------------------------------------
  const LibraryScope& scope() const { return scope_; }
  const QString& query() const { return query_; }
  void setQuery(const QString& query);
  // Told once the query has rested a second after it last changed: the library then hands back
  // the memory its searches freed (the lists of the letters typed on the way, the scans' own).
  static constexpr double kQueryRestSeconds = 1.0;
  std::function<void()> onQueryRested;
  // The search field took the keys: what the first key's search needs is made now.
  void prepareSearch();
  // The keyboard selection and the last clicked card.
  const std::optional<QUuid>& selection() const { return selection_; }
  void setSelection(const std::optional<QUuid>& id);
  // The item in the detail pane; none while the pane is closed.
  const std::optional<QUuid>& previewID() const { return previewID_; }
  void setPreviewID(const std::optional<QUuid>& id);
  // A card was picked: it becomes the selection, and an open detail pane shows it (with the
  // critical spring).
  void selectCard(QUuid id);
  // A click on the grid's background: the detail pane closes (with the critical spring), then
  // the selection goes.
  void clearSelectionAndDetail();
  // The card under the pointer; none while the pointer is over no card or the grid scrolls.
  const std::optional<QUuid>& hoveredID() const { return hoveredID_; }
  void setHoveredID(const std::optional<QUuid>& id);
  // The card the keyboard moved to, which the grid scrolls to its middle; none scrolls nothing.
  const std::optional<QUuid>& keyboardScrollTarget() const { return keyboardScrollTarget_; }
  void setKeyboardScrollTarget(const std::optional<QUuid>& id);
  FilterOpener filterOpener() const { return filterOpener_; }

  // ---- Detail pane ---------------------------------------------------------------------------
  static constexpr double kHoverRetargetSeconds = 0.16;
  // The item of the filtered list in the detail pane; none while the pane is closed or while its
  // item is narrowed away (the pane comes back with it).
  std::optional<ClipboardItem> detailItem() const;
  // The pane and the selection show `id` (with the quick ease-out).
  void showDetail(QUuid id);
  // The pointer entered the card of `id`: an open pane moves to it 0.16 s later, unless it is
  // being edited then or the pointer went on meanwhile. A sweep over several cards moves it
  // once, to the last.
  void retargetDetail(QUuid id);
  // The pointer left the card: the pending move is dropped.
  void cancelDetailRetarget();

  // What the cards do with their items (copy, paste-back); none in a model without a window.
  LibraryActions* actions() const;
  void setActions(LibraryActions* actions);

  // ---- Narrowing -----------------------------------------------------------------------------
  // The items the grid shows for a scope and a query, newest first: the scope, then the type,
  // app and date filters, then the query without white space around it (any letter case, also
  // text recognised in images). The panel's tab plays no part. Kept until an input changes, as
  // the places of the items in the history (a list of the items would copy them).
  FilteredItems filteredItems(const LibraryScope& scope, const QString& query) const;
  // For the current scope and query. A search of a long history shows its first rows at once
  // and goes on in steps (see RowSearch): until it ends, this is the list found so far.
  FilteredItems filteredItems() const { return filteredItems(scope_, query_); }
  // The whole list: a search going on in steps ends now (the views hear of it next).
  FilteredItems wholeFilteredItems() const;
  // The current list cut into date runs, against the scheduler's now.
  LibrarySections dateSections() const;
  LibraryScopeCounts scopeCounts() const;
  // Goes up whenever the filtered lists may have changed.
  quint64 revision() const { return revision_; }

  // ---- Header and badges ---------------------------------------------------------------------
  // A tab or a badge picked this scope; the selected scope picked again (other than all)
  // returns to all.
  void selectScope(const LibraryScope& scope);
  // A card badge's click: the pinned and category badges toggle the scope, type and app badges
  // the state's filters.
  void applyBadgeFilter(const BadgeFilter& badge);
  bool isBadgeFilterActive(const BadgeFilter& badge) const;
  // The filter button toggles the filter surface, or moves it over from a category button.
  void pressFilterButton();
  // "New category": the surface opens at the new-category form, under that button.
  void pressNewCategory();
  // The selected category's pencil: opens its edit form, or closes the form it opened.
  void pressEditCategory(const QUuid& categoryID);
  // The filter button wears the accent: the surface is open, or a filter or a tab other than
  // "All" is in force.
  bool filterButtonAccented() const;

  // ---- Status and empty state ----------------------------------------------------------------
  LibraryStatusLine statusLine() const;
  // What stands in for the grid while the current list is empty; none otherwise.
  std::optional<LibraryEmptyState> emptyState() const;

 Q_SIGNALS:
  // Something the model holds or derives may have changed; views read again what they show.
  void changed();
  // Only the hovered card changed (hovering alone redraws nothing else).
  void hoveredIDChanged();
  void keyboardScrollTargetChanged();

 private:
  struct Memo;
  using Entry = LibraryLists::Entry;
  Entry& entryFor(const LibraryScope& scope, const QString& query) const;
  // The grouper of the day the scheduler's now is in (made again once the clock leaves it).
  const cardList::DateGrouper& grouper() const;
  // The history changed: a copy at its front adds its place, group and counts to the lists held
  // over it, and the removal of one item takes its own away; any other change lets them go.
  void historyChanged();
  // The items that pass, as places in the history; only among `within` when given (what a query
  // this one holds found, with the same scope and filters).
  // A long search goes on in steps: the list holds the first rows found, and `inSteps` the rest.
  FilteredItems narrow(const LibraryScope& scope, const QString& loweredQuery, const BadgeCheck& badges,
                       const FilteredItems* within, std::shared_ptr<RowSearch>* inSteps) const;
  // A search in steps of an entry (or of one dropped since) ended.
  void searchEnded(const RowSearch* search);
  // The entry's search in steps ends now; its list is the whole one.
  void takeWholeList(Entry& entry) const;
  void invalidate();
  // A pin or a category came or went.
  void marksChanged();
  void announceChange();
  void pruneStaleIDs();
  void setScope(const LibraryScope& scope);

  PanelState& state_;
  Scheduler& scheduler_;
  LibraryScope scope_ = LibraryScope::all();
  QString query_;
  std::optional<QUuid> selection_;
  std::optional<QUuid> previewID_;
  std::optional<QUuid> hoveredID_;
  std::optional<QUuid> keyboardScrollTarget_;
  FilterOpener filterOpener_ = FilterOpener::filterButton;
  quint64 revision_ = 0;
  std::unique_ptr<Memo> memo_;
  // The narrowed lists and what derives from them, kept over changes.
  std::unique_ptr<LibraryLists> lists_;
  WorkItem detailRetarget_;
  WorkItem queryRest_;
  QPointer<LibraryActions> actions_;
};

}  // namespace qv
