#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace qv {

// A file opened for reading only when it is a regular file. It is opened without blocking (a
// FIFO or device put at the path, even between a look at the path and the open, cannot hold the
// reader up) and judged by what was opened, never by the path again.
class RegularFile {
 public:
  // None when nothing can be opened at `path` or what is there is not a regular file.
  static std::optional<RegularFile> open(const QString& path);
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  int descriptor() const { return fd_; }
  // The size when it was opened.
  qint64 size() const { return size_; }
  // A path that names exactly the file opened (through /proc/self/fd), for a library that
  // insists on opening files itself; none without /proc.
  std::optional<QString> pathOfOpenedFile() const;
  // All of it, from the start; none when it holds more than `limit` bytes (also when it grew
  // past them while being read) or cannot be read.
  std::optional<QByteArray> readAll(qint64 limit) const;

 private:
  RegularFile(int fd, qint64 size) : fd_(fd), size_(size) {}
  int fd_ = -1;
  qint64 size_ = 0;
};

// The whole of the regular file at `path` when it holds at most `limit` bytes.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit);

}  // namespace qv
