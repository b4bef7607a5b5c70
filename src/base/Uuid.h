#pragma once
#include <QString>
#include <QUuid>
#include <cstring>
#include <optional>
#include <utility>

namespace qv {

// Item ids are stored and compared as upper-case UUID strings without braces.
QString uuidString(const QUuid& id);
QString newUuidString();
QUuid newUuid();
// Accepts the canonical 8-4-4-4-12 form in either case; anything else is not a UUID.
std::optional<QUuid> parseUuid(const QString& text);
// Also every other form a UUID is written in, in any case: in braces (Qt's own default), its 32
// digits without dashes, or after "urn:uuid:". For ids stored in the settings, which hands and
// other tools may have written.
std::optional<QUuid> parseUuidAnyForm(QStringView text);

// A UUID as two integers, for sorting and searching many ids: ordered and compared inline,
// unlike QUuid's own operators.
using UuidKey = std::pair<quint64, quint64>;
inline UuidKey uuidKey(const QUuid& id) {
  static_assert(sizeof(QUuid) == 16);
  quint64 words[2];
  std::memcpy(words, &id, sizeof words);
  return {words[0], words[1]};
}

}  // namespace qv
