#include "items/stores/ImageStore.h"

#include "platform/Paths.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace qv {

ImageStore::ImageStore(const Paths& paths) : root_(paths.applicationSupport()) {}

QString ImageStore::directory() const {
  if (directory_.isEmpty()) {
    const QString path = root_ + QStringLiteral("/images");
    if (ensurePrivateFolder(path)) directory_ = path;
  }
  return directory_;
}

QString ImageStore::filePath(const QString& id) const {
  return root_ + QStringLiteral("/images/") + id + QStringLiteral(".png");
}

QImage ImageStore::load(const QString& id) const {
  const QString path = filePath(id);
  if (!QFileInfo::exists(path)) return {};
  QImageReader reader(path, "png");
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
  const QString folder = directory();
  if (folder.isEmpty()) return;
  QDir dir(folder);
  const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    const bool allowed = name.endsWith(QStringLiteral(".png")) && keepIDs.contains(name.chopped(4));
    if (allowed) continue;
    const QString path = dir.filePath(name);
    if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink()) QDir(path).removeRecursively();
    else QFile::remove(path);
  }
}

}  // namespace qv
