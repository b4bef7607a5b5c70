#pragma once
#include "platform/WindowList.h"
#include "platform/x11/XcbSupport.h"

#include <QSet>
#include <atomic>
#include <mutex>
#include <thread>

namespace qv::x11 {

// The stacking order of the root window's children on a connection of its own. A thread waits
// for structure and property events and only marks the list stale; the next read rebuilds it
// (a handful of pipelined round trips), so an idle desktop costs nothing.
//
// Layers (X11 has none; derived from the EWMH window type and state, documented here):
//   desktop windows                                   left out
//   normal, dialog, utility, toolbar, splash          0
//   _NET_WM_STATE_ABOVE ("keep above")                3
//   dock                                              20
//   notification                                      25
//   popup_menu, dropdown_menu, menu, combo, dnd       101
//   any other override-redirect window (popovers)     101
//   tooltip                                           102
// Docks, the desktop and the system tray never count as overlays (see canBeOverlay).
// Bounds are the frame's outer rectangle in root coordinates. Alpha is _NET_WM_OPACITY
// (frame first, then client) divided by 0xFFFFFFFF. The owner is the client's _NET_WM_PID,
// else the X-Resource answer for the client window.
class X11WindowList : public WindowList {
 public:
  X11WindowList();
  ~X11WindowList() override;

  bool isValid() const { return connection_.isValid(); }
  QList<WindowInfo> windows() const override;
  // Known from map, unmap and window-type events, so nothing is asked while nothing changes.
  bool hasOverlayCandidate() const override { return overlayCandidate_; }
  void setOverlayCandidateHandler(std::function<void()> handler) override;
  // How many times the list was rebuilt from the server (tests check it stays cached).
  int rebuildCount() const { return rebuilds_; }

 private:
  void run();
  void updateOverlayCandidate();
  QList<WindowInfo> rebuild() const;
  int layerFor(const QList<xcb_atom_t>& types, const QList<xcb_atom_t>& states, bool overrideRedirect,
               QString* typeName) const;

  mutable XcbConnection connection_;
  xcb_window_t wakeWindow_ = XCB_NONE;
  mutable std::mutex mutex_;
  mutable QList<WindowInfo> cache_;
  mutable QSet<xcb_window_t> watched_;
  mutable std::atomic<bool> dirty_{true};
  mutable std::atomic<int> rebuilds_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> overlayCandidate_{true};  // until the first look says otherwise
  std::mutex handlerMutex_;
  std::function<void()> overlayHandler_;
  std::thread thread_;
};

}  // namespace qv::x11
