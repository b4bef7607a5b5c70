#pragma once
#include "platform/GlobalHotKey.h"
#include "platform/GlobalPointerMonitor.h"
#include "platform/Paths.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "platform/SerialQueue.h"
#include "platform/SettingsStore.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>

namespace qv {

class HttpClient;
class ImageStore;
class DesktopAppearance;
class FrameClock;
class ReduceMotion;
class Environment;
class AppRulesManager;
class LinkMetadataFetcher;
class OGImageCache;
class Pasteboard;
class WindowList;
class Workspace;
class RichTextStore;
class FileBookmarkStore;
class FileBookmarks;
class AppIdentity;
class DesktopEntries;
class ImageTextRecognizer;
class OcrEngine;
class ThumbnailCache;
class DragStarter;
class KeyPoster;
class PastePermission;
class AppRelauncher;
class PasteboardWriter;
class PasteSender;
class OwnWriteCounter;
class WindowShaper;
class Compositor;
class StatusItem;
class Alerts;
class LibraryWindowController;
class OnboardingWindowController;
class TarnwickUpdater;

// Every process-wide service, built once in main() (or by a test with fakes) and handed down.
// Nothing in the program reaches for a hidden global; a type may offer a `shared()` accessor
// that forwards here. Services are added as members as the subsystems that own them land.
struct AppContext {
  std::shared_ptr<Scheduler> scheduler;
  std::shared_ptr<Paths> paths;
  std::shared_ptr<SettingsStore> settings;
  SerialQueueFactory makeQueue;

  // Desktop services.
  std::shared_ptr<Screens> screens;

  // Pointer and keyboard
  std::shared_ptr<GlobalPointerMonitor> pointerMonitor;
  std::shared_ptr<GlobalHotKey> hotKey;
  // X11 desktop services (Qt-only fallbacks under Wayland or without DISPLAY).
  std::shared_ptr<Pasteboard> pasteboard;
  std::shared_ptr<WindowList> windowList;
  std::shared_ptr<Workspace> workspace;

  // Item stores and caches.
  std::shared_ptr<ImageStore> imageStore;

  // Appearance and motion (the last three from installInterfaceServices in ui/).
  std::shared_ptr<DesktopAppearance> desktopAppearance;
  std::shared_ptr<FrameClock> frameClock;
  std::shared_ptr<ReduceMotion> reduceMotion;
  std::shared_ptr<Environment> environment;
  // App rules.
  std::shared_ptr<AppRulesManager> appRules;
  // Network and link metadata
  std::shared_ptr<HttpClient> httpClient;
  std::shared_ptr<OGImageCache> ogImageCache;
  std::shared_ptr<LinkMetadataFetcher> linkMetadataFetcher;
  // Item stores, identity, text recognition, thumbnails.
  std::shared_ptr<FileBookmarks> fileBookmarks;
  std::shared_ptr<DesktopEntries> desktopEntries;
  std::shared_ptr<OcrEngine> ocrEngine;
  std::shared_ptr<RichTextStore> richTextStore;
  std::shared_ptr<FileBookmarkStore> fileBookmarkStore;
  std::shared_ptr<AppIdentity> appIdentity;
  std::shared_ptr<ImageTextRecognizer> imageTextRecognizer;
  std::shared_ptr<ThumbnailCache> thumbnails;
  // Dragging items out.
  std::shared_ptr<DragStarter> dragStarter;
  // Pasteboard writer and paste sender (the last two from installItemServices).
  std::shared_ptr<KeyPoster> keyPoster;
  std::shared_ptr<PastePermission> pastePermission;
  std::shared_ptr<AppRelauncher> appRelauncher;
  std::shared_ptr<PasteboardWriter> pasteboardWriter;
  std::shared_ptr<PasteSender> pasteSender;
  // Clipboard monitor and capture: the own-write counter every clipboard writer raises
  // (ClipboardMonitor::skipNextChanges).
  std::shared_ptr<OwnWriteCounter> skipNextChanges;
  // Edge panel window: shapes and window-manager hints.
  std::shared_ptr<WindowShaper> windowShaper;
  std::shared_ptr<Compositor> compositor;
  // Application shell: the notification-area icon (made once at launch) and modal alerts.
  std::function<std::unique_ptr<StatusItem>()> makeStatusItem;
  std::shared_ptr<Alerts> alerts;
  // Shared windows and the updater, each made on first use (see their `shared()`).
  std::shared_ptr<LibraryWindowController> libraryWindow;
  std::shared_ptr<OnboardingWindowController> onboardingWindow;
  std::shared_ptr<TarnwickUpdater> updater;

  // The serial queue named "com.tarnwick.Quorvalen.<suffix>", made on first request.
  std::shared_ptr<SerialQueue> queue(const QString& suffix);

  // Real services over the environment's XDG folders.
  static std::shared_ptr<AppContext> makeReal();

 private:
  std::map<QString, std::shared_ptr<SerialQueue>> queues_;
};

inline constexpr char kQueuePrefix[] = "com.tarnwick.Quorvalen.";

}  // namespace qv
