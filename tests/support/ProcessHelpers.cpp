#include "support/ProcessHelpers.h"

#include <QCoreApplication>
#include <QThread>

namespace qv::test {

QString binDir() {
  const QString fromEnv = qEnvironmentVariable("QV_BIN_DIR");
  return fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() : fromEnv;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return true;
}

}  // namespace qv::test
