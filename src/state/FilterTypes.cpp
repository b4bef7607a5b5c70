#include "state/FilterTypes.h"

#include "base/CalendarWeek.h"

namespace qv {

size_t qHash(const FilterType& filter, size_t seed) {
  const size_t kind = ::qHash(static_cast<int>(filter.kind), seed);
  return filter.kind == FilterType::Kind::custom ? ::qHash(filter.categoryID, kind) : kind;
}

QString rawValue(TypeFilter filter) {
  switch (filter) {
    case TypeFilter::text: return QStringLiteral("text");
    case TypeFilter::code: return QStringLiteral("code");
    case TypeFilter::image: return QStringLiteral("image");
    case TypeFilter::link: return QStringLiteral("link");
    case TypeFilter::color: return QStringLiteral("color");
    case TypeFilter::file: return QStringLiteral("file");
  }
  return {};
}

std::optional<TypeFilter> typeFilterFromRaw(QStringView raw) {
  for (TypeFilter filter : kAllTypeFilters)
    if (rawValue(filter) == raw) return filter;
  return std::nullopt;
}

TypeFilter typeFilter(const ClipboardItem& item) {
  switch (contentType(item.payload)) {
    case ContentType::color: return TypeFilter::color;
    case ContentType::image: return TypeFilter::image;
    case ContentType::link: return TypeFilter::link;
    case ContentType::code: return TypeFilter::code;
    case ContentType::text: return TypeFilter::text;
    case ContentType::file: return TypeFilter::file;
  }
  return TypeFilter::text;
}

QString rawValue(DateFilter filter) {
  switch (filter) {
    case DateFilter::today: return QStringLiteral("today");
    case DateFilter::yesterday: return QStringLiteral("yesterday");
    case DateFilter::thisWeek: return QStringLiteral("thisWeek");
    case DateFilter::lastWeek: return QStringLiteral("lastWeek");
    case DateFilter::last30Days: return QStringLiteral("last30Days");
  }
  return {};
}

std::optional<DateFilter> dateFilterFromRaw(QStringView raw) {
  for (DateFilter filter : kAllDateFilters)
    if (rawValue(filter) == raw) return filter;
  return std::nullopt;
}

QString chipLabel(TypeFilter filter) {
  QString label = rawValue(filter);
  label[0] = label[0].toUpper();
  return label;
}

QString chipLabel(DateFilter filter) {
  switch (filter) {
    case DateFilter::today: return QStringLiteral("Today");
    case DateFilter::yesterday: return QStringLiteral("Yesterday");
    case DateFilter::thisWeek: return QStringLiteral("This week");
    case DateFilter::lastWeek: return QStringLiteral("Last week");
    case DateFilter::last30Days: return QStringLiteral("Last 30 days");
  }
  return {};
}

namespace {

std::optional<DateRange> weekAround(const QDateTime& moment, const QLocale& locale) {
  if (!moment.isValid()) return std::nullopt;
  const QDate first = startOfWeek(moment.toLocalTime().date(), locale.firstDayOfWeek());
  return DateRange{first.startOfDay(), first.addDays(7).startOfDay()};
}

}  // namespace

std::optional<DateRange> dateRange(DateFilter filter, const QDateTime& now, const QLocale& locale) {
  if (!now.isValid()) return std::nullopt;
  const QDate today = now.toLocalTime().date();
  switch (filter) {
    case DateFilter::today: return DateRange{today.startOfDay(), today.addDays(1).startOfDay()};
    case DateFilter::yesterday: return DateRange{today.addDays(-1).startOfDay(), today.startOfDay()};
    case DateFilter::thisWeek: return weekAround(now, locale);
    case DateFilter::lastWeek: return weekAround(now.toLocalTime().addDays(-7), locale);
    case DateFilter::last30Days: {
      const QDateTime start = now.toLocalTime().addDays(-30);
      if (!start.isValid()) return std::nullopt;
      return DateRange{start, std::nullopt};
    }
  }
  return std::nullopt;
}

bool matches(DateFilter filter, const QDateTime& date, const QDateTime& now, const QLocale& locale) {
  const std::optional<DateRange> range = dateRange(filter, now, locale);
  return range && date.isValid() && range->contains(date);
}

}  // namespace qv
