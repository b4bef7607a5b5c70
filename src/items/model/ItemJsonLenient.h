#pragma once
#include "items/model/ItemJson.h"

namespace qv {

// Salvages what it can from a history that does not decode as a whole: when the text is a JSON
// array, every element that decodes is kept (in order) and the others are counted in
// `skipped` and the first one's error in `firstError`. A text cut short (a file truncated by a
// full disk or a crash) keeps the complete elements before the cut; `cut` tells that it was.
// None when it is no JSON array at all.
std::optional<QList<ClipboardItem>> decodeItemsSkippingBad(const QByteArray& json, int* skipped = nullptr,
                                                           ItemDecodeError* firstError = nullptr, bool* cut = nullptr);

// The length of the longest start of `json` that is the opening of an array and whole
// elements (the last one ending the returned length); none when it does not begin an array.
std::optional<qsizetype> completeArrayPrefixLength(const QByteArray& json);

}  // namespace qv
