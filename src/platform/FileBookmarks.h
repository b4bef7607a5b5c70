#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace qv {

// Durable references to local files that survive a rename or a move within the same volume.
class FileBookmarks {
 public:
  struct Resolved {
    QString path;
    // The bookmark no longer describes the file as it is now; write a fresh one.
    bool stale = false;
  };

  virtual ~FileBookmarks() = default;
  // Bookmark data for an existing local file or folder; nothing otherwise.
  virtual std::optional<QByteArray> create(const QString& path) = 0;
  // Where each bookmarked file is now (in the same order); nothing for a file that is gone or
  // data that is not a bookmark. Resolving many at once lets one search serve them all.
  virtual QList<std::optional<Resolved>> resolveAll(const QList<QByteArray>& bookmarks) = 0;
  std::optional<Resolved> resolve(const QByteArray& bookmark) { return resolveAll({bookmark}).value(0); }
};

// Bookmarks of path, device and inode (a small JSON object). Resolving:
//  1. The recorded path exists: that is the file. When its device or inode differ (an editor
//     saved by replacing the file) the bookmark is stale and is refreshed.
//  2. Otherwise the file was moved or renamed: look for the same device and inode in the old
//     parent folder, then breadth-first through each search root (the home folder by default),
//     staying on that device, following no links, skipping hidden folders (so a file moved to
//     the trash counts as gone), at most 8 levels deep and 50,000 entries per root. One walk
//     looks for every moved file of a batch.
//  3. Otherwise the file is gone: nothing.
class LocalFileBookmarks : public FileBookmarks {
 public:
  explicit LocalFileBookmarks(QStringList searchRoots);
  static std::shared_ptr<LocalFileBookmarks> forHome();

  std::optional<QByteArray> create(const QString& path) override;
  QList<std::optional<Resolved>> resolveAll(const QList<QByteArray>& bookmarks) override;

  static constexpr int kMaximumDepth = 8;
  static constexpr int kMaximumEntries = 50000;

 private:
  QStringList searchRoots_;
};

}  // namespace qv
