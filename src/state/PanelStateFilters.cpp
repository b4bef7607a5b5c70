// Filters and search: the filtered list, badge filters, chips, source applications and the
// wrap-around keyboard selection.
#include "state/PanelState.h"

#include "items/ItemServices.h"
#include "items/identity/AppIdentity.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "state/CaptureTimes.h"
#include "state/RowSearch.h"
#include "state/SearchIndex.h"

#include <QCollator>
#include <QPointer>
#include <algorithm>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

namespace qv {

namespace {

QString normalizedQuery(const QString& query) { return trimmedText(query).toLower(); }

}  // namespace

struct PanelState::FilterIndex : std::enable_shared_from_this<FilterIndex> {
  FilterIndex(PanelState& owner, const SearchIndex::RecognizedText& recognized)
      : state(owner), recognizedText(recognized), texts(std::make_shared<SearchIndex>(recognized)) {}

  PanelState& state;
  SearchIndex::RecognizedText recognizedText;

  // The memoised result, as places in the history (or all of it), and what it was computed for.
  // It holds no list of the history, so that changing the history in place never copies it.
  bool valid = false;
  bool all = false;
  QList<qint32> places;
  std::optional<DateRange> resultRange;
  // The history the result was computed from: its length and first item. A copy put at the
  // front of that history is checked on its own when the result is next asked for.
  qsizetype resultFromCount = -1;
  QUuid resultFromFirst;
  bool prepended = false;     // set by the add path around its change
  bool frontPending = false;  // the result has not looked at the front item yet
  // The trimmed, lower-cased query as it stands.
  SearchIndex::Query query{QString()};
  // The searched texts of the history: made off the main thread at the first search (which looks
  // at the items themselves meanwhile), then brought up to date by each search.
  std::shared_ptr<SearchIndex> texts;
  bool makingTexts = false;
  // Searches before the index left some images' recognised texts out.
  static constexpr int kImagesReadWithoutIndex = 100;
  bool imagesLeftOut = false;
  // The items' capture times, kinds and applications, made at the first question of the filter
  // surface after a change of the history other than a copy at its front or a removal.
  CaptureTimes captureTimes;

  const CaptureTimes& madeCaptureTimes() {
    if (!captureTimes.isMade()) captureTimes.make(state.items());
    return captureTimes;
  }
  // The rows the date filter of `badges` can keep (all rows without one).
  RowSpan dateRows(const BadgeCheck& badges) {
    const qsizetype count = state.items().size();
    if (!badges.byDate) return {0, count};
    return madeCaptureTimes().rowsWithin(badges.fromMs, badges.untilMs);
  }
  // The places are those of the last result while only the query has grown since: a query
  // that holds the last one can match only among them, so typing on scans ever fewer items.
  bool placesNarrow = false;
  std::optional<DateRange> placesRange;
  // A search of a long history in steps, while it goes on: `places` holds the rows it found
  // first, and the count shown stays the last finished result's until it ends.
  std::unique_ptr<RowSearch> inSteps;
  RowSearch::Pacing pacing;
  qsizetype finishedCount = 0;

  void invalidate(bool queryNarrowed = false) {
    if (!queryNarrowed) placesNarrow = false;
    inSteps.reset();
    valid = false;
    frontPending = false;
    Q_EMIT state.filteredItemsChanged();
  }

  // One item came to the front of the history: the texts get one row, and a result made
  // from the history as it was is kept, to be extended when it is next asked for.
  void itemPrepended() {
    const QList<ClipboardItem>& items = state.items();
    texts->itemPrepended(items);
    captureTimes.prepended(items);
    placesNarrow = false;  // every place moved down by one
    if (!valid || frontPending || inSteps || items.size() < 2 || items.size() != resultFromCount + 1 ||
        items.at(1).id != resultFromFirst) {
      invalidate();
      return;
    }
    resultFromCount = items.size();
    resultFromFirst = items.first().id;
    frontPending = true;
    Q_EMIT state.filteredItemsChanged();
  }

