#pragma once
#include "platform/RegularFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace qv {

// Where the program keeps its files (XDG base directories):
//   application support  $XDG_DATA_HOME/Quorvalen    (~/.local/share/Quorvalen)
//   caches               $XDG_CACHE_HOME/Quorvalen   (~/.cache/Quorvalen)
//   user defaults        $XDG_CONFIG_HOME/Quorvalen  (~/.config/Quorvalen)
//   runtime (lock file)  $XDG_RUNTIME_DIR           (else the temporary folder)
// Tests point the variables at a temporary folder, or build a Paths with explicit roots.
class Paths {
 public:
  static Paths fromEnvironment();
  Paths(QString dataHome, QString cacheHome, QString configHome, QString runtimeDir, QString tempDir);

  QString applicationSupport() const;  // .../Quorvalen
  QString caches() const;
  QString config() const;
  // $XDG_CONFIG_HOME itself (the desktop's autostart folder lies below it).
  QString configHome() const { return configHome_; }
  // $XDG_CACHE_HOME itself (the desktop's shared thumbnails lie below it).
  QString cacheHome() const { return cacheHome_; }
  QString runtime() const;
  QString temp() const;

  // A sub-folder of application support or caches, created (mode 0700) on first use; empty
  // when it cannot be created.
  QString applicationSupportFolder(const QString& name) const;
  QString cachesFolder(const QString& name) const;

 private:
  QString dataHome_, cacheHome_, configHome_, runtimeDir_, tempDir_;
};

// Creates the folder and its missing parents, each new one with mode 0700. True when it exists;
// otherwise errno tells why.
bool ensurePrivateFolder(const QString& path);
// Brings a folder of the program's back to mode 0700, and the files and folders directly in it to
// 0600 and 0700 (a careless copy or restore leaves them readable by others), and the entries of
// a folder in it that was not private. A link as the folder itself is followed (the user put the
// data elsewhere); a link in it, or a folder in it that is one, is left as it is. What cannot be
// changed stays as it was; `failures` gets the paths and reasons (also a folder that cannot be
// opened, or that is no folder).
// Returns how many modes were changed.
int makeFolderPrivate(const QString& path, QStringList* failures = nullptr);
// Writes the whole file atomically (a temporary file renamed over the old one) with mode 0600,
// and syncs the file before the rename and its folder after it. False on any error; the old file
// is then left as it was (unless only the folder's sync failed: the new file is in place but may
// not outlast a power cut) and `error` tells why. `beforeRename`
// gets the new file's handle once all of it is written and synced, while the old file is still
// in place (the history's journal notes which file is coming).
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr,
                         const std::function<void(int handle)>& beforeRename = {});
// The same for data made piece by piece, so that a large file is never held whole in memory:
// `produce` hands each piece to `write`, which answers false once a write failed (then
// `produce` returns false, as it does when it cannot make its data).
using PieceWriter = std::function<bool(QByteArrayView piece)>;
bool writeFileAtomically(const QString& path, const std::function<bool(const PieceWriter& write)>& produce,
                         QString* error = nullptr, const std::function<void(int handle)>& beforeRename = {});
// The same for many small files with one trip to the disk instead of one per file: each is
// written to a temporary file beside it, all of them are synced together, then each is renamed
// into place. Returns how many were written; a file that fails keeps its old version.
qsizetype writeFilesAtomically(const QList<std::pair<QString, QByteArray>>& files);

// A name beside `path` for keeping a file that could not be read: "<path>.unreadable-<stamp>", with
// "-2", "-3", … when that name is taken (two set aside within one second must not collide).
QString unreadableAsideName(const QString& path, const QDateTime& now);
// The same for a file kept for another reason: "<path>.<kind>-<stamp>".
QString asideName(const QString& path, const QString& kind, const QDateTime& now);
// Reads a whole regular file of at most `maximumBytes`; an empty result with `ok` false when it
// cannot be read (then `error` tells why, e.g. "not a regular file").
QByteArray readFile(const QString& path, bool* ok = nullptr, QString* error = nullptr,
                    qint64 maximumBytes = kMaximumReadBytes);

}  // namespace qv
