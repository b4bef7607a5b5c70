#include "library/LibraryModel.h"

#include "library/LibraryActions.h"
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

// One narrowed list and what was derived from it, for one scope and one trimmed query.
struct LibraryModel::Entry {
  LibraryScope scope;
  QString query;                   // trimmed, lower-cased
  std::optional<DateRange> range;  // the date bucket it was made in
  FilteredItems items;
  // Its date runs (without the collapsed flags, which change on their own), for one day.
  std::optional<std::vector<LibraryDateSection>> sections;
  QDate sectionsDay;
  std::optional<LibraryScopeCounts> counts;
  // A search of a long history going on in steps: `items` holds the first found until it ends.
  std::shared_ptr<RowSearch> inSteps;
};

// The lists asked for since the inputs last changed: the grid's and the tab counts' at least,
// and a few more while the user types or switches tabs.
struct LibraryModel::Memo {
  static constexpr size_t kEntries = 4;
  std::vector<Entry> entries;  // the most recently used last
  // The entries while a copy goes in at the front, without the history (held on through the
  // copy, it would make the copy copy the whole history): all of it, or their places in it.
  struct Held {
    Entry entry;
    bool all = false;
    QList<qint32> places;
  };
  std::vector<Held> held;
  // The items about to be removed in the change under way, with the marks they had then.
  struct Removal {
    qsizetype place = 0;
    QUuid id;
    bool pinned = false;
    std::optional<QUuid> category;
  };
  std::vector<Removal> removals;
  // The history as the entries and the groups were last told of it.
  qsizetype seenSize = 0;
  QUuid seenFirst;
  // The date group of every history row, oldest first (a copy at the front appends one), for
  // one day: the sections of any narrowed list are read from it (a lookup per item instead of a
  // date conversion).
  std::vector<CardGroup> groupsOldestFirst;
  QDate groupsDay;
  std::optional<cardList::DateGrouper> grouper;
  qint64 grouperFromMs = 0, grouperUntilMs = 0;  // the day it holds for
  qsizetype detailPlace = -1;                    // where the detail pane's item was last found in the list
  qsizetype finishedCount = 0;                   // the shown list's count when it was last whole
  // The marks the tab counts were last brought in line with, and the marked items that left the
  // history since (their counts went with them): a change of the marks moves the counts by what
  // changed.
  PanelState::IdSet countedPins;
  PanelState::IdMap countedCategories;
  QSet<QUuid> goneSinceCounted;
  CardGroup groupOfRow(qsizetype row) const { return groupsOldestFirst[groupsOldestFirst.size() - 1 - size_t(row)]; }
};

namespace {

bool inScope(const LibraryScope& scope, const ClipboardItem& item, const PanelState::IdSet& pins,
             const PanelState::IdMap& categories) {
  switch (scope.kind) {
    case LibraryScope::Kind::category: {
      const auto filed = categories.constFind(item.id);
      return filed != categories.cend() && *filed == scope.categoryID;
    }
    case LibraryScope::Kind::pinned: return pins.contains(item.id);
    case LibraryScope::Kind::all: return true;
  }
  return true;
}

// The items of `history` at `places` (ascending): the history itself when every place is there.
FilteredItems listOf(const QList<ClipboardItem>& history, QList<qint32> places) {
  return places.size() == history.size() ? FilteredItems(history) : FilteredItems(history, std::move(places));
}

// The runs of a list that lost its item at `index`: its run is one shorter, or gone with its
// neighbours of one group joined.
void removeFromSections(std::vector<LibraryDateSection>& sections, qsizetype index) {
  auto run = std::find_if(sections.begin(), sections.end(), [&](const LibraryDateSection& section) {
    return index < section.firstIndex + section.count;
  });
  if (run == sections.end()) return;
  --run->count;
  for (auto later = run + 1; later != sections.end(); ++later) --later->firstIndex;
  if (run->count > 0) return;
  run = sections.erase(run);
  if (run != sections.begin() && run != sections.end() && (run - 1)->group == run->group) {
    (run - 1)->count += run->count;
    sections.erase(run);
  }
  for (size_t k = 0; k < sections.size(); ++k) sections[k].position = int(k);
}

}  // namespace

