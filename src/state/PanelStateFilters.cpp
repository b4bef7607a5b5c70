// Filters and search: the filtered list, badge filters, chips, source applications and the
// wrap-around keyboard selection.
#include "state/PanelState.h"

#include "items/identity/AppIdentity.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/ItemServices.h"

#include <QCollator>
#include <QPointer>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace qv {

namespace {

// Joins the searched fields of one item in its search text. A query without it cannot match
// across two fields, so one substring test of the joined text equals a test per field.
constexpr QChar kFieldSeparator = QChar(0);

QString normalizedQuery(const QString& query) { return trimmedText(query).toLower(); }

// Substring test for the per-keystroke scan: find the query's first character with the
// vectorised character search, then compare the rest. For short queries this is several times
// quicker than the general search; long ones (where repeats could make it quadratic) use that.
bool containsQuery(QStringView text, QStringView query) {
  const qsizetype length = query.size();
  if (length == 1) return text.contains(query.front());
  if (length > 32) return text.contains(query);
  const QChar first = query.front();
  const qsizetype last = text.size() - length;
  const size_t restBytes = static_cast<size_t>(length - 1) * sizeof(QChar);
  for (qsizetype from = 0; from <= last;) {
    const qsizetype at = text.indexOf(first, from);
    if (at < 0 || at > last) return false;
    if (std::memcmp(text.data() + at + 1, query.data() + 1, restBytes) == 0) return true;
    from = at + 1;
  }
  return false;
}

// The kept copy holds the text alive, so the same buffer means the same text.
bool same(const QString& a, const QString& b) {
  return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}
bool same(const std::optional<QString>& a, const std::optional<QString>& b) {
  return a.has_value() == b.has_value() && (!a || same(*a, *b));
}

bool sameSearchedFields(const ClipboardPayload& a, const ClipboardPayload& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&](const auto& left) {
        using Payload = std::decay_t<decltype(left)>;
        const auto& right = std::get<Payload>(b);
        if constexpr (std::is_same_v<Payload, ColorPayload>) return same(left.hex, right.hex);
        if constexpr (std::is_same_v<Payload, ImagePayload>) return same(left.filename, right.filename);
        if constexpr (std::is_same_v<Payload, LinkPayload>)
          return left.url == right.url && same(left.domain, right.domain) && same(left.title, right.title) &&
                 same(left.description, right.description);
        if constexpr (std::is_same_v<Payload, CodePayload>)
          return same(left.source, right.source) && same(left.language, right.language);
        if constexpr (std::is_same_v<Payload, TextPayload>) return same(left.text, right.text);
        if constexpr (std::is_same_v<Payload, FilePayload>) return same(left.name, right.name);
      },
      a);
}

// Where an item's searched fields live: their buffers and lengths. An entry keeps its source
// payload, so its buffers stay allocated; an item with the same key shows the same texts.
struct FieldsKey {
  std::array<const QChar*, 4> data{};
  std::array<qsizetype, 4> sizes{};
  size_t kind = 0;
  bool operator==(const FieldsKey&) const = default;

  static FieldsKey of(const ClipboardPayload& payload) {
    FieldsKey key;
    key.kind = payload.index();
    int row = 0;
    const auto add = [&](const QString* field) {
      key.data[size_t(row)] = field ? field->constData() : nullptr;
      key.sizes[size_t(row)] = field ? field->size() : -1;
      ++row;
    };
    const auto addOptional = [&](const std::optional<QString>& field) { add(field ? &*field : nullptr); };
    std::visit(
        [&](const auto& p) {
          using Payload = std::decay_t<decltype(p)>;
          if constexpr (std::is_same_v<Payload, ColorPayload>) add(&p.hex);
          if constexpr (std::is_same_v<Payload, ImagePayload>) add(&p.filename);
          if constexpr (std::is_same_v<Payload, LinkPayload>) {
            add(&p.url.text());
            add(&p.domain);
            addOptional(p.title);
            addOptional(p.description);
          }
          if constexpr (std::is_same_v<Payload, CodePayload>) {
            add(&p.source);
            add(&p.language);
          }
          if constexpr (std::is_same_v<Payload, TextPayload>) add(&p.text);
          if constexpr (std::is_same_v<Payload, FilePayload>) add(&p.name);
        },
        payload);
    return key;
  }
};

