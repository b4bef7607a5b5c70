#include "items/model/CardGroup.h"

#include "base/CalendarWeek.h"

namespace qv {

QString rawValue(CardGroup group) {
  switch (group) {
    case CardGroup::today: return QStringLiteral("Today");
    case CardGroup::yesterday: return QStringLiteral("Yesterday");
    case CardGroup::thisWeek: return QStringLiteral("This Week");
    case CardGroup::earlier: return QStringLiteral("Earlier");
  }
  return {};
}

std::optional<CardGroup> cardGroupFromRaw(QStringView raw) {
  for (CardGroup group : kAllCardGroups)
    if (raw == rawValue(group)) return group;
  return std::nullopt;
}

CardGroup cardGroup(const QDateTime& capturedAt, const QDateTime& now, const QLocale& locale) {
  const QDate day = capturedAt.toLocalTime().date();
  const QDate today = now.toLocalTime().date();
  if (day == today) return CardGroup::today;
  if (day == today.addDays(-1)) return CardGroup::yesterday;
  if (isSameWeek(day, today, locale)) return CardGroup::thisWeek;
  return CardGroup::earlier;
}

}  // namespace qv
