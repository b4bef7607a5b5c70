#include "platform/x11/X11KeyPoster.h"

#include "base/Log.h"
#include "platform/keys/KeyCodes.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>
#include <cstdlib>

namespace qv::x11 {

namespace {
constexpr uint32_t kControlLeft = 0xffe3;
constexpr uint32_t kShiftLeft = 0xffe1;
}  // namespace

X11KeyPoster::X11KeyPoster() {
  if (!connection_.isValid() || !isX11Session()) return;
  const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection_.get(), &xcb_test_id);
  if (!xtest || !xtest->present) {
    qCInfo(lcPlatform) << "The X server has no XTest extension: keys cannot be posted";
    return;
  }
  symbols_ = xcb_key_symbols_alloc(connection_.get());
  loadKeyboardMap();
  // Fetches the key symbol table now, so the first paste needs no reply from the server.
  if (symbols_) keycodeFor(kControlLeft);
  available_ = symbols_ != nullptr;
}

X11KeyPoster::~X11KeyPoster() {
  if (symbols_) xcb_key_symbols_free(symbols_);
}

void X11KeyPoster::loadKeyboardMap() {
  xcb_connection_t* c = connection_.get();
  modifierKeys_.clear();
  auto* reply = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
  if (!reply) return;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
  const int count = xcb_get_modifier_mapping_keycodes_length(reply);
  for (int index = 0; index < count; ++index)
    if (codes[index] != 0 && !modifierKeys_.contains(codes[index])) modifierKeys_.append(codes[index]);
  free(reply);
}

void X11KeyPoster::reloadMapIfChanged() {
  // Only a MappingNotify can be waiting here: this connection selects no events.
  bool changed = false;
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
    if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
      xcb_refresh_keyboard_mapping(symbols_, reinterpret_cast<xcb_mapping_notify_event_t*>(event));
      changed = true;
    }
    free(event);
  }
  if (changed) loadKeyboardMap();
}

xcb_keycode_t X11KeyPoster::keycodeFor(uint32_t keysym) const {
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
  if (!codes) return 0;
  const xcb_keycode_t first = codes[0];
  free(codes);
  return first;
}

void X11KeyPoster::fakeKey(uint8_t type, xcb_keycode_t key, uint32_t delayMs) {
  // With a delay the server waits that long before it handles this event (and this client's
  // later requests), so the key stays held without us blocking or round-tripping.
  xcb_test_fake_input(connection_.get(), type, key, delayMs, XCB_NONE, 0, 0, 0);
}

bool X11KeyPoster::postPaste(const QString& windowClass) {
  if (!available_) return false;
  reloadMapIfChanged();
  const auto vKeysym = keys::keysymForKeyCode(keys::code::V);
  const xcb_keycode_t v = vKeysym ? keycodeFor(*vKeysym) : 0;
  const xcb_keycode_t control = keycodeFor(kControlLeft);
  const bool withShift = isTerminalWindowClass(windowClass);
  const xcb_keycode_t shift = withShift ? keycodeFor(kShiftLeft) : 0;
  if (v == 0 || control == 0 || (withShift && shift == 0)) {
    qCInfo(lcPlatform) << "The keyboard map has no key for the paste keystroke";
    return false;
  }
  // Releasing a key that is not down changes nothing, so every modifier key is released.
  for (const xcb_keycode_t key : modifierKeys_) fakeKey(XCB_KEY_RELEASE, key);
  fakeKey(XCB_KEY_PRESS, control);
  if (withShift) fakeKey(XCB_KEY_PRESS, shift);
  fakeKey(XCB_KEY_PRESS, v);
  // The presses have been handled by the server when this returns, so a key grab taken again
  // right after cannot catch them (only presses activate grabs; the releases may come later).
  std::free(xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
  fakeKey(XCB_KEY_RELEASE, v, kKeyHoldMs);
  if (withShift) fakeKey(XCB_KEY_RELEASE, shift);
  fakeKey(XCB_KEY_RELEASE, control);
  xcb_flush(connection_.get());
  qCInfo(lcPlatform) << "Posted" << (withShift ? "Ctrl+Shift+V" : "Ctrl+V") << "for window class" << windowClass;
  return true;
}

}  // namespace qv::x11
