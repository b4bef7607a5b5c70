#include "base/Uuid.h"

#include <QRegularExpression>
#include <algorithm>

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

std::optional<QUuid> parseUuidAnyForm(QStringView text) {
  if (text.startsWith(u"urn:uuid:", Qt::CaseInsensitive)) text = text.sliced(9);
  else if (text.size() >= 2 && text.front() == u'{' && text.back() == u'}') text = text.sliced(1, text.size() - 2);
  if (text.size() == 36) return parseUuid(text.toString());
  if (text.size() != 32) return std::nullopt;
  const auto isHex = [](QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
  };
  if (!std::all_of(text.begin(), text.end(), isHex)) return std::nullopt;
  QString dashed;
  dashed.reserve(36);
  dashed.append(text.first(8)).append(u'-').append(text.sliced(8, 4)).append(u'-').append(text.sliced(12, 4));
  dashed.append(u'-').append(text.sliced(16, 4)).append(u'-').append(text.sliced(20));
  return parseUuid(dashed);
}

}  // namespace qv