  bool passesTab(const ClipboardItem& item, const FilterType& tab) const {
    switch (tab.kind) {
      case FilterType::Kind::custom: {
        const auto category = state.cardCategories().constFind(item.id);
        return category != state.cardCategories().constEnd() && *category == tab.categoryID;
      }
      case FilterType::Kind::all: return true;
      case FilterType::Kind::images: return std::holds_alternative<ImagePayload>(item.payload);
      case FilterType::Kind::links: return std::holds_alternative<LinkPayload>(item.payload);
      case FilterType::Kind::code: return std::holds_alternative<CodePayload>(item.payload);
      case FilterType::Kind::pinned: return state.pinnedIDs().contains(item.id);
    }
    return true;
  }

  // The history rows whose texts hold the query (one that uses the index): of all rows, or of
  // `among`.
  QList<qint32> rowsMatching(const SearchIndex::Query& wanted, const QList<qint32>* among) {
    const QList<ClipboardItem>& items = state.items();
    if (texts->isBuilt()) {
      texts->refresh(items);
      return among ? texts->matchingRows(wanted, *among) : texts->matchingRows(wanted);
    }
    // The text recognised in an image is read from a file: the newest images are searched with
    // theirs, any further ones by their file names until the index comes (their texts then
    // become searchable, as if recognised just then).
    makeTextsAside();
    QList<qint32> found;
    int imagesLeft = kImagesReadWithoutIndex;
    const SearchIndex::RecognizedText byFileName;
    const auto test = [&](qint32 i) {
      const ClipboardItem& item = items[i];
      const bool withText = !std::holds_alternative<ImagePayload>(item.payload) || imagesLeft-- > 0;
      imagesLeftOut = imagesLeftOut || !withText;
      if (SearchIndex::itemContains(item, wanted, withText ? recognizedText : byFileName)) found.append(i);
    };
    constexpr qint32 kAhead = 8;
    if (among) {
      for (qsizetype k = 0, n = among->size(); k < n; ++k) {
        if (k + kAhead < n) SearchIndex::fetchItem(items[(*among)[k + kAhead]]);
        test((*among)[k]);
      }
    } else {
      for (qint32 i = 0, n = qint32(items.size()); i < n; ++i) {
        if (i + kAhead < n) SearchIndex::fetchItem(items[i + kAhead]);
        test(i);
      }
    }
    return found;
  }

  // The index made from the history as it is now, on a queue of its own, and taken over once
  // made; changes of the history meanwhile are caught up with by the next search's refresh.
  void makeTextsAside() {
    if (makingTexts) return;
    makingTexts = true;
    ItemServices& services = state.context_;
    // The lookup holds the recognizer itself: the queue may outlive the state.
    const SearchIndex::RecognizedText lookup = [recognizer = services.imageTextRecognizer](const QString& id) {
      return recognizer ? recognizer->text(id) : std::nullopt;
    };
    auto made = std::make_shared<SearchIndex>(lookup);
    std::shared_ptr<Scheduler> scheduler = services.scheduler;
    const int revision = state.imageTextRevision();
    services.queue(QStringLiteral("search"))
        ->async([made, snapshot = state.items(), scheduler, revision, self = weak_from_this()] {
          made->refresh(snapshot);
          SearchIndex::prepareScans();
          scheduler->post([made, snapshot, revision, self] {
            if (const auto index = self.lock()) index->takeTexts(made, snapshot, revision);
          });
        });
  }

  void takeTexts(const std::shared_ptr<SearchIndex>& made, const QList<ClipboardItem>& madeFrom, int revision) {
    makingTexts = false;
    const QList<ClipboardItem>& items = state.items();
    if (items.constData() != madeFrom.constData() || items.size() != madeFrom.size()) made->markStale();
    // Text recognised meanwhile may not have been there when the rows were made.
    if (state.imageTextRevision() != revision) made->forgetAwaitingTexts();
    texts = made;
    if (!std::exchange(imagesLeftOut, false)) return;
    if (!query.isEmpty()) invalidate();
    Q_EMIT state.searchTextsReady();
  }

  // Whether the item in history row `i` holds the query (one that uses the index).
  bool rowMatches(const ClipboardItem& item, qsizetype i) {
    if (!texts->isBuilt()) return SearchIndex::itemContains(item, query, recognizedText);
    texts->refresh(state.items());
    return texts->matches(i, query);
  }

