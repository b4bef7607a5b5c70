#include "platform/AppContext.h"

#include "platform/x11/X11HotKey.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/DesktopAppearance.h"
#include "platform/HttpClient.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11Workspace.h"
#include "platform/DesktopEntries.h"
#include "platform/DragStarter.h"
#include "platform/FileBookmarks.h"
#include "platform/OcrEngine.h"
#include "platform/AppRelauncher.h"
#include "platform/PastePermission.h"
#include "platform/x11/X11KeyPoster.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11WindowShaper.h"
#include "platform/Alerts.h"
#include "platform/StatusItem.h"

namespace qv {

std::shared_ptr<SerialQueue> AppContext::queue(const QString& suffix) {
  auto& slot = queues_[suffix];
  if (!slot) slot = makeQueue(QLatin1String(kQueuePrefix) + suffix);
  return slot;
}

std::shared_ptr<AppContext> AppContext::makeReal() {
  auto context = std::make_shared<AppContext>();
  context->scheduler = std::make_shared<QtScheduler>();
  context->paths = std::make_shared<Paths>(Paths::fromEnvironment());
  context->settings = std::make_shared<SettingsStore>(
      context->paths->config() + QStringLiteral("/defaults.json"), *context->scheduler);
  context->screens = std::make_shared<QtScreens>();
  // Pointer and keyboard
  context->pointerMonitor = std::make_shared<X11PointerMonitor>();
  context->hotKey = std::make_shared<X11HotKey>();
  context->desktopAppearance = std::make_shared<PortalDesktopAppearance>();
  context->httpClient = std::make_shared<QtHttpClient>();
  context->pasteboard = std::make_shared<x11::X11Pasteboard>();
  context->windowList = std::make_shared<x11::X11WindowList>();
  context->workspace = std::make_shared<x11::X11Workspace>(context->windowList);
  context->fileBookmarks = LocalFileBookmarks::forHome();
  context->desktopEntries = std::make_shared<XdgDesktopEntries>(XdgDesktopEntries::applicationFoldersFromEnvironment());
  context->ocrEngine = std::make_shared<TesseractOcrEngine>();
  context->dragStarter = std::make_shared<QtDragStarter>();
  // Pasteboard writer and paste sender
  context->keyPoster = std::make_shared<x11::X11KeyPoster>();
  context->pastePermission = std::make_shared<KeyPosterPastePermission>(context->settings, context->keyPoster);
  context->appRelauncher = std::make_shared<AppRelauncher>(context->scheduler);
  context->windowShaper = std::make_shared<x11::X11WindowShaper>();
  context->compositor = std::make_shared<x11::X11Compositor>();
  context->makeStatusItem = [] { return makeTrayStatusItem(); };
  context->alerts = std::make_shared<MessageBoxAlerts>();
  context->makeQueue = [](const QString& name) -> std::shared_ptr<SerialQueue> {
    return std::make_shared<ThreadSerialQueue>(name);
  };
  return context;
}

}  // namespace qv
