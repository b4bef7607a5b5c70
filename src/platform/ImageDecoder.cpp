#include "platform/ImageDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace qv {

namespace {

std::optional<QImage> readImage(QImageReader& reader) {
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull() || image.width() < 1) return std::nullopt;
  return image;
}

}  // namespace

std::optional<QImage> decodeImageFile(const QString& path) {
  // First from the whole file in memory (mapped when possible), then by name, which lets the
  // reader pick a format by the file's extension when the content alone does not tell.
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    const qint64 size = file.size();
    if (uchar* mapped = size > 0 ? file.map(0, size) : nullptr) {
      QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), size);
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::ReadOnly);
      QImageReader reader(&buffer);
      std::optional<QImage> image = readImage(reader);
      file.unmap(mapped);
      if (image) return image;
    } else {
      QByteArray bytes = file.readAll();
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::ReadOnly);
      QImageReader reader(&buffer);
      if (std::optional<QImage> image = readImage(reader)) return image;
    }
  }
  QImageReader reader(path);
  return readImage(reader);
}

}  // namespace qv
