#pragma once
#include "items/model/ClipboardItem.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QUuid>
#include <array>
#include <functional>
#include <limits>
#include <optional>

namespace qv {

// The top filter tab: all, one kind, pinned, or one custom category.
struct FilterType {
  enum class Kind { custom, all, images, links, code, pinned };
  Kind kind = Kind::all;
  QUuid categoryID;  // only for `custom`

  static FilterType custom(const QUuid& category) { return {Kind::custom, category}; }
  static FilterType all() { return {Kind::all, {}}; }
  static FilterType images() { return {Kind::images, {}}; }
  static FilterType links() { return {Kind::links, {}}; }
  static FilterType code() { return {Kind::code, {}}; }
  static FilterType pinned() { return {Kind::pinned, {}}; }

  bool isCustom(const QUuid& category) const { return kind == Kind::custom && categoryID == category; }
  friend bool operator==(const FilterType& a, const FilterType& b) {
    return a.kind == b.kind && (a.kind != Kind::custom || a.categoryID == b.categoryID);
  }
};
size_t qHash(const FilterType& filter, size_t seed = 0);

// The kind filter; raw values are the case names.
enum class TypeFilter { text, code, image, link, color, file };
inline constexpr std::array<TypeFilter, 6> kAllTypeFilters = {TypeFilter::text, TypeFilter::code,  TypeFilter::image,
                                                              TypeFilter::link, TypeFilter::color, TypeFilter::file};
QString rawValue(TypeFilter filter);
std::optional<TypeFilter> typeFilterFromRaw(QStringView raw);
// The kind of an item as a filter.
TypeFilter typeFilter(const ClipboardItem& item);
inline size_t qHash(TypeFilter filter, size_t seed = 0) { return ::qHash(static_cast<int>(filter), seed); }
// The chip label: the raw value capitalised ("Code", "Text").
QString chipLabel(TypeFilter filter);

// The capture-date filter; raw values are the case names.
enum class DateFilter { today, yesterday, thisWeek, lastWeek, last30Days };
inline constexpr std::array<DateFilter, 5> kAllDateFilters = {
    DateFilter::today, DateFilter::yesterday, DateFilter::thisWeek, DateFilter::lastWeek, DateFilter::last30Days};
QString rawValue(DateFilter filter);
std::optional<DateFilter> dateFilterFromRaw(QStringView raw);
inline size_t qHash(DateFilter filter, size_t seed = 0) { return ::qHash(static_cast<int>(filter), seed); }
// "Today", "Yesterday", "This week", "Last week", "Last 30 days".
QString chipLabel(DateFilter filter);

// The capture dates a date filter lets through: from `start` (inclusive) up to `end`
// (exclusive; none means no upper bound).
struct DateRange {
  QDateTime start;
  std::optional<QDateTime> end;
  bool contains(const QDateTime& date) const { return date >= start && (!end || date < *end); }
  // The same as milliseconds since the epoch, [startMs, endMs): a capture time compares with
  // these without a local-time conversion each.
  // (An invalid bound sorts below every date, as QDateTime's comparison has it.)
  qint64 startMs() const { return start.isValid() ? start.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(); }
  qint64 endMs() const {
    if (!end) return std::numeric_limits<qint64>::max();
    return end->isValid() ? end->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
  }
  bool operator==(const DateRange&) const = default;
};
// The range of a date filter at `now`, by local calendar days and the locale's week; none when
// the calendar cannot produce it (nothing then matches).
std::optional<DateRange> dateRange(DateFilter filter, const QDateTime& now, const QLocale& locale = QLocale());
// Whether a capture date falls in the filter's bucket at `now`.
bool matches(DateFilter filter, const QDateTime& date, const QDateTime& now, const QLocale& locale = QLocale());

// The type, app and date filters as they stand at one moment, checked item by item without
// further look-ups (the panel's and the library's narrowing). It points at the app set it was
// made from: use it at once, while that set is unchanged.
struct BadgeCheck {
  unsigned typeMask = 0;  // bit per TypeFilter; 0 = no type filter
  const QSet<QString>* apps = nullptr;
  bool byDate = false;
  std::optional<DateRange> range;  // none with byDate: nothing passes
  // The range as milliseconds since the epoch, [fromMs, untilMs); empty when none.
  qint64 fromMs = 0, untilMs = 0;

  BadgeCheck(const QSet<TypeFilter>& types, const QSet<QString>& appFilter, const std::optional<DateFilter>& date,
             const QDateTime& now) {
    for (TypeFilter type : types) typeMask |= 1u << static_cast<unsigned>(type);
    if (!appFilter.isEmpty()) apps = &appFilter;
    if (date) {
      byDate = true;
      range = dateRange(*date, now);
      if (range) fromMs = range->startMs(), untilMs = range->endMs();
    }
  }
  bool isSet() const { return typeMask != 0 || apps || byDate; }
  bool passes(const ClipboardItem& item) const {
    if (typeMask && !(typeMask & (1u << static_cast<unsigned>(typeFilter(item))))) return false;
    if (apps && !apps->contains(item.sourceAppBundleID)) return false;
    if (byDate && !(item.capturedAt.isValid() && capturedWithin(item.capturedAt.toMSecsSinceEpoch()))) return false;
    return true;
  }
  bool capturedWithin(qint64 ms) const { return ms >= fromMs && ms < untilMs; }
};

// A filter toggled from a badge on a card.
struct BadgeFilter {
  enum class Kind { type, category, app, pinned };
  Kind kind = Kind::pinned;
  TypeFilter type = TypeFilter::text;  // for `type`
  QUuid category;                      // for `category`
  QString app;                         // for `app`: the source bundle identifier

  static BadgeFilter ofType(TypeFilter t) { return {Kind::type, t, {}, {}}; }
  static BadgeFilter ofCategory(const QUuid& c) { return {Kind::category, TypeFilter::text, c, {}}; }
  static BadgeFilter ofApp(const QString& a) { return {Kind::app, TypeFilter::text, {}, a}; }
  static BadgeFilter pinned() { return {Kind::pinned, TypeFilter::text, {}, {}}; }

  friend bool operator==(const BadgeFilter& a, const BadgeFilter& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
      case Kind::type: return a.type == b.type;
      case Kind::category: return a.category == b.category;
      case Kind::app: return a.app == b.app;
      case Kind::pinned: return true;
    }
    return false;
  }
};

// One removable chip of the active-filter bar. `clear` removes exactly its filter (it holds the
// state weakly).
struct ActiveFilterChip {
  QString id;
  QString label;
  std::function<void()> clear;
};

// One application offered by the app filter: its bundle identifier and display name.
struct SourceApp {
  QString id;
  QString name;
  bool operator==(const SourceApp&) const = default;
};

// Which surface hosts the filter panel and its category form.
enum class FilterSurface { panel, library };
inline size_t qHash(FilterSurface surface, size_t seed = 0) { return ::qHash(static_cast<int>(surface), seed); }

}  // namespace qv
