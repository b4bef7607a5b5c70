#include "base/ReferenceDate.h"

#include <cmath>

namespace qv {

double secondsSinceReferenceDate(const QDateTime& date) {
  return static_cast<double>(date.toMSecsSinceEpoch()) / 1000.0 - static_cast<double>(kReferenceDateUnixSeconds);
}

QDateTime dateFromReferenceSeconds(double seconds) {
  const double unixMs = (seconds + static_cast<double>(kReferenceDateUnixSeconds)) * 1000.0;
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(unixMs)), Qt::UTC);
}

}  // namespace qv
