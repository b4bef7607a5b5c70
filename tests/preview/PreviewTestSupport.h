#pragma once
#include "cards/ViewServices.h"
#include "items/ItemServices.h"
#include "platform/fake/FakeDesktopAppearance.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeFileBookmarks.h"
#include "platform/fake/FakeHotKey.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeKeyPoster.h"
#include "platform/fake/FakeMenuPresenter.h"
#include "platform/fake/FakeOcrEngine.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeQuickLook.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSerialQueue.h"
#include "platform/fake/FakeSharePicker.h"
#include "platform/fake/FakeThumbnailService.h"
#include "platform/fake/FakeWorkspace.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/theme/Environment.h"

#include <QTemporaryDir>
#include <memory>

namespace qv::test {

// The services the preview's views run on, over the platform's fakes: virtual time, queues
// that run when told, a hand-driven frame clock and a private temporary folder.
struct PreviewContext {
  PreviewContext() {
    const QString base = root.path();
    services->scheduler = scheduler;
    services->paths = std::make_shared<Paths>(base + QStringLiteral("/data"), base + QStringLiteral("/cache"),
                                              base + QStringLiteral("/config"), base + QStringLiteral("/run"),
                                              base + QStringLiteral("/tmp"));
    services->settings = std::make_shared<SettingsStore>(services->paths->config() + QStringLiteral("/defaults.json"),
                                                         *scheduler);
    services->makeQueue = queues->factory();
    services->desktopAppearance = appearance;
    services->httpClient = std::make_shared<FakeHttpClient>(*scheduler);
    services->pasteboard = std::make_shared<FakePasteboard>();
    services->workspace = std::make_shared<FakeWorkspace>();
    services->fileBookmarks = std::make_shared<FakeFileBookmarks>();
    services->desktopEntries = desktopEntries;
    services->ocrEngine = std::make_shared<FakeOcrEngine>();
    services->keyPoster = std::make_shared<FakeKeyPoster>();
    services->hotKey = std::make_shared<FakeHotKey>();
    services->menuPresenter = menus;
    services->sharePicker = sharePicker;
    services->thumbnailService = thumbnails;
    services->quickLook = quickLook;
    services->frameClock = clock;
    installInterfaceServices(*services);
    installItemServices(*services);
  }
  ~PreviewContext() { drain(); }

  // Runs queued work and what it posts back until nothing is left.
  void drain() {
    for (int round = 0; round < 1000; ++round)
      if (queues->runAll() + scheduler->runPending() == 0) return;
  }
  // Moves virtual time and the frame clock together, a frame at a time.
  void advance(double seconds) {
    for (double left = seconds; left > 1e-9; left -= 1.0 / 60) {
      const double step = std::min(1.0 / 60, left);
      scheduler->advance(step);
      clock->advance(step);
    }
    drain();
  }
  void setDark(bool dark) { services->environment->setKeptAppearance(dark ? ColorScheme::dark : ColorScheme::light); }
  std::shared_ptr<FakeSerialQueue> queue(const QString& suffix) const {
    return queues->queue(QStringLiteral("com.tarnwick.Quorvalen.") + suffix);
  }

  QTemporaryDir root;
  std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
  std::shared_ptr<FakeSerialQueues> queues = std::make_shared<FakeSerialQueues>();
  std::shared_ptr<ManualFrameClock> clock = std::make_shared<ManualFrameClock>();
  std::shared_ptr<FakeDesktopAppearance> appearance = std::make_shared<FakeDesktopAppearance>();
  std::shared_ptr<FakeDesktopEntries> desktopEntries = std::make_shared<FakeDesktopEntries>();
  std::shared_ptr<FakeMenuPresenter> menus = std::make_shared<FakeMenuPresenter>();
  std::shared_ptr<FakeSharePicker> sharePicker = std::make_shared<FakeSharePicker>();
  std::shared_ptr<FakeThumbnailService> thumbnails = std::make_shared<FakeThumbnailService>();
  std::shared_ptr<FakeQuickLook> quickLook = std::make_shared<FakeQuickLook>();
  std::shared_ptr<ViewServices> services = std::make_shared<ViewServices>();
};

}  // namespace qv::test
