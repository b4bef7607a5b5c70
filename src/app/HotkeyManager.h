#pragma once
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace qv {

struct AppContext;
class GlobalHotKey;
class HotKeyStatus;
class Scheduler;
class SettingsStore;

// The global shortcut that toggles the edge panel. It reads the recorded shortcut from the
// settings, registers it system-wide, registers again whenever the stored shortcut changes
// (and, after a refused registration, on any settings change), reports each outcome to the
// hot key status, and runs the handler on the main thread when the shortcut is pressed.
class HotkeyManager : public QObject {
  Q_OBJECT
 public:
  struct Shortcut {
    qint64 keyCode = -1;
    qint64 modifiers = 0;
    bool operator==(const Shortcut&) const = default;
  };

  static constexpr uint32_t kHotKeyId = 1;

  HotkeyManager(const AppContext& context, std::function<void()> handler, QObject* parent = nullptr);
  ~HotkeyManager() override;

  void apply();
  // Modifier flags in the legacy numbering the registration log line reports.
  static int carbonModifiers(qint64 modifierFlags);
  // A press delivered by the system; false when it is not ours.
  bool handleHotKeyEvent(uint32_t id);

  std::optional<Shortcut> appliedShortcut() const { return appliedShortcut_; }
  bool isRegistered() const { return registered_; }

  // While the shortcut recorder records, the global grab lets go of its keys (so that pressing
  // the current shortcut records it instead of opening the panel); resuming registers the stored
  // shortcut again, whatever was recorded meanwhile.
  void setSuspended(bool suspended);
  bool isSuspended() const { return suspended_; }

 private:
  Shortcut storedShortcut() const;
  void unregister();

  Scheduler& scheduler_;
  SettingsStore& settings_;
  GlobalHotKey& hotKey_;
  std::shared_ptr<HotKeyStatus> status_;
  std::function<void()> handler_;
  bool registered_ = false;
  bool handlerInstalled_ = false;
  bool suspended_ = false;
  std::optional<Shortcut> appliedShortcut_;
};

}  // namespace qv
