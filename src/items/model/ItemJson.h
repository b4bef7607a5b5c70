#pragma once
#include "items/model/ClipboardItem.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>

namespace qv {

// Why a record did not decode, and where ("[3].payload").
struct ItemDecodeError {
  QString message;
  QString codingPath;
  QString toString() const;
};

// One item from its JSON object. Keys are looked up by name; "imageData" and "fileURL" are
// read leniently; anything else that is missing or mistyped fails the record.
std::optional<ClipboardItem> decodeItem(const QJsonValue& value, ItemDecodeError* error = nullptr,
                                        const QString& codingPath = {});
// A JSON array of items; fails as a whole on the first bad record.
std::optional<QList<ClipboardItem>> decodeItems(const QByteArray& json, ItemDecodeError* error = nullptr);

// Compact JSON with the keys in their fixed order; absent optionals are left out and the
// in-memory image is never written.
void appendItemJson(QByteArray& out, const ClipboardItem& item);
QByteArray encodeItem(const ClipboardItem& item);
QByteArray encodeItems(const QList<ClipboardItem>& items);

}  // namespace qv
