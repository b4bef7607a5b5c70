#pragma once
#include "items/model/ItemJson.h"

namespace qv {

// Salvages what it can from a history that does not decode as a whole: when the text is a JSON
// array, every element that decodes is kept (in order) and the others are counted in
// `skipped` and the first one's error in `firstError`. A damaged text (cut short by a full disk
// or a crash, or with junk written into it) keeps every whole record before and after the
// damage; `cut` tells that it was damaged. None when it is no JSON array at all.
std::optional<QList<ClipboardItem>> decodeItemsSkippingBad(const QByteArray& json, int* skipped = nullptr,
                                                           ItemDecodeError* firstError = nullptr, bool* cut = nullptr);

}  // namespace qv
