#include "items/stores/ImageStore.h"

#include "platform/Paths.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace qv {

ImageStore::ImageStore(const Paths& paths) : folder_(paths.applicationSupport(), QStringLiteral("images")) {}

QString ImageStore::directory() const { return folder_.ensure(); }

QString ImageStore::filePath(const QString& id) const { return folder_.filePath(id, QStringLiteral("png")); }

QImage ImageStore::load(const QString& id) const {
  const QString path = filePath(id);
  if (!QFileInfo::exists(path)) return {};
  QImageReader reader(path, "png");
  reader.setAllocationLimit(kDecodeAllocationLimitMB);
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

bool ImageStore::save(const QImage& image, const QString& id) const {
  if (directory().isEmpty()) return false;
  const QString path = filePath(id);
  if (QFileInfo::exists(path)) return true;
  const auto data = pngData(image);
  if (!data) return false;
  return writeFileAtomically(path, *data);
}

void ImageStore::removeOrphans(const QSet<QString>& keepIDs) const {
  folder_.removeEntries([&](const QString& name) { return isSideFileOf(name, keepIDs, {"png"}); });
}

}  // namespace qv
