#include "library/LibraryModel.h"

#include "library/LibraryActions.h"
#include "library/LibraryLists.h"
#include "panel/CardListLayout.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "state/RowSearch.h"
#include "state/SearchIndex.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <algorithm>
#include <vector>

namespace qv {

// What the model keeps besides the lists: the grouper of the day, where the detail pane's item
// was last found and the count shown while a search goes on in steps.
struct LibraryModel::Memo {
  std::optional<cardList::DateGrouper> grouper;
  qint64 grouperFromMs = 0, grouperUntilMs = 0;  // the day it holds for
  qsizetype detailPlace = -1;                    // where the detail pane's item was last found in the list
  qsizetype finishedCount = 0;                   // the shown list's count when it was last whole
};

LibraryModel::LibraryModel(PanelState& state, Scheduler& scheduler, QObject* parent)
    : QObject(parent),
      state_(state),
      scheduler_(scheduler),
      memo_(std::make_unique<Memo>()),
      lists_(std::make_unique<LibraryLists>(state)) {
  const auto refilter = [this] { invalidate(); };
  const auto reread = [this] { Q_EMIT changed(); };
  connect(&state, &PanelState::itemsAboutToChange, this, [this] { lists_->holdOverChange(); });
  connect(&state, &PanelState::itemAboutToBeRemoved, this, [this](qsizetype place) { lists_->noteRemoval(place); });
  connect(&state, &PanelState::itemsChanged, this, &LibraryModel::historyChanged);
  connect(&state, &PanelState::pinnedIDsChanged, this, &LibraryModel::marksChanged);
  connect(&state, &PanelState::cardCategoriesChanged, this, &LibraryModel::marksChanged);
  connect(&state, &PanelState::filterTypesChanged, this, refilter);
  connect(&state, &PanelState::filterAppsChanged, this, refilter);
  connect(&state, &PanelState::filterDateChanged, this, refilter);
  // New recognised text may make an image match the query, as may the search index's coming.
  connect(&state, &PanelState::imageTextRevisionChanged, this, refilter);
  connect(&state, &PanelState::searchTextsReady, this, refilter);
  connect(&state, &PanelState::customCategoriesChanged, this, reread);
  connect(&state, &PanelState::activeFilterChanged, this, reread);
  connect(&state, &PanelState::collapsedGroupsChanged, this, reread);
  connect(&state, &PanelState::multiSelectedIDsChanged, this, reread);
  connect(&state, &PanelState::isMonitoringPausedChanged, this, reread);
  connect(&state, &PanelState::libraryFilterSurfaceOpenChanged, this, reread);
  connect(&state, &PanelState::editingCategoryFormIDChanged, this, reread);
}

LibraryModel::~LibraryModel() = default;

const cardList::DateGrouper& LibraryModel::grouper() const {
  Memo& memo = *memo_;
  const qint64 now = scheduler_.now().toMSecsSinceEpoch();
  if (!memo.grouper || now < memo.grouperFromMs || now >= memo.grouperUntilMs) {
    memo.grouper.emplace(scheduler_.now());
    const QDate today = memo.grouper->today();
    memo.grouperFromMs = today.startOfDay().toMSecsSinceEpoch();
    memo.grouperUntilMs = today.addDays(1).startOfDay().toMSecsSinceEpoch();
  }
  return *memo.grouper;
}

// ---- A change of the history -------------------------------------------------------------------

void LibraryModel::historyChanged() {
  const LibraryLists::Change change = lists_->historyChanged(grouper());
  if (!change.followed) {
    // Anything may have gone, the shown or selected item included.
    pruneStaleIDs();
    return invalidate();
  }
  // A copy takes nothing away: the shown, selected and hovered items are all still there.
  if (const std::optional<QUuid>& gone = change.removed) {
    if (previewID_ == gone) previewID_.reset();
    if (selection_ == gone) selection_.reset();
    if (hoveredID_ == gone) {
      hoveredID_.reset();
      Q_EMIT hoveredIDChanged();
    }
  }
  announceChange();
}

// ---- View state ------------------------------------------------------------------------------

void LibraryModel::setQuery(const QString& query) {
  if (query == query_) return;
  query_ = query;
  queryRest_.cancel();
  queryRest_ = scheduler_.after(
      kQueryRestSeconds,
      [this] {
        if (const auto rested = onQueryRested) rested();
      },
      this);
  Q_EMIT changed();
}

void LibraryModel::prepareSearch() { state_.prepareSearch(); }

void LibraryModel::setSelection(const std::optional<QUuid>& id) {
  if (id == selection_) return;
  selection_ = id;
  Q_EMIT changed();
}

void LibraryModel::setPreviewID(const std::optional<QUuid>& id) {
  if (id == previewID_) return;
  previewID_ = id;
  Q_EMIT changed();
}

void LibraryModel::selectCard(QUuid id) {
  if (previewID_ && previewID_ != id) withAnimation(Theme::springCritical(), [&] { setPreviewID(id); });
  setSelection(id);
}

void LibraryModel::clearSelectionAndDetail() {
  if (previewID_) withAnimation(Theme::springCritical(), [&] { setPreviewID(std::nullopt); });
  setSelection(std::nullopt);
}

void LibraryModel::setHoveredID(const std::optional<QUuid>& id) {
  if (id == hoveredID_) return;
  hoveredID_ = id;
  Q_EMIT hoveredIDChanged();
}

std::optional<ClipboardItem> LibraryModel::detailItem() const {
  if (!previewID_) return std::nullopt;
  const FilteredItems shown = filteredItems();
  // Where it was last found, or next to it (a copy came in before it, or an item left): no look
  // at every item at every change.
  qsizetype& place = memo_->detailPlace;
  for (const qsizetype at : {place, place + 1, place - 1})
    if (at >= 0 && at < shown.size() && shown.at(at).id == *previewID_) return shown.at(place = at);
  auto found = std::find_if(shown.begin(), shown.end(),
                            [&](const ClipboardItem& item) { return item.id == *previewID_; });
  // Not among the first rows of a search going on: among the rest, perhaps.
  if (found == shown.end() && entryFor(scope_, query_).inSteps) {
    const FilteredItems whole = wholeFilteredItems();
    const auto later = std::find_if(whole.begin() + shown.size(), whole.end(),
                                    [&](const ClipboardItem& item) { return item.id == *previewID_; });
    if (later == whole.end()) return std::nullopt;
    place = later - whole.begin();
    return *later;
  }
  if (found == shown.end()) return std::nullopt;
  place = found - shown.begin();
  return *found;
}

void LibraryModel::showDetail(QUuid id) {
  withAnimation(Theme::easeOutQuick(), [&] {
    setPreviewID(id);
    setSelection(id);
  });
}

void LibraryModel::retargetDetail(QUuid id) {
  detailRetarget_.cancel();
  if (!previewID_ || state_.detailEditingActive() || previewID_ == id) return;
  detailRetarget_ = scheduler_.after(
      kHoverRetargetSeconds,
      [this, id] {
        // The pane may have closed or gone into editing meanwhile.
        if (previewID_ && !state_.detailEditingActive()) showDetail(id);
      },
      this);
}

void LibraryModel::cancelDetailRetarget() { detailRetarget_.cancel(); }

LibraryActions* LibraryModel::actions() const { return actions_; }
void LibraryModel::setActions(LibraryActions* actions) { actions_ = actions; }

void LibraryModel::setKeyboardScrollTarget(const std::optional<QUuid>& id) {
  if (id == keyboardScrollTarget_) return;
  keyboardScrollTarget_ = id;
  Q_EMIT keyboardScrollTargetChanged();
}

void LibraryModel::setScope(const LibraryScope& scope) {
  if (scope == scope_) return;
  scope_ = scope;
  Q_EMIT changed();
}

void LibraryModel::pruneStaleIDs() {
  // Any change of the history may take the shown or selected item away, also one that keeps
  // the count (a removal and a copy in one change).
  if (!previewID_ && !selection_ && !hoveredID_) return;
  bool previewFound = false, selectionFound = false, hoveredFound = false;
  for (const ClipboardItem& item : state_.items()) {
    previewFound = previewFound || item.id == previewID_;
    selectionFound = selectionFound || item.id == selection_;
    hoveredFound = hoveredFound || item.id == hoveredID_;
  }
  if (!previewFound) previewID_.reset();
  if (!selectionFound) selection_.reset();
  if (!hoveredFound && hoveredID_) {
    hoveredID_.reset();
    Q_EMIT hoveredIDChanged();
  }
}

void LibraryModel::invalidate() {
  lists_->clear();
  announceChange();
}

// A pin or a category came or went (a copy that took an older copy's marks, most often): the
// lists of the whole history stay, as the marks play no part in them, and the tab counts move by
// what changed. The lists of the pinned and category scopes are made again when next read.
void LibraryModel::marksChanged() {
  if (!lists_->marksChanged()) return invalidate();
  announceChange();
}

void LibraryModel::announceChange() {
  ++revision_;
  Q_EMIT changed();
}

// ---- Narrowing -------------------------------------------------------------------------------

LibraryModel::Entry& LibraryModel::entryFor(const LibraryScope& scope, const QString& query) const {
  const QString lowered = trimmedText(query).toLower();
  const BadgeCheck badges = state_.badgeCheck();
  std::vector<Entry>& entries = lists_->entries();
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry& entry) { return entry.scope == scope && entry.query == lowered; });
  if (found != entries.end()) {
    // A date bucket moves with the clock: the list holds only while the bucket is the same.
    if (found->range == badges.range) {
      // The least recently used goes first when room is needed: typing must not push out the
      // tab counts' list.
      std::rotate(found, found + 1, entries.end());
      return entries.back();
    }
    entries.erase(found);
  }
  // Typing on: a query holding an earlier one matches only among what that one found.
  const Entry* wider = nullptr;
  for (const Entry& entry : entries)
    if (entry.scope == scope && entry.range == badges.range && !entry.query.isEmpty() && !entry.inSteps &&
        lowered.contains(entry.query) && (!wider || entry.query.size() > wider->query.size()))
      wider = &entry;
  std::shared_ptr<RowSearch> inSteps;
  Entry entry{scope, lowered, badges.range, narrow(scope, lowered, badges, wider ? &wider->items : nullptr, &inSteps),
              {},    {},      {},           {}};
  if (inSteps) {
    entry.inSteps = inSteps;
    // Read through const views, the model itself is never const. The key's frame, with the first
    // rows, is drawn before the rest of the scan starts: a slice run first would hold it back.
    inSteps->continueOn(
        scheduler_, [self = const_cast<LibraryModel*>(this), search = inSteps.get()] { self->searchEnded(search); },
        RowSearch::FirstSlice::afterFrame);
  }
  if (entries.size() >= LibraryLists::kEntries) entries.erase(entries.begin());
  entries.push_back(std::move(entry));
  return entries.back();
}

