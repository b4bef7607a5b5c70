#include "platform/x11/X11TrayColors.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qv::x11 {

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const QByteArray& name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr), &free);
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace

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
  const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (fixes && fixes->present && selection_ != XCB_ATOM_NONE) {
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    selectionNotifyEvent_ = uint8_t(fixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
    xcb_xfixes_select_selection_input(c, x_->rootWindow(), selection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
  }
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
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr), &free);
  const xcb_window_t window = owner ? owner->owner : XCB_NONE;
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
