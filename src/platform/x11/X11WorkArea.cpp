#include "platform/x11/X11WorkArea.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <QSet>
#include <cstdlib>

namespace qv::x11 {

QList<ReservedStrip> strutStrips(const QList<quint32>& strut, const QSize& desktop) {
  QList<ReservedStrip> strips;
  if (strut.size() < 4) return strips;
  const bool partial = strut.size() >= 12;
  // Start and end of each strip along its edge (inclusive), the whole edge for a plain strut.
  const auto span = [&](int index, int whole) {
    return partial ? std::pair<double, double>(strut[index], double(strut[index + 1]) + 1)
                   : std::pair<double, double>(0, whole);
  };
  const double width = desktop.width(), height = desktop.height();
  if (strut[0] > 0) {
    const auto [from, to] = span(4, desktop.height());
    strips.append({Qt::LeftEdge, QRectF(0, from, strut[0], to - from)});
  }
  if (strut[1] > 0) {
    const auto [from, to] = span(6, desktop.height());
    strips.append({Qt::RightEdge, QRectF(width - strut[1], from, strut[1], to - from)});
  }
  if (strut[2] > 0) {
    const auto [from, to] = span(8, desktop.width());
    strips.append({Qt::TopEdge, QRectF(from, 0, to - from, strut[2])});
  }
  if (strut[3] > 0) {
    const auto [from, to] = span(10, desktop.width());
    strips.append({Qt::BottomEdge, QRectF(from, height - strut[3], to - from, strut[3])});
  }
  return strips;
}

X11WorkArea::X11WorkArea(std::function<void()> onChange)
    : x_(std::make_unique<X11EventConnection>()), onChange_(std::move(onChange)) {
  if (!x_->isConnected()) return;
  xcb_connection_t* c = x_->connection();
  workAreaAtom_ = internAtom(c, "_NET_WORKAREA");
  currentDesktopAtom_ = internAtom(c, "_NET_CURRENT_DESKTOP");
  clientListAtom_ = internAtom(c, "_NET_CLIENT_LIST");
  strutPartialAtom_ = internAtom(c, "_NET_WM_STRUT_PARTIAL");
  strutAtom_ = internAtom(c, "_NET_WM_STRUT");
  // The window manager works a dock's struts into the work area: its change is the one to follow.
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c, x_->rootWindow(), XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  x_->setEventHandler([this](xcb_generic_event_t* event) {
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
    const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
    if ((notify->atom == workAreaAtom_ || notify->atom == currentDesktopAtom_) && onChange_) onChange_();
  });
}

X11WorkArea::~X11WorkArea() = default;

std::optional<DesktopReservations> X11WorkArea::reservations() const {
  if (!x_->isConnected()) return std::nullopt;
  xcb_connection_t* c = x_->connection();
  const xcb_window_t root = x_->rootWindow();
  DesktopReservations reserved;
  const QList<quint32> areas = readCardinals(c, root, workAreaAtom_);
  const qsizetype desktop = readCardinal(c, root, currentDesktopAtom_).value_or(0);
  if (areas.size() >= 4 * (desktop + 1)) {
    const quint32* area = areas.constData() + 4 * desktop;
    reserved.workArea = QRectF(area[0], area[1], area[2], area[3]);
  }

  // The managed windows, and the mapped ones right under the root.
  QList<xcb_window_t> windows;
  for (const quint32 window : readCardinals(c, root, clientListAtom_, 1u << 18)) windows.append(window);
  if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    QList<xcb_get_window_attributes_cookie_t> cookies;
    for (int index = 0; index < count; ++index) cookies.append(xcb_get_window_attributes(c, children[index]));
    for (int index = 0; index < count; ++index) {
      auto* attributes = xcb_get_window_attributes_reply(c, cookies[index], nullptr);
      if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) windows.append(children[index]);
      free(attributes);
    }
    free(tree);
  }
  const QSize size(x_->screen()->width_in_pixels, x_->screen()->height_in_pixels);
  // Asked all at once: one round trip for every window.
  QList<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
  for (const xcb_window_t window : windows)
    cookies.append({xcb_get_property(c, false, window, strutPartialAtom_, XCB_ATOM_CARDINAL, 0, 12),
                    xcb_get_property(c, false, window, strutAtom_, XCB_ATOM_CARDINAL, 0, 4)});
  const auto values = [c](xcb_get_property_cookie_t cookie) {
    QList<quint32> result;
    if (auto* reply = xcb_get_property_reply(c, cookie, nullptr)) {
      if (reply->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
        result = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
      }
      free(reply);
    }
    return result;
  };
  for (const auto& [partial, plain] : cookies) {
    const QList<quint32> strut = values(partial);
    const QList<quint32> fallback = values(plain);
    reserved.strips += strutStrips(strut.size() >= 12 ? strut : fallback, size);
  }
  return reserved;
}

}  // namespace qv::x11
