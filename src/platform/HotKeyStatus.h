#pragma once
#include "platform/GlobalHotKey.h"

#include <QObject>
#include <optional>

namespace qv {

// What became of the grab of the stored global shortcut. The hot key manager reports each
// attempt; the shortcut recorder says when the shortcut does not work and why. Main thread.
class HotKeyStatus : public QObject {
  Q_OBJECT
 public:
  struct Grab {
    int keyCode = -1;
    int modifiers = 0;
    int status = GlobalHotKey::kOk;  // a GlobalHotKey registration result
    bool operator==(const Grab&) const = default;
  };

  // The last attempt; none while no shortcut is recorded (or the grab is let go for recording).
  const std::optional<Grab>& lastGrab() const { return lastGrab_; }
  void report(const std::optional<Grab>& grab) {
    if (grab == lastGrab_) return;
    lastGrab_ = grab;
    Q_EMIT changed();
  }

 Q_SIGNALS:
  void changed();

 private:
  std::optional<Grab> lastGrab_;
};

}  // namespace qv
