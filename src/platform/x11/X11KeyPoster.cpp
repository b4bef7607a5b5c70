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
constexpr uint32_t kAltLeft = 0xffe9;
}  // namespace

X11KeyPoster::X11KeyPoster() {
  if (!x_.isConnected() || !isX11Session()) return;
  const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(x_.connection(), &xcb_test_id);
  if (!xtest || !xtest->present) {
    qCInfo(lcPlatform) << "The X server has no XTest extension: keys cannot be posted";
    return;
  }
  symbols_ = xcb_key_symbols_alloc(x_.connection());
  loadKeyboardMap();
  // Fetches the key symbol table now, so the first paste needs no reply from the server.
  if (symbols_) keycodeFor(kControlLeft);
  available_ = symbols_ != nullptr;
  x_.setEventHandler([this](xcb_generic_event_t* event) { handleEvent(event); });
}

X11KeyPoster::~X11KeyPoster() {
  if (symbols_) xcb_key_symbols_free(symbols_);
}

void X11KeyPoster::loadKeyboardMap() {
  xcb_connection_t* c = x_.connection();
  modifierKeys_.clear();
  auto* reply = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
  if (!reply) return;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
  const int count = xcb_get_modifier_mapping_keycodes_length(reply);
  for (int index = 0; index < count; ++index)
    if (codes[index] != 0 && !modifierKeys_.contains(codes[index])) modifierKeys_.append(codes[index]);
  free(reply);
}

void X11KeyPoster::handleEvent(xcb_generic_event_t* event) {
  const uint8_t type = event->response_type & 0x7f;
  if (type == XCB_MAPPING_NOTIFY) {
    xcb_refresh_keyboard_mapping(symbols_, reinterpret_cast<xcb_mapping_notify_event_t*>(event));
    loadKeyboardMap();
    return;
  }
  // Key events come only from a grab: this connection selects them nowhere.
  if ((type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) || !hold_) return;
  const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
  hold_->add({key->detail, type == XCB_KEY_PRESS, key->time});
  if (released_) postTyped(hold_->take());
}

xcb_grab_keyboard_cookie_t X11KeyPoster::grabKeyboard() {
  grabbed_ = true;
  return xcb_grab_keyboard(x_.connection(), 0, x_.rootWindow(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                           XCB_GRAB_MODE_ASYNC);
}

bool X11KeyPoster::holdKeys(quint32 pickingKey) {
  if (!available_) return false;
  if (grabbed_) return true;
  xcb_connection_t* c = x_.connection();
  auto* grab = xcb_grab_keyboard_reply(c, grabKeyboard(), nullptr);
  grabbed_ = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
  std::free(grab);
  if (!hold_ || released_) {
    // Whether the picking key is still down, as of the grab: its release comes to us from now on.
    bool pickingDown = false;
    if (pickingKey != 0 && pickingKey < 256) {
      if (auto* keymap = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr)) {
        pickingDown = (keymap->keys[pickingKey / 8] >> (pickingKey % 8)) & 1;
        std::free(keymap);
      }
    }
    released_ = false;
    hold_.emplace(pickingKey, pickingDown);
  }
  return grabbed_;
}

void X11KeyPoster::keepTypedKey(const TypedKey& key) {
  if (hold_ && !released_) hold_->add(key);
}

void X11KeyPoster::endGrab() {
  if (!std::exchange(grabbed_, false)) return;
  xcb_ungrab_keyboard(x_.connection(), XCB_CURRENT_TIME);
}

void X11KeyPoster::releaseHeldKeys() {
  if (!hold_ || released_) return;
  endGrab();
  x_.dispatchPending();  // what the grab has already brought in
  released_ = true;
  postTyped(hold_->take());
}

void X11KeyPoster::postTyped(const QList<TypedKey>& keys) {
  for (const TypedKey& key : keys) {
    const auto code = xcb_keycode_t(key.code);
    // A key still down on the posting device (another XTest client typing) would make the press
    // a repeat, which is dropped; releasing a key that is up changes nothing.
    if (key.press) fakeKey(XCB_KEY_RELEASE, code);
    fakeKey(key.press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code);
  }
  xcb_flush(x_.connection());
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
  xcb_test_fake_input(x_.connection(), type, key, delayMs, XCB_NONE, 0, 0, 0);
}

bool X11KeyPoster::postPaste(const QString& windowClass) {
  if (!available_) return false;
  x_.dispatchPending();  // a new keyboard map, held keys that arrived
  // The grab would take the paste keystroke too; the held keys stay held until after it.
  const bool holding = grabbed_;
  endGrab();
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
  // While V is held the user's keys are held too (they would reach the window with Ctrl): the
  // grab is taken again, and given up after the hold time, which the delayed release of a key
  // that is up (Alt, released above) measures, just before V's release.
  const xcb_keycode_t timer = holding ? keycodeFor(kAltLeft) : 0;
  const bool regrab = timer != 0 && timer != control && timer != shift && modifierKeys_.contains(timer);
  if (regrab) xcb_discard_reply(x_.connection(), grabKeyboard().sequence);
  // The presses have been handled by the server when this returns, so a key grab taken again
  // right after cannot catch them (only presses activate grabs; the releases may come later).
  std::free(xcb_get_input_focus_reply(x_.connection(), xcb_get_input_focus(x_.connection()), nullptr));
  if (regrab) {
    fakeKey(XCB_KEY_RELEASE, timer, kKeyHoldMs);
    endGrab();
    fakeKey(XCB_KEY_RELEASE, v);
  } else {
    fakeKey(XCB_KEY_RELEASE, v, kKeyHoldMs);
  }
  if (withShift) fakeKey(XCB_KEY_RELEASE, shift);
  fakeKey(XCB_KEY_RELEASE, control);
  xcb_flush(x_.connection());
  qCInfo(lcPlatform) << "Posted" << (withShift ? "Ctrl+Shift+V" : "Ctrl+V") << "for window class" << windowClass;
  return true;
}

}  // namespace qv::x11
