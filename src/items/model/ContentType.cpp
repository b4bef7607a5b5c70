#include "items/model/ContentType.h"

namespace qv {

QString rawValue(ContentType type) {
  switch (type) {
    case ContentType::color: return QStringLiteral("color");
    case ContentType::image: return QStringLiteral("image");
    case ContentType::link: return QStringLiteral("link");
    case ContentType::code: return QStringLiteral("code");
    case ContentType::text: return QStringLiteral("text");
    case ContentType::file: return QStringLiteral("file");
  }
  return {};
}

std::optional<ContentType> contentTypeFromRaw(QStringView raw) {
  for (ContentType type : kAllContentTypes)
    if (raw == rawValue(type)) return type;
  return std::nullopt;
}

}  // namespace qv
