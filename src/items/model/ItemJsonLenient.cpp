#include "items/model/ItemJsonLenient.h"

#include "items/model/ItemJsonFast.h"
#include "items/model/JsonSalvage.h"

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

std::optional<QList<ClipboardItem>> decodeItemsSkippingBad(const QByteArray& json, int* skipped,
                                                           ItemDecodeError* firstError, bool* cut) {
  if (skipped) *skipped = 0;
  if (cut) *cut = false;
  if (auto items = decodeDocumentSkippingBad(json, skipped, firstError)) return items;
  // Not a whole document: keep the whole records before the damage, and after it every whole
  // record from the next one on (damage in the middle must not cost the rest of the history).
  const auto isItem = [](QByteArrayView object) {
    const std::optional<QList<ClipboardItem>> one = decodeItems('[' + object.toByteArray() + ']');
    return one && one->size() == 1;
  };
  const std::optional<SalvagedArray> salvaged = salvageJsonArray(json, isItem);
  if (!salvaged) return std::nullopt;
  if (cut) *cut = true;
  const QByteArray whole = joinJsonArray(salvaged->elements);
  if (auto items = decodeItemsDirect(whole)) return items;
  return decodeDocumentSkippingBad(whole, skipped, firstError);
}

}  // namespace qv
