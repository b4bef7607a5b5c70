#include "state/FilterTypes.h"

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

}  // namespace qv
