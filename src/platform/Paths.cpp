#include "platform/Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace qv {

namespace {
constexpr auto kAppFolder = "Quorvalen";

QString envOr(const char* name, const QString& fallback) {
  const QString value = qEnvironmentVariable(name);
  return value.isEmpty() ? fallback : value;
}
}  // namespace

Paths Paths::fromEnvironment() {
  const QString home = QDir::homePath();
  return Paths(envOr("XDG_DATA_HOME", home + QStringLiteral("/.local/share")),
               envOr("XDG_CACHE_HOME", home + QStringLiteral("/.cache")),
               envOr("XDG_CONFIG_HOME", home + QStringLiteral("/.config")), envOr("XDG_RUNTIME_DIR", QDir::tempPath()),
               QDir::tempPath());
}

Paths::Paths(QString dataHome, QString cacheHome, QString configHome, QString runtimeDir, QString tempDir)
    : dataHome_(std::move(dataHome)),
      cacheHome_(std::move(cacheHome)),
      configHome_(std::move(configHome)),
      runtimeDir_(std::move(runtimeDir)),
      tempDir_(std::move(tempDir)) {}

QString Paths::applicationSupport() const { return dataHome_ + u'/' + QLatin1String(kAppFolder); }
QString Paths::caches() const { return cacheHome_ + u'/' + QLatin1String(kAppFolder); }
QString Paths::config() const { return configHome_ + u'/' + QLatin1String(kAppFolder); }
QString Paths::runtime() const { return runtimeDir_; }
QString Paths::temp() const { return tempDir_; }

QString Paths::applicationSupportFolder(const QString& name) const {
  const QString path = applicationSupport() + u'/' + name;
  return ensurePrivateFolder(path) ? path : QString();
}

QString Paths::cachesFolder(const QString& name) const {
  const QString path = caches() + u'/' + name;
  return ensurePrivateFolder(path) ? path : QString();
}

bool ensurePrivateFolder(const QString& path) {
  if (path.isEmpty()) {
    errno = ENOENT;
    return false;
  }
  QFileInfo info(path);
  if (info.isDir()) return true;
  if (info.exists()) {
    errno = ENOTDIR;  // something else is in its place
    return false;
  }
  const QString parent = info.absolutePath();
  if (parent != info.absoluteFilePath() && !QFileInfo(parent).isDir() && !ensurePrivateFolder(parent)) return false;
  const QByteArray native = QFile::encodeName(info.absoluteFilePath());
  if (::mkdir(native.constData(), 0700) != 0) {
    const int error = errno;  // why it failed, for the caller's message
    const bool made = QFileInfo(path).isDir();
    errno = error;
    return made;
  }
  return true;
}

namespace {

void noteFailure(QStringList* failures, const QString& where) {
  if (failures) failures->append(where + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
}

// The files and folders directly in the open `folder` to 0600 and 0700. A folder in it that had
// to be changed was loosened with the rest: with `deeper`, its own entries follow (side files
// lie one level down); one that was private already is not read, so a usual start costs a few
// calls, not one per side file.
int makeEntriesPrivate(int folder, const QString& path, bool deeper, QStringList* failures) {
  // The listing gets a descriptor of its own; `folder` stays for the changes.
  const int listed = ::dup(folder);
  DIR* entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
  if (!entries) {
    noteFailure(failures, path);
    if (listed >= 0) ::close(listed);
    return 0;
  }
  int changed = 0;
  while (const dirent* entry = ::readdir(entries)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // Only files and folders: a link, a FIFO or a socket (the lock's, where it lives here) stays.
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const bool isFolder = S_ISDIR(status.st_mode);
    const mode_t wanted = S_ISREG(status.st_mode) ? 0600 : isFolder ? 0700 : 0;
    if (wanted == 0 || (status.st_mode & 07777) == wanted) continue;
    const QString where = path + u'/' + QFile::decodeName(name);
    if (::fchmodat(folder, name, wanted, 0) != 0) {
      noteFailure(failures, where);
      continue;
    }
    ++changed;
    if (!isFolder || !deeper) continue;
    const int inner = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inner < 0) continue;  // replaced by a link meanwhile
    changed += makeEntriesPrivate(inner, where, false, failures);
    ::close(inner);
  }
  ::closedir(entries);
  return changed;
}

}  // namespace

int makeFolderPrivate(const QString& path, QStringList* failures) {
  // The folder itself may be a link the user made (the data kept on another disk): it is theirs,
  // so it is followed; what lies in it is not.
  const int folder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    if (errno != ENOENT) noteFailure(failures, path);  // none yet is no failure
    return 0;
  }
  int changed = 0;
  struct stat status {};
  if (::fstat(folder, &status) == 0 && (status.st_mode & 07777) != 0700) {
    if (::fchmod(folder, 0700) == 0) ++changed;
    else noteFailure(failures, path);
  }
  changed += makeEntriesPrivate(folder, path, true, failures);
  ::close(folder);
  return changed;
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error,
                         const std::function<void(int handle)>& beforeRename) {
  return writeFileAtomically(
      path, [&data](const PieceWriter& write) { return write(data); }, error, beforeRename);
}

