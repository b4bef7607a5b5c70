#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QFile>

namespace qv {

std::unique_ptr<SingleInstance> SingleInstance::acquire(const QString& runtimeFolder, int waitMs) {
  if (runtimeFolder.isEmpty() || !ensurePrivateFolder(runtimeFolder)) return nullptr;
  auto instance = std::make_unique<SingleInstance>(runtimeFolder + u'/' + QLatin1String(kLockFileName));
  // A live holder keeps its lock however long it runs; only a dead one's lock is stale.
  instance->lock_.setStaleLockTime(0);
  if (!instance->lock_.tryLock(waitMs)) return nullptr;
  // QLockFile creates the file as the umask allows; like every other file of ours it is private.
  QFile::setPermissions(instance->lockFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return instance;
}

}  // namespace qv
