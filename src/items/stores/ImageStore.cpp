#include "items/stores/ImageStore.h"

#include "platform/ImageDecoder.h"
#include "platform/Paths.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace qv {

ImageStore::ImageStore(const Paths& paths) : folder_(paths.applicationSupport(), QStringLiteral("images")) {}

QString ImageStore::directory() const { return folder_.ensure(); }

QString ImageStore::filePath(const QString& id) const { return folder_.filePath(id, QStringLiteral("png")); }

QImage ImageStore::load(const QString& id) const {
  // Read through a descriptor checked to be a regular file: a FIFO there must not block.
  const RegularFile regular = RegularFile::open(filePath(id));
  QFile file;
  if (!regular.isOpen() || !file.open(regular.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return {};
  QImageReader reader(&file, "png");
  useImageAllocationLimit();
  return reader.read();
}

std::optional<QByteArray> ImageStore::pngData(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return std::nullopt;
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return std::nullopt;
  return data;
}

bool ImageStore::save(const QImage& image, const QString& id, QString* error) const {
  const QString folder = directory();
  if (folder.isEmpty()) {
    if (error) *error = QStringLiteral("cannot create the folder: ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  const QString path = filePath(id);
  if (QFileInfo::exists(path)) return true;
  // A folder made read-only is tried at every save: a large picture is not encoded each time.
  if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  const auto data = pngData(image);
  if (!data) {
    if (error) *error = QStringLiteral("the picture cannot be encoded");
    return false;
  }
  return writeFileAtomically(path, *data, error);
}

void ImageStore::removeFilesNotKept(const KeptIds& kept) const {
  folder_.removeEntries([&](const QString& name) { return kept.keepsFile(name, QLatin1StringView("png")); });
}

void ImageStore::remove(const QString& id) const { QFile::remove(filePath(id)); }

}  // namespace qv
