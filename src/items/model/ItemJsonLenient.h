#pragma once
#include "items/model/ItemJson.h"

namespace qv {

// Salvages what it can from a history that does not decode as a whole: when the text is a JSON
// array, every element that decodes is kept (in order) and the others are counted in
// `skipped` and the first one's error in `firstError`. None when it is no JSON array at all.
std::optional<QList<ClipboardItem>> decodeItemsSkippingBad(const QByteArray& json, int* skipped = nullptr,
                                                           ItemDecodeError* firstError = nullptr);

}  // namespace qv
