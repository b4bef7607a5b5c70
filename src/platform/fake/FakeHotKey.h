#pragma once
#include "platform/GlobalHotKey.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace qv {

// Records registrations; a test presses keys and can make keys "taken by another program".
class FakeHotKey : public GlobalHotKey {
 public:
  struct Shortcut {
    int keyCode;
    int modifierFlags;
    bool operator==(const Shortcut&) const = default;
  };

  void installHandler(PressHandler handler) override {
    handler_ = std::move(handler);
    ++handlerInstalls;
  }
  void removeHandler() override { handler_ = nullptr; }
  bool hasHandler() const override { return bool(handler_); }

  int registerHotKey(int keyCode, int modifierFlags, uint32_t id) override {
    ++registrations;
    const Shortcut shortcut{keyCode, modifierFlags};
    for (const auto& taken : taken_)
      if (taken == shortcut) return kAlreadyGrabbed;
    registered_[id] = shortcut;
    return kOk;
  }
  void unregisterHotKey(uint32_t id) override { registered_.erase(id); }
  void setSuspended(bool on) override { suspended = on; }

  // Test controls.
  void takeByOtherProgram(int keyCode, int modifierFlags) { taken_.push_back({keyCode, modifierFlags}); }
  void releaseAllTaken() { taken_.clear(); }
  std::optional<Shortcut> registered(uint32_t id = 1) const {
    auto it = registered_.find(id);
    return it == registered_.end() ? std::nullopt : std::optional<Shortcut>(it->second);
  }
  // A press of whatever is registered under `id`; false when nothing would have been delivered.
  bool press(uint32_t id = 1) {
    if (!handler_ || suspended) return false;
    handler_(id);
    return true;
  }

  bool suspended = false;
  int registrations = 0;
  int handlerInstalls = 0;

 private:
  PressHandler handler_;
  std::map<uint32_t, Shortcut> registered_;
  std::vector<Shortcut> taken_;
};

}  // namespace qv
