#pragma once
#include <QDateTime>
#include <QString>

namespace qv {

// A past date relative to `now` in the abbreviated units style: "2 min. ago", "1 day ago",
// "3 wk. ago", "2 mo. ago", "1 yr. ago". The largest unit that fits is used and the count is
// truncated toward zero. A capture time is never in the future: a date at or after `now` (a
// clock a little behind the one that stamped it, or set back since) reads as the present,
// "0 sec. ago".
QString relativeDateText(const QDateTime& date, const QDateTime& now);

}  // namespace qv
