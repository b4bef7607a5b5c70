#pragma once
#include <QString>
#include <QUuid>
#include <optional>

namespace qv {

// Item ids are stored and compared as upper-case UUID strings without braces.
QString uuidString(const QUuid& id);
QString newUuidString();
QUuid newUuid();
// Accepts the canonical 8-4-4-4-12 form in either case; anything else is not a UUID.
std::optional<QUuid> parseUuid(const QString& text);

}  // namespace qv