void LibraryModel::searchEnded(const RowSearch* search) {
  std::vector<Entry>& entries = lists_->entries();
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry& entry) { return entry.inSteps.get() == search; });
  if (found == entries.end()) return;
  takeWholeList(*found);
  announceChange();
}

void LibraryModel::takeWholeList(Entry& entry) const {
  const std::shared_ptr<RowSearch> search = std::move(entry.inSteps);
  search->finish();
  const QList<ClipboardItem>& items = state_.items();
  entry.items = LibraryLists::listOf(items, search->found());
  entry.sections.reset();
}

FilteredItems LibraryModel::wholeFilteredItems() const {
  Entry& entry = entryFor(scope_, query_);
  if (!entry.inSteps) return entry.items;
  takeWholeList(entry);
  // The views hear of it at the next turn of the event loop, not from within this read.
  scheduler_.post([self = const_cast<LibraryModel*>(this)] { self->announceChange(); }, this);
  return entry.items;
}

FilteredItems LibraryModel::narrow(const LibraryScope& scope, const QString& loweredQuery, const BadgeCheck& badges,
                                   const FilteredItems* within, std::shared_ptr<RowSearch>* inSteps) const {
  // A long search shows the first rows it finds, and goes on in steps (the caller's to run).
  const auto shownSoFar = [&](std::unique_ptr<RowSearch> search) {
    QList<qint32> found = search->found();
    if (!search->isComplete()) *inSteps = std::move(search);
    return LibraryLists::listOf(state_.items(), std::move(found));
  };
  const QList<ClipboardItem>& items = state_.items();
  const SearchIndex::Query search(loweredQuery);
  const bool searching = !search.isEmpty();
  if (within && !within->isAll()) {
    // Its items passed the scope and the filters already.
    const QList<qint32>& among = within->places();
    QList<qint32> places;
    if (search.usesIndex()) {
      if (auto stepped = state_.searchInSteps(search, among, {})) return shownSoFar(std::move(stepped));
      places = state_.rowsMatching(search, &among);
    } else {
      const ClipboardItem::RecognizedTextLookup& recognized = state_.recognizedTextLookup();
      for (const qint32 i : among)
        if (items[i].matchesLowercased(search.text(), recognized)) places.append(i);
    }
    return FilteredItems(items, std::move(places));
  }
  if (scope.kind == LibraryScope::Kind::all && !badges.isSet() && !searching) return FilteredItems(items);

  const PanelState::IdMap& categories = state_.cardCategories();
  const PanelState::IdSet& pins = state_.pinnedIDs();
  // Nothing is filed in the category (or it is gone): no item needs a look.
  if (scope.kind == LibraryScope::Kind::category &&
      std::find(categories.cbegin(), categories.cend(), scope.categoryID) == categories.cend())
    return FilteredItems(items, {});
  if (scope.kind == LibraryScope::Kind::pinned && pins.isEmpty()) return FilteredItems(items, {});
  // By value: a search in steps asks it again after this returns.
  const auto passes = [this, scope, badges](const ClipboardItem& item) {
    return LibraryLists::inScope(scope, item, state_.pinnedIDs(), state_.cardCategories()) && badges.passes(item);
  };
  const bool narrowsMore = scope.kind != LibraryScope::Kind::all || badges.isSet();

  QList<qint32> places;
  if (searching && search.usesIndex()) {
    // The texts first: one scan turns most rows down from a few bits of their own.
    std::function<bool(qint32)> keep;
    if (narrowsMore) keep = [this, passes](qint32 row) { return passes(state_.items()[row]); };
    if (auto stepped = state_.searchInSteps(search, std::nullopt, keep)) return shownSoFar(std::move(stepped));
    places = state_.rowsMatching(search);
    if (narrowsMore) places.removeIf([&](qint32 row) { return !keep(row); });
  } else {
    // A query holding the field separator cannot use the joined texts: it is matched field by
    // field.
    const ClipboardItem::RecognizedTextLookup& recognized = state_.recognizedTextLookup();
    // A date filter keeps one run of a history in date order: only its rows are looked at.
    const RowSpan rows = state_.dateRows(badges);
    for (auto i = qint32(rows.first), end = qint32(rows.end); i < end; ++i) {
      const ClipboardItem& item = items[i];
      if (passes(item) && (!searching || item.matchesLowercased(search.text(), recognized))) places.append(i);
    }
  }
  // Everything passed: the history itself.
  return LibraryLists::listOf(items, std::move(places));
}

