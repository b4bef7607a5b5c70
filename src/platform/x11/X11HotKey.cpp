#include "platform/x11/X11HotKey.h"

#include "base/Log.h"
#include "platform/keys/KeyCodes.h"
#include "platform/x11/X11EventConnection.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

namespace qv {
namespace {
constexpr uint32_t kAltL = 0xffe9, kAltR = 0xffea, kMetaL = 0xffe7, kMetaR = 0xffe8;
constexpr uint32_t kSuperL = 0xffeb, kSuperR = 0xffec, kNumLock = 0xff7f;
}  // namespace

X11HotKey::X11HotKey(const QString& displayName) : x_(std::make_unique<X11EventConnection>(displayName)) {
  if (!x_->isConnected()) return;
  symbols_ = xcb_key_symbols_alloc(x_->connection());
  readModifierMap();
  x_->setEventHandler([this](xcb_generic_event_t* event) { handleEvent(event); });
}

X11HotKey::~X11HotKey() {
  for (const auto& [id, grab] : grabs_) ungrab(grab);
  if (x_->isConnected()) xcb_flush(x_->connection());
  if (symbols_) xcb_key_symbols_free(symbols_);
}

void X11HotKey::installHandler(PressHandler handler) { handler_ = std::move(handler); }
void X11HotKey::removeHandler() { handler_ = nullptr; }
bool X11HotKey::hasHandler() const { return bool(handler_); }

// Alt, Super and Num Lock sit on whichever ModN the server's modifier map says.
void X11HotKey::readModifierMap() {
  altMask_ = XCB_MOD_MASK_1;
  superMask_ = XCB_MOD_MASK_4;
  numLockMask_ = XCB_MOD_MASK_2;
  xcb_connection_t* c = x_->connection();
  xcb_get_modifier_mapping_reply_t* map = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
  if (!map) return;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
  const int perModifier = map->keycodes_per_modifier;
  bool foundAlt = false, foundSuper = false, foundNumLock = false;
  uint16_t alt = 0, super = 0, numLock = 0;
  for (int modifier = 3; modifier < 8; ++modifier) {  // Mod1 to Mod5
    const uint16_t mask = uint16_t(1u << modifier);
    for (int i = 0; i < perModifier; ++i) {
      const xcb_keycode_t code = codes[modifier * perModifier + i];
      if (code == 0) continue;
      for (int column = 0; column < 2; ++column) {
        const xcb_keysym_t sym = xcb_key_symbols_get_keysym(symbols_, code, column);
        if ((sym == kAltL || sym == kAltR || sym == kMetaL || sym == kMetaR) && !foundAlt) alt = mask, foundAlt = true;
        if ((sym == kSuperL || sym == kSuperR) && !foundSuper) super = mask, foundSuper = true;
        if (sym == kNumLock && !foundNumLock) numLock = mask, foundNumLock = true;
      }
    }
  }
  std::free(map);
  if (foundAlt) altMask_ = alt;
  if (foundSuper) superMask_ = super;
  if (foundNumLock) numLockMask_ = numLock;
}

uint16_t X11HotKey::xModifiersFor(int modifierFlags) const {
  const keys::X11Modifiers logical = keys::x11ModifiersForFlags(modifierFlags);
  uint16_t mask = 0;
  if (logical.shift) mask |= XCB_MOD_MASK_SHIFT;
  if (logical.control) mask |= XCB_MOD_MASK_CONTROL;
  if (logical.alt) mask |= altMask_;
  if (logical.super) mask |= superMask_;
  return mask;
}

int X11HotKey::registerHotKey(int keyCode, int modifierFlags, uint32_t id) {
  unregisterHotKey(id);
  if (!x_->isConnected() || !symbols_) return kUnavailable;
  const std::optional<uint32_t> keysym = keys::keysymForKeyCode(keyCode);
  if (!keysym) return kUnknownKey;
  Grab grab;
  grab.keyCode = keyCode;
  grab.modifierFlags = modifierFlags;
  grab.xModifiers = xModifiersFor(modifierFlags);
  if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, *keysym)) {
    for (xcb_keycode_t* code = codes; *code != XCB_NO_SYMBOL; ++code)
      if (std::find(grab.xKeyCodes.begin(), grab.xKeyCodes.end(), *code) == grab.xKeyCodes.end())
        grab.xKeyCodes.push_back(*code);
    std::free(codes);
  }
  if (grab.xKeyCodes.empty()) return kUnknownKey;
  const int status = this->grab(grab);
  if (status != kOk) return status;
  grabs_[id] = std::move(grab);
  return kOk;
}

