#pragma once
#include "base/Uuid.h"

#include <QSet>
#include <QString>
#include <QUuid>
#include <functional>
#include <mutex>
#include <vector>

namespace qv {

// One folder of side files under application support, created (0700) when missing at a use (also
// when removed under the running program). Safe to use from the main thread and the background
// queues at once. A folder that cannot be created is tried again on the next use; until then
// reads and writes simply fail.
class SideFileFolder {
 public:
  SideFileFolder(const QString& applicationSupport, const QString& name);

  // The folder, created when missing; empty when it cannot be created.
  QString ensure() const;
  // "<folder>/<id>.<extension>", whether or not the folder exists yet.
  QString filePath(const QString& id, const QString& extension) const;

  // Removes every entry (files, links, folders) whose name `keep` rejects. A folder that
  // cannot be listed is left alone; removal errors are ignored.
  void removeEntries(const std::function<bool(const QString& name)>& keep) const;

 private:
  QString path_;
  mutable std::mutex mutex_;
};

// Whether `name` is "<id>.<extension>" for one of `ids` and one of `extensions`. Asked per file
// present, so that a prune costs what the folder holds, not what the history holds.
bool isSideFileOf(const QString& name, const QSet<QString>& ids, std::initializer_list<const char*> extensions);

// The ids whose side files a prune keeps, looked up by the id in each file's name. Sorted ids
// in one block: the 100,000 texts of a long history take 1.6 MB here, where a set of the names
// of their side files took about 30 MB of small allocations that stayed resident after it.
class KeptIds {
 public:
  KeptIds() = default;
  explicit KeptIds(const QSet<QString>& ids);
  void add(const QUuid& id) { ids_.push_back(uuidKey(id)); }
  void add(const QSet<QString>& ids);
  // Call once every id is added.
  void seal();
  // Whether `name` is "<kept id>.<extension>" (the id in either case).
  bool keepsFile(QStringView name, QLatin1StringView extension) const;

 private:
  std::vector<UuidKey> ids_;
};

}  // namespace qv