FilteredItems LibraryModel::filteredItems(const LibraryScope& scope, const QString& query) const {
  return entryFor(scope, query).items;
}

LibrarySections LibraryModel::dateSections() const {
  Entry& entry = entryFor(scope_, query_);
  const cardList::DateGrouper& today = grouper();
  if (!entry.sections || entry.sectionsDay != today.today()) {
    lists_->makeGroups(today);
    const int count = int(entry.items.size());
    std::vector<LibraryDateSection> runs;
    for (int i = 0; i < count; ++i) {
      const CardGroup group = lists_->groupOfRow(entry.items.historyIndex(i));
      if (runs.empty() || runs.back().group != group) runs.push_back({group, int(runs.size()), i, 0, false});
      ++runs.back().count;
    }
    entry.sections = std::move(runs);
    entry.sectionsDay = today.today();
  }
  LibrarySections result{*entry.sections, entry.sections->size() >= 2};
  // A collapsed group hides its cards only where its header can open it again.
  if (result.showsHeaders)
    for (LibraryDateSection& section : result.sections)
      section.collapsed = state_.collapsedGroups().contains(section.title());
  return result;
}

LibraryScopeCounts LibraryModel::scopeCounts() const {
  return lists_->countsOf(entryFor(LibraryScope::all(), QString()));
}

