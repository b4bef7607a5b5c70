#pragma once
#include "platform/WindowList.h"
#include "platform/Workspace.h"
#include "platform/x11/ProcessIdentity.h"
#include "platform/x11/XcbSupport.h"

#include <QUrl>
#include <memory>
#include <optional>

namespace qv {
class X11EventConnection;
}

namespace qv::x11 {

// The desktop session seen through EWMH (the active window) and /proc. Its X connections are
// used on the main thread only; the process lookups work on any thread. It follows the active
// window to know the application in front before a window of this program took the focus.
class X11Workspace : public Workspace {
  Q_OBJECT
 public:
  // `windows` gives the window class of a process's windows; may be null. `entries` names the
  // applications (by default those of the XDG applications folders).
  explicit X11Workspace(std::shared_ptr<WindowList> windows, std::shared_ptr<DesktopEntries> entries = {},
                        QObject* parent = nullptr);
  ~X11Workspace() override;

  std::optional<RunningApp> frontmostApplication() const override;
  std::optional<RunningApp> previousApplication() const override;
  std::optional<RunningApp> applicationForPid(qint64 pid) const override;
  std::optional<QString> containingApplicationId(qint64 pid) const override;
  bool isStillRunning(const RunningApp& app) const override;
  bool activate(const RunningApp& app) override;
  bool switchToApplication(const QString& desktopId) override;
  bool openUrl(const QUrl& url) override;
  void findUrlSchemeHandler(const QString& scheme, std::function<void(const QString&)> answer) override;
  bool revealFile(const QString& path) override;
  qint64 ownPid() const override;

  // What the file manager is asked to show for a path: the file's address and its folder's,
  // every byte of the name kept; none when nothing is at the path.
  struct RevealTarget {
    QUrl file;
    QUrl folder;
  };
  static std::optional<RevealTarget> revealTargetOf(const QString& path);

 private:
  xcb_timestamp_t serverTime();
  xcb_window_t activeWindow() const;
  std::optional<RunningApp> applicationOfWindow(xcb_window_t window) const;
  void noteActiveWindow();

  std::shared_ptr<WindowList> windows_;
  std::shared_ptr<DesktopEntries> entries_;
  ProcessIdentity identity_;
  mutable XcbConnection connection_;
  xcb_window_t timeWindow_ = XCB_NONE;
  std::unique_ptr<X11EventConnection> activeWatch_;
  // The active window last seen that belongs to another program.
  xcb_window_t lastOtherActiveWindow_ = XCB_NONE;
};

}  // namespace qv::x11
