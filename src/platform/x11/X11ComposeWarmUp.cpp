#include "platform/x11/X11ComposeWarmUp.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <cstdlib>

namespace qv::x11 {

namespace {

constexpr xcb_keysym_t kShiftLeft = 0xffe1;

xcb_connection_t* qtConnection() {
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return app ? app->connection() : nullptr;
}

// A press then a release of `keycode`, delivered to `window` as if typed.
void sendKey(xcb_connection_t* connection, xcb_window_t window, xcb_keycode_t keycode) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = keycode;
    event.time = XCB_CURRENT_TIME;
    event.root = root;
    event.event = window;
    event.child = XCB_NONE;
    event.same_screen = 1;
    xcb_send_event(connection, 0, window, type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                   reinterpret_cast<const char*>(&event));
  }
  xcb_flush(connection);
}

}  // namespace

X11ComposeWarmUp::X11ComposeWarmUp(QObject* parent) : QObject(parent) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !qtConnection()) return;
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

void X11ComposeWarmUp::focusChanged(QWidget* now) {
  if (sent_ || !now || !now->testAttribute(Qt::WA_InputMethodEnabled)) return;
  QWindow* window = now->window()->windowHandle();
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection) return;
  sent_ = true;
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
  if (!symbols) return;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, kShiftLeft);
  const xcb_keycode_t shift = codes ? codes[0] : XCB_NO_SYMBOL;
  std::free(codes);
  xcb_key_symbols_free(symbols);
  if (shift != XCB_NO_SYMBOL) sendKey(connection, xcb_window_t(window->winId()), shift);
}

}  // namespace qv::x11
