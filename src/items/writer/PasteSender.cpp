#include "items/writer/PasteSender.h"

#include "base/Log.h"
#include "platform/GlobalHotKey.h"
#include "platform/KeyPoster.h"
#include "platform/Scheduler.h"

#include <cmath>

namespace qv {

PasteSender::PasteSender(std::shared_ptr<Scheduler> scheduler, std::shared_ptr<Workspace> workspace,
                         std::shared_ptr<KeyPoster> keys, std::shared_ptr<GlobalHotKey> hotKey)
    : scheduler_(std::move(scheduler)),
      workspace_(std::move(workspace)),
      keys_(std::move(keys)),
      hotKey_(std::move(hotKey)) {}

PasteSender::~PasteSender() {
  if (holding_) keys_->releaseHeldKeys();
}

void PasteSender::activateAndPaste(const std::optional<RunningApp>& app, Completion done) {
  if (!app) {
    scheduler_->after(
        kPasteDelay, [this, done] { finish(done, postCommandV() ? PasteOutcome::pasted : PasteOutcome::cannotPost); },
        Guard(alive_));
    return;
  }
  if (!workspace_->isStillRunning(*app) || !workspace_->activate(*app)) {
    qCInfo(lcItems) << "Not pasting: the previous application is gone";
    scheduler_->post([this, done] { finish(done, PasteOutcome::targetGone); }, Guard(alive_));
    return;
  }
  const int polls = int(std::lround((kFocusDeadline - kPasteDelay) / kFocusPollInterval));
  const int keyPolls = int(std::lround(kPickingKeyWait / kFocusPollInterval));
  scheduler_->after(
      kPasteDelay, [this, target = *app, polls, keyPolls, done] { pasteWhenActive(target, polls, keyPolls, done); },
      Guard(alive_));
}

void PasteSender::pasteWhenActive(const RunningApp& app, int pollsLeft, int keyPollsLeft, const Completion& done) {
  if (!workspace_->isStillRunning(app)) {
    qCInfo(lcItems) << "Not pasting: the previous application quit while it was activated";
    finish(done, PasteOutcome::targetGone);
    return;
  }
  if (isActive(app) && keys_->pickingKeyDown() && keyPollsLeft > 0) {
    // Still held, the key that picked would repeat into the application after the paste.
    scheduler_->after(
        kFocusPollInterval,
        [this, app, pollsLeft, keyPollsLeft, done] { pasteWhenActive(app, pollsLeft, keyPollsLeft - 1, done); },
        Guard(alive_));
    return;
  }
  if (isActive(app)) {
    const bool posted = keys_->canPost() && postPaste(app.windowClass);
    finish(done, posted ? PasteOutcome::pasted : PasteOutcome::cannotPost);
    return;
  }
  if (pollsLeft <= 0) {
    qCInfo(lcItems) << "Not pasting: the previous application's window did not become active";
    finish(done, PasteOutcome::notActivated);
    return;
  }
  scheduler_->after(
      kFocusPollInterval,
      [this, app, pollsLeft, keyPollsLeft, done] { pasteWhenActive(app, pollsLeft - 1, keyPollsLeft, done); },
      Guard(alive_));
}

bool PasteSender::isActive(const RunningApp& app) const {
  const std::optional<RunningApp> front = workspace_->frontmostApplication();
  if (!front) return false;
  if (app.windowId != 0) return front->windowId == app.windowId;
  return app.pid > 0 && front->pid == app.pid;
}

bool PasteSender::postCommandV() {
  if (!keys_->canPost()) return false;
  const std::optional<RunningApp> front = workspace_->frontmostApplication();
  return postPaste(front ? front->windowClass : QString());
}

bool PasteSender::postPaste(const QString& windowClass) {
  // A recorded Ctrl+Shift+V would otherwise open the panel instead of pasting into a terminal.
  if (hotKey_) hotKey_->setSuspended(true);
  const bool posted = keys_->postPaste(windowClass);
  if (hotKey_) hotKey_->setSuspended(false);
  return posted;
}

void PasteSender::finish(const Completion& done, PasteOutcome outcome) {
  // Typed or not, the paste is over: the held keys go where the focus is now.
  releaseHeldKeys();
  if (done) done(outcome);
}

void PasteSender::holdTypedKeys(quint32 pickingKey) {
  if (!keys_->canPost()) return;  // nothing could type them again
  holding_ = true;
  handBack_.cancel();
  holdLimit_.cancel();
  holdLimit_ = scheduler_->after(
      kHoldLimit, [this] { releaseHeldKeys(); }, Guard(alive_));
  tryHold(pickingKey);
}

void PasteSender::tryHold(quint32 pickingKey) {
  holdRetry_.cancel();
  if (!holding_ || keys_->holdKeys(pickingKey)) return;
  holdRetry_ = scheduler_->after(
      kHoldRetryInterval, [this, pickingKey] { tryHold(pickingKey); }, Guard(alive_));
}

void PasteSender::handBackKeys() {
  if (!holding_) return;
  handBack_.cancel();
  handBackWhenAway(int(std::lround(kHandBackDeadline / kFocusPollInterval)));
}

void PasteSender::handBackWhenAway(int pollsLeft) {
  const std::optional<RunningApp> front = workspace_->frontmostApplication();
  // No active window at all is also where the keys would go without us.
  if (!front || front->pid != workspace_->ownPid() || pollsLeft <= 0) {
    releaseHeldKeys();
    return;
  }
  handBack_ = scheduler_->after(
      kFocusPollInterval, [this, pollsLeft] { handBackWhenAway(pollsLeft - 1); }, Guard(alive_));
}

void PasteSender::releaseHeldKeys() {
  holding_ = false;
  holdRetry_.cancel();
  holdLimit_.cancel();
  handBack_.cancel();
  keys_->releaseHeldKeys();
}

const char* pasteOutcomeName(PasteOutcome outcome) {
  switch (outcome) {
    case PasteOutcome::pasted: return "pasted";
    case PasteOutcome::targetGone: return "targetGone";
    case PasteOutcome::notActivated: return "notActivated";
    case PasteOutcome::cannotPost: return "cannotPost";
  }
  return "";
}

}  // namespace qv
