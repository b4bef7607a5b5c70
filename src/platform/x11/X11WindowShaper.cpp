#include "platform/x11/X11WindowShaper.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace qv::x11 {

namespace {

xcb_connection_t* qtConnection() {
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return app ? app->connection() : nullptr;
}

bool hasShapeExtension(xcb_connection_t* connection) {
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shape_id);
  return extension && extension->present;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr), &free);
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t rootOf(xcb_connection_t* connection) {
  return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// A client message to the window manager about `window` (EWMH: sent to the root window).
void sendToWindowManager(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type,
                         std::initializer_list<uint32_t> data) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  int i = 0;
  for (uint32_t value : data) event.data.data32[i++] = value;
  xcb_send_event(connection, 0, rootOf(connection),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
}

}  // namespace

bool X11WindowShaper::isAvailable() const {
  xcb_connection_t* connection = qtConnection();
  return connection && hasShapeExtension(connection);
}

namespace {

std::vector<xcb_rectangle_t> deviceRectangles(QWindow* window, const QRegion& region) {
  const double ratio = window->devicePixelRatio();
  std::vector<xcb_rectangle_t> rects;
  for (const QRect& r : region) {
    const int left = int(std::floor(r.x() * ratio));
    const int top = int(std::floor(r.y() * ratio));
    const int right = int(std::ceil((r.x() + r.width()) * ratio));
    const int bottom = int(std::ceil((r.y() + r.height()) * ratio));
    rects.push_back({int16_t(left), int16_t(top), uint16_t(right - left), uint16_t(bottom - top)});
  }
  return rects;
}

}  // namespace

void X11WindowShaper::setShape(QWindow* window, const QRegion& region) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection || !hasShapeExtension(connection)) return;
  const std::vector<xcb_rectangle_t> rects = deviceRectangles(window, region);
  const auto id = xcb_window_t(window->winId());
  for (xcb_shape_kind_t kind : {XCB_SHAPE_SK_BOUNDING, XCB_SHAPE_SK_INPUT})
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0,
                         uint32_t(rects.size()), rects.data());
  // Not flushed: Qt flushes its connection after each frame and each turn of the event loop, so
  // the shape goes out with the image of the frame being painted, or before the window maps.
}

void X11WindowShaper::setInputShape(QWindow* window, const QRegion& region) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection || !hasShapeExtension(connection)) return;
  const std::vector<xcb_rectangle_t> rects = deviceRectangles(window, region);
  const auto id = xcb_window_t(window->winId());
  xcb_shape_mask(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, id, 0, 0, XCB_NONE);
  xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0,
                       uint32_t(rects.size()), rects.data());
  xcb_flush(connection);
}

void X11WindowShaper::clearShape(QWindow* window) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection || !hasShapeExtension(connection)) return;
  const auto id = xcb_window_t(window->winId());
  for (xcb_shape_kind_t kind : {XCB_SHAPE_SK_BOUNDING, XCB_SHAPE_SK_INPUT})
    xcb_shape_mask(connection, XCB_SHAPE_SO_SET, kind, id, 0, 0, XCB_NONE);
  xcb_flush(connection);
}

void X11WindowShaper::keepOnAllDesktops(QWindow* window) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection) return;
  const auto id = xcb_window_t(window->winId());
  const xcb_atom_t desktop = atom(connection, "_NET_WM_DESKTOP");
  const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
  const xcb_atom_t sticky = atom(connection, "_NET_WM_STATE_STICKY");
  const xcb_atom_t skipTaskbar = atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  const xcb_atom_t skipPager = atom(connection, "_NET_WM_STATE_SKIP_PAGER");
  constexpr uint32_t allDesktops = 0xFFFFFFFF;
  constexpr uint32_t add = 1;
  constexpr uint32_t fromApplication = 1;
  if (window->isVisible()) {
    sendToWindowManager(connection, id, desktop, {allDesktops, fromApplication});
    sendToWindowManager(connection, id, state, {add, sticky, skipTaskbar, fromApplication});
    sendToWindowManager(connection, id, state, {add, skipPager, 0, fromApplication});
  } else {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    const uint32_t atoms[] = {sticky, skipTaskbar, skipPager};
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 3, atoms);
  }
  xcb_flush(connection);
}

void X11WindowShaper::holdPointerArea(QWindow* window, const QRect& area) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection) return;
  const auto found = holders_.constFind(window);
  if (area.isEmpty()) {
    if (found != holders_.constEnd()) {
      xcb_unmap_window(connection, *found);
      xcb_flush(connection);
    }
    return;
  }
  xcb_window_t holder = found != holders_.constEnd() ? *found : xcb_window_t(XCB_WINDOW_NONE);
  if (!holder) {
    holder = xcb_generate_id(connection);
    // Input only and override-redirect: nothing drawn, and the window manager neither frames it
    // nor gives it the focus. Presses and moves stop here instead of reaching the root window,
    // where a window manager opens its menus.
    const uint32_t values[] = {1, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                      XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_BUTTON_MOTION};
    xcb_create_window(connection, 0, holder, rootOf(connection), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_DONT_PROPAGATE, values);
    holders_.insert(window, holder);
  }
  const double ratio = window->devicePixelRatio();
  const int left = int(std::floor(area.x() * ratio));
  const int top = int(std::floor(area.y() * ratio));
  const uint32_t geometry[] = {
      uint32_t(left), uint32_t(top), uint32_t(std::ceil((area.x() + area.width()) * ratio)) - uint32_t(left),
      uint32_t(std::ceil((area.y() + area.height()) * ratio)) - uint32_t(top), XCB_STACK_MODE_ABOVE};
  xcb_configure_window(connection, holder,
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT |
                           XCB_CONFIG_WINDOW_STACK_MODE,
                       geometry);
  xcb_map_window(connection, holder);
  xcb_flush(connection);
}

}  // namespace qv::x11
