#pragma once
#include "platform/Workspace.h"

#include <functional>
#include <memory>
#include <optional>

namespace qv {

class GlobalHotKey;
class KeyPoster;
class Scheduler;

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

 private:
  void pasteWhenActive(const RunningApp& app, int pollsLeft, const Completion& done);
  bool isActive(const RunningApp& app) const;
  void finish(const Completion& done, PasteOutcome outcome);
  bool postPaste(const QString& windowClass);

  std::shared_ptr<Scheduler> scheduler_;
  std::shared_ptr<Workspace> workspace_;
  std::shared_ptr<KeyPoster> keys_;
  std::shared_ptr<GlobalHotKey> hotKey_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // guards scheduled work
};

const char* pasteOutcomeName(PasteOutcome outcome);

}  // namespace qv
