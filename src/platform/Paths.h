#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
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

// Creates the folder and its missing parents, each new one with mode 0700. True when it exists.
bool ensurePrivateFolder(const QString& path);
// Writes the whole file atomically (a temporary file renamed over the old one) with mode 0600.
// False on any error; the old file is then left as it was and `error` tells why. `beforeRename`
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
// Files are read only when they are regular files of at most this size: a FIFO, a device or a
// link to one (/dev/zero) at a path of ours must neither block a read nor fill the memory.
inline constexpr qint64 kMaximumReadBytes = qint64(1) << 30;

// A regular file opened for reading without blocking, whatever lies at the path: it is opened
// with O_NONBLOCK and checked through its descriptor (no window in which it could be swapped for
// a FIFO). Reads with pread, so that several threads may read one file at once.
class RegularFile {
 public:
  // Not open (`error` tells why) when the path cannot be opened, is no regular file or is larger
  // than `maximumBytes`.
  static RegularFile open(const QString& path, qint64 maximumBytes = kMaximumReadBytes, QString* error = nullptr);
  RegularFile() = default;
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  ~RegularFile();

  bool isOpen() const { return fd_ >= 0; }
  // The descriptor, for a reader that takes one (it stays this file's to close).
  int handle() const { return fd_; }
  qint64 size() const { return size_; }
  qint64 modifiedNs() const { return modifiedNs_; }
  // Exactly `length` bytes from `offset`; false when the file holds fewer.
  bool readAt(qint64 offset, char* into, qint64 length) const;
  // The whole file as it was opened (`size()` bytes).
  std::optional<QByteArray> readAll() const;

 private:
  int fd_ = -1;
  qint64 size_ = 0;
  qint64 modifiedNs_ = 0;
};

// Reads a whole regular file of at most `maximumBytes`; an empty result with `ok` false when it
// cannot be read (then `error` tells why, e.g. "not a regular file").
QByteArray readFile(const QString& path, bool* ok = nullptr, QString* error = nullptr,
                    qint64 maximumBytes = kMaximumReadBytes);

}  // namespace qv
