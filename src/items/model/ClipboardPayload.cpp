#include "items/model/ClipboardPayload.h"

namespace qv {

bool ImageFields::operator==(const ImageFields& other) const {
  // The same image object, not equal pixels: QImage shares its data, so equal cache keys mean
  // one object (two empty images count as the same).
  return image.cacheKey() == other.image.cacheKey() && filename == other.filename && width == other.width &&
         height == other.height && fileSize == other.fileSize;
}

ContentType contentType(const ClipboardPayload& payload) { return kAllContentTypes[payload.index()]; }

}  // namespace qv
