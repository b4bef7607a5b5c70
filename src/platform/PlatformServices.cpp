#include "platform/PlatformServices.h"

#include "platform/Alerts.h"
#include "platform/AppRelauncher.h"
#include "platform/DesktopAppearance.h"
#include "platform/DesktopEntries.h"
#include "platform/DesktopSharePicker.h"
#include "platform/DragStarter.h"
#include "platform/FileBookmarks.h"
#include "platform/HttpClient.h"
#include "platform/LoginItem.h"
#include "platform/MenuPresenter.h"
#include "platform/OcrEngine.h"
#include "platform/PastePermission.h"
#include "platform/ProgramIdentity.h"
#include "platform/StatusItem.h"
#include "platform/x11/X11ComposeWarmUp.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11HotKey.h"
#include "platform/x11/X11KeyPoster.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11WindowShaper.h"
#include "platform/x11/X11WorkArea.h"
#include "platform/x11/X11Workspace.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

namespace qv {

PlatformServices::~PlatformServices() {
  // The queues are joined below: text recognition in progress ends now rather than after the
  // image (minutes for a large screenshot), and no queued image is begun.
  if (ocrEngine) ocrEngine->stop();
  queues_.clear();
}

std::shared_ptr<SerialQueue> PlatformServices::makeThreadQueue(const QString& name) {
  return std::make_shared<ThreadSerialQueue>(
      name, isReaderQueue(name) ? ThreadSerialQueue::QueuedAtEnd::drop : ThreadSerialQueue::QueuedAtEnd::run);
}

bool PlatformServices::isReaderQueue(const QString& name) {
  static const QStringList readers = {QStringLiteral("ocr"),
                                      QStringLiteral("search"),
                                      QStringLiteral("thumbnails"),
                                      QStringLiteral("fileThumbnails"),
                                      QStringLiteral("pdfRendering"),
                                      QStringLiteral("richDocumentReading"),
                                      QStringLiteral("imageDownsampling"),
                                      QStringLiteral("textFileReading"),
                                      QStringLiteral("quickLook"),
                                      QStringLiteral("highlight"),
                                      QStringLiteral("linkPreviewImage"),
                                      QStringLiteral("cardImages"),
                                      QStringLiteral("fileSizes")};
  const QLatin1String prefix(kQueuePrefix);
  return name.startsWith(prefix) && readers.contains(name.mid(prefix.size()));
}

std::shared_ptr<SerialQueue> PlatformServices::queue(const QString& suffix) {
  auto& slot = queues_[suffix];
  if (!slot) slot = makeQueue(QLatin1String(kQueuePrefix) + suffix);
  return slot;
}

void installRealPlatformServices(PlatformServices& services) {
  services.scheduler = std::make_shared<QtScheduler>();
  services.paths = std::make_shared<Paths>(Paths::fromEnvironment());
  services.settings = std::make_shared<SettingsStore>(services.paths->config() + QStringLiteral("/defaults.json"),
                                                      *services.scheduler);
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    auto workArea = std::make_shared<x11::X11WorkArea>();
    auto screens = std::make_shared<QtScreens>([workArea] { return workArea->reservations(); });
    workArea->setOnChange([weak = std::weak_ptr<QtScreens>(screens)] {
      if (const auto shared = weak.lock()) shared->refresh();
    });
    services.screens = std::move(screens);
  } else {
    services.screens = std::make_shared<QtScreens>();
  }
  // Pointer and keyboard
  services.pointerMonitor = std::make_shared<X11PointerMonitor>();
  services.hotKey = std::make_shared<X11HotKey>();
  services.desktopAppearance = std::make_shared<PortalDesktopAppearance>();
  services.httpClient = std::make_shared<QtHttpClient>();
  services.pasteboard = std::make_shared<x11::X11Pasteboard>();
  services.windowList = std::make_shared<x11::X11WindowList>();
  // The workspace names processes with the same entries as the views name applications.
  services.desktopEntries = std::make_shared<XdgDesktopEntries>(XdgDesktopEntries::applicationFoldersFromEnvironment());
  services.workspace = std::make_shared<x11::X11Workspace>(services.windowList, services.desktopEntries);
  services.fileBookmarks = LocalFileBookmarks::forHome();
  services.ocrEngine = std::make_shared<TesseractOcrEngine>();
  services.dragStarter = std::make_shared<QtDragStarter>();
  // Pasteboard writer and paste sender
  services.keyPoster = std::make_shared<x11::X11KeyPoster>();
  services.pastePermission = std::make_shared<KeyPosterPastePermission>(services.settings, services.keyPoster);
  services.appRelauncher = std::make_shared<AppRelauncher>(services.scheduler);
  services.windowShaper = std::make_shared<x11::X11WindowShaper>();
  services.composeWarmUp = std::make_shared<x11::X11ComposeWarmUp>();
  services.compositor = std::make_shared<x11::X11Compositor>();
  services.makeStatusItem = [screens = services.screens] { return makeTrayStatusItem(screens); };
  services.alerts = std::make_shared<MessageBoxAlerts>();
  services.menuPresenter = std::make_shared<PopupMenuPresenter>();
  services.loginItem = std::make_shared<XdgAutostartLoginItem>(
      services.paths->configHome() + QStringLiteral("/autostart"), program::applicationId(),
      QCoreApplication::applicationFilePath());
  services.makeQueue = &PlatformServices::makeThreadQueue;
  services.sharePicker = std::make_shared<DesktopSharePicker>(
      services.desktopEntries, services.scheduler, [&services] { return services.queue(QStringLiteral("share")); },
      DesktopSharePicker::folderIn(*services.paths));
}

}  // namespace qv
