#include "platform/x11/X11Workspace.h"

#include "base/Log.h"
#include "base/NativePath.h"
#include "platform/DesktopEntryIndex.h"
#include "platform/DetachedLaunch.h"
#include "platform/x11/X11EventConnection.h"

#include <poll.h>
#include <unistd.h>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <chrono>

namespace qv::x11 {

X11Workspace::X11Workspace(std::shared_ptr<WindowList> windows, std::shared_ptr<DesktopEntries> entries,
                           QObject* parent)
    : Workspace(parent),
      windows_(std::move(windows)),
      entries_(entries ? std::move(entries)
                       : std::make_shared<XdgDesktopEntries>(XdgDesktopEntries::applicationFoldersFromEnvironment())),
      identity_(entries_) {
  if (!connection_.isValid()) return;
  connection_.internAll({"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_CLIENT_LIST_STACKING", "QV_TIME"});
  timeWindow_ = connection_.createHelperWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
  // The window manager announces each new active window on the root window.
  activeWatch_ = std::make_unique<X11EventConnection>();
  if (!activeWatch_->isConnected()) return;
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(activeWatch_->connection(), activeWatch_->rootWindow(), XCB_CW_EVENT_MASK, &mask);
  xcb_flush(activeWatch_->connection());
  activeWatch_->setEventHandler(
      [this, activeAtom = connection_.atom("_NET_ACTIVE_WINDOW")](xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
        if (reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == activeAtom) noteActiveWindow();
      });
  noteActiveWindow();
}

X11Workspace::~X11Workspace() = default;

xcb_window_t X11Workspace::activeWindow() const {
  if (!connection_.isValid()) return XCB_NONE;
  const auto active = readProperty(connection_.get(), connection_.root(), connection_.atom("_NET_ACTIVE_WINDOW"), false,
                                   4);
  if (!active || active->format != 32 || active->value.size() < 4) return XCB_NONE;
  return *reinterpret_cast<const quint32*>(active->value.constData());
}

void X11Workspace::noteActiveWindow() {
  const xcb_window_t window = activeWindow();
  if (window != XCB_NONE && windowPid(connection_, window) != qint64(getpid())) lastOtherActiveWindow_ = window;
}

std::optional<RunningApp> X11Workspace::frontmostApplication() const { return applicationOfWindow(activeWindow()); }

std::optional<RunningApp> X11Workspace::previousApplication() const {
  if (activeWatch_) activeWatch_->dispatchPending();  // a change the event loop has not seen yet
  if (lastOtherActiveWindow_ == XCB_NONE || !connection_.isValid()) return std::nullopt;
  // Gone since (its id may be reused later, but then it belongs to whatever took it).
  xcb_connection_t* c = connection_.get();
  auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, lastOtherActiveWindow_), nullptr);
  if (!attributes) return std::nullopt;
  free(attributes);
  return applicationOfWindow(lastOtherActiveWindow_);
}

std::optional<RunningApp> X11Workspace::applicationOfWindow(xcb_window_t window) const {
  if (window == XCB_NONE || !connection_.isValid()) return std::nullopt;
  xcb_connection_t* c = connection_.get();
  const qint64 pid = windowPid(connection_, window);
  const QString windowClass = readWmClass(c, window).second;
  std::optional<RunningApp> app = identity_.application(pid, windowClass);
  if (!app) {
    // A remote client or one that hides its process: known by its window only.
    app = RunningApp{};
    app->windowClass = windowClass;
    app->desktopId = identity_.desktopIdOfWindowClass(windowClass);
  }
  app->windowId = window;
  return app;
}

std::optional<RunningApp> X11Workspace::applicationForPid(qint64 pid) const {
  QString windowClass;
  if (windows_) {
    for (const WindowInfo& window : windows_->windows())
      if (window.ownerPid == pid && !window.windowClass.isEmpty()) {
        windowClass = window.windowClass;
        break;
      }
  }
  return identity_.application(pid, windowClass);
}

std::optional<QString> X11Workspace::containingApplicationId(qint64 pid) const {
  return identity_.containingApplicationId(pid);
}

bool X11Workspace::isStillRunning(const RunningApp& app) const {
  if (app.pid > 0) {
    const auto facts = identity_.facts(app.pid);
    if (!facts || facts->executable != app.executable) return false;
  }
  if (app.windowId == 0 || !connection_.isValid()) return app.pid > 0;
  // Window ids are reused: the window must still exist and belong to the same process and class.
  xcb_connection_t* c = connection_.get();
  auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, app.windowId), nullptr);
  if (!attributes) return false;
  free(attributes);
  if (app.pid > 0 && windowPid(connection_, app.windowId) != app.pid) return false;
  return readWmClass(c, app.windowId).second == app.windowClass;
}

