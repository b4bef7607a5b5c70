#include "support/ProcessHelpers.h"

#include <QCoreApplication>
#include <QThread>

namespace qv::test {

QString binDir() { return QStringLiteral(QV_BIN_DIR); }

QString sourceDir() { return QStringLiteral(QV_SOURCE_DIR); }

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
