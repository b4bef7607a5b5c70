#include "platform/FileBookmarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
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

// Breadth-first search below `root` for an entry with the given device and inode.
std::optional<QString> findByID(const QString& root, const FileID& target, int maximumDepth, int maximumEntries) {
  struct Folder {
    QByteArray path;
    int depth;
  };
  std::deque<Folder> pending{{QFile::encodeName(root), 0}};
  int visited = 0;
  while (!pending.empty() && visited < maximumEntries) {
    const Folder folder = std::move(pending.front());
    pending.pop_front();
    struct stat folderInfo {};
    if (::lstat(folder.path.constData(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) continue;
    if (folderInfo.st_dev != target.device) continue;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.path.constData()), ::closedir);
    if (!dir) continue;
    while (const dirent* entry = ::readdir(dir.get())) {
      const char* name = entry->d_name;
      if (name[0] == '.') continue;  // ".", "..", and hidden entries
      if (++visited > maximumEntries) break;
      QByteArray path = folder.path;
      if (!path.endsWith('/')) path += '/';
      path += name;
      if (entry->d_ino == target.inode) {
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && info.st_dev == target.device && info.st_ino == target.inode)
          return QFile::decodeName(path);
      }
      const bool maybeFolder = entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN;
      if (maybeFolder && folder.depth + 1 < maximumDepth) pending.push_back({std::move(path), folder.depth + 1});
    }
  }
  return std::nullopt;
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

std::optional<FileBookmarks::Resolved> LocalFileBookmarks::resolve(const QByteArray& bookmark) {
  const QJsonObject object = QJsonDocument::fromJson(bookmark).object();
  const QString path = object.value(QStringLiteral("path")).toString();
  bool deviceOk = false;
  bool inodeOk = false;
  const FileID recorded{dev_t(object.value(QStringLiteral("device")).toString().toULongLong(&deviceOk)),
                        ino_t(object.value(QStringLiteral("inode")).toString().toULongLong(&inodeOk))};
  if (path.isEmpty() || !QDir::isAbsolutePath(path) || !deviceOk || !inodeOk) return std::nullopt;

  if (const auto current = fileID(path)) return Resolved{path, !(*current == recorded)};

  const QString oldParent = QFileInfo(path).absolutePath();
  if (auto found = findByID(oldParent, recorded, 1, kMaximumEntries)) return Resolved{*found, true};
  for (const QString& root : searchRoots_) {
    if (auto found = findByID(root, recorded, kMaximumDepth, kMaximumEntries)) return Resolved{*found, true};
  }
  return std::nullopt;
}

}  // namespace qv
