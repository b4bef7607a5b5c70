// Item decoding of untrusted history text: must never crash, and whatever decodes must
// encode and decode again to the same items. The salvaging decoder (bad records skipped, a
// text cut short kept up to the cut) takes everything the strict one takes, unchanged, and what
// it salvages is sound items too.
#include "items/model/ItemJson.h"
#include "items/model/ItemJsonLenient.h"

#include <cstdint>
#include <cstdlib>

namespace {

void requireRoundTrip(const QList<qv::ClipboardItem>& items) {
  const auto again = qv::decodeItems(qv::encodeItems(items));
  if (!again || again->size() != items.size()) std::abort();
  for (qsizetype i = 0; i < items.size(); ++i) {
    // In-memory images are not written, so compare what is stored.
    if (qv::encodeItem(items.at(i)) != qv::encodeItem(again->at(i))) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  qv::ItemDecodeError error;
  const auto items = qv::decodeItems(bytes, &error);
  bool cut = false;
  const auto salvaged = qv::decodeItemsSkippingBad(bytes, nullptr, nullptr, &cut);
  if (salvaged) requireRoundTrip(*salvaged);
  if (!items) return 0;
  if (!salvaged || cut || qv::encodeItems(*salvaged) != qv::encodeItems(*items)) std::abort();
  requireRoundTrip(*items);
  return 0;
}
