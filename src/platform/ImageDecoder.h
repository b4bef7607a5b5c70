#pragma once
#include <QImage>
#include <QString>
#include <optional>

namespace qv {

// Decodes a copied image file at full size with its stored orientation applied (a photo tagged
// "rotate 90°" comes back upright). None when the file holds no image at least 1 pixel wide.
// Reads the file; safe on any thread.
std::optional<QImage> decodeImageFile(const QString& path);

}  // namespace qv