  // The tab, badges and query as they stand, for testing items one by one.
  struct Check {
    Check(FilterIndex& index, const BadgeCheck& badgeCheck)
        : self(index), badges(badgeCheck), tab(index.state.activeFilter()) {
      byTab = tab.kind != FilterType::Kind::all;
      searching = !self.query.isEmpty();
      useTexts = searching && self.query.usesIndex();
    }
    bool passesAll() const { return !byTab && !badges.isSet() && !searching; }
    bool passesFilters(const ClipboardItem& item) const {
      return (!byTab || self.passesTab(item, tab)) && badges.passes(item);
    }
    bool passes(const ClipboardItem& item, qsizetype i) const {
      if (!passesFilters(item)) return false;
      if (!searching) return true;
      if (useTexts) return self.rowMatches(item, i);
      return item.matchesLowercased(self.query.text(), self.recognizedText);
    }

    FilterIndex& self;
    const BadgeCheck& badges;
    const FilterType& tab;
    bool byTab = false, searching = false, useTexts = false;
  };

  void compute(const BadgeCheck& badges) {
    inSteps.reset();
    const QList<ClipboardItem>& items = state.items();
    resultFromCount = items.size();
    resultFromFirst = items.isEmpty() ? QUuid() : items.first().id;
    frontPending = false;
    const Check check(*this, badges);
    if (check.passesAll()) {
      all = true;
      places = {};
      placesNarrow = false;
      finishedCount = items.size();
      return;
    }
    QList<qint32> kept;
    const bool narrowing = placesNarrow && placesRange == badges.range && !all;
    if (check.useTexts) {
      // The tab and the badges first, then one scan of the texts that passed them (of the last
      // result's, which passed them already, while the query only grows).
      if (narrowing) {
        kept = searchRows(places);
      } else if (!check.byTab && !badges.isSet()) {
        kept = searchRows(std::nullopt);
      } else {
        QList<qint32> passing;
        const RowSpan rows = dateRows(badges);
        for (qsizetype i = rows.first; i < rows.end; ++i)
          if (check.passesFilters(items[i])) passing.append(qint32(i));
        kept = searchRows(std::move(passing));
      }
    } else if (narrowing) {
      for (const qint32 i : std::as_const(places))
        if (check.passes(items[i], i)) kept.append(i);
    } else {
      // A date filter keeps one run of a history in date order: only its rows are looked at.
      const RowSpan rows = dateRows(badges);
      for (qsizetype i = rows.first; i < rows.end; ++i)
        if (check.passes(items[i], i)) kept.append(qint32(i));
    }
    takeResult(std::move(kept), check.searching);
    placesRange = badges.range;
  }

  // The rows kept (all of the history when every row is there); while a search goes on in steps,
  // those it found so far, which a longer query cannot narrow and the footer does not count yet.
  void takeResult(QList<qint32> kept, bool searching) {
    const qsizetype count = state.items().size();
    all = !inSteps && kept.size() == count;
    places = all ? QList<qint32>() : std::move(kept);
    placesNarrow = searching && !inSteps;
    if (!inSteps) finishedCount = all ? count : places.size();
  }

  // The rows holding the query (one that uses the index), of all rows or of `among`. A long
  // scan goes on in steps once the first rows to show are found: see RowSearch.
  QList<qint32> searchRows(std::optional<QList<qint32>> among) {
    inSteps.reset();
    std::unique_ptr<RowSearch> search = startSearch(query, among, {});
    if (!search) return rowsMatching(query, among ? &*among : nullptr);
    QList<qint32> found = search->found();
    if (!search->isComplete()) {
      // The key's frame, with the first rows, is drawn before the rest of the scan starts.
      search->continueOn(
          *state.context_.scheduler, [this] { searchEnded(); }, RowSearch::FirstSlice::afterFrame);
      inSteps = std::move(search);
    }
    return found;
  }

