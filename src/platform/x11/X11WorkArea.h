#pragma once
#include "platform/Screens.h"

#include <functional>
#include <memory>
#include <optional>

namespace qv {
class X11EventConnection;
}

namespace qv::x11 {

// What the window manager and the docks keep of the desktop: the work area of the current
// desktop (_NET_WORKAREA) and the struts (_NET_WM_STRUT_PARTIAL, else _NET_WM_STRUT) of the
// managed windows and of the mapped windows right under the root (a window manager's own panel
// or tray). Follows changes of the work area (a property change on a private connection) and
// tells `onChange`. Nothing without X.
class X11WorkArea {
 public:
  explicit X11WorkArea(std::function<void()> onChange = {});
  ~X11WorkArea();

  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
  // Read now (main thread); nullopt without X.
  std::optional<DesktopReservations> reservations() const;

 private:
  std::unique_ptr<X11EventConnection> x_;
  std::function<void()> onChange_;
  uint32_t workAreaAtom_ = 0;
  uint32_t currentDesktopAtom_ = 0;
  uint32_t clientListAtom_ = 0;
  uint32_t strutPartialAtom_ = 0;
  uint32_t strutAtom_ = 0;
};

// The strips a strut reserves on a desktop of `desktop` size: _NET_WM_STRUT_PARTIAL's twelve
// CARDINALs, or _NET_WM_STRUT's four (reaching along the whole edge).
QList<ReservedStrip> strutStrips(const QList<quint32>& strut, const QSize& desktop);

}  // namespace qv::x11
