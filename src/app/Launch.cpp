#include "app/Launch.h"

#include "app/AppContext.h"
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "base/Log.h"
#include "items/ItemServices.h"
#include "items/drag/ItemDragProvider.h"
#include "platform/AppRelauncher.h"
#include "platform/DesktopFilesForQt.h"
#include "platform/ImageDecoder.h"
#include "platform/Paths.h"
#include "platform/ProgramIdentity.h"
#include "platform/UnixSignals.h"
#include "preview/PreviewServices.h"
#include "state/PanelState.h"
#include "ui/AppIcon.h"
#include "ui/InterfaceServices.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QThreadPool>
#include <csignal>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace qv {

namespace {

constexpr int kOwnMappingBytes = 1 << 20;
// The exit status of a quit whose final save failed (a full disk).
constexpr int kExitHistoryUnsaved = 2;

// The lock lives in the per-user runtime folder; without one, in the per-user config folder
// (the temporary folder would be shared with every other user).
QString lockFolder(const Paths& paths) {
  return qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") ? paths.runtime() : paths.config();
}

}  // namespace

int runQuorvalen(int argc, char** argv) {
#ifdef __GLIBC__
  // Large buffers (the history file as read and as written, tens of megabytes for a long history)
  // always get memory of their own that goes back to the system when freed. By default the
  // allocator raises this bound after the first such buffer, and later ones stay resident.
  mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
#endif
  // One allocation limit for every picture the process decodes, set before any thread reads one.
  useImageAllocationLimit();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(program::kName));
  QApplication::setApplicationVersion(QString::fromLatin1(program::kVersion));
  QApplication::setOrganizationDomain(QStringLiteral("tarnwick.com"));
  QApplication::setDesktopFileName(program::applicationId());
  // Before any themed icon or file type is asked for: Qt opens those files itself.
  keepQtDesktopReadsFromBlocking();
  // Qt's painting and image conversion off the main thread hand pieces of their work to the
  // global thread pool (the main thread's painting stays where it is: ui/fx/Fx.cpp). A pooled
  // thread ends 30 s after its last piece, waking an idle program to do so, and the next piece
  // starts it again: they wait for work instead, which costs nothing while nothing comes.
  QThreadPool::globalInstance()->setExpiryTimeout(-1);

  // Before anything reads the history: a relaunched program waits until the old one has
  // written its last save and let go of the lock.
  const bool afterRelaunch = QApplication::arguments().contains(QLatin1String(AppRelauncher::kAfterRelaunchArgument));
  const Paths paths = Paths::fromEnvironment();
  // A start that cannot take the lock for a reason other than a running program says why and
  // fails: reporting "already running" then would be a failure dressed up as success.
  QString why;
  const QString folder = SingleInstance::chooseFolder(lockFolder(paths), QDir::tempPath(), &why);
  if (folder.isEmpty()) {
    qCCritical(lcApp).noquote() << "Cannot start: no folder can hold the single-instance lock:" << why;
    return 1;
  }
  if (!why.isEmpty()) qCWarning(lcApp).noquote() << "Lock and socket in" << folder << "instead:" << why;
  QString lockError;
  std::unique_ptr<SingleInstance> instance = SingleInstance::acquire(
      folder, afterRelaunch ? SingleInstance::kRelaunchWaitMs : 0, &lockError);
  if (!instance && !lockError.isEmpty()) {
    qCCritical(lcApp).noquote() << "Cannot start:" << lockError;
    return 1;
  }
  if (!instance) {
    const bool told = SingleInstance::tellRunningInstance(folder);
    qCInfo(lcApp) << "Quorvalen is already running;" << (told ? "it says so on screen" : "it did not answer");
    return 0;
  }
  // Another program may run on the same history with a runtime folder of its own: it has no
  // socket here to tell, so this start says so and fails.
  const std::unique_ptr<DataFolderLock> dataLock = DataFolderLock::acquire(
      paths.applicationSupport(), afterRelaunch ? SingleInstance::kRelaunchWaitMs : 0, &lockError);
  if (!dataLock) {
    if (lockError.isEmpty()) {
      qCCritical(lcApp).noquote() << "Cannot start: another Quorvalen (started with another runtime folder) uses the "
                                     "data folder"
                                  << paths.applicationSupport();
    } else {
      qCCritical(lcApp).noquote() << "Cannot start:" << lockError;
    }
    return 1;
  }

  auto context = AppContext::makeReal();
  installItemServices(*context);
  installInterfaceServices(*context);
  installPreviewServices(*context);
  ItemDragProvider::removeStaleDragFolders(context->paths->temp(), context->scheduler->now());

  AppDelegate delegate(*context);
  delegate.applicationWillFinishLaunching();
  UnixSignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP}, [&delegate](int number) {
    qCInfo(lcApp) << "Quitting on signal" << number;
    delegate.endUnsavedNotice();
    QApplication::quit();
  });
  // Every way out passes here: Quit, a signal, a relaunch and the end of the session.
  QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                   [&delegate] { delegate.applicationWillTerminate(); });
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &delegate,
                   [&delegate](QSessionManager&) { delegate.applicationWillTerminate(); });
  delegate.applicationDidFinishLaunching();
  keepSensitiveThumbnailsPrivate(*context, delegate.state());
  // The icon theme is searched for the program's icon once the program runs: the search takes a
  // good part of a launch, and no window that shows the icon can open before.
  context->scheduler->post([] { QApplication::setWindowIcon(applicationIcon()); });
  QString listenError;
  if (!instance->listenForAnotherStart([&delegate] { delegate.anotherStartRequested(); }, &listenError))
    qCWarning(lcApp).noquote() << "A later start cannot reach this one:" << listenError;
  const int status = QApplication::exec();
  // Copies that could not be written at quit are said from the tray before the process goes.
  delegate.holdForUnsavedNotice();
  // The history is on disk now. Freeing a long one item by item would hold up the exit; one more
  // reference to it, reachable until the process ends, leaves its memory to the system instead.
  static const QList<ClipboardItem>* const historyAtExit = new QList<ClipboardItem>(delegate.state().items());
  Q_UNUSED(historyAtExit);
  return delegate.lostUnsavedCopies() ? kExitHistoryUnsaved : status;
}

}  // namespace qv