  // A search of the rows holding `wanted` (one that uses the index) among all rows or `among`,
  // of which `keep` (when given) keeps some; none until the index is made. Its slices run while
  // the history stays as it is: its owner drops it at any change.
  std::unique_ptr<RowSearch> startSearch(const SearchIndex::Query& wanted, std::optional<QList<qint32>> among,
                                         std::function<bool(qint32)> keep) {
    if (!texts->isBuilt()) return nullptr;
    texts->refresh(state.items());
    const qsizetype length = among ? among->size() : state.items().size();
    return std::make_unique<RowSearch>(
        length,
        [index = texts, wanted, among = std::move(among), keep = std::move(keep)](qsizetype from, qsizetype end) {
          QList<qint32> rows = among ? index->matchingRows(wanted, *among, from, end)
                                     : index->matchingRows(wanted, from, end);
          if (keep) rows.removeIf([&keep](qint32 row) { return !keep(row); });
          return rows;
        },
        pacing);
  }

  // The search in steps found every row: the result is complete. Told at once, or at the next
  // turn of the event loop when ended from within a read of the list.
  void searchEnded(bool tellLater = false) {
    const std::unique_ptr<RowSearch> search = std::move(inSteps);
    takeResult(search->found(), true);
    if (!tellLater) Q_EMIT state.filteredItemsChanged();
    else state.context_.scheduler->post([&owner = state] { Q_EMIT owner.filteredItemsChanged(); }, &state);
  }

