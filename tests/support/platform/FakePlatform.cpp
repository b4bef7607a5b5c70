#include "support/platform/FakePlatform.h"

#include "platform/AppRelauncher.h"

namespace qv {

FakePlatform::FakePlatform()
    : scheduler(std::make_shared<FakeScheduler>()),
      queues(std::make_shared<FakeSerialQueues>()),
      screens(std::make_shared<FakeScreens>()),
      desktopAppearance(std::make_shared<FakeDesktopAppearance>()),
      http(std::make_shared<FakeHttpClient>(*scheduler)),
      root(std::make_shared<QTemporaryDir>()) {
  pasteboard->setClock([clock = std::weak_ptr<FakeScheduler>(scheduler)] {
    const auto fakeClock = clock.lock();
    return fakeClock ? fakeClock->uptime() : 0.0;
  });
  const QString base = root->path();
  paths = std::make_shared<Paths>(base + QStringLiteral("/data"), base + QStringLiteral("/cache"),
                                  base + QStringLiteral("/config"), base + QStringLiteral("/run"),
                                  base + QStringLiteral("/tmp"));
  ensurePrivateFolder(base + QStringLiteral("/tmp"));
  settings = std::make_shared<SettingsStore>(paths->config() + QStringLiteral("/defaults.json"), *scheduler);
  pastePermission = std::make_shared<FakePastePermission>(settings);
  appRelauncher = std::make_shared<AppRelauncher>(
      scheduler, [] { return false; }, [] {});
}

void FakePlatform::install(PlatformServices& context) {
  context.scheduler = scheduler;
  context.paths = paths;
  context.settings = settings;
  context.makeQueue = queues->factory();
  context.screens = screens;
  // Pointer and keyboard
  context.pointerMonitor = pointerMonitor;
  context.hotKey = hotKey;
  context.desktopAppearance = desktopAppearance;
  context.httpClient = http;
  context.pasteboard = pasteboard;
  context.windowList = windowList;
  context.workspace = workspace;
  context.fileBookmarks = fileBookmarks;
  context.desktopEntries = desktopEntries;
  context.ocrEngine = ocrEngine;
  context.dragStarter = dragStarter;
  // Pasteboard writer and paste sender
  context.keyPoster = keyPoster;
  context.pastePermission = pastePermission;
  context.appRelauncher = appRelauncher;
  context.windowShaper = windowShaper;
  context.compositor = compositor;
  context.makeStatusItem = [this] {
    auto item = std::make_unique<FakeStatusItem>();
    statusItem = item.get();
    return std::unique_ptr<StatusItem>(std::move(item));
  };
  context.alerts = alerts;
  context.menuPresenter = menuPresenter;
  context.loginItem = loginItem;
  context.thumbnailService = thumbnailService;
  context.quickLook = quickLook;
}

void FakePlatform::drain() {
  for (int round = 0; round < 1000; ++round) {
    const int ran = queues->runAll() + scheduler->runPending();
    if (ran == 0) return;
  }
}

}  // namespace qv
