#pragma once
#include "platform/GlobalHotKey.h"
#include "platform/GlobalPointerMonitor.h"
#include "platform/HotKeyStatus.h"
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
class DesktopAppearance;
class Pasteboard;
class WindowList;
class Workspace;
class FileBookmarks;
class DesktopEntries;
class OcrEngine;
class DragStarter;
class KeyPoster;
class PastePermission;
class AppRelauncher;
class WindowShaper;
class Compositor;
class StatusItem;
class Alerts;
class TarnwickUpdater;
class LoginItem;
class MenuPresenter;
class SharePicker;
class ThumbnailService;
class QuickLook;
class QuickLookPresenter;
namespace x11 {
class X11ComposeWarmUp;
}

// The process-wide services of the platform layer: time, queues, folders, settings and every
// desktop service behind its interface. Each layer above adds its own services in a struct that
// derives from this one (virtually: items and the interface kit both build on it), and app/
// puts them together in AppContext, built once in main() (or by a test with fakes) and handed
// down. Code receives the struct of its own layer; nothing reaches for a hidden global.
struct PlatformServices {
  PlatformServices() = default;
  PlatformServices(const PlatformServices&) = delete;
  PlatformServices& operator=(const PlatformServices&) = delete;
  virtual ~PlatformServices();

  std::shared_ptr<Scheduler> scheduler;
  std::shared_ptr<Paths> paths;
  std::shared_ptr<SettingsStore> settings;
  SerialQueueFactory makeQueue;

  // Desktop services.
  std::shared_ptr<Screens> screens;

  // Pointer and keyboard
  std::shared_ptr<GlobalPointerMonitor> pointerMonitor;
  std::shared_ptr<GlobalHotKey> hotKey;
  // What became of the shortcut's grab (the hot key manager tells, the settings show it).
  std::shared_ptr<HotKeyStatus> hotKeyStatus = std::make_shared<HotKeyStatus>();
  // X11 desktop services (Qt-only fallbacks under Wayland or without DISPLAY).
  std::shared_ptr<Pasteboard> pasteboard;
  std::shared_ptr<WindowList> windowList;
  std::shared_ptr<Workspace> workspace;

  // Appearance (the interface services build motion and environment on it).
  std::shared_ptr<DesktopAppearance> desktopAppearance;
  // Network
  std::shared_ptr<HttpClient> httpClient;
  // File bookmarks, desktop entries, text recognition.
  std::shared_ptr<FileBookmarks> fileBookmarks;
  std::shared_ptr<DesktopEntries> desktopEntries;
  std::shared_ptr<OcrEngine> ocrEngine;
  // Dragging items out.
  std::shared_ptr<DragStarter> dragStarter;
  // Posting the paste keys.
  std::shared_ptr<KeyPoster> keyPoster;
  std::shared_ptr<PastePermission> pastePermission;
  std::shared_ptr<AppRelauncher> appRelauncher;
  // Has the compose table read before a typed key needs it (X only).
  std::shared_ptr<x11::X11ComposeWarmUp> composeWarmUp;
  // Edge panel window: shapes and window-manager hints.
  std::shared_ptr<WindowShaper> windowShaper;
  std::shared_ptr<Compositor> compositor;
  // Application shell: the notification-area icon (made once at launch) and modal alerts.
  std::function<std::unique_ptr<StatusItem>()> makeStatusItem;
  std::shared_ptr<Alerts> alerts;
  // Menus (opened without blocking) and the launch-at-login switch.
  std::shared_ptr<MenuPresenter> menuPresenter;
  // The applications items can be shared with (none: nothing to share with).
  std::shared_ptr<SharePicker> sharePicker;
  std::shared_ptr<LoginItem> loginItem;
  // Thumbnails of files for the previews, and the Quick Look window (none: files show their icon,
  // and Quick Look opens nothing). The program's are made by the preview layer.
  std::shared_ptr<ThumbnailService> thumbnailService;
  std::shared_ptr<QuickLook> quickLook;
  // The Quick Look window's data source, made by the first press (QuickLookPresenter::shared).
  std::shared_ptr<QuickLookPresenter> quickLookPresenter;
  // The updater, made on first use (see its `shared()`).
  std::shared_ptr<TarnwickUpdater> updater;

  // The serial queue named "com.tarnwick.Quorvalen.<suffix>", made on first request.
  std::shared_ptr<SerialQueue> queue(const QString& suffix);
  // A queue whose work only reads (outside files, pictures, the history for a search) for
  // someone who may no longer look: its queued work is dropped when it goes, at quit. Writers
  // (saves, a capture's side files, bookmarks) run to their end.
  static bool isReaderQueue(const QString& name);
  // The program's queues: a thread each (see ThreadSerialQueue).
  static std::shared_ptr<SerialQueue> makeThreadQueue(const QString& name);

 private:
  std::map<QString, std::shared_ptr<SerialQueue>> queues_;
};

// Fills in the real platform services over the environment's XDG folders.
void installRealPlatformServices(PlatformServices& services);

inline constexpr char kQueuePrefix[] = "com.tarnwick.Quorvalen.";

}  // namespace qv
