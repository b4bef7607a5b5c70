#pragma once
#include <QString>
#include <array>
#include <optional>

namespace qv {

// The item kind; stored as its raw value.
enum class ContentType { color, image, link, code, text, file };

inline constexpr std::array<ContentType, 6> kAllContentTypes = {
    ContentType::color, ContentType::image, ContentType::link, ContentType::code, ContentType::text, ContentType::file};

QString rawValue(ContentType type);
std::optional<ContentType> contentTypeFromRaw(QStringView raw);

}  // namespace qv