// ---- Header and badges -----------------------------------------------------------------------

// A new scope (from a tab or a badge) animates with the standard spring: the tabs glide, the
// pencil comes and goes, the counts roll.
void LibraryModel::selectScope(const LibraryScope& scope) {
  withAnimation(Theme::springStandard(), [&] {
    setScope(scope == scope_ && scope.kind != LibraryScope::Kind::all ? LibraryScope::all() : scope);
  });
}

void LibraryModel::applyBadgeFilter(const BadgeFilter& badge) {
  withAnimation(Theme::springStandard(), [&] {
    switch (badge.kind) {
      case BadgeFilter::Kind::pinned:
        setScope(scope_.kind == LibraryScope::Kind::pinned ? LibraryScope::all() : LibraryScope::pinned());
        break;
      case BadgeFilter::Kind::category:
        setScope(scope_.isCategory(badge.category) ? LibraryScope::all() : LibraryScope::category(badge.category));
        break;
      case BadgeFilter::Kind::type:
      case BadgeFilter::Kind::app: state_.toggleBadgeFilter(badge); break;
    }
  });
}

bool LibraryModel::isBadgeFilterActive(const BadgeFilter& badge) const {
  switch (badge.kind) {
    case BadgeFilter::Kind::pinned: return scope_.kind == LibraryScope::Kind::pinned;
    case BadgeFilter::Kind::category: return scope_.isCategory(badge.category);
    case BadgeFilter::Kind::type:
    case BadgeFilter::Kind::app: return state_.isBadgeFilterActive(badge);
  }
  return false;
}

