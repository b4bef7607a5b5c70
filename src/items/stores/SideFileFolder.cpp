#include "items/stores/SideFileFolder.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {

SideFileFolder::SideFileFolder(const QString& applicationSupport, const QString& name)
    : path_(applicationSupport + u'/' + name) {}

QString SideFileFolder::ensure() const {
  std::lock_guard lock(mutex_);
  if (!created_) created_ = ensurePrivateFolder(path_);
  return created_ ? path_ : QString();
}

QString SideFileFolder::filePath(const QString& id, const QString& extension) const {
  return path_ + u'/' + id + u'.' + extension;
}

void SideFileFolder::removeEntries(const std::function<bool(const QString& name)>& keep) const {
  const QString folder = ensure();
  if (folder.isEmpty()) return;
  QDir dir(folder);
  if (!dir.isReadable()) return;
  const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    if (keep(name)) continue;
    const QString path = dir.filePath(name);
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) QDir(path).removeRecursively();
    else QFile::remove(path);
  }
}

bool isSideFileOf(const QString& name, const QSet<QString>& ids, std::initializer_list<const char*> extensions) {
  for (const char* extension : extensions) {
    const QLatin1String suffix(extension);
    const qsizetype idLength = name.size() - suffix.size() - 1;
    if (idLength >= 0 && name.endsWith(suffix) && name.at(idLength) == u'.' && ids.contains(name.first(idLength)))
      return true;
  }
  return false;
}

}  // namespace qv