QString joinedFields(std::initializer_list<const QString*> fields) {
  qsizetype length = 0;
  for (const QString* field : fields) length += field->size() + 1;
  QString joined;
  joined.reserve(length);
  bool first = true;
  for (const QString* field : fields) {
    if (!first) joined.append(kFieldSeparator);
    joined.append(*field);
    first = false;
  }
  return joined;
}

// The type, app and date filters as they stand, checked per item without further look-ups.
struct BadgeCheck {
  unsigned typeMask = 0;  // bit per TypeFilter; 0 = no type filter
  const QSet<QString>* apps = nullptr;
  bool byDate = false;
  std::optional<DateRange> range;  // none with byDate: nothing passes

  BadgeCheck(const QSet<TypeFilter>& types, const QSet<QString>& appFilter,
             const std::optional<DateFilter>& date, const QDateTime& now) {
    for (TypeFilter type : types) typeMask |= 1u << static_cast<unsigned>(type);
    if (!appFilter.isEmpty()) apps = &appFilter;
    if (date) {
      byDate = true;
      range = dateRange(*date, now);
    }
  }
  bool isSet() const { return typeMask != 0 || apps || byDate; }
  bool passes(const ClipboardItem& item) const {
    if (typeMask && !(typeMask & (1u << static_cast<unsigned>(typeFilter(item))))) return false;
    if (apps && !apps->contains(item.sourceAppBundleID)) return false;
    if (byDate && !(range && item.capturedAt.isValid() && range->contains(item.capturedAt))) return false;
    return true;
  }
};

// The ASCII characters a lower-cased text holds, one bit each. A text lacking one of the
// query's characters cannot contain it; for a one-character query the bit is the answer.
struct CharMask {
  quint64 bits[2] = {0, 0};

  static CharMask of(QStringView text, bool* allAscii = nullptr) {
    CharMask mask;
    bool ascii = true;
    for (QChar ch : text) {
      const char16_t c = ch.unicode();
      if (c < 128) mask.bits[c >> 6] |= quint64(1) << (c & 63);
      else ascii = false;
    }
    if (allAscii) *allAscii = ascii;
    return mask;
  }
  bool covers(const CharMask& other) const {
    return (bits[0] & other.bits[0]) == other.bits[0] && (bits[1] & other.bits[1]) == other.bits[1];
  }
};

}  // namespace

struct PanelState::FilterIndex {
  explicit FilterIndex(PanelState& owner) : state(owner) {}

  PanelState& state;

  // The memoised result and what it was computed for.
  bool valid = false;
  QList<ClipboardItem> result;
  std::optional<DateRange> resultRange;
  // The history the result was computed from: its length and first item. A copy put at the
  // front of that history is checked on its own when the result is next asked for.
  qsizetype resultFromCount = -1;
  QUuid resultFromFirst;
  bool prepended = false;  // set by the item road around its change
  bool frontPending = false;  // the result has not looked at the front item yet
  // The trimmed, lower-cased query as it stands.
  QString query;

  // The lower-cased searched text of one item, with the payload it was made from (which keeps
  // the buffers that FieldsKey compares allocated).
  struct Entry {
    ClipboardPayload source;
    QString text;
  };
  // What the matching and the scan read, side by side in the order of `items` at the last
  // refresh; the entries are held by pointer so that a refresh moves pointers, not texts.
  struct Row {
    QUuid id;  // null once the entry has been taken by the refresh
    FieldsKey key;
    CharMask mask;
    QStringView text;  // into the entry's text
    bool awaitingText = false;  // an image whose text has not been recognised yet
    bool rebuild = false;  // its recognised text may have arrived
  };
  std::vector<std::unique_ptr<Entry>> entries;
  std::vector<Row> rows;
  std::vector<CharMask> masks;  // the rows' masks again, compact: a one-letter scan reads only them
  qsizetype awaiting = 0;
  bool textsStale = true;

  void invalidate() {
    valid = false;
    frontPending = false;
    result = {};
    Q_EMIT state.filteredItemsChanged();
  }

