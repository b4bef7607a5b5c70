// The direct history decoder against the QJsonDocument one: it must never crash, and whatever
// it takes must decode the same through the document (in-memory pictures compared by pixels).
#include "items/model/ItemJsonFast.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto direct = qv::decodeItemsDirect(bytes);
  if (!direct) return 0;
  const auto document = qv::decodeItemsThroughDocument(bytes);
  if (!document || document->size() != direct->size()) std::abort();
  if (qv::encodeItems(*direct) != qv::encodeItems(*document)) std::abort();
  for (qsizetype i = 0; i < direct->size(); ++i) {
    const auto* image = qv::fieldsIf<qv::ImagePayload>(&direct->at(i).payload);
    if (image && image->image != std::get<qv::ImagePayload>(document->at(i).payload)->image) std::abort();
  }
  return 0;
}
