#include "base/ReferenceDate.h"

#include <cmath>

namespace qv {

namespace {
constexpr qint64 kReferenceDateUnixMs = kReferenceDateUnixSeconds * 1000;
}

// Dates have whole milliseconds. Dividing the exact count of milliseconds once gives the double
// nearest to the decimal number of seconds, which the shortest-form writer then writes with at
// most three decimals; going through Unix seconds first would round twice (818307037.15 became
// 818307037.1500001).
double secondsSinceReferenceDate(const QDateTime& date) {
  return static_cast<double>(date.toMSecsSinceEpoch() - kReferenceDateUnixMs) / 1000.0;
}

QDateTime dateFromReferenceSeconds(double seconds) {
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(seconds * 1000.0)) + kReferenceDateUnixMs,
                                        Qt::UTC);
}

}  // namespace qv
