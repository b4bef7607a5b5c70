#include "base/RelativeDateText.h"

namespace qv {

namespace {
QString unitText(qint64 count, const char* one, const char* many) {
  return QString::number(count) + u' ' + QString::fromLatin1(count == 1 ? one : many);
}
}  // namespace

QString relativeDateText(const QDateTime& date, const QDateTime& now) {
  const qint64 agoMs = now.toMSecsSinceEpoch() - date.toMSecsSinceEpoch();
  if (agoMs <= 0) return unitText(0, "sec.", "sec.") + QStringLiteral(" ago");
  const qint64 seconds = agoMs / 1000;

  const QDateTime earlier = date.toLocalTime();
  const QDateTime later = now.toLocalTime();
  int months = (later.date().year() - earlier.date().year()) * 12 + later.date().month() - earlier.date().month();
  if (months > 0 && earlier.addMonths(months) > later) --months;

  QString body;
  if (months >= 12) body = unitText(months / 12, "yr.", "yr.");
  else if (months >= 1) body = unitText(months, "mo.", "mo.");
  else if (seconds >= 7 * 86400) body = unitText(seconds / (7 * 86400), "wk.", "wk.");
  else if (seconds >= 86400) body = unitText(seconds / 86400, "day", "days");
  else if (seconds >= 3600) body = unitText(seconds / 3600, "hr.", "hr.");
  else if (seconds >= 60) body = unitText(seconds / 60, "min.", "min.");
  else body = unitText(seconds, "sec.", "sec.");
  return body + QStringLiteral(" ago");
}

}  // namespace qv
