#pragma once
#include <QColor>
#include <functional>
#include <memory>
#include <optional>

namespace qv {
class X11EventConnection;
}

namespace qv::x11 {

// The foreground colour the system tray asks its icons to be drawn in: the first of the
// _NET_SYSTEM_TRAY_COLORS of the window owning _NET_SYSTEM_TRAY_S<screen>. Follows a tray that
// starts, quits or changes its colours (XFixes selection events and property changes on a
// private connection) and tells `onChange`. None where the tray says nothing.
class X11TrayColors {
 public:
  // `displayName` empty means $DISPLAY.
  explicit X11TrayColors(std::function<void()> onChange, const QString& displayName = QString());
  ~X11TrayColors();

  std::optional<QColor> foreground() const { return foreground_; }

 private:
  void refresh();

  std::unique_ptr<X11EventConnection> x_;
  std::function<void()> onChange_;
  uint32_t selection_ = 0;
  uint32_t colorsAtom_ = 0;
  uint32_t owner_ = 0;
  uint8_t selectionNotifyEvent_ = 0;
  std::optional<QColor> foreground_;
};

// The foreground of a _NET_SYSTEM_TRAY_COLORS value (twelve 16-bit channels as CARDINALs:
// foreground, error, warning and success red, green, blue); none when it is too short.
std::optional<QColor> trayForegroundFromColors(const QByteArray& cardinals);

}  // namespace qv::x11
