#include "base/ByteCountText.h"

#include <QLocale>
#include <cmath>

namespace qv {

namespace {
struct Unit {
  const char* name;
  int fractionDigits;
};
constexpr Unit kUnits[] = {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}};

QString formatNumber(double value, int fractionDigits) {
  QString text = QLocale(QLocale::English).toString(value, 'f', fractionDigits);
  if (fractionDigits > 0) {
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
  }
  return text;
}
}  // namespace

QString byteCountText(qint64 bytes) {
  if (bytes == 0) return QStringLiteral("Zero KB");
  const bool negative = bytes < 0;
  const double magnitude = std::fabs(static_cast<double>(bytes));
  QString body;
  if (magnitude < 1000) {
    const qint64 whole = static_cast<qint64>(magnitude);
    body = QString::number(whole) + (whole == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
  } else {
    int index = 0;
    double value = magnitude / 1000.0;
    const int last = static_cast<int>(std::size(kUnits)) - 1;
    while (index < last) {
      const double scale = std::pow(10.0, kUnits[index].fractionDigits);
      if (std::round(value * scale) / scale < 1000.0) break;
      value /= 1000.0;
      ++index;
    }
    body = formatNumber(value, kUnits[index].fractionDigits) + u' ' + QString::fromLatin1(kUnits[index].name);
  }
  return negative ? u'-' + body : body;
}

}  // namespace qv
