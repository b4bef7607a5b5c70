#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

namespace qv {

namespace {
constexpr char kAnotherStart[] = "another-start\n";
}

SingleInstance::SingleInstance(const QString& folder)
    : folder_(folder), lock_(folder + u'/' + QLatin1String(kLockFileName)) {}

SingleInstance::~SingleInstance() = default;

std::unique_ptr<SingleInstance> SingleInstance::acquire(const QString& runtimeFolder, int waitMs) {
  if (runtimeFolder.isEmpty() || !ensurePrivateFolder(runtimeFolder)) return nullptr;
  auto instance = std::make_unique<SingleInstance>(runtimeFolder);
  // A live holder keeps its lock however long it runs; only a dead one's lock is stale.
  instance->lock_.setStaleLockTime(0);
  if (!instance->lock_.tryLock(waitMs)) return nullptr;
  // QLockFile creates the file as the umask allows; like every other file of ours it is private.
  QFile::setPermissions(instance->lockFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return instance;
}

bool SingleInstance::listenForAnotherStart(std::function<void()> onAnotherStart) {
  const QString path = folder_ + u'/' + QLatin1String(kSocketFileName);
  // The lock is ours, so a socket file left there belongs to a program that is gone.
  QLocalServer::removeServer(path);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) return false;
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

}  // namespace qv
