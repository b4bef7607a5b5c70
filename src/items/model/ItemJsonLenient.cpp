#include "items/model/ItemJsonLenient.h"

#include "items/model/ItemJsonFast.h"
#include "items/model/JsonReader.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace qv {

namespace {

std::optional<QList<ClipboardItem>> decodeDocumentSkippingBad(const QByteArray& json, int* skipped,
                                                              ItemDecodeError* firstError) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
  const QJsonArray array = document.array();
  QList<ClipboardItem> items;
  int bad = 0;
  items.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    ItemDecodeError error;
    std::optional<ClipboardItem> item = decodeItem(array.at(i), &error, u'[' + QString::number(i) + u']');
    if (item) {
      items.append(std::move(*item));
      continue;
    }
    if (bad++ == 0 && firstError) *firstError = error;
  }
  if (skipped) *skipped = bad;
  return items;
}

}  // namespace

std::optional<qsizetype> completeArrayPrefixLength(const QByteArray& json) {
  JsonReader reader(json.constData(), json.constData() + json.size());
  if (!reader.expect('[')) return std::nullopt;
  qsizetype length = reader.position() - json.constData();
  do {
    if (!reader.skipValue()) break;
    length = reader.position() - json.constData();
  } while (reader.consume(','));
  return length;
}

std::optional<QList<ClipboardItem>> decodeItemsSkippingBad(const QByteArray& json, int* skipped,
                                                           ItemDecodeError* firstError, bool* cut) {
  if (skipped) *skipped = 0;
  if (cut) *cut = false;
  if (auto items = decodeDocumentSkippingBad(json, skipped, firstError)) return items;
  // Not a whole document: keep the whole elements before the point where it breaks off.
  const std::optional<qsizetype> prefix = completeArrayPrefixLength(json);
  if (!prefix) return std::nullopt;
  const QByteArray closed = json.left(*prefix) + ']';
  if (cut) *cut = true;
  if (auto items = decodeItemsDirect(closed)) return items;
  return decodeDocumentSkippingBad(closed, skipped, firstError);
}

}  // namespace qv
