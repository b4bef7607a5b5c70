// Item decoding of untrusted history text: must never crash, and whatever decodes must
// encode and decode again to the same items.
#include "items/model/ItemJson.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  qv::ItemDecodeError error;
  const auto items = qv::decodeItems(bytes, &error);
  if (!items) return 0;
  const auto again = qv::decodeItems(qv::encodeItems(*items));
  if (!again || again->size() != items->size()) std::abort();
  for (qsizetype i = 0; i < items->size(); ++i) {
    // In-memory images are not written, so compare what is stored.
    if (qv::encodeItem(items->at(i)) != qv::encodeItem(again->at(i))) std::abort();
  }
  return 0;
}
