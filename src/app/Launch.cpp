#include "app/Launch.h"

#include "base/Log.h"
#include "items/ItemServices.h"
#include "items/drag/ItemDragProvider.h"
#include "platform/AppContext.h"
#include "platform/UnixSignals.h"
#include "ui/InterfaceServices.h"

#include <QApplication>
#include <csignal>

namespace qv {

int runQuorvalen(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvalen"));
  QApplication::setOrganizationDomain(QStringLiteral("tarnwick.com"));
  QApplication::setDesktopFileName(QStringLiteral("quorvalen"));
  // An accessory program: closing its last window never quits it.
  QApplication::setQuitOnLastWindowClosed(false);

  auto context = AppContext::makeReal();
  installItemServices(*context);
  installInterfaceServices(*context);
  ItemDragProvider::removeStaleDragFolders(context->paths->temp(), context->scheduler->now());
  UnixSignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP}, [](int number) {
    qCInfo(lcApp) << "Quitting on signal" << number;
    QApplication::quit();
  });

  qCInfo(lcApp) << "Quorvalen launched";
  return QApplication::exec();
}

}  // namespace qv