xcb_timestamp_t X11Workspace::serverTime() {
  // Appending nothing to a property of our own makes the server report its current time.
  xcb_connection_t* c = connection_.get();
  const xcb_atom_t atom = connection_.atom("QV_TIME");
  xcb_change_property(c, XCB_PROP_MODE_APPEND, timeWindow_, atom, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(c);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  while (std::chrono::steady_clock::now() < deadline) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      xcb_timestamp_t time = XCB_CURRENT_TIME;
      if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        if (notify->window == timeWindow_ && notify->atom == atom) time = notify->time;
      }
      free(event);
      if (time != XCB_CURRENT_TIME) return time;
    }
    pollfd fd{connection_.fileDescriptor(), POLLIN, 0};
    ::poll(&fd, 1, 20);
  }
  return XCB_CURRENT_TIME;
}

bool X11Workspace::activate(const RunningApp& app) {
  if (!connection_.isValid() || app.windowId == 0 || !isStillRunning(app)) return false;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = app.windowId;
  message.type = connection_.atom("_NET_ACTIVE_WINDOW");
  message.data.data32[0] = 2;  // source: a pager acting for the user
  message.data.data32[1] = serverTime();
  message.data.data32[2] = XCB_NONE;
  xcb_send_event(connection_.get(), 0, connection_.root(),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection_.get());
  return true;
}

bool X11Workspace::switchToApplication(const QString& desktopId) {
  if (desktopId.isEmpty()) return false;
  if (connection_.isValid()) {
    // The managed windows, bottom to top: the topmost window of the application is raised.
    xcb_connection_t* c = connection_.get();
    const auto stacking = readProperty(c, connection_.root(), connection_.atom("_NET_CLIENT_LIST_STACKING"));
    if (stacking && stacking->format == 32) {
      const auto* windows = reinterpret_cast<const quint32*>(stacking->value.constData());
      for (qsizetype index = stacking->value.size() / 4 - 1; index >= 0; --index) {
        const qint64 pid = windowPid(connection_, windows[index]);
        if (pid <= 0) continue;
        std::optional<RunningApp> app = identity_.application(pid, readWmClass(c, windows[index]).second);
        if (!app || app->desktopId != desktopId) continue;
        app->windowId = windows[index];
        if (activate(*app)) return true;
      }
    }
  }
  const std::optional<DesktopEntry> entry = entries_->entry(desktopId);
  if (!entry) return false;
  const QStringList command = launchCommand(entry->exec);
  if (command.isEmpty()) return false;
  return launchDetached(command);
}

bool X11Workspace::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void X11Workspace::findUrlSchemeHandler(const QString& scheme, std::function<void(const QString&)> answer) {
  // xdg-mime knows every desktop's way of storing the default (mimeapps.list and its variants).
  queryDefaultApplication(this, QStringLiteral("x-scheme-handler/") + scheme, std::move(answer));
}

std::optional<X11Workspace::RevealTarget> X11Workspace::revealTargetOf(const QString& path) {
  if (pathKind(path) == PathKind::none) return std::nullopt;
  // By hand for an absolute path: QFileInfo would lose the bytes of a name that is not UTF-8.
  const QString absolute = path.startsWith(u'/') ? QDir::cleanPath(path) : QFileInfo(path).absoluteFilePath();
  const qsizetype slash = absolute.lastIndexOf(u'/');
  return RevealTarget{localFileUrl(absolute), localFileUrl(slash <= 0 ? QStringLiteral("/") : absolute.left(slash))};
}

bool X11Workspace::revealFile(const QString& path) {
  const std::optional<RevealTarget> target = revealTargetOf(path);
  if (!target) return false;
  // The file manager's own "show this item" call; else open the containing folder.
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QString::fromLatin1(target->file.toEncoded())} << QString();
  const QUrl folder = target->folder;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return QDesktopServices::openUrl(folder);
  // Asynchronous: a file manager that is slow to start never holds up the interface.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [folder](QDBusPendingCallWatcher* finished) {
    if (finished->isError()) QDesktopServices::openUrl(folder);
    finished->deleteLater();
  });
  return true;
}

qint64 X11Workspace::ownPid() const { return getpid(); }

}  // namespace qv::x11
