#include "items/writer/PasteBack.h"

#include "platform/PastePermission.h"

namespace qv {

PasteBack::PasteBack(std::shared_ptr<Scheduler> scheduler, std::shared_ptr<PastePermission> permission,
                     std::shared_ptr<PasteSender> sender)
    : scheduler_(std::move(scheduler)), permission_(std::move(permission)), sender_(std::move(sender)) {}

bool PasteBack::permissionHeld() const { return permission_ && permission_->isHeld(); }

void PasteBack::deliver(const std::optional<RunningApp>& target, Steps steps) {
  work_.cancel();
  if (!permissionHeld()) {
    if (steps.permissionLost) steps.permissionLost();
    return;
  }
  if (steps.hide) steps.hide();
  work_ = scheduler_->after(
      kActivateDelaySeconds,
      [this, target, done = std::move(steps.done)] {
        sender_->activateAndPaste(target, [done](PasteOutcome outcome) {
          if (done) done(outcome);
        });
      },
      Guard(alive_));
}

}  // namespace qv
