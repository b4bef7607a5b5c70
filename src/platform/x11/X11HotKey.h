#pragma once
#include "platform/GlobalHotKey.h"

#include <QString>
#include <map>
#include <memory>
#include <vector>

#include <xcb/xcb_keysyms.h>

namespace qv {

class X11EventConnection;

// Global shortcuts as passive key grabs on the root window of a private connection. Each key
// is grabbed four times, with and without Caps Lock and Num Lock, so the lock keys never stop a
// shortcut. A key another client already grabbed makes the whole registration fail.
class X11HotKey : public GlobalHotKey {
 public:
  explicit X11HotKey(const QString& displayName = QString());
  ~X11HotKey() override;

  void installHandler(PressHandler handler) override;
  void removeHandler() override;
  bool hasHandler() const override;
  int registerHotKey(int keyCode, int modifierFlags, uint32_t id) override;
  void unregisterHotKey(uint32_t id) override;
  void setSuspended(bool suspended) override;

 private:
  struct Grab {
    int keyCode = 0;
    int modifierFlags = 0;
    std::vector<uint8_t> xKeyCodes;
    uint16_t xModifiers = 0;
  };

  void readModifierMap();
  uint16_t xModifiersFor(int modifierFlags) const;
  int grab(Grab& grab);
  void sync();
  void ungrab(const Grab& grab);
  void handleEvent(void* event);

  std::unique_ptr<X11EventConnection> x_;
  xcb_key_symbols_t* symbols_ = nullptr;
  PressHandler handler_;
  std::map<uint32_t, Grab> grabs_;
  uint16_t altMask_ = 0;
  uint16_t superMask_ = 0;
  uint16_t numLockMask_ = 0;
  bool suspended_ = false;
  uint8_t lastReleasedKey_ = 0;
  uint32_t lastReleaseTime_ = 0;
};

}  // namespace qv
