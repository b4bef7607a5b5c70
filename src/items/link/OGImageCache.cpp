#include "items/link/OGImageCache.h"

#include "base/Uuid.h"
#include "items/stores/ImageStore.h"
#include "platform/ImageDecoder.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {

OGImageCache::OGImageCache(const Paths& paths) : directory_(paths.caches() + QStringLiteral("/ogImages")) {}

QString OGImageCache::filePath(const QString& id) const {
  return directory_ + QLatin1Char('/') + id + QStringLiteral(".png");
}

QImage OGImageCache::load(const QString& id) const {
  // Through the bounded reader: a FIFO or a device at the path must not hold up the queue.
  PictureFile file(filePath(id), readLimit::kPageImageBytes);
  if (!file.isOpen()) return {};
  return file.reader().read();
}

bool OGImageCache::contains(const QString& id) const { return QFileInfo::exists(filePath(id)); }

bool OGImageCache::save(const QImage& image, const QString& id) const {
  if (!parseUuid(id)) return false;
  const QString path = filePath(id);
  if (QFileInfo::exists(path)) return true;
  // Made on every save, not once: Caches may have been emptied meanwhile.
  if (!ensurePrivateFolder(directory_)) return false;
  const auto data = ImageStore::pngData(image);
  return data && writeFileAtomically(path, *data);
}

void OGImageCache::removeOrphans(const QSet<QString>& keepIDs) const {
  QDir dir(directory_);
  if (!dir.exists()) return;
  const QStringList names = dir.entryList({QStringLiteral("*.png")}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    if (!name.endsWith(QLatin1String(".png"))) continue;
    const auto id = parseUuid(name.chopped(4));
    if (!id || keepIDs.contains(uuidString(*id))) continue;
    QFile::remove(dir.filePath(name));
  }
}

QString OGImageCache::cachedReference(const QString& id) { return QStringLiteral("cached:") + id; }

}  // namespace qv
