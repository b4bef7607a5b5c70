#include "platform/x11/X11KeyPoster.h"

#include "base/Log.h"
#include "platform/keys/KeyCodes.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>
#include <algorithm>
#include <cstdlib>

namespace qv::x11 {

namespace {
constexpr uint32_t kControlLeft = 0xffe3;
constexpr uint32_t kShiftLeft = 0xffe1;
constexpr uint32_t kAltLeft = 0xffe9;
constexpr uint32_t kNumLock = 0xff7f;
constexpr quint16 kLockMask = 2;
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
  const xcb_query_extension_reply_t* input = xcb_get_extension_data(x_.connection(), &xcb_input_id);
  if (input && input->present) {
    // Raw events need 2.0; 2.2 has them arrive during grabs too.
    auto* version = xcb_input_xi_query_version_reply(x_.connection(), xcb_input_xi_query_version(x_.connection(), 2, 2),
                                                     nullptr);
    if (version && version->major_version >= 2) inputOpcode_ = input->major_opcode;
    std::free(version);
  }
  x_.setEventHandler([this](xcb_generic_event_t* event) { handleEvent(event); });
}

X11KeyPoster::~X11KeyPoster() {
  // Nobody would release them after us.
  for (const quint32 key : std::as_const(leftDown_)) fakeKey(XCB_KEY_RELEASE, xcb_keycode_t(key));
  if (!leftDown_.isEmpty()) xcb_flush(x_.connection());
  if (symbols_) xcb_key_symbols_free(symbols_);
}

void X11KeyPoster::loadKeyboardMap() {
  xcb_connection_t* c = x_.connection();
  modifierKeys_.clear();
  modifiers_ = {};
  auto* reply = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
  if (!reply) return;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
  const int count = xcb_get_modifier_mapping_keycodes_length(reply);
  const int perModifier = std::max(1, int(reply->keycodes_per_modifier));
  const xcb_keycode_t numLock = symbols_ ? keycodeFor(kNumLock) : 0;
  modifiers_.adjustable = quint16(0xff & ~kLockMask);
  for (int index = 0; index < count && index / perModifier < 8; ++index) {
    if (codes[index] == 0) continue;
    if (!modifierKeys_.contains(codes[index])) modifierKeys_.append(codes[index]);
    modifiers_.keys[std::size_t(index / perModifier)].append(codes[index]);
    // Num Lock is a lock too: its modifier is never held for a key.
    if (codes[index] == numLock) modifiers_.adjustable &= quint16(~(1u << (index / perModifier)));
  }
  free(reply);
}

void X11KeyPoster::handleEvent(xcb_generic_event_t* event) {
  const uint8_t type = event->response_type & 0x7f;
  if (type == XCB_MAPPING_NOTIFY) {
    xcb_refresh_keyboard_mapping(symbols_, reinterpret_cast<xcb_mapping_notify_event_t*>(event));
    loadKeyboardMap();
    return;
  }
  if (type == XCB_GE_GENERIC) {
    handleRawRelease(event);
    return;
  }
  // Key events come only from a grab: this connection selects them nowhere.
  if ((type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) || !hold_) return;
  const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
  // While V is held the grab also takes the user's keys, whose state then has our Control (and
  // Shift): what the user does not hold is no part of how they typed.
  const quint16 userModifiers = modifiers_.maskOf(modifiers_.modifiersAmong(hold_->keysDown()));
  const auto state = quint16(key->state & ~(pasteModifiers_ & ~userModifiers));
  hold_->add({key->detail, type == XCB_KEY_PRESS, key->time, state});
  if (released_) postTyped(hold_->take());
}

void X11KeyPoster::handleRawRelease(const xcb_generic_event_t* event) {
  const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
  if (inputOpcode_ == 0 || generic->extension != inputOpcode_ || generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
    return;
  const auto* raw = reinterpret_cast<const xcb_input_raw_key_release_event_t*>(event);
  if (int32_t(raw->full_sequence - watchFrom_) < 0 || !leftDown_.remove(raw->detail)) return;
  // The user let go of a key we pressed again for them: released on our device too (on the
  // same device this release finds the key up and changes nothing).
  fakeKey(XCB_KEY_RELEASE, xcb_keycode_t(raw->detail));
  if (leftDown_.isEmpty()) watchKeysLeftDown();
  xcb_flush(x_.connection());
}

void X11KeyPoster::watchKeysLeftDown() {
  if (inputOpcode_ == 0) return;
  const bool watch = !leftDown_.isEmpty();
  if (watch == watching_ && !watch) return;
  if (watch != watching_)
    selectRawInputEvents(x_.connection(), x_.rootWindow(), watch ? XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE : 0);
  watching_ = watch;
  // The server handles posted keys before the next request: raw events it sends before this one
  // are of keys posted so far.
  if (watch) {
    const xcb_get_input_focus_cookie_t marker = xcb_get_input_focus(x_.connection());
    watchFrom_ = marker.sequence;
    xcb_discard_reply(x_.connection(), marker.sequence);
  }
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
    // The keys down as of the grab (the picking key among them or not): their releases come to
    // us from now on.
    QSet<quint32> down;
    if (auto* keymap = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr)) {
      for (quint32 code = 8; code < 256; ++code)
        if ((keymap->keys[code / 8] >> (code % 8)) & 1) down.insert(code);
      std::free(keymap);
    }
    const bool pickingDown = pickingKey != 0 && down.contains(pickingKey);
    released_ = false;
    pasteModifiers_ = 0;
    hold_.emplace(pickingKey, pickingDown, down);
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
  // The ungrab goes out even when there is nothing to type: a menu opening next takes the
  // keyboard, and fails while we hold it.
  xcb_flush(x_.connection());
}

void X11KeyPoster::postTyped(const QList<TypedKey>& keys) {
  if (keys.isEmpty()) return;
  // The modifiers down now: the user's, pressed again after a paste.
  const QSet<quint32> modifiersDown = modifiers_.modifiersAmong(hold_->keysDown());
  const QList<TypedKey> posted = replayKeys(keys, modifiers_, modifiersDown);
  if (lcPlatform().isDebugEnabled()) {
    QStringList described;
    for (const TypedKey& key : posted)
      described << (key.press ? QStringLiteral("+") : QStringLiteral("-")) + QString::number(key.code);
    qCDebug(lcPlatform).noquote() << "Typing the held keys again:" << described.join(u' ');
  }
  for (const TypedKey& key : posted) {
    fakeKey(key.press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, xcb_keycode_t(key.code));
    if (key.press) leftDown_.insert(key.code);
    else leftDown_.remove(key.code);
  }
  watchKeysLeftDown();
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
  pasteModifiers_ = modifiers_.maskOf(control) | (withShift ? modifiers_.maskOf(shift) : 0);
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
  // The modifiers the user still holds are theirs again: the next keys are typed with them.
  if (hold_ && !released_) {
    const QSet<quint32> userHeld = modifiers_.modifiersAmong(hold_->keysDown());
    if (!userHeld.isEmpty()) qCDebug(lcPlatform) << "Modifiers pressed again after the paste:" << userHeld;
    for (const quint32 key : userHeld) {
      fakeKey(XCB_KEY_PRESS, xcb_keycode_t(key));
      leftDown_.insert(key);
    }
    watchKeysLeftDown();
  }
  xcb_flush(x_.connection());
  qCInfo(lcPlatform) << "Posted" << (withShift ? "Ctrl+Shift+V" : "Ctrl+V") << "for window class" << windowClass;
  return true;
}

}  // namespace qv::x11
