#include "library/LibraryLists.h"

#include "panel/CardListLayout.h"
#include "state/PanelState.h"
#include "state/RowSearch.h"
#include "state/SearchIndex.h"

#include <algorithm>

namespace qv {

namespace {

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

// The runs of a list that got a copy of `group` as its first item.
void addToSections(std::vector<LibraryDateSection>& sections, CardGroup group) {
  if (!sections.empty() && sections.front().group == group) {
    ++sections.front().count;
    for (size_t k = 1; k < sections.size(); ++k) ++sections[k].firstIndex;
    return;
  }
  for (LibraryDateSection& section : sections) ++section.position, ++section.firstIndex;
  sections.insert(sections.begin(), {group, 0, 0, 1, false});
}

}  // namespace

LibraryLists::LibraryLists(const PanelState& state) : state_(state) {
  seenSize_ = state.items().size();
  seenFirst_ = state.items().isEmpty() ? QUuid() : state.items().first().id;
}

bool LibraryLists::inScope(const LibraryScope& scope, const ClipboardItem& item, const QSet<QUuid>& pins,
                           const QHash<QUuid, QUuid>& categories) {
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

FilteredItems LibraryLists::listOf(const QList<ClipboardItem>& history, QList<qint32> places) {
  return places.size() == history.size() ? FilteredItems(history) : FilteredItems(history, std::move(places));
}

void LibraryLists::clear() {
  entries_.clear();
  held_.clear();
  goneSinceCounted_.clear();
}

// ---- Over a change of the history in place ----------------------------------------------------

void LibraryLists::holdOverChange() {
  held_.clear();
  for (Entry& entry : entries_) {
    if (entry.inSteps) continue;  // made anew when next asked for
    Held held{std::move(entry), false, {}};
    held.all = held.entry.items.isAll();
    held.places = held.entry.items.places();
    held.entry.items = {};
    held_.push_back(std::move(held));
  }
  entries_.clear();
}

void LibraryLists::noteRemoval(qsizetype place) {
  const ClipboardItem& item = state_.items().at(place);
  const auto filed = state_.cardCategories().constFind(item.id);
  removals_.push_back({place, item.id, state_.pinnedIDs().contains(item.id),
                       filed == state_.cardCategories().cend() ? std::nullopt : std::optional<QUuid>(*filed)});
}

LibraryLists::Change LibraryLists::historyChanged(const cardList::DateGrouper& today) {
  const QList<ClipboardItem>& items = state_.items();
  const qsizetype before = seenSize_;
  const bool copyAtFront = items.size() == before + 1 && (before == 0 || items.at(1).id == seenFirst_);
  const std::vector<Removal> removals = std::exchange(removals_, {});
  const bool oneRemoved = removals.size() == 1 && items.size() == before - 1;
  seenSize_ = items.size();
  seenFirst_ = items.isEmpty() ? QUuid() : items.first().id;
  std::vector<Held> held = std::exchange(held_, {});
  if (!copyAtFront && !oneRemoved) {
    groupsOldestFirst_.clear();
    groupsDay_ = QDate();
    return {};
  }
  const bool groupsHeld = groupsDay_ == today.today() && qsizetype(groupsOldestFirst_.size()) == before;
  CardGroup group = CardGroup::today;
  if (copyAtFront) {
    group = today.groupOf(items.first().capturedAt);
    if (groupsHeld) groupsOldestFirst_.push_back(group);
  } else if (groupsHeld) {
    groupsOldestFirst_.erase(groupsOldestFirst_.begin() + (before - 1 - removals.front().place));
  }
  if (!groupsHeld) groupsOldestFirst_.clear(), groupsDay_ = QDate();

  // The lists held over the copy take its place, when it passes, and move every other place on
  // by one; their sections and counts take the copy as the front section's newest card.
  const BadgeCheck badges = state_.badgeCheck();
  const PanelState::IdSet& pins = state_.pinnedIDs();
  const PanelState::IdMap& categories = state_.cardCategories();
  const ClipboardItem::RecognizedTextLookup& recognized = state_.recognizedTextLookup();
  // Lists read since are of this history; any other would hold on to the one before.
  std::erase_if(entries_, [&](const Entry& entry) { return entry.items.history().constData() != items.constData(); });
  // A list held over the removal of one item loses its place (and every later place moves up by
  // one), and its run and its counts lose the item when it was listed.
  const auto takeRemoval = [&](Held& kept, const Removal& removal) {
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
  for (Held& kept : held) {
    Entry& entry = kept.entry;
    // A bucket the clock moved on, or a list read again meanwhile, is made anew when asked for.
    if (entry.range != badges.range) continue;
    if (std::any_of(entries_.cbegin(), entries_.cend(),
                    [&](const Entry& e) { return e.scope == entry.scope && e.query == entry.query; }))
      continue;
    if (oneRemoved) {
      takeRemoval(kept, removals.front());
      if (entries_.size() < kEntries) entries_.push_back(std::move(entry));
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
    if (passes && entry.sections && entry.sectionsDay == today.today()) addToSections(*entry.sections, group);
    else if (passes) entry.sections.reset();
    if (passes && entry.counts) {
      LibraryScopeCounts& counts = *entry.counts;
      ++counts.all;
      if (pins.contains(copy.id)) ++counts.pinned;
      if (const auto filed = categories.constFind(copy.id); filed != categories.cend()) ++counts.perCategory[*filed];
    }
    if (entries_.size() < kEntries) entries_.push_back(std::move(entry));
  }
  if (!oneRemoved) return {true, std::nullopt};
  const Removal& gone = removals.front();
  if (gone.pinned || gone.category) goneSinceCounted_.insert(gone.id);
  return {true, gone.id};
}

// ---- The date group of every history row ------------------------------------------------------

void LibraryLists::makeGroups(const cardList::DateGrouper& today) {
  const QList<ClipboardItem>& items = state_.items();
  if (groupsDay_ == today.today() && qsizetype(groupsOldestFirst_.size()) == items.size()) return;
  groupsOldestFirst_.clear();
  groupsOldestFirst_.reserve(size_t(items.size()));
  for (qsizetype i = items.size(); i-- > 0;) groupsOldestFirst_.push_back(today.groupOf(items.at(i).capturedAt));
  groupsDay_ = today.today();
}

// ---- Tab counts -------------------------------------------------------------------------------

const LibraryScopeCounts& LibraryLists::countsOf(Entry& entry) {
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
    countedPins_ = pins;
    countedCategories_ = categories;
    goneSinceCounted_.clear();
  }
  return *entry.counts;
}

bool LibraryLists::marksChanged() {
  if (!held_.empty()) return false;
  std::erase_if(entries_, [](const Entry& entry) { return entry.scope.kind != LibraryScope::Kind::all; });
  for (Entry& entry : entries_)
    if (entry.counts && !countMarksChange(*entry.counts)) entry.counts.reset();
  countedPins_ = state_.pinnedIDs();
  countedCategories_ = state_.cardCategories();
  // A gone item matters only while its marks are still to go.
  goneSinceCounted_.removeIf(
      [this](const QUuid& id) { return !countedPins_.contains(id) && !countedCategories_.contains(id); });
  return true;
}

bool LibraryLists::countMarksChange(LibraryScopeCounts& counts) const {
  const PanelState::IdSet& pins = state_.pinnedIDs();
  const PanelState::IdMap& categories = state_.cardCategories();
  // A few ids are looked up in the history; beyond that the counts are made again.
  constexpr int kMostFollowed = 8;
  int followed = 0;
  // Counted where the item is in the counts' list: in the history, and passing the filters.
  const BadgeCheck badges = state_.badgeCheck();
  const auto listed = [&](const QUuid& id) {
    if (goneSinceCounted_.contains(id)) return false;
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
    if (!countedPins_.contains(id)) {
      if (++followed > kMostFollowed) return false;
      if (listed(id)) ++counts.pinned;
    }
  for (const QUuid& id : countedPins_)
    if (!pins.contains(id)) {
      if (++followed > kMostFollowed) return false;
      if (listed(id)) --counts.pinned;
    }
  for (auto it = categories.cbegin(); it != categories.cend(); ++it) {
    const auto before = countedCategories_.constFind(it.key());
    if (before != countedCategories_.cend() && *before == *it) continue;
    if (++followed > kMostFollowed) return false;
    if (!listed(it.key())) continue;
    if (before != countedCategories_.cend()) uncount(*before);
    ++counts.perCategory[*it];
  }
  for (auto it = countedCategories_.cbegin(); it != countedCategories_.cend(); ++it) {
    if (categories.contains(it.key())) continue;
    if (++followed > kMostFollowed) return false;
    if (listed(it.key())) uncount(*it);
  }
  return true;
}

}  // namespace qv