bool writeFileAtomically(const QString& path, const std::function<bool(const PieceWriter& write)>& produce,
                         QString* error, const std::function<void(int handle)>& beforeRename) {
  const auto fail = [error](const QString& reason) {
    if (error) *error = reason;
    return false;
  };
  if (!ensurePrivateFolder(QFileInfo(path).absolutePath()))
    return fail(QStringLiteral("cannot create the folder: ") + QString::fromLocal8Bit(std::strerror(errno)));
  QSaveFile file(path);
  // Unbuffered: a full disk fails the write itself. Buffered, the last piece would only fail
  // when the save file is committed, and it then renames the short file over the old one.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(file.errorString());
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  // The system's word for it (no space left, quota exceeded) says more than the file's.
  QString reason;
  const auto abandon = [&file, &fail, &reason] {
    if (reason.isEmpty()) reason = file.errorString();
    file.cancelWriting();
    return fail(reason);
  };
  const PieceWriter write = [&file, &reason](QByteArrayView piece) {
    errno = 0;
    if (file.write(piece.data(), piece.size()) == piece.size() && file.error() == QFileDevice::NoError) return true;
    if (errno) reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  };
  if (!produce(write)) return abandon();
  errno = 0;
  if (!file.flush() || file.error() != QFileDevice::NoError) {
    if (errno) reason = QString::fromLocal8Bit(std::strerror(errno));
    return abandon();
  }
  // Some file systems report a lack of space only when the data goes to the disk; the save
  // file ignores what syncing answers, so it is asked here, before the rename.
  if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
    reason = QString::fromLocal8Bit(std::strerror(errno));
    return abandon();
  }
  if (beforeRename) beforeRename(file.handle());
  if (!file.commit()) return fail(file.errorString());
  // The rename is on the disk only once the folder is: without this, a power cut could keep what
  // a caller does next (the journal emptied after a fold) but not the new file.
  const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return true;  // a folder we may write but not read cannot be synced
  const bool synced = ::fsync(folder) == 0 || errno == EINVAL || errno == EROFS;
  if (!synced) reason = QString::fromLocal8Bit(std::strerror(errno));
  ::close(folder);
  return synced || fail(reason);
}

namespace {
// Writes all of `data` to a new file (mode 0600) that must not exist yet.
bool writeNewFile(const QByteArray& path, const QByteArray& data) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  qsizetype written = 0;
  while (written < data.size()) {
    const ssize_t step = ::write(fd, data.constData() + written, size_t(data.size() - written));
    if (step < 0 && errno == EINTR) continue;
    if (step <= 0) break;
    written += step;
  }
  const bool closed = ::close(fd) == 0;
  if (written == data.size() && closed) return true;
  ::unlink(path.constData());
  return false;
}
}  // namespace

qsizetype writeFilesAtomically(const QList<std::pair<QString, QByteArray>>& files) {
  struct Pending {
    QByteArray temporary, target;
  };
  QList<Pending> written;
  QSet<QString> folders;
  // Temporary names no other call of this or another process uses; the index tells them apart.
  static std::atomic<quint64> calls{0};
  const QByteArray tag = '.' + QByteArray::number(::getpid()) + '-' + QByteArray::number(++calls) + '-';
  for (qsizetype index = 0; index < files.size(); ++index) {
    const auto& [path, data] = files[index];
    const QString folder = QFileInfo(path).absolutePath();
    if (!folders.contains(folder)) {
      if (!ensurePrivateFolder(folder)) continue;
      folders.insert(folder);
    }
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + tag + QByteArray::number(index);
    if (writeNewFile(temporary, data)) written.append({temporary, target});
  }
  // Some file systems report a lack of space only when the data goes to the disk: a failed
  // sync leaves every old file as it was.
  bool synced = true;
  for (const QString& folder : std::as_const(folders)) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;
    if (::syncfs(fd) != 0 && errno != EINVAL && errno != EROFS) synced = false;
    ::close(fd);
  }
  qsizetype renamed = 0;
  for (const Pending& file : std::as_const(written)) {
    if (synced && ::rename(file.temporary.constData(), file.target.constData()) == 0) {
      ++renamed;
      continue;
    }
    ::unlink(file.temporary.constData());
  }
  return renamed;
}

QByteArray readFile(const QString& path, bool* ok, QString* error, qint64 maximumBytes) {
  std::optional<QByteArray> data = RegularFile::open(path, maximumBytes, error).readAll();
  if (!data && error && error->isEmpty()) *error = QStringLiteral("cut short while read");
  if (ok) *ok = data.has_value();
  return data ? std::move(*data) : QByteArray();
}

QString unreadableAsideName(const QString& path, const QDateTime& now) {
  return asideName(path, QStringLiteral("unreadable"), now);
}

QString asideName(const QString& path, const QString& kind, const QDateTime& now) {
  const QString stem = path + u'.' + kind + u'-' + now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = stem;
  for (int n = 2; QFileInfo::exists(target); ++n) target = stem + u'-' + QString::number(n);
  return target;
}

}  // namespace qv
