#pragma once
#include "platform/KeyPoster.h"
#include "platform/x11/X11EventConnection.h"

#include <xcb/xcb.h>
#include <QList>
#include <optional>

typedef struct _XCBKeySymbols xcb_key_symbols_t;

namespace qv::x11 {

// Posts keys through XTest on a connection of its own. The paste path only queues requests and
// flushes: no reply is awaited there (a round trip can stall for seconds after the server was
// idle). The keyboard map is read at start and again when the server announces a new one.
// Keys are held back by an active grab of the keyboard on the root window: the keys typed then
// come to this connection alone. XTest keys would go to the grab too, so it is given up for the
// paste keystroke's presses and for its releases (it is held again while V is held); the held
// keys are posted after the paste, and keys still on their way when the grab ended are posted
// as they arrive, since this connection gets no other key events. A posted key that the user
// still holds is left down (it goes on repeating); its release is watched for among the raw
// key events and posted too, for a key held on another device than the one posting.
class X11KeyPoster : public KeyPoster {
 public:
  X11KeyPoster();
  ~X11KeyPoster() override;

  bool canPost() const override { return available_; }
  bool postPaste(const QString& windowClass) override;
  bool holdKeys(quint32 pickingKey) override;
  void keepTypedKey(const TypedKey& key) override;
  bool pickingKeyDown() const override { return hold_ && hold_->pickingKeyDown(); }
  void releaseHeldKeys() override;

  // How long the V key stays down; some browser fields miss shorter presses.
  static constexpr int kKeyHoldMs = 50;

 private:
  void loadKeyboardMap();
  void handleEvent(xcb_generic_event_t* event);
  // Asks for the keyboard; the reply tells whether it was granted.
  xcb_grab_keyboard_cookie_t grabKeyboard();
  void endGrab();
  void postTyped(const QList<TypedKey>& keys);
  // Watches for the release of the keys this connection left down, from the requests sent so far.
  void watchKeysLeftDown();
  void handleRawRelease(const xcb_generic_event_t* event);
  xcb_keycode_t keycodeFor(uint32_t keysym) const;
  void fakeKey(uint8_t type, xcb_keycode_t key, uint32_t delayMs = 0);

  X11EventConnection x_;
  bool available_ = false;
  bool grabbed_ = false;
  bool released_ = false;  // keys that still arrive are posted at once
  std::optional<HeldKeys> hold_;
  xcb_key_symbols_t* symbols_ = nullptr;
  QList<xcb_keycode_t> modifierKeys_;
  ModifierKeys modifiers_;
  uint8_t inputOpcode_ = 0;  // 0 without XInput 2
  QSet<quint32> leftDown_;   // posted presses the user has not released yet
  uint32_t watchFrom_ = 0;   // raw events before this request are of our own keys
  bool watching_ = false;
  quint16 pasteModifiers_ = 0;  // the modifiers of the paste keystroke, held by us
};

}  // namespace qv::x11