  // The result with the front item looked at: the places move down by one, and the front item
  // joins them when it passes.
  void settleFront(const BadgeCheck& badges) {
    frontPending = false;
    const QList<ClipboardItem>& items = state.items();
    const Check check(*this, badges);
    const bool passes = check.passes(items.first(), 0);
    if (all) {
      if (passes) return;
      all = false;
      places.resize(items.size() - 1);
      std::iota(places.begin(), places.end(), 1);
      return;
    }
    QList<qint32> moved;
    moved.reserve(places.size() + 1);
    if (passes) moved.append(0);
    for (const qint32 i : std::as_const(places)) moved.append(i + 1);
    places = std::move(moved);
  }
};

std::shared_ptr<PanelState::FilterIndex> PanelState::attachFilterIndex(PanelState& state) {
  ItemServices& services = state.context_;
  auto index = std::make_shared<FilterIndex>(state, [&services](const QString& id) -> std::optional<QString> {
    const auto& recognizer = services.imageTextRecognizer;
    return recognizer ? recognizer->text(id) : std::nullopt;
  });
  FilterIndex* raw = index.get();
  const auto invalidate = [raw] { raw->invalidate(); };
  connect(&state, &PanelState::itemAboutToBeRemoved, &state,
          [raw, &state](qsizetype place) { raw->captureTimes.removing(state.items(), place); });
  connect(&state, &PanelState::itemsChanged, &state, [raw, &state] {
    if (std::exchange(raw->prepended, false)) return raw->itemPrepended();
    raw->texts->markStale();
    raw->captureTimes.removalsDone(state.items());
    raw->invalidate();
  });
  connect(&state, &PanelState::activeFilterChanged, &state, invalidate);
  connect(&state, &PanelState::filterTypesChanged, &state, invalidate);
  connect(&state, &PanelState::filterAppsChanged, &state, invalidate);
  connect(&state, &PanelState::filterDateChanged, &state, invalidate);
  connect(&state, &PanelState::cardCategoriesChanged, &state, [raw, &state] {
    if (state.activeFilter().kind == FilterType::Kind::custom) raw->invalidate();
  });
  connect(&state, &PanelState::pinnedIDsChanged, &state, [raw, &state] {
    if (state.activeFilter().kind == FilterType::Kind::pinned) raw->invalidate();
  });
  connect(&state, &PanelState::searchQueryChanged, &state, [raw, &state] {
    QString query = normalizedQuery(state.searchQuery());
    if (query == raw->query.text()) return;  // only spaces around it changed
    const bool narrowed = !raw->query.isEmpty() && query.contains(raw->query.text());
    raw->query = SearchIndex::Query(std::move(query));
    raw->invalidate(narrowed);
  });
  // New recognised text changes the results only while something is searched for.
  connect(&state, &PanelState::imageTextRevisionChanged, &state, [raw] {
    raw->texts->forgetAwaitingTexts();
    if (!raw->query.isEmpty()) raw->invalidate();
  });
  return index;
}

FilteredItems PanelState::filteredItems() const {
  FilterIndex& index = *filterIndex_;
  // The whole result is wanted: a search in steps ends now, and the list hears of it next.
  if (FilteredItems shown = shownItems(); !index.inSteps) return shown;
  index.inSteps->finish();
  index.searchEnded(true);
  return shownItems();
}

qsizetype PanelState::shownCount() const {
  const FilteredItems shown = shownItems();
  return filterIndex_->inSteps ? filterIndex_->finishedCount : shown.size();
}

void PanelState::setSearchPacing(const RowSearch::Pacing& pacing) { filterIndex_->pacing = pacing; }

FilteredItems PanelState::shownItems() const {
  FilterIndex& index = *filterIndex_;
  const BadgeCheck badges = badgeCheck();
  // A date bucket moves with the clock: the result holds only while the bucket is the same.
  if (index.valid && index.resultRange == badges.range) {
    if (index.frontPending) index.settleFront(badges);
  } else {
    index.compute(badges);
    index.resultRange = badges.range;
    index.valid = true;
  }
  return index.all ? FilteredItems(items_) : FilteredItems(items_, index.places);
}

void PanelState::afterItemPrepended() { filterIndex_->prepended = true; }

BadgeCheck PanelState::badgeCheck() const {
  return BadgeCheck(filterTypes_, filterApps_, filterDate_, filterDate_ ? context_.scheduler->now() : QDateTime());
}

QList<qint32> PanelState::rowsMatching(const SearchIndex::Query& query, const QList<qint32>* among) const {
  return filterIndex_->rowsMatching(query, among);
}

std::unique_ptr<RowSearch> PanelState::searchInSteps(const SearchIndex::Query& query,
                                                     std::optional<QList<qint32>> among,
                                                     std::function<bool(qint32)> keep) const {
  return filterIndex_->startSearch(query, std::move(among), std::move(keep));
}

void PanelState::prepareSearch() {
  FilterIndex& index = *filterIndex_;
  // A made index catches up with the history's changes here rather than at the first key.
  if (index.texts->isBuilt()) index.texts->refresh(items_);
  else index.makeTextsAside();
}

const ClipboardItem::RecognizedTextLookup& PanelState::recognizedTextLookup() const {
  return filterIndex_->recognizedText;
}

QList<ClipboardItem> PanelState::applyBadgeFilters(const QList<ClipboardItem>& items) const {
  const BadgeCheck badges = badgeCheck();
  if (!badges.isSet()) return items;
  QList<ClipboardItem> kept;
  for (const ClipboardItem& item : items)
    if (badges.passes(item)) kept.append(item);
  return kept;
}

bool PanelState::hasActiveFilters() const {
  return !filterTypes_.isEmpty() || !filterApps_.isEmpty() || filterDate_.has_value();
}

QList<ActiveFilterChip> PanelState::activeFilterChips() const {
  QList<ActiveFilterChip> chips;
  const QPointer<PanelState> self(const_cast<PanelState*>(this));

  QList<TypeFilter> types(filterTypes_.cbegin(), filterTypes_.cend());
  std::sort(types.begin(), types.end(), [](TypeFilter a, TypeFilter b) { return rawValue(a) < rawValue(b); });
  for (TypeFilter type : types) {
    chips.append({QStringLiteral("type-") + rawValue(type), chipLabel(type), [self, type] {
                    if (!self) return;
                    QSet<TypeFilter> remaining = self->filterTypes();
                    remaining.remove(type);
                    self->setFilterTypes(std::move(remaining));
                  }});
  }

  QStringList apps(filterApps_.cbegin(), filterApps_.cend());
  std::sort(apps.begin(), apps.end());  // code-unit order, case-sensitive
  for (const QString& app : apps) {
    const bool inHistory = filterIndex_->madeCaptureTimes().appCounts().contains(app);
    chips.append({QStringLiteral("app-") + app, inHistory ? appDisplayName(app) : app, [self, app] {
                    if (!self) return;
                    QSet<QString> remaining = self->filterApps();
                    remaining.remove(app);
                    self->setFilterApps(std::move(remaining));
                  }});
  }

  if (filterDate_) {
    chips.append({QStringLiteral("date-") + rawValue(*filterDate_), chipLabel(*filterDate_), [self] {
                    if (self) self->setFilterDate(std::nullopt);
                  }});
  }
  return chips;
}

QString PanelState::appDisplayName(const QString& bundleID) const {
  AppIdentity* identity = context_.appIdentity.get();
  return sourceDisplayName(
      bundleID, identity ? ClipboardItem::AppNameLookup([identity](const QString& id) { return identity->appName(id); })
                         : ClipboardItem::AppNameLookup());
}

QList<SourceApp> PanelState::sourceApps() const {
  const QHash<QString, qsizetype>& counted = filterIndex_->madeCaptureTimes().appCounts();
  QHash<QString, QString> names;
  for (auto it = counted.cbegin(); it != counted.cend(); ++it) names.insert(it.key(), appDisplayName(it.key()));
  QList<SourceApp> apps;
  apps.reserve(names.size());
  for (auto it = names.cbegin(); it != names.cend(); ++it) apps.append({it.key(), it.value()});
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(apps.begin(), apps.end(), [&](const SourceApp& a, const SourceApp& b) {
    const int order = collator.compare(a.name, b.name);
    return order != 0 ? order < 0 : a.id < b.id;
  });
  return apps;
}

void PanelState::toggleBadgeFilter(const BadgeFilter& badge) {
  switch (badge.kind) {
    case BadgeFilter::Kind::type:
      setFilterTypes(isBadgeFilterActive(badge) ? QSet<TypeFilter>() : QSet<TypeFilter>{badge.type});
      break;
    case BadgeFilter::Kind::app:
      setFilterApps(isBadgeFilterActive(badge) ? QSet<QString>() : QSet<QString>{badge.app});
      break;
    case BadgeFilter::Kind::category:
      setActiveFilter(isBadgeFilterActive(badge) ? FilterType::all() : FilterType::custom(badge.category));
      break;
    case BadgeFilter::Kind::pinned:
      setActiveFilter(isBadgeFilterActive(badge) ? FilterType::all() : FilterType::pinned());
      break;
  }
  setSelectedIndex(std::nullopt);
  cancelPreviewWork();
}

bool PanelState::isBadgeFilterActive(const BadgeFilter& badge) const {
  switch (badge.kind) {
    case BadgeFilter::Kind::type: return filterTypes_.size() == 1 && filterTypes_.contains(badge.type);
    case BadgeFilter::Kind::app: return filterApps_.size() == 1 && filterApps_.contains(badge.app);
    case BadgeFilter::Kind::category: return activeFilter_ == FilterType::custom(badge.category);
    case BadgeFilter::Kind::pinned: return activeFilter_ == FilterType::pinned();
  }
  return false;
}

// A move within the rows a search in steps has found so far needs no more of it; only a wrap
// around its end does.
void PanelState::selectNext() {
  const qsizetype current = selectedIndex_ ? *selectedIndex_ : -1;
  if (current + 1 < shownItems().size()) return setSelectedIndex(static_cast<int>(current + 1));
  const qsizetype count = filteredItems().size();
  if (count == 0) return;
  setSelectedIndex(static_cast<int>(((current + 1) % count + count) % count));
}

void PanelState::selectPrevious() {
  if (selectedIndex_ && *selectedIndex_ >= 1 && *selectedIndex_ <= shownItems().size())
    return setSelectedIndex(*selectedIndex_ - 1);
  const qsizetype count = filteredItems().size();
  if (count == 0) return;
  const qsizetype current = selectedIndex_ ? *selectedIndex_ : count;
  setSelectedIndex(static_cast<int>(((current - 1) % count + count) % count));
}

bool PanelState::matchesDateFilter(DateFilter filter, const QDateTime& date) const {
  return matches(filter, date, context_.scheduler->now());
}

bool PanelState::hasItemsIn(DateFilter filter) const {
  const std::optional<DateRange> range = dateRange(filter, context_.scheduler->now());
  return range && filterIndex_->madeCaptureTimes().anyWithin(range->startMs(), range->endMs());
}

bool PanelState::hasSourceApps() const { return !filterIndex_->madeCaptureTimes().appCounts().isEmpty(); }

bool PanelState::hasItemsOf(TypeFilter type) const { return filterIndex_->madeCaptureTimes().holdsType(type); }

RowSpan PanelState::dateRows(const BadgeCheck& badges) const { return filterIndex_->dateRows(badges); }

}  // namespace qv
