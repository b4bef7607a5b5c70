#pragma once
#include <QDate>
#include <QLocale>

namespace qv {

// The first day of the calendar week holding `date`, weeks starting on `firstDay`.
QDate startOfWeek(const QDate& date, Qt::DayOfWeek firstDay);
// Whether both dates lie in the same calendar week of the locale (its first weekday).
bool isSameWeek(const QDate& a, const QDate& b, const QLocale& locale = QLocale());

}  // namespace qv