  // One item came to the front of the history: the texts get one row, and a result made
  // from the history as it was is kept, to be extended when it is next asked for.
  void itemPrepended() {
    const QList<ClipboardItem>& items = state.items();
    const ClipboardItem& front = items.first();
    if (!textsStale && rows.size() + 1 == size_t(items.size()) && (rows.empty() || rows.front().id == items.at(1).id)) {
      Row row{front.id, FieldsKey::of(front.payload), {}, {}, false, false};
      entries.insert(entries.begin(), makeEntry(front, &row));
      if (row.awaitingText) ++awaiting;
      masks.insert(masks.begin(), row.mask);
      rows.insert(rows.begin(), row);
    } else {
      textsStale = true;
    }
    if (!valid || frontPending || items.size() != resultFromCount + 1 || items.at(1).id != resultFromFirst) {
      invalidate();
      return;
    }
    resultFromCount = items.size();
    resultFromFirst = front.id;
    frontPending = true;
    Q_EMIT state.filteredItemsChanged();
  }

  std::unique_ptr<Entry> makeEntry(const ClipboardItem& item, Row* row) {
    auto entry = std::make_unique<Entry>();
    entry->source = item.payload;
    entry->text = std::visit(
        [&](const auto& p) -> QString {
          using Payload = std::decay_t<decltype(p)>;
          if constexpr (std::is_same_v<Payload, ColorPayload>) return p.hex.toLower();
          if constexpr (std::is_same_v<Payload, ImagePayload>) {
            std::optional<QString> recognized;
            if (state.context_.imageTextRecognizer)
              recognized = state.context_.imageTextRecognizer->text(item.idString());
            if (!recognized) {
              row->awaitingText = true;
              return p.filename.toLower();
            }
            return joinedFields({&p.filename, &*recognized}).toLower();
          }
          if constexpr (std::is_same_v<Payload, LinkPayload>) {
            const QString url = absoluteString(p.url);
            const QString none;
            return joinedFields({&url, &p.domain, p.title ? &*p.title : &none,
                                 p.description ? &*p.description : &none})
                .toLower();
          }
          if constexpr (std::is_same_v<Payload, CodePayload>)
            return joinedFields({&p.source, &p.language}).toLower();
          if constexpr (std::is_same_v<Payload, TextPayload>) return p.text.toLower();
          if constexpr (std::is_same_v<Payload, FilePayload>) return p.name.toLower();
        },
        item.payload);
    row->text = entry->text;
    row->mask = CharMask::of(entry->text);
    return entry;
  }

  // Matches the items to the entries of the last refresh. The history mostly changes at the
  // front (a new copy) or loses a few items, so the match is looked for at the same offset
  // first, then nearby; only a history rearranged beyond that pays for a look-up table.
  static constexpr size_t kRoomForCopies = 256;

  void refreshTexts() {
    if (!textsStale) return;
    const QList<ClipboardItem>& items = state.items();
    std::vector<std::unique_ptr<Entry>> previous = std::move(entries);
    std::vector<Row> previousRows = std::move(rows);
    entries.clear();
    // Room for the copies that will come to the front before the next rebuild, so that each
    // one moves the rows instead of reallocating them.
    const size_t room = static_cast<size_t>(items.size()) + kRoomForCopies;
    entries.reserve(room);
    rows.clear();
    rows.reserve(room);
    masks.clear();
    masks.reserve(room);
    const qsizetype previousCount = static_cast<qsizetype>(previous.size());
    const auto holds = [&](qsizetype at, const QUuid& id) {
      return at >= 0 && at < previousCount && previousRows[size_t(at)].id == id;
    };
    constexpr qsizetype kNearby = 8;
    constexpr int kMissesBeforeTable = 64;
    int misses = 0;
    std::optional<QHash<QUuid, qsizetype>> table;
    qsizetype shift = 0;  // previous index = index + shift
    awaiting = 0;
    for (qsizetype i = 0, n = items.size(); i < n; ++i) {
      const ClipboardItem& item = items[i];
      qsizetype at = -1;
      if (item.id.isNull()) {
        // Never matched: taken rows have a null id.
      } else if (holds(i + shift, item.id)) {
        at = i + shift;
      } else if (table) {
        at = table->value(item.id, -1);
      } else {
        for (qsizetype d = 1; d <= kNearby && at < 0; ++d) {
          if (holds(i + shift + d, item.id)) at = i + shift + d;
          else if (holds(i + shift - d, item.id)) at = i + shift - d;
        }
        if (at < 0 && ++misses > kMissesBeforeTable) {
          table.emplace();
          table->reserve(previousCount);
          for (qsizetype k = 0; k < previousCount; ++k)
            if (!previousRows[size_t(k)].id.isNull()) table->insert(previousRows[size_t(k)].id, k);
          at = table->value(item.id, -1);
        }
      }
      const FieldsKey key = FieldsKey::of(item.payload);
      if (at >= 0) {
        shift = at - i;
        Row& old = previousRows[size_t(at)];
        old.id = QUuid();
        if (!old.rebuild && (old.key == key || sameSearchedFields(previous[size_t(at)]->source, item.payload))) {
          entries.push_back(std::move(previous[size_t(at)]));
          rows.push_back(old);
          rows.back().id = item.id;
          rows.back().key = key;
          if (old.awaitingText) ++awaiting;
          masks.push_back(old.mask);
          continue;
        }
      }
      Row row{item.id, key, {}, {}, false, false};
      entries.push_back(makeEntry(item, &row));
      if (row.awaitingText) ++awaiting;
      masks.push_back(row.mask);
      rows.push_back(row);
    }
    textsStale = false;
  }

