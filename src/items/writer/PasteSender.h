#pragma once
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

#include <functional>
#include <memory>
#include <optional>

namespace qv {

class GlobalHotKey;
class KeyPoster;

// How a paste into the previous application ended.
enum class PasteOutcome {
  pasted,        // the keystroke was posted into the target
  targetGone,    // the remembered application quit or lost its window: nothing was typed
  notActivated,  // its window never became the active one in time: nothing was typed
  cannotPost,    // keys cannot be posted in this session: nothing was typed
};

// Brings the application the user came from back to the front and types the paste keystroke
// into it. Keys are only ever typed into the window that was asked for: when it is gone or does
// not become active, nothing is typed and the caller is told, so it can say the item was only
// copied. Main thread only.
class PasteSender {
 public:
  // `hotKey` (optional) is suspended while keys are posted: our own shortcut would take them.
  PasteSender(std::shared_ptr<Scheduler> scheduler, std::shared_ptr<Workspace> workspace,
              std::shared_ptr<KeyPoster> keys, std::shared_ptr<GlobalHotKey> hotKey = nullptr);
  ~PasteSender();
  PasteSender(const PasteSender&) = delete;
  PasteSender& operator=(const PasteSender&) = delete;

  // From activating the target to the keystroke.
  static constexpr double kPasteDelay = 0.15;
  // After the delay the active window is checked again this often, up to the deadline counted
  // from the activation.
  static constexpr double kFocusPollInterval = 0.05;
  static constexpr double kFocusDeadline = 1.0;

  using Completion = std::function<void(PasteOutcome)>;

  // Activates `app` and 0.15 s later types the paste keystroke into it once its window is the
  // active one. Without an application the keystroke goes to whatever window is active then.
  // `done` (optional) runs on the main thread afterwards, never before this returns.
  void activateAndPaste(const std::optional<RunningApp>& app, Completion done = {});

  // Types one paste keystroke into the active window now; false when nothing was posted.
  bool postCommandV();

  // Holds back the keys the user types from now on, from every window, so that none is lost
  // while the focus goes back and none lands before the paste: they are typed after the next
  // paste (whatever its outcome), or by handBackKeys(), or after kHoldLimit at the latest.
  // `pickingKey` is the native code of the key that picked (0 for none): its repeats are
  // never typed, and a paste waits up to kPickingKeyWait for its release. While another program
  // holds the keyboard (our hot key's grab, until its key is released) the hold is asked again.
  void holdTypedKeys(quint32 pickingKey);
  // After a close: the held keys are typed once no window of this program is active any more,
  // or after kHandBackDeadline into whatever window is.
  void handBackKeys();
  // Types the held keys now.
  void releaseHeldKeys();

  static constexpr double kHoldRetryInterval = 0.02;
  static constexpr double kPickingKeyWait = 2.0;
  static constexpr double kHandBackDeadline = 1.5;
  static constexpr double kHoldLimit = 4.0;

 private:
  void pasteWhenActive(const RunningApp& app, int pollsLeft, int keyPollsLeft, const Completion& done);
  void tryHold(quint32 pickingKey);
  void handBackWhenAway(int pollsLeft);
  bool isActive(const RunningApp& app) const;
  void finish(const Completion& done, PasteOutcome outcome);
  bool postPaste(const QString& windowClass);

  std::shared_ptr<Scheduler> scheduler_;
  std::shared_ptr<Workspace> workspace_;
  std::shared_ptr<KeyPoster> keys_;
  std::shared_ptr<GlobalHotKey> hotKey_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // guards scheduled work
  bool holding_ = false;
  WorkItem holdRetry_;
  WorkItem holdLimit_;
  WorkItem handBack_;
};

const char* pasteOutcomeName(PasteOutcome outcome);

}  // namespace qv
