#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/PillButtons.h"

#include <QWidget>
#include <functional>

namespace qv {

struct SettingsServices;
class PaneText;

// What the permission row offers.
enum class PasteAccessControl {
  enable,           // "Enable": ask for the first time
  openSettings,     // "Open Settings": asked before, so ask again and open the desktop's page
  restartToFinish,  // granted since launch: takes effect after a restart
  enabled,          // the "Enabled" badge
  unavailable,      // nothing can grant it here (no program may press keys): said plainly
};
PasteAccessControl pasteAccessControl(bool grantable, bool canPaste, bool liveCheck, bool heldAtLaunch,
                                      bool didRequest);

// The permission row: "Accessibility" with a sentence on what the permission does, and the
// control of its state on the trailing side.
class PasteAccessRow : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kTextWidth = 340;

  struct Props {
    PasteAccessControl control = PasteAccessControl::enabled;
    bool grantable = true;  // the desktop grants it on request
    bool canPaste = true;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onRequest;  // "Enable" and "Open Settings"
    std::function<void()> onRestart;  // "Restart to Finish"
  };
  PasteAccessRow(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  static QString statusSentence(const Props& props);
  PaneText* status() const { return status_; }
  // Shown only where the desktop grants the permission (it can be taken back there).
  PaneText* relaunchNote() const { return relaunchNote_; }
  AccentPillButton* button() const { return button_; }
  // The "Enabled" badge, and the plain "Not available" where nothing can grant the permission.
  QWidget* badge() const { return badge_; }
  PaneText* unavailable() const { return unavailable_; }
  double badgePresence() const { return badgePresence_.value(); }

 private:
  void apply(const Props& before);
  void act();

  SettingsServices& context_;
  Props props_;
  Callbacks callbacks_;
  PaneText* status_ = nullptr;
  PaneText* relaunchNote_ = nullptr;
  AccentPillButton* button_ = nullptr;
  QWidget* badge_ = nullptr;
  PaneText* unavailable_ = nullptr;
  Animated<double> badgePresence_;
};

}  // namespace qv