int X11HotKey::grab(Grab& grab) {
  xcb_connection_t* c = x_->connection();
  const uint16_t lockVariants[] = {0, XCB_MOD_MASK_LOCK, numLockMask_, uint16_t(XCB_MOD_MASK_LOCK | numLockMask_)};
  std::vector<xcb_void_cookie_t> cookies;
  for (uint8_t code : grab.xKeyCodes)
    for (uint16_t variant : lockVariants)
      cookies.push_back(xcb_grab_key_checked(c, 1, x_->rootWindow(), uint16_t(grab.xModifiers | variant), code,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  int status = kOk;
  for (xcb_void_cookie_t cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
      if (status == kOk) status = error->error_code;
      std::free(error);
    }
  }
  // Replies were waited for: events may already sit in the queue.
  x_->dispatchPending();
  if (status != kOk) ungrab(grab);  // releases only the variants this client did get
  return status;
}

void X11HotKey::ungrab(const Grab& grab) {
  if (!x_->isConnected()) return;
  xcb_connection_t* c = x_->connection();
  const uint16_t lockVariants[] = {0, XCB_MOD_MASK_LOCK, numLockMask_, uint16_t(XCB_MOD_MASK_LOCK | numLockMask_)};
  for (uint8_t code : grab.xKeyCodes)
    for (uint16_t variant : lockVariants)
      xcb_ungrab_key(c, code, x_->rootWindow(), uint16_t(grab.xModifiers | variant));
  xcb_flush(c);
}

void X11HotKey::unregisterHotKey(uint32_t id) {
  auto it = grabs_.find(id);
  if (it == grabs_.end()) return;
  ungrab(it->second);
  grabs_.erase(it);
}

void X11HotKey::sync() {
  xcb_connection_t* c = x_->connection();
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void X11HotKey::setSuspended(bool suspended) {
  if (suspended == suspended_ || !x_->isConnected()) return;
  suspended_ = suspended;
  if (suspended) {
    for (const auto& [id, grab] : grabs_) ungrab(grab);
    // The server has let go of the keys before anything is posted on another connection.
    sync();
    return;
  }
  for (auto& [id, grab] : grabs_)
    if (const int status = this->grab(grab); status != kOk)
      qCCritical(lcHotKey) << "Lost the global shortcut after posting keys, status" << status;
}

void X11HotKey::handleEvent(void* rawEvent) {
  auto* event = static_cast<xcb_generic_event_t*>(rawEvent);
  const uint8_t type = event->response_type & 0x7f;
  if (type == XCB_KEY_RELEASE) {
    auto* release = reinterpret_cast<xcb_key_release_event_t*>(event);
    lastReleasedKey_ = release->detail;
    lastReleaseTime_ = release->time;
    return;
  }
  if (type == XCB_MAPPING_NOTIFY) {
    auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
    if (mapping->request == XCB_MAPPING_POINTER) return;
    // The keyboard changed: find the keys again and grab them anew.
    xcb_refresh_keyboard_mapping(symbols_, mapping);
    auto current = std::exchange(grabs_, {});
    for (const auto& [id, grab] : current) ungrab(grab);
    readModifierMap();
    for (const auto& [id, grab] : current) {
      const int status = registerHotKey(grab.keyCode, grab.modifierFlags, id);
      if (status != kOk) qCCritical(lcHotKey) << "Lost the global shortcut after a keyboard change, status" << status;
    }
    return;
  }
  if (type != XCB_KEY_PRESS) return;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  // Auto-repeat shows as a release and a press with the same time stamp; a held key fires once.
  if (press->detail == lastReleasedKey_ && press->time == lastReleaseTime_) return;
  const uint16_t relevant = uint16_t(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | altMask_ | superMask_);
  for (const auto& [id, grab] : grabs_) {
    const bool keyMatches = std::find(grab.xKeyCodes.begin(), grab.xKeyCodes.end(), press->detail) !=
                            grab.xKeyCodes.end();
    if (keyMatches && (press->state & relevant) == grab.xModifiers) {
      if (handler_) handler_(id);
      return;
    }
  }
}

}  // namespace qv
