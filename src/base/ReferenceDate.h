#pragma once
#include <QDateTime>

namespace qv {

// Stored dates are seconds since 2001-01-01 00:00:00 UTC (a JSON number, fractions kept).
inline constexpr qint64 kReferenceDateUnixSeconds = 978307200;

double secondsSinceReferenceDate(const QDateTime& date);
QDateTime dateFromReferenceSeconds(double seconds);

}  // namespace qv
