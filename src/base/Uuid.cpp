#include "base/Uuid.h"

#include <QRegularExpression>

namespace qv {

// Written digit by digit: a prune of side files names every item of a long history.
QString uuidString(const QUuid& id) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  QString text(36, Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  const auto put = [&out](quint32 value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) *out++ = kDigits[(value >> shift) & 15];
  };
  put(id.data1, 8);
  *out++ = u'-';
  put(id.data2, 4);
  *out++ = u'-';
  put(id.data3, 4);
  *out++ = u'-';
  put((quint32(id.data4[0]) << 8) | id.data4[1], 4);
  *out++ = u'-';
  for (int k = 2; k < 8; ++k) put(id.data4[k], 2);
  return text;
}

QUuid newUuid() { return QUuid::createUuid(); }

QString newUuidString() { return uuidString(newUuid()); }

std::optional<QUuid> parseUuid(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
  if (!pattern.match(text).hasMatch()) return std::nullopt;
  return QUuid::fromString(text);
}

}  // namespace qv
