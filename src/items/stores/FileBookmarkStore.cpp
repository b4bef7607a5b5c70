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

qsizetype FileBookmarkStore::saveAll(const QList<StoredFile>& files) const {
  if (!bookmarks_ || directory().isEmpty()) return 0;
  QList<std::pair<QString, QByteArray>> written;
  written.reserve(files.size());
  for (const StoredFile& file : files) {
    if (!file.url.isValid() || !file.url.isLocalFile()) continue;
    if (std::optional<QByteArray> data = bookmarks_->create(file.url.toLocalFile()))
      written.append({folder_.filePath(file.id, QLatin1String(kExtension)), std::move(*data)});
  }
  // Synced once for all of them: one sync per file made a copy of 10,000 files take seconds.
  return writeFilesAtomically(written);
}

QHash<QString, QUrl> FileBookmarkStore::resolveAll(const QList<StoredFile>& items) const {
  QHash<QString, QUrl> changed;
  if (!bookmarks_) return changed;
  QList<const StoredFile*> readable;
  QList<QByteArray> data;
  for (const StoredFile& item : items) {
    bool ok = false;
    QByteArray bookmark = readFile(folder_.filePath(item.id, QLatin1String(kExtension)), &ok, nullptr,
                                   kMaximumBookmarkSize);
    if (!ok) continue;
    readable.append(&item);
    data.append(std::move(bookmark));
  }
  // One batch, so that a single search of the home folder serves every moved file.
  const auto resolved = bookmarks_->resolveAll(data);
  for (qsizetype i = 0; i < readable.size() && i < resolved.size(); ++i) {
    if (!resolved[i]) continue;
    const StoredFile& item = *readable[i];
    if (resolved[i]->stale) {
      if (const auto fresh = bookmarks_->create(resolved[i]->path))
        writeFileAtomically(folder_.filePath(item.id, QLatin1String(kExtension)), *fresh);
    }
    const QUrl url = QUrl::fromLocalFile(resolved[i]->path);
    if (standardizedPath(item.url).isEmpty() || standardizedPath(url) != standardizedPath(item.url))
      changed.insert(item.id, url);
  }
  return changed;
}

void FileBookmarkStore::removeFilesNotKept(const KeptIds& kept) const {
  const QString suffix = u'.' + QLatin1String(kExtension);
  folder_.removeEntries([&](const QString& name) {
    if (!name.endsWith(suffix)) return true;  // not a bookmark: left alone
    return kept.keepsFile(name, QLatin1StringView(kExtension));
  });
}

void FileBookmarkStore::remove(const QString& id) const {
  QFile::remove(folder_.filePath(id, QLatin1String(kExtension)));
}

}  // namespace qv
