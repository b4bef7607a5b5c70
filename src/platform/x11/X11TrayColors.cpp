#include "platform/x11/X11TrayColors.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <cstdlib>
#include <cstring>

namespace qv::x11 {

std::optional<QColor> trayForegroundFromColors(const QByteArray& cardinals) {
  if (cardinals.size() < qsizetype(3 * sizeof(uint32_t))) return std::nullopt;
  uint32_t rgb[3];
  std::memcpy(rgb, cardinals.constData(), sizeof rgb);
  return QColor::fromRgba64(quint16(rgb[0]), quint16(rgb[1]), quint16(rgb[2]));
}

X11TrayColors::X11TrayColors(std::function<void()> onChange, const QString& displayName)
    : x_(std::make_unique<X11EventConnection>(displayName)), onChange_(std::move(onChange)) {
  if (!x_->isConnected()) return;
  xcb_connection_t* c = x_->connection();
  selection_ = internAtom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(x_->screenNumber()));
  colorsAtom_ = internAtom(c, "_NET_SYSTEM_TRAY_COLORS");
  selectionNotifyEvent_ = watchSelectionOwner(c, x_->rootWindow(), selection_);
  x_->setEventHandler([this](xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (selectionNotifyEvent_ && type == selectionNotifyEvent_) {
      refresh();
    } else if (type == XCB_PROPERTY_NOTIFY) {
      const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
      if (notify->window == owner_ && notify->atom == colorsAtom_) refresh();
    }
  });
  refresh();
}

X11TrayColors::~X11TrayColors() = default;

void X11TrayColors::refresh() {
  xcb_connection_t* c = x_->connection();
  const xcb_window_t window = selectionOwner(c, selection_);
  if (window != owner_ && window != XCB_NONE) {
    // Property changes of the tray's window tell when its colours change.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
  }
  owner_ = window;
  std::optional<QColor> foreground;
  if (window != XCB_NONE)
    if (const std::optional<Property> colors = readProperty(c, window, colorsAtom_, false, 12 * 4);
        colors && colors->format == 32)
      foreground = trayForegroundFromColors(colors->value);
  if (foreground == foreground_) return;
  foreground_ = foreground;
  qCInfo(lcPlatform) << "Tray foreground colour:" << (foreground ? foreground->name() : QStringLiteral("none"));
  if (onChange_) onChange_();
}

}  // namespace qv::x11
