#pragma once
#include <QList>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace qv {

// Layers of on-screen windows: 0 for ordinary application windows, higher for windows that
// float above them. X11 has no layers; X11WindowList derives them (see there).
namespace windowLayer {
inline constexpr int kNormal = 0;
inline constexpr int kAbove = 3;          // "keep above" windows
inline constexpr int kDock = 20;          // panels, docks
inline constexpr int kNotification = 25;  // notification bubbles
inline constexpr int kPopup = 101;        // menus, drop-downs, popovers, other override-redirect windows
inline constexpr int kTooltip = 102;
}  // namespace windowLayer

// One on-screen window.
struct WindowInfo {
  quint32 id = 0;  // the top-level window (the frame of a managed window)
  int layer = windowLayer::kNormal;
  QRect bounds;                 // global coordinates, top-left origin, points
  std::optional<double> alpha;  // 0…1 from the window's opacity; absent when it has none
  qint64 ownerPid = 0;          // 0 when unknown
  QString windowClass;          // WM_CLASS class part ("" when unset)
  QString windowType;           // the EWMH type without prefix, lower case ("normal", "popup_menu", …)
  bool overrideRedirect = false;
  bool systemTray = false;  // the system tray's window (it holds the tray selection)
  bool operator==(const WindowInfo&) const = default;
};

// Smaller windows (tooltips, the 1×1 helper windows some toolkits keep mapped) are never overlays.
inline constexpr int kSmallestOverlaySide = 80;

// Whether a copy can be made in the window as an overlay: it floats above ordinary windows, is
// large enough, and is not part of the desktop's own shell (docks and panels, the desktop, the
// system tray).
inline bool canBeOverlay(const WindowInfo& window) {
  return window.layer > windowLayer::kNormal && window.bounds.width() >= kSmallestOverlaySide &&
         window.bounds.height() >= kSmallestOverlaySide && !window.systemTray &&
         window.windowType != QLatin1String("dock") && window.windowType != QLatin1String("desktop");
}

// The on-screen windows, front to back, without desktop windows. Any thread may read it; it
// answers from a list kept current from window-system events.
class WindowList {
 public:
  virtual ~WindowList() = default;
  virtual QList<WindowInfo> windows() const = 0;

  // Whether a window of another process that can be an overlay is on screen now. A list that
  // cannot tell answers true.
  virtual bool hasOverlayCandidate() const { return true; }
  // `handler` runs, on any thread, whenever that answer may have changed.
  virtual void setOverlayCandidateHandler(std::function<void()> handler) { (void)handler; }
};

}  // namespace qv
