#pragma once
#include <cstdint>
#include <functional>

namespace qv {

// One system-wide keyboard shortcut at a time, given in the stored key model (key code and
// modifier flags, see platform/keys). Presses reach the installed handler on the main thread
// with the id the key was registered under.
class GlobalHotKey {
 public:
  // Registration results. The X server's own error code is passed through otherwise.
  static constexpr int kOk = 0;
  static constexpr int kAlreadyGrabbed = 10;  // another client holds the key (BadAccess)
  static constexpr int kUnknownKey = -1;      // the key has no place on this keyboard
  static constexpr int kUnavailable = -2;     // no X server to register with

  using PressHandler = std::function<void(uint32_t id)>;

  virtual ~GlobalHotKey() = default;

  virtual void installHandler(PressHandler handler) = 0;
  virtual void removeHandler() = 0;
  virtual bool hasHandler() const = 0;

  // Grabs the key with exactly these modifiers (Caps Lock and Num Lock do not matter). Returns
  // kOk, or an error status when nothing was grabbed.
  virtual int registerHotKey(int keyCode, int modifierFlags, uint32_t id) = 0;
  virtual void unregisterHotKey(uint32_t id) = 0;
  // While suspended no key is grabbed, so keys the program posts itself reach their window
  // (posted keys pass through grabs like typed ones). Both directions take effect before the
  // call returns; resuming grabs the registered keys again.
  virtual void setSuspended(bool suspended) = 0;
};

}  // namespace qv
