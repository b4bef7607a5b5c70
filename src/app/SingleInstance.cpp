#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstring>

namespace qv {

namespace {
constexpr char kAnotherStart[] = "another-start\n";
}

SingleInstance::SingleInstance(const QString& folder)
    : folder_(folder), lock_(folder + u'/' + QLatin1String(kLockFileName)) {}

SingleInstance::~SingleInstance() = default;

namespace {

// Why `folder` cannot hold the lock and the socket; empty when it can.
QString unusableBecause(const QString& folder) {
  if (folder.isEmpty()) return QStringLiteral("no folder");
  if (!ensurePrivateFolder(folder)) {
    return QFileInfo(folder).exists() ? QStringLiteral("%1 is not a folder").arg(folder)
                                      : QStringLiteral("%1 cannot be created").arg(folder);
  }
  const QByteArray native = QFile::encodeName(folder);
  if (::access(native.constData(), W_OK | X_OK) != 0) return QStringLiteral("%1 is not writable").arg(folder);
  const qsizetype socketBytes = native.size() + 1 + qsizetype(sizeof SingleInstance::kSocketFileName) - 1;
  if (socketBytes > SingleInstance::kMaxSocketPathBytes)
    return QStringLiteral("the socket path in %1 would be %2 bytes, more than %3")
        .arg(folder)
        .arg(socketBytes)
        .arg(SingleInstance::kMaxSocketPathBytes);
  return {};
}

// The user's own folder in the temporary folder: made private, or taken only when it is a real
// folder (no link) of this user that nobody else can enter.
QString privateTempFolder(const QString& tempFolder, QString* why) {
  const QString folder = QDir(tempFolder).filePath(QStringLiteral("quorvalen-%1").arg(::getuid()));
  const QByteArray native = QFile::encodeName(folder);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
    *why = QStringLiteral("%1 cannot be created (%2)").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    return {};
  }
  struct stat info {};
  if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 0077) != 0) {
    *why = QStringLiteral("%1 is not a private folder of this user").arg(folder);
    return {};
  }
  if (const QString reason = unusableBecause(folder); !reason.isEmpty()) {
    *why = reason;
    return {};
  }
  return folder;
}

}  // namespace

QString SingleInstance::chooseFolder(const QString& preferred, const QString& tempFolder, QString* why) {
  const QString reason = unusableBecause(preferred);
  if (reason.isEmpty()) return preferred;
  QString fallbackReason;
  const QString fallback = privateTempFolder(tempFolder, &fallbackReason);
  if (fallback.isEmpty()) {
    *why = reason + QStringLiteral("; ") + fallbackReason;
    return {};
  }
  *why = reason;
  return fallback;
}

std::unique_ptr<SingleInstance> SingleInstance::acquire(const QString& runtimeFolder, int waitMs, QString* error) {
  const auto fail = [error](const QString& reason) -> std::unique_ptr<SingleInstance> {
    if (error) *error = reason;
    return nullptr;
  };
  if (runtimeFolder.isEmpty()) return fail(QStringLiteral("no folder for the lock file"));
  if (!ensurePrivateFolder(runtimeFolder)) return fail(QStringLiteral("%1 cannot be created").arg(runtimeFolder));
  auto instance = std::make_unique<SingleInstance>(runtimeFolder);
  // A live holder keeps its lock however long it runs; only a dead one's lock is stale.
  instance->lock_.setStaleLockTime(0);
  if (!instance->lock_.tryLock(waitMs)) {
    if (instance->lock_.error() == QLockFile::LockFailedError) return nullptr;
    return fail(QStringLiteral("the lock file %1 cannot be written").arg(instance->lockFilePath()));
  }
  // QLockFile creates the file as the umask allows; like every other file of ours it is private.
  QFile::setPermissions(instance->lockFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return instance;
}

bool SingleInstance::listenForAnotherStart(std::function<void()> onAnotherStart, QString* error) {
  const QString path = folder_ + u'/' + QLatin1String(kSocketFileName);
  // The lock is ours, so a socket file left there belongs to a program that is gone.
  QLocalServer::removeServer(path);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    if (error) *error = server_->errorString();
    return false;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this, onAnotherStart] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, onAnotherStart] {
        if (!socket->canReadLine()) return;
        const bool told = socket->readLine(64) == kAnotherStart;
        socket->disconnectFromServer();
        if (told && onAnotherStart) onAnotherStart();
      });
    }
  });
  return true;
}

bool SingleInstance::tellRunningInstance(const QString& runtimeFolder) {
  QLocalSocket socket;
  socket.connectToServer(runtimeFolder + u'/' + QLatin1String(kSocketFileName));
  // This start is on its way out and has nothing else to do: waiting here blocks nobody.
  if (!socket.waitForConnected(kTellWaitMs)) return false;
  socket.write(kAnotherStart);
  // Once written, the line waits in the socket for the running program, also after this one left.
  return socket.waitForBytesWritten(kTellWaitMs);
}

std::unique_ptr<DataFolderLock> DataFolderLock::acquire(const QString& folder, int waitMs, QString* error) {
  const auto fail = [error](const QString& reason) -> std::unique_ptr<DataFolderLock> {
    if (error) *error = reason;
    return nullptr;
  };
  if (!ensurePrivateFolder(folder)) return fail(QStringLiteral("%1 cannot be created").arg(folder));
  const QString path = folder + u'/' + QLatin1String(kFileName);
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    return fail(QStringLiteral("the lock file %1 cannot be opened (%2)")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  }
  const QDeadlineTimer deadline(waitMs);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::unique_ptr<DataFolderLock>(new DataFolderLock(path, fd));
    if (errno != EWOULDBLOCK && errno != EINTR) {
      const QString reason = QString::fromLocal8Bit(std::strerror(errno));
      ::close(fd);
      return fail(QStringLiteral("the lock file %1 cannot be locked (%2)").arg(path, reason));
    }
    if (deadline.hasExpired()) break;
    // Only a relaunch waits here, before anything else runs.
    QThread::msleep(20);
  }
  ::close(fd);
  return nullptr;
}

DataFolderLock::~DataFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace qv