  // Recognised text may have arrived for some images.
  void forgetAwaitingTexts() {
    if (awaiting == 0) return;
    for (Row& row : rows)
      if (row.awaitingText) row.rebuild = true;
    awaiting = 0;
    textsStale = true;
  }

  bool passesTab(const ClipboardItem& item, const FilterType& tab) const {
    switch (tab.kind) {
      case FilterType::Kind::custom: {
        const auto category = state.cardCategories_.constFind(item.id);
        return category != state.cardCategories_.constEnd() && *category == tab.categoryID;
      }
      case FilterType::Kind::all: return true;
      case FilterType::Kind::images: return std::holds_alternative<ImagePayload>(item.payload);
      case FilterType::Kind::links: return std::holds_alternative<LinkPayload>(item.payload);
      case FilterType::Kind::code: return std::holds_alternative<CodePayload>(item.payload);
      case FilterType::Kind::pinned: return state.pinnedIDs_.contains(item.id);
    }
    return true;
  }

  // The tab, badges and query as they stand, for testing items one by one.
  struct Check {
    Check(FilterIndex& index, const BadgeCheck& badgeCheck)
        : self(index), badges(badgeCheck), tab(index.state.activeFilter()) {
      byTab = tab.kind != FilterType::Kind::all;
      searching = !self.query.isEmpty();
      // A query holding the separator could match across fields: test it field by field.
      useTexts = searching && !self.query.contains(kFieldSeparator);
      if (useTexts) self.refreshTexts();
      bool queryAscii = false;
      queryMask = CharMask::of(self.query, &queryAscii);
      // One ASCII character: the mask alone answers.
      maskAnswers = queryAscii && self.query.size() == 1;
    }
    bool passesAll() const { return !byTab && !badges.isSet() && !searching; }
    bool passes(const ClipboardItem& item, qsizetype i) const {
      if (byTab && !self.passesTab(item, tab)) return false;
      if (!badges.passes(item)) return false;
      if (!searching) return true;
      if (useTexts) {
        const size_t at = static_cast<size_t>(i);
        if (!self.masks[at].covers(queryMask)) return false;
        return maskAnswers || containsQuery(self.rows[at].text, self.query);
      }
      const auto recognized = [this](const QString& id) -> std::optional<QString> {
        const auto& recognizer = self.state.context_.imageTextRecognizer;
        return recognizer ? recognizer->text(id) : std::nullopt;
      };
      return item.matchesLowercased(self.query, recognized);
    }

    FilterIndex& self;
    const BadgeCheck& badges;
    const FilterType& tab;
    bool byTab = false, searching = false, useTexts = false, maskAnswers = false;
    CharMask queryMask;
  };

  QList<ClipboardItem> compute(const BadgeCheck& badges) {
    const QList<ClipboardItem>& items = state.items();
    resultFromCount = items.size();
    resultFromFirst = items.isEmpty() ? QUuid() : items.first().id;
    frontPending = false;
    const Check check(*this, badges);
    if (check.passesAll()) return items;
    std::vector<qsizetype> kept;
    for (qsizetype i = 0, n = items.size(); i < n; ++i)
      if (check.passes(items[i], i)) kept.push_back(i);
    if (static_cast<qsizetype>(kept.size()) == items.size()) return items;
    QList<ClipboardItem> filtered;
    filtered.reserve(static_cast<qsizetype>(kept.size()));
    for (qsizetype i : kept) filtered.append(items[i]);
    return filtered;
  }

