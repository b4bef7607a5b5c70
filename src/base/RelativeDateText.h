#pragma once
#include <QDateTime>
#include <QString>

namespace qv {

// A date relative to `now` in the abbreviated units style: "2 min. ago", "in 3 hr.",
// "1 day ago", "3 wk. ago", "2 mo. ago", "1 yr. ago". The largest unit that fits is used and
// the count is truncated toward zero; anything under a second reads "in 0 sec.".
QString relativeDateText(const QDateTime& date, const QDateTime& now);

}  // namespace qv
