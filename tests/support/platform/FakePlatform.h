#pragma once
#include "platform/PlatformServices.h"
#include "platform/fake/FakeAlerts.h"
#include "platform/fake/FakeCompositor.h"
#include "platform/fake/FakeDesktopAppearance.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeDragStarter.h"
#include "platform/fake/FakeFileBookmarks.h"
#include "platform/fake/FakeHotKey.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeKeyPoster.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakeMenuPresenter.h"
#include "platform/fake/FakeOcrEngine.h"
#include "platform/fake/FakePastePermission.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakePointerMonitor.h"
#include "platform/fake/FakeQuickLook.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSerialQueue.h"
#include "platform/fake/FakeStatusItem.h"
#include "platform/fake/FakeThumbnailService.h"
#include "platform/fake/FakeWindowList.h"
#include "platform/fake/FakeWindowShaper.h"
#include "platform/fake/FakeWorkspace.h"

#include <QTemporaryDir>

namespace qv {

// Every platform service as its fake, over virtual time, fake queues and a private temporary
// folder tree: the fakes a test scripts, and `install` to put them into a services struct.
struct FakePlatform {
  FakePlatform();
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  std::shared_ptr<FakeScheduler> scheduler;
  std::shared_ptr<FakeSerialQueues> queues;
  std::shared_ptr<FakeScreens> screens;
  // Pointer and keyboard
  std::shared_ptr<FakePointerMonitor> pointerMonitor = std::make_shared<FakePointerMonitor>();
  std::shared_ptr<FakeHotKey> hotKey = std::make_shared<FakeHotKey>();
  std::shared_ptr<FakeDesktopAppearance> desktopAppearance;
  std::shared_ptr<FakeHttpClient> http;
  std::shared_ptr<QTemporaryDir> root;
  // Folders below `root`, and the settings store in its config folder.
  std::shared_ptr<Paths> paths;
  std::shared_ptr<SettingsStore> settings;
  // X11 desktop services
  std::shared_ptr<FakePasteboard> pasteboard = std::make_shared<FakePasteboard>();
  std::shared_ptr<FakeWindowList> windowList = std::make_shared<FakeWindowList>();
  std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
  // Item stores, identity, text recognition, thumbnails.
  std::shared_ptr<FakeFileBookmarks> fileBookmarks = std::make_shared<FakeFileBookmarks>();
  std::shared_ptr<FakeDesktopEntries> desktopEntries = std::make_shared<FakeDesktopEntries>();
  std::shared_ptr<FakeOcrEngine> ocrEngine = std::make_shared<FakeOcrEngine>();
  // Dragging items out.
  std::shared_ptr<FakeDragStarter> dragStarter = std::make_shared<FakeDragStarter>();
  // Pasteboard writer and paste sender (the relauncher starts nothing and quits nothing).
  std::shared_ptr<FakeKeyPoster> keyPoster = std::make_shared<FakeKeyPoster>();
  std::shared_ptr<FakePastePermission> pastePermission;
  std::shared_ptr<AppRelauncher> appRelauncher;
  // Edge panel window.
  std::shared_ptr<FakeWindowShaper> windowShaper = std::make_shared<FakeWindowShaper>();
  std::shared_ptr<FakeCompositor> compositor = std::make_shared<FakeCompositor>();
  // Application shell: the status item the delegate makes (null until then) and the alerts.
  FakeStatusItem* statusItem = nullptr;
  std::shared_ptr<FakeAlerts> alerts = std::make_shared<FakeAlerts>();
  // Menus and the launch-at-login switch.
  std::shared_ptr<FakeMenuPresenter> menuPresenter = std::make_shared<FakeMenuPresenter>();
  std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
  // File thumbnails (held until answered) and the Quick Look window.
  std::shared_ptr<FakeThumbnailService> thumbnailService = std::make_shared<FakeThumbnailService>();
  std::shared_ptr<FakeQuickLook> quickLook = std::make_shared<FakeQuickLook>();

  // Settles everything: queued work, results posted back, then work due now.
  void drain();

 protected:
  // Puts the fakes into the platform part of `services`.
  void install(PlatformServices& services);
};

// The services struct of one layer (PlatformServices or one built on it) with its platform part
// on the fakes. The test adds the services of the layers above platform that it needs
// (installItemServices, installInterfaceServices); the tests of a layer name that layer's struct,
// so they build without the layers above it.
template <typename Services>
struct FakeContextFor : FakePlatform {
  FakeContextFor() : context(std::make_shared<Services>()) { install(*context); }
  std::shared_ptr<Services> context;
};

using FakePlatformContext = FakeContextFor<PlatformServices>;

}  // namespace qv
