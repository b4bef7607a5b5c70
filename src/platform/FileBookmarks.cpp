#include "platform/FileBookmarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <deque>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace qv {

namespace {

struct FileID {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileID&) const = default;
};

std::optional<FileID> fileID(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
  return FileID{info.st_dev, info.st_ino};
}

size_t qHash(const FileID& id, size_t seed = 0) { return qHashMulti(seed, quint64(id.device), quint64(id.inode)); }

// Breadth-first search below `root` for entries with the wanted devices and inodes; found ones
// are moved from `wanted` into `found`. Stops early once nothing is wanted.
void findByID(const QString& root, QSet<FileID>& wanted, QHash<FileID, QString>& found, int maximumDepth,
              int maximumEntries) {
  QSet<dev_t> devices;
  for (const FileID& id : std::as_const(wanted)) devices.insert(id.device);
  struct Folder {
    QByteArray path;
    int depth;
  };
  std::deque<Folder> pending{{QFile::encodeName(root), 0}};
  int visited = 0;
  while (!pending.empty() && visited < maximumEntries && !wanted.isEmpty()) {
    const Folder folder = std::move(pending.front());
    pending.pop_front();
    struct stat folderInfo {};
    if (::lstat(folder.path.constData(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) continue;
    if (!devices.contains(folderInfo.st_dev)) continue;  // another volume
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.path.constData()), ::closedir);
    if (!dir) continue;
    while (const dirent* entry = ::readdir(dir.get())) {
      const char* name = entry->d_name;
      if (name[0] == '.') continue;  // ".", "..", and hidden entries
      if (++visited > maximumEntries) break;
      QByteArray path = folder.path;
      if (!path.endsWith('/')) path += '/';
      path += name;
      if (wanted.contains(FileID{folderInfo.st_dev, entry->d_ino})) {
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && wanted.remove(FileID{info.st_dev, info.st_ino})) {
          found.insert(FileID{info.st_dev, info.st_ino}, QFile::decodeName(path));
          if (wanted.isEmpty()) return;
        }
      }
      const bool maybeFolder = entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN;
      if (maybeFolder && folder.depth + 1 < maximumDepth) pending.push_back({std::move(path), folder.depth + 1});
    }
  }
}

struct Recorded {
  QString path;
  FileID id;
};

std::optional<Recorded> parseBookmark(const QByteArray& bookmark) {
  const QJsonObject object = QJsonDocument::fromJson(bookmark).object();
  const QString path = object.value(QStringLiteral("path")).toString();
  bool deviceOk = false;
  bool inodeOk = false;
  const FileID id{dev_t(object.value(QStringLiteral("device")).toString().toULongLong(&deviceOk)),
                  ino_t(object.value(QStringLiteral("inode")).toString().toULongLong(&inodeOk))};
  if (path.isEmpty() || !QDir::isAbsolutePath(path) || !deviceOk || !inodeOk) return std::nullopt;
  return Recorded{path, id};
}

}  // namespace

LocalFileBookmarks::LocalFileBookmarks(QStringList searchRoots) : searchRoots_(std::move(searchRoots)) {}

std::shared_ptr<LocalFileBookmarks> LocalFileBookmarks::forHome() {
  return std::make_shared<LocalFileBookmarks>(QStringList{QDir::homePath()});
}

std::optional<QByteArray> LocalFileBookmarks::create(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  const auto id = fileID(absolute);
  if (!id) return std::nullopt;
  const QJsonObject object{{QStringLiteral("path"), absolute},
                           {QStringLiteral("device"), QString::number(quint64(id->device))},
                           {QStringLiteral("inode"), QString::number(quint64(id->inode))}};
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QList<std::optional<FileBookmarks::Resolved>> LocalFileBookmarks::resolveAll(const QList<QByteArray>& bookmarks) {
  QList<std::optional<Resolved>> results(bookmarks.size());
  QList<std::optional<Recorded>> moved(bookmarks.size());
  QSet<FileID> wanted;
  for (qsizetype i = 0; i < bookmarks.size(); ++i) {
    const auto recorded = parseBookmark(bookmarks[i]);
    if (!recorded) continue;
    if (const auto current = fileID(recorded->path)) {
      results[i] = Resolved{recorded->path, !(*current == recorded->id)};
      continue;
    }
    // Moved, renamed or gone: first the old folder of each, then one walk for all the rest.
    QSet<FileID> one{recorded->id};
    QHash<FileID, QString> found;
    findByID(QFileInfo(recorded->path).absolutePath(), one, found, 1, kMaximumEntries);
    if (found.contains(recorded->id)) results[i] = Resolved{found.value(recorded->id), true};
    else {
      moved[i] = recorded;
      wanted.insert(recorded->id);
    }
  }
  QHash<FileID, QString> found;
  for (const QString& root : searchRoots_) {
    if (wanted.isEmpty()) break;
    findByID(root, wanted, found, kMaximumDepth, kMaximumEntries);
  }
  for (qsizetype i = 0; i < moved.size(); ++i) {
    if (moved[i] && found.contains(moved[i]->id)) results[i] = Resolved{found.value(moved[i]->id), true};
  }
  return results;
}

}  // namespace qv
