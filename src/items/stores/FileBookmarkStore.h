#pragma once
#include "items/stores/SideFileFolder.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>
#include <memory>

namespace qv {

class FileBookmarks;
class Paths;

// A bookmark of each copied file, "filebookmarks/<UUID>.bookmark", so that a file item follows
// its file when it is renamed or moved.
class FileBookmarkStore {
 public:
  // A file item as the history holds it: its id and the file URL stored with it (if any).
  struct StoredFile {
    QString id;
    QUrl url;
  };

  FileBookmarkStore(const Paths& paths, std::shared_ptr<FileBookmarks> bookmarks);

  QString directory() const;

  // Writes (or replaces) the bookmark of a local file; false for other URLs and on any error.
  bool save(const QUrl& url, const QString& id) const;
  // The same for the files of one copy; how many were written.
  qsizetype saveAll(const QList<StoredFile>& files) const;
  // For each file item with a readable, resolvable bookmark, in order: the file's current URL,
  // only where it differs from the stored one. Stale bookmarks are written again.
  QHash<QString, QUrl> resolveAll(const QList<StoredFile>& items) const;
  // Removes "*.bookmark" files whose name is not a kept UUID; other entries stay.
  void removeOrphans(const QSet<QString>& keepIDs) const { removeFilesNotKept(KeptIds(keepIDs)); }
  void removeFilesNotKept(const KeptIds& kept) const;
  // Removes the item's bookmark (the item is gone).
  void remove(const QString& id) const;

 private:
  SideFileFolder folder_;
  std::shared_ptr<FileBookmarks> bookmarks_;
};

}  // namespace qv
