#include "base/CalendarWeek.h"

namespace qv {

QDate startOfWeek(const QDate& date, Qt::DayOfWeek firstDay) {
  const int back = (date.dayOfWeek() - static_cast<int>(firstDay) + 7) % 7;
  return date.addDays(-back);
}

bool isSameWeek(const QDate& a, const QDate& b, const QLocale& locale) {
  const Qt::DayOfWeek first = locale.firstDayOfWeek();
  return startOfWeek(a, first) == startOfWeek(b, first);
}

}  // namespace qv
