#include "platform/RegularFile.h"

#include "base/NativePath.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <cstring>
#include <utility>

namespace qv {

RegularFile RegularFile::open(const QString& path, qint64 maximumBytes, QString* error) {
  const auto fail = [error](const QString& reason) {
    if (error) *error = reason;
    return RegularFile();
  };
  if (path.isEmpty()) return fail(QStringLiteral("no path"));
  const QByteArray native = nativePath(path);
  RegularFile file;
  file.fd_ = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (file.fd_ < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
  struct stat status {};
  if (::fstat(file.fd_, &status) != 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
  if (!S_ISREG(status.st_mode)) return fail(QStringLiteral("not a regular file"));
  if (status.st_size > maximumBytes)
    return fail(QStringLiteral("%1 bytes, more than the %2 read at most").arg(status.st_size).arg(maximumBytes));
  file.size_ = status.st_size;
  file.modifiedNs_ = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
  return file;
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), modifiedNs_(other.modifiedNs_) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
    modifiedNs_ = other.modifiedNs_;
  }
  return *this;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<QString> RegularFile::pathOfOpenedFile() const {
  if (!isOpen()) return std::nullopt;
  const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd_);
  if (!QFileInfo::exists(path)) return std::nullopt;
  return path;
}

bool RegularFile::readAt(qint64 offset, char* into, qint64 length) const {
  qint64 done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, into + done, size_t(length - done), offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

std::optional<QByteArray> RegularFile::readAll() const {
  if (!isOpen()) return std::nullopt;
  QByteArray data(size_, Qt::Uninitialized);
  if (!readAt(0, data.data(), size_)) return std::nullopt;
  return data;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit) {
  return RegularFile::open(path, limit).readAll();
}

QMimeType mimeTypeOfFile(const QString& path) {
  const RegularFile opened = RegularFile::open(path);
  QFile device;
  if (opened.isOpen() && device.open(opened.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    return QMimeDatabase().mimeTypeForFileNameAndData(path, &device);
  return QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
}

}  // namespace qv
