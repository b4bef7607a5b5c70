#pragma once
#include "platform/WindowList.h"

#include <QString>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {

class Screens;
class Workspace;

// Finds the application of the floating window under the pointer: a copy made in a menu, a
// popover or a similar overlay belongs to that window's application even when another
// application is frontmost.
//
// On X11 the overlay notion maps onto the window list (see X11WindowList): a window counts as an
// overlay when its layer is 1 or more, that is override-redirect windows (popovers, menus, drop
// downs, tooltips and other unmanaged windows) and the popup_menu, dropdown_menu, menu, combo,
// dnd, tooltip and notification window types, plus keep-above windows; normal windows have layer 0,
// and the desktop's shell (docks and panels, the desktop, the system tray) never counts. Alpha
// comes from _NET_WM_OPACITY (absent when the window sets none). Bounds and the pointer are both
// in global coordinates with the origin at the top left, so they compare directly. The owner is the window's process;
// its "bundle identifier" is the desktop-entry id.
//
// Any thread: the window list, the screens and the workspace lookups it reads are thread-safe.
class OverlayScanner {
 public:
  static constexpr double kSmallestSide = kSmallestOverlaySide;  // points, both sides
  static constexpr double kScreenCoveringFraction = 0.95;
  static constexpr double kLeastAlpha = 0.05;  // alpha must be more than this
  static constexpr int kLeastLayer = 1;

  OverlayScanner(std::shared_ptr<const WindowList> windows, std::shared_ptr<const Screens> screens,
                 std::shared_ptr<const Workspace> workspace);

  // The desktop id of the overlay window's application under the pointer; of the outermost
  // application when it is nested in another. None when no window qualifies.
  std::optional<QString> findOwner() const;

 private:
  std::shared_ptr<const WindowList> windows_;
  std::shared_ptr<const Screens> screens_;
  std::shared_ptr<const Workspace> workspace_;
};

// The last overlay owner found and when (monotonic seconds), shared between the main thread and
// the scan queue. The lock is held only to copy the pair in or out.
class OverlayMemory {
 public:
  struct Sighting {
    QString bundleID;
    double seenAt = 0;
  };
  void remember(const QString& bundleID, double now) {
    std::lock_guard lock(mutex_);
    last_ = Sighting{bundleID, now};
  }
  std::optional<Sighting> last() const {
    std::lock_guard lock(mutex_);
    return last_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<Sighting> last_;
};

}  // namespace qv
