#pragma once
#include "items/writer/PasteSender.h"
#include "platform/Scheduler.h"

#include <functional>
#include <memory>
#include <optional>

namespace qv {

class PastePermission;

// The end of a pick that pastes into the application the user came from, shared by the panel
// and the library: with the item already on the clipboard, the permission is checked once more,
// the picking window goes, and 0.2 s later (the window manager has handed the focus back by
// then) the sender activates the application and types the paste keystroke. Main thread only.
class PasteBack {
 public:
  static constexpr double kActivateDelaySeconds = 0.2;

  struct Steps {
    // The picking window goes and lets go of the keyboard focus.
    std::function<void()> hide;
    // The permission went away after the write: nothing will be typed (the window is the
    // caller's to hide).
    std::function<void()> permissionLost;
    // How the paste ended (never called when permissionLost ran).
    std::function<void(PasteOutcome)> done;
  };

  PasteBack(std::shared_ptr<Scheduler> scheduler, std::shared_ptr<PastePermission> permission,
            std::shared_ptr<PasteSender> sender);

  bool permissionHeld() const;
  // Runs the steps for `target`; a delivery still waiting for its delay is dropped.
  void deliver(const std::optional<RunningApp>& target, Steps steps);
  // Drops a delivery still waiting for its delay.
  void cancel() { work_.cancel(); }

 private:
  std::shared_ptr<Scheduler> scheduler_;
  std::shared_ptr<PastePermission> permission_;
  std::shared_ptr<PasteSender> sender_;
  WorkItem work_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // guards the delayed activation
};

}  // namespace qv
