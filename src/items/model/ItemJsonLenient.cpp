#include "items/model/ItemJsonLenient.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace qv {

std::optional<QList<ClipboardItem>> decodeItemsSkippingBad(const QByteArray& json, int* skipped,
                                                           ItemDecodeError* firstError) {
  if (skipped) *skipped = 0;
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

}  // namespace qv
