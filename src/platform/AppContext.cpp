#include "platform/AppContext.h"

#include "platform/DesktopEntries.h"
#include "platform/FileBookmarks.h"
#include "platform/OcrEngine.h"

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
  context->fileBookmarks = LocalFileBookmarks::forHome();
  context->desktopEntries = std::make_shared<XdgDesktopEntries>(XdgDesktopEntries::applicationFoldersFromEnvironment());
  context->ocrEngine = std::make_shared<TesseractOcrEngine>();
  context->makeQueue = [](const QString& name) -> std::shared_ptr<SerialQueue> {
    return std::make_shared<ThreadSerialQueue>(name);
  };
  return context;
}

}  // namespace qv