LibraryModel::LibraryModel(PanelState& state, Scheduler& scheduler, QObject* parent)
    : QObject(parent), state_(state), scheduler_(scheduler), memo_(std::make_unique<Memo>()) {
  const auto refilter = [this] { invalidate(); };
  const auto reread = [this] { Q_EMIT changed(); };
  memo_->seenSize = state.items().size();
  memo_->seenFirst = state.items().isEmpty() ? QUuid() : state.items().first().id;
  connect(&state, &PanelState::itemsAboutToChange, this, &LibraryModel::holdListsOverCopy);
  connect(&state, &PanelState::itemAboutToBeRemoved, this, &LibraryModel::noteRemoval);
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

// ---- A copy at the front -----------------------------------------------------------------------

void LibraryModel::holdListsOverCopy() {
  Memo& memo = *memo_;
  memo.held.clear();
  for (Entry& entry : memo.entries) {
    if (entry.inSteps) continue;  // made anew when next asked for
    Memo::Held held{std::move(entry), false, {}};
    held.all = held.entry.items.isAll();
    held.places = held.entry.items.places();
    held.entry.items = {};
    memo.held.push_back(std::move(held));
  }
  memo.entries.clear();
}

void LibraryModel::noteRemoval(qsizetype place) {
  const ClipboardItem& item = state_.items().at(place);
  const auto filed = state_.cardCategories().constFind(item.id);
  memo_->removals.push_back({place, item.id, state_.pinnedIDs().contains(item.id),
                             filed == state_.cardCategories().cend() ? std::nullopt : std::optional<QUuid>(*filed)});
}

void LibraryModel::historyChanged() {
  Memo& memo = *memo_;
  const QList<ClipboardItem>& items = state_.items();
  const qsizetype before = memo.seenSize;
  const bool copyAtFront = items.size() == before + 1 && (before == 0 || items.at(1).id == memo.seenFirst);
  const std::vector<Memo::Removal> removals = std::exchange(memo.removals, {});
  const bool oneRemoved = removals.size() == 1 && items.size() == before - 1;
  memo.seenSize = items.size();
  memo.seenFirst = items.isEmpty() ? QUuid() : items.first().id;
  std::vector<Memo::Held> held = std::exchange(memo.held, {});
  if (!copyAtFront && !oneRemoved) {
    // Anything may have gone, the shown or selected item included.
    pruneStaleIDs();
    memo.groupsOldestFirst.clear();
    memo.groupsDay = QDate();
    return invalidate();
  }
  const cardList::DateGrouper& today = grouper();
  const bool groupsHeld = memo.groupsDay == today.today() && qsizetype(memo.groupsOldestFirst.size()) == before;
  CardGroup group = CardGroup::today;
  if (copyAtFront) {
    group = today.groupOf(items.first().capturedAt);
    if (groupsHeld) memo.groupsOldestFirst.push_back(group);
  } else if (groupsHeld) {
    memo.groupsOldestFirst.erase(memo.groupsOldestFirst.begin() + (before - 1 - removals.front().place));
  }
  if (!groupsHeld) memo.groupsOldestFirst.clear(), memo.groupsDay = QDate();

  // The lists held over the copy take its place, when it passes, and move every other place on
  // by one; their sections and counts take the copy as the front section's newest card.
  const BadgeCheck badges = state_.badgeCheck();
  const PanelState::IdSet& pins = state_.pinnedIDs();
  const PanelState::IdMap& categories = state_.cardCategories();
  const ClipboardItem::RecognizedTextLookup& recognized = state_.recognizedTextLookup();
  std::vector<Entry>& entries = memo.entries;
  // Lists read since are of this history; any other would hold on to the one before.
  std::erase_if(entries, [&](const Entry& entry) { return entry.items.history().constData() != items.constData(); });
  // A list held over the removal of one item loses its place (and every later place moves up by
  // one), and its run and its counts lose the item when it was listed.
  const auto takeRemoval = [&](Memo::Held& kept, const Memo::Removal& removal) {
    Entry& entry = kept.entry;
    const auto place = qint32(removal.place);
    qsizetype listedAt = -1;
    if (kept.all) {
      listedAt = place;
      entry.items = FilteredItems(items);
    } else {
      const auto found = std::lower_bound(kept.places.cbegin(), kept.places.cend(), place);
      const bool listed = found != kept.places.cend() && *found == place;
      if (listed) listedAt = found - kept.places.cbegin();
      QList<qint32> places(kept.places.size() - (listed ? 1 : 0));
      qint32* out = std::copy(kept.places.cbegin(), found, places.data());
      std::transform(found + (listed ? 1 : 0), kept.places.cend(), out, [](qint32 later) { return later - 1; });
      entry.items = listOf(items, std::move(places));
    }
    if (listedAt < 0) return;
    if (entry.sections && entry.sectionsDay == today.today()) removeFromSections(*entry.sections, listedAt);
    else entry.sections.reset();
    if (entry.counts) {
      LibraryScopeCounts& counts = *entry.counts;
      --counts.all;
      if (removal.pinned) --counts.pinned;
      if (const auto filed = removal.category ? counts.perCategory.find(*removal.category) : counts.perCategory.end();
          filed != counts.perCategory.end() && --*filed == 0)
        counts.perCategory.erase(filed);
    }
  };
  for (Memo::Held& kept : held) {
    Entry& entry = kept.entry;
    // A bucket the clock moved on, or a list read again meanwhile, is made anew when asked for.
    if (entry.range != badges.range) continue;
    if (std::any_of(entries.cbegin(), entries.cend(),
                    [&](const Entry& e) { return e.scope == entry.scope && e.query == entry.query; }))
      continue;
    if (oneRemoved) {
      takeRemoval(kept, removals.front());
      if (entries.size() < Memo::kEntries) entries.push_back(std::move(entry));
      continue;
    }
    const ClipboardItem& copy = items.first();
    const bool passes = inScope(entry.scope, copy, pins, categories) && badges.passes(copy) &&
                        copy.matchesLowercased(SearchIndex::Query(entry.query).text(), recognized);
    if (kept.all) {
      // Everything passed; the rest of the places would be one more than each row.
      if (!passes) continue;
      entry.items = FilteredItems(items);
    } else {
      QList<qint32> places(kept.places.size() + (passes ? 1 : 0));
      qint32* out = places.data();
      if (passes) *out++ = 0;
      std::transform(kept.places.cbegin(), kept.places.cend(), out, [](qint32 place) { return place + 1; });
      entry.items = listOf(items, std::move(places));
    }
    if (passes && entry.sections && entry.sectionsDay == today.today()) {
      std::vector<LibraryDateSection>& sections = *entry.sections;
      if (!sections.empty() && sections.front().group == group) {
        ++sections.front().count;
        for (size_t k = 1; k < sections.size(); ++k) ++sections[k].firstIndex;
      } else {
        for (LibraryDateSection& section : sections) ++section.position, ++section.firstIndex;
        sections.insert(sections.begin(), {group, 0, 0, 1, false});
      }
    } else if (passes) {
      entry.sections.reset();
    }
    if (passes && entry.counts) {
      LibraryScopeCounts& counts = *entry.counts;
      ++counts.all;
      if (pins.contains(copy.id)) ++counts.pinned;
      if (const auto filed = categories.constFind(copy.id); filed != categories.cend()) ++counts.perCategory[*filed];
    }
    if (entries.size() < Memo::kEntries) entries.push_back(std::move(entry));
  }
  // A copy takes nothing away: the shown, selected and hovered items are all still there.
  if (oneRemoved) {
    const QUuid& gone = removals.front().id;
    if (removals.front().pinned || removals.front().category) memo.goneSinceCounted.insert(gone);
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
  memo_->entries.clear();
  memo_->held.clear();
  memo_->goneSinceCounted.clear();
  announceChange();
}

// A pin or a category came or went (a copy that took an older copy's marks, most often): the
// lists of the whole history stay, as the marks play no part in them, and the tab counts move by
// what changed. The lists of the pinned and category scopes are made again when next read.
void LibraryModel::marksChanged() {
  Memo& memo = *memo_;
  if (!memo.held.empty()) return invalidate();
  std::erase_if(memo.entries, [](const Entry& entry) { return entry.scope.kind != LibraryScope::Kind::all; });
  for (Entry& entry : memo.entries)
    if (entry.counts && !countMarksChange(*entry.counts)) entry.counts.reset();
  memo.countedPins = state_.pinnedIDs();
  memo.countedCategories = state_.cardCategories();
  // A gone item matters only while its marks are still to go.
  memo.goneSinceCounted.removeIf(
      [&memo](const QUuid& id) { return !memo.countedPins.contains(id) && !memo.countedCategories.contains(id); });
  announceChange();
}

bool LibraryModel::countMarksChange(LibraryScopeCounts& counts) const {
  const Memo& memo = *memo_;
  const PanelState::IdSet& pins = state_.pinnedIDs();
  const PanelState::IdMap& categories = state_.cardCategories();
  // A few ids are looked up in the history; beyond that the counts are made again.
  constexpr int kMostFollowed = 8;
  int followed = 0;
  // Counted where the item is in the counts' list: in the history, and passing the filters.
  const BadgeCheck badges = state_.badgeCheck();
  const auto listed = [&](const QUuid& id) {
    if (memo.goneSinceCounted.contains(id)) return false;
    const QList<ClipboardItem>& items = state_.items();  // a copy's new marks are at the front
    const auto found = std::find_if(items.cbegin(), items.cend(),
                                    [&](const ClipboardItem& item) { return item.id == id; });
    return found != items.cend() && badges.passes(*found);
  };
  const auto uncount = [&counts](const QUuid& category) {
    if (const auto filed = counts.perCategory.find(category); filed != counts.perCategory.end() && --*filed == 0)
      counts.perCategory.erase(filed);
  };
  for (const QUuid& id : pins)
    if (!memo.countedPins.contains(id)) {
      if (++followed > kMostFollowed) return false;
      if (listed(id)) ++counts.pinned;
    }
  for (const QUuid& id : memo.countedPins)
    if (!pins.contains(id)) {
      if (++followed > kMostFollowed) return false;
      if (listed(id)) --counts.pinned;
    }
  for (auto it = categories.cbegin(); it != categories.cend(); ++it) {
    const auto before = memo.countedCategories.constFind(it.key());
    if (before != memo.countedCategories.cend() && *before == *it) continue;
    if (++followed > kMostFollowed) return false;
    if (!listed(it.key())) continue;
    if (before != memo.countedCategories.cend()) uncount(*before);
    ++counts.perCategory[*it];
  }
  for (auto it = memo.countedCategories.cbegin(); it != memo.countedCategories.cend(); ++it) {
    if (categories.contains(it.key())) continue;
    if (++followed > kMostFollowed) return false;
    if (listed(it.key())) uncount(*it);
  }
  return true;
}

void LibraryModel::announceChange() {
  ++revision_;
  Q_EMIT changed();
}

// ---- Narrowing -------------------------------------------------------------------------------

LibraryModel::Entry& LibraryModel::entryFor(const LibraryScope& scope, const QString& query) const {
  const QString lowered = trimmedText(query).toLower();
  const BadgeCheck badges = state_.badgeCheck();
  std::vector<Entry>& entries = memo_->entries;
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
    // Read through const views, the model itself is never const.
    inSteps->continueOn(
        scheduler_, [self = const_cast<LibraryModel*>(this), search = inSteps.get()] { self->searchEnded(search); });
  }
  if (entries.size() >= Memo::kEntries) entries.erase(entries.begin());
  entries.push_back(std::move(entry));
  return entries.back();
}

void LibraryModel::searchEnded(const RowSearch* search) {
  std::vector<Entry>& entries = memo_->entries;
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
  entry.items = listOf(items, search->found());
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
    return listOf(state_.items(), std::move(found));
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
    return inScope(scope, item, state_.pinnedIDs(), state_.cardCategories()) && badges.passes(item);
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
  return listOf(items, std::move(places));
}

FilteredItems LibraryModel::filteredItems(const LibraryScope& scope, const QString& query) const {
  return entryFor(scope, query).items;
}

LibrarySections LibraryModel::dateSections() const {
  Entry& entry = entryFor(scope_, query_);
  const cardList::DateGrouper& today = grouper();
  if (!entry.sections || entry.sectionsDay != today.today()) {
    Memo& memo = *memo_;
    const QList<ClipboardItem>& items = state_.items();
    if (memo.groupsDay != today.today() || qsizetype(memo.groupsOldestFirst.size()) != items.size()) {
      memo.groupsOldestFirst.clear();
      memo.groupsOldestFirst.reserve(size_t(items.size()));
      for (qsizetype i = items.size(); i-- > 0;)
        memo.groupsOldestFirst.push_back(today.groupOf(items.at(i).capturedAt));
      memo.groupsDay = today.today();
    }
    const int count = int(entry.items.size());
    std::vector<LibraryDateSection> runs;
    for (int i = 0; i < count; ++i) {
      const CardGroup group = memo.groupOfRow(entry.items.historyIndex(i));
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
  Entry& entry = entryFor(LibraryScope::all(), QString());
  if (!entry.counts) {
    LibraryScopeCounts counts;
    counts.all = entry.items.size();
    const PanelState::IdSet& pins = state_.pinnedIDs();
    const PanelState::IdMap& categories = state_.cardCategories();
    if (!pins.isEmpty() || !categories.isEmpty()) {
      for (const ClipboardItem& item : std::as_const(entry.items)) {
        if (pins.contains(item.id)) ++counts.pinned;
        if (const auto filed = categories.constFind(item.id); filed != categories.cend()) ++counts.perCategory[*filed];
      }
    }
    entry.counts = std::move(counts);
    memo_->countedPins = pins;
    memo_->countedCategories = categories;
    memo_->goneSinceCounted.clear();
  }
  return *entry.counts;
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
