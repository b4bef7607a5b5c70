#include "items/stores/SideFileFolder.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace qv {

SideFileFolder::SideFileFolder(const QString& applicationSupport, const QString& name)
    : path_(applicationSupport + u'/' + name) {}

QString SideFileFolder::ensure() const {
  // Looked at every time (a stat when it is there): a folder removed under the running program
  // is made again.
  std::lock_guard lock(mutex_);
  return ensurePrivateFolder(path_) ? path_ : QString();
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

KeptIds::KeptIds(const QSet<QString>& ids) {
  add(ids);
  seal();
}

void KeptIds::add(const QSet<QString>& ids) {
  ids_.reserve(ids_.size() + size_t(ids.size()));
  for (const QString& id : ids) {
    const QUuid uuid = QUuid::fromString(id);
    if (!uuid.isNull()) ids_.push_back(uuidKey(uuid));
  }
}

void KeptIds::seal() {
  std::sort(ids_.begin(), ids_.end());
  ids_.erase(std::unique(ids_.begin(), ids_.end()), ids_.end());
}

bool KeptIds::keepsFile(QStringView name, QLatin1StringView extension) const {
  constexpr qsizetype kIdLength = 36;
  if (name.size() != kIdLength + 1 + extension.size() || name.at(kIdLength) != u'.' ||
      !name.sliced(kIdLength + 1).startsWith(extension))
    return false;
  const QStringView id = name.first(kIdLength);
  // QUuid also reads braces and other forms: only the plain 8-4-4-4-12 one names a side file.
  if (id.at(0) == u'{') return false;
  const QUuid uuid = QUuid::fromString(id);
  return !uuid.isNull() && std::binary_search(ids_.begin(), ids_.end(), uuidKey(uuid));
}

}  // namespace qv
