#pragma once
#include "platform/KeyPoster.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <QList>

typedef struct _XCBKeySymbols xcb_key_symbols_t;

namespace qv::x11 {

// Posts keys through XTest on a connection of its own. The paste path only queues requests and
// flushes: no reply is awaited there (a round trip can stall for seconds after the server was
// idle). The keyboard map is read at start and again when the server announces a new one.
class X11KeyPoster : public KeyPoster {
 public:
  X11KeyPoster();
  ~X11KeyPoster() override;

  bool canPost() const override { return available_; }
  bool postPaste(const QString& windowClass) override;

  // How long the V key stays down; some browser fields miss shorter presses.
  static constexpr int kKeyHoldMs = 50;

 private:
  void loadKeyboardMap();
  void reloadMapIfChanged();
  xcb_keycode_t keycodeFor(uint32_t keysym) const;
  void fakeKey(uint8_t type, xcb_keycode_t key, uint32_t delayMs = 0);

  XcbConnection connection_;
  bool available_ = false;
  xcb_key_symbols_t* symbols_ = nullptr;
  QList<xcb_keycode_t> modifierKeys_;
};

}  // namespace qv::x11
