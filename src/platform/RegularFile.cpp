#include "platform/RegularFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace qv {

std::optional<RegularFile> RegularFile::open(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  return RegularFile(fd, qint64(status.st_size));
}

RegularFile::RegularFile(RegularFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
  }
  return *this;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<QString> RegularFile::pathOfOpenedFile() const {
  const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd_);
  if (!QFileInfo::exists(path)) return std::nullopt;
  return path;
}

std::optional<QByteArray> RegularFile::readAll(qint64 limit) const {
  if (size_ > limit) return std::nullopt;
  QByteArray bytes(qsizetype(size_) + 1, Qt::Uninitialized);
  qsizetype filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (filled > limit) return std::nullopt;  // grew while being read
      bytes.resize(std::min<qint64>(limit + 1, filled * 2 + 4096));
    }
    const ssize_t count = ::pread(fd_, bytes.data() + filled, size_t(bytes.size() - filled), off_t(filled));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return std::nullopt;
    if (count == 0) break;
    filled += count;
  }
  if (filled > limit) return std::nullopt;
  bytes.truncate(filled);
  return bytes;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit) {
  const std::optional<RegularFile> file = RegularFile::open(path);
  if (!file) return std::nullopt;
  return file->readAll(limit);
}

}  // namespace qv
