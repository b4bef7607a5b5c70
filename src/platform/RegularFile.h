#pragma once
#include <QByteArray>
#include <QMimeType>
#include <QString>
#include <optional>

namespace qv {

// Files are read only when they are regular files of at most this size: a FIFO, a device or a
// link to one (/dev/zero) at a path of ours must neither block a read nor fill the memory.
inline constexpr qint64 kMaximumReadBytes = qint64(1) << 30;

// The most each kind of file is read with: far above what a real one holds, so that only a
// file that is not of that kind is refused.
namespace readLimit {
inline constexpr qint64 kDesktopEntryBytes = 1024 * 1024;    // a .desktop file
inline constexpr qint64 kMimeAppsListBytes = 1024 * 1024;    // mimeapps.list and its variants
inline constexpr qint64 kThumbnailerBytes = 64 * 1024;       // a .thumbnailer file: a few lines
inline constexpr qint64 kIconBytes = 16 * 1024 * 1024;       // an application icon by its path
inline constexpr qint64 kImageTextBytes = 16 * 1024 * 1024;  // the text recognized in one picture
// A copied picture file, read whole into memory: no larger than a picture the decoder may
// allocate (kImageAllocationLimitMB), which a stored picture's file hardly ever exceeds.
inline constexpr qint64 kPictureFileBytes = 512 * 1024 * 1024;
// A cached page image: a PNG of at most 40 megapixels as the link fetcher keeps it.
inline constexpr qint64 kPageImageBytes = 256 * 1024 * 1024;
}  // namespace readLimit

// A regular file opened for reading without blocking, whatever lies at the path: it is opened
// with O_NONBLOCK and judged by what was opened, never by the path again (no window in which it
// could be swapped for a FIFO). Reads with pread, so that several threads may read one file at once.
class RegularFile {
 public:
  // Not open (`error` tells why) when the path cannot be opened, is no regular file or is larger
  // than `maximumBytes`.
  static RegularFile open(const QString& path, qint64 maximumBytes = kMaximumReadBytes, QString* error = nullptr);
  RegularFile() = default;
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  bool isOpen() const { return fd_ >= 0; }
  // The descriptor, for a reader that takes one (it stays this file's to close).
  int handle() const { return fd_; }
  // The size and modification time when it was opened.
  qint64 size() const { return size_; }
  qint64 modifiedNs() const { return modifiedNs_; }
  // A path that names exactly the file opened (through /proc/self/fd), for a library that
  // insists on opening files itself; none without /proc.
  std::optional<QString> pathOfOpenedFile() const;
  // Exactly `length` bytes from `offset`; false when the file holds fewer.
  bool readAt(qint64 offset, char* into, qint64 length) const;
  // The whole file as it was opened (`size()` bytes); none when it was cut short meanwhile.
  std::optional<QByteArray> readAll() const;

 private:
  int fd_ = -1;
  qint64 size_ = 0;
  qint64 modifiedNs_ = 0;
};

// The whole of the regular file at `path` when it holds at most `limit` bytes.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit);

// The type of the file at `path` by its name and its content, the content read from what was
// opened without blocking (QMimeDatabase would open it by a name it may not encode, and wait
// on a FIFO); by its name alone when it is no regular file.
QMimeType mimeTypeOfFile(const QString& path);

}  // namespace qv
