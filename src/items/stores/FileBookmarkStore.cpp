#include "items/stores/FileBookmarkStore.h"

#include "base/Uuid.h"
#include "platform/FileBookmarks.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {

namespace {
constexpr auto kExtension = "bookmark";
// Bookmarks are small; a larger file is not one of ours.
constexpr qint64 kMaximumBookmarkSize = 64 * 1024;

QString standardizedPath(const QUrl& url) {
  if (!url.isValid() || !url.isLocalFile()) return {};
  return QDir::cleanPath(url.toLocalFile());
}
}  // namespace

FileBookmarkStore::FileBookmarkStore(const Paths& paths, std::shared_ptr<FileBookmarks> bookmarks)
    : folder_(paths.applicationSupport(), QStringLiteral("filebookmarks")), bookmarks_(std::move(bookmarks)) {}

QString FileBookmarkStore::directory() const { return folder_.ensure(); }

bool FileBookmarkStore::save(const QUrl& url, const QString& id) const {
  if (!url.isValid() || !url.isLocalFile() || !bookmarks_) return false;
  const auto data = bookmarks_->create(url.toLocalFile());
  if (!data) return false;
  if (directory().isEmpty()) return false;
  return writeFileAtomically(folder_.filePath(id, QLatin1String(kExtension)), *data);
}

QHash<QString, QUrl> FileBookmarkStore::resolveAll(const QList<StoredFile>& items) const {
  QHash<QString, QUrl> changed;
  if (!bookmarks_) return changed;
  for (const StoredFile& item : items) {
    const QString path = folder_.filePath(item.id, QLatin1String(kExtension));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaximumBookmarkSize) continue;
    const QByteArray data = file.readAll();
    file.close();
    const auto resolved = bookmarks_->resolve(data);
    if (!resolved) continue;
    if (resolved->stale) {
      if (const auto fresh = bookmarks_->create(resolved->path)) writeFileAtomically(path, *fresh);
    }
    const QUrl url = QUrl::fromLocalFile(resolved->path);
    if (standardizedPath(url) != standardizedPath(item.url) || standardizedPath(item.url).isEmpty())
      changed.insert(item.id, url);
  }
  return changed;
}

void FileBookmarkStore::removeOrphans(const QSet<QString>& keepIDs) const {
  const QString suffix = u'.' + QLatin1String(kExtension);
  folder_.removeEntries([&](const QString& name) {
    if (!name.endsWith(suffix)) return true;  // not a bookmark: left alone
    const auto uuid = parseUuid(name.chopped(suffix.size()));
    return uuid && keepIDs.contains(uuidString(*uuid));
  });
}

}  // namespace qv