void LibraryModel::pressFilterButton() {
  if (state_.libraryFilterSurfaceOpen() && filterOpener_ == FilterOpener::filterButton) {
    state_.setLibraryFilterSurfaceOpen(false);
    return;
  }
  filterOpener_ = FilterOpener::filterButton;
  state_.setLibraryFilterSurfaceOpen(true);
  Q_EMIT changed();
}

void LibraryModel::pressNewCategory() {
  filterOpener_ = FilterOpener::addButton;
  state_.setLibraryFilterSurfaceOpen(true);
  state_.requestNewCategoryForm(FilterSurface::library);
  Q_EMIT changed();
}

void LibraryModel::pressEditCategory(const QUuid& categoryID) {
  if (state_.editingCategoryFormID() == categoryID) {
    state_.closeCategoryForm();
    return;
  }
  filterOpener_ = FilterOpener::addButton;
  state_.setLibraryFilterSurfaceOpen(true);
  state_.openCategoryForm(categoryID, FilterSurface::library);
  Q_EMIT changed();
}

bool LibraryModel::filterButtonAccented() const {
  return state_.libraryFilterSurfaceOpen() || state_.hasActiveFilters() ||
         !(state_.activeFilter() == FilterType::all());
}

// ---- Status and empty state ------------------------------------------------------------------

LibraryStatusLine LibraryModel::statusLine() const {
  // While a search goes on in steps, the count of the list last shown whole: the first rows'
  // count would jump to the whole's a few frames on.
  const Entry& entry = entryFor(scope_, query_);
  if (!entry.inSteps) memo_->finishedCount = entry.items.size();
  return libraryStatusLine(memo_->finishedCount, state_.items().size(), state_.multiSelectedIDs().size(),
                           state_.isMonitoringPaused());
}

std::optional<LibraryEmptyState> LibraryModel::emptyState() const {
  if (!filteredItems().isEmpty()) return std::nullopt;
  const bool filtersInForce = state_.hasActiveFilters() || !(state_.activeFilter() == FilterType::all());
  return libraryEmptyState(query_, filtersInForce, scope_, state_.customCategories());
}

}  // namespace qv