  // The result with the front item looked at.
  void settleFront(const BadgeCheck& badges) {
    frontPending = false;
    const QList<ClipboardItem>& items = state.items();
    const Check check(*this, badges);
    if (check.passes(items.first(), 0)) result.prepend(items.first());
  }
};

std::shared_ptr<PanelState::FilterIndex> PanelState::attachFilterIndex(PanelState& state) {
  auto index = std::make_shared<FilterIndex>(state);
  FilterIndex* raw = index.get();
  const auto invalidate = [raw] { raw->invalidate(); };
  connect(&state, &PanelState::itemsChanged, &state, [raw] {
    if (std::exchange(raw->prepended, false)) return raw->itemPrepended();
    raw->textsStale = true;
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
    if (query == raw->query) return;  // only spaces around it changed
    raw->query = std::move(query);
    raw->invalidate();
  });
  // New recognised text changes the results only while something is searched for.
  connect(&state, &PanelState::imageTextRevisionChanged, &state, [raw] {
    raw->forgetAwaitingTexts();
    if (!raw->query.isEmpty()) raw->invalidate();
  });
  return index;
}

QList<ClipboardItem> PanelState::filteredItems() const {
  FilterIndex& index = *filterIndex_;
  const BadgeCheck badges(filterTypes_, filterApps_, filterDate_,
                          filterDate_ ? context_.scheduler->now() : QDateTime());
  // A date bucket moves with the clock: the result holds only while the bucket is the same.
  if (index.valid && index.resultRange == badges.range) {
    if (index.frontPending) index.settleFront(badges);
    return index.result;
  }
  index.result = index.compute(badges);
  index.resultRange = badges.range;
  index.valid = true;
  return index.result;
}

void PanelState::beforeItemPrepended() {
  // A result that is the history itself would make the change copy the whole list.
  // Dropped quietly: the change itself tells the views.
  if (filterIndex_->result.isSharedWith(items_)) {
    filterIndex_->valid = false;
    filterIndex_->result = {};
  }
}

void PanelState::afterItemPrepended() { filterIndex_->prepended = true; }

QList<ClipboardItem> PanelState::applyBadgeFilters(const QList<ClipboardItem>& items) const {
  const BadgeCheck badges(filterTypes_, filterApps_, filterDate_,
                          filterDate_ ? context_.scheduler->now() : QDateTime());
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
    const bool inHistory = std::any_of(items_.cbegin(), items_.cend(),
                                       [&](const ClipboardItem& item) { return item.sourceAppBundleID == app; });
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
  return sourceDisplayName(bundleID, identity ? ClipboardItem::AppNameLookup([identity](const QString& id) {
    return identity->appName(id);
  })
                                              : ClipboardItem::AppNameLookup());
}

QList<SourceApp> PanelState::sourceApps() const {
  QHash<QString, QString> names;
  const QString* previous = nullptr;
  for (const ClipboardItem& item : std::as_const(items_)) {
    // Neighbours often share the application: skip the look-up then.
    if (previous && *previous == item.sourceAppBundleID) continue;
    previous = &item.sourceAppBundleID;
    if (!names.contains(item.sourceAppBundleID))
      names.insert(item.sourceAppBundleID, appDisplayName(item.sourceAppBundleID));
  }
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

void PanelState::selectNext() {
  const qsizetype count = filteredItems().size();
  if (count == 0) return;
  const qsizetype current = selectedIndex_ ? *selectedIndex_ : -1;
  setSelectedIndex(static_cast<int>(((current + 1) % count + count) % count));
}

void PanelState::selectPrevious() {
  const qsizetype count = filteredItems().size();
  if (count == 0) return;
  const qsizetype current = selectedIndex_ ? *selectedIndex_ : count;
  setSelectedIndex(static_cast<int>(((current - 1) % count + count) % count));
}

bool PanelState::matchesDateFilter(DateFilter filter, const QDateTime& date) const {
  return matches(filter, date, context_.scheduler->now());
}

}  // namespace qv
