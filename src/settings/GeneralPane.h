#pragma once
#include "platform/PastePermission.h"
#include "platform/Scheduler.h"
#include "settings/GeneralSettings.h"
#include "settings/PaneContainer.h"
#include "settings/PasteAccessRow.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/TarnToggle.h"

#include <functional>

class QWidget;

namespace qv {

struct SettingsServices;
class PaneText;
class PillDropdown;
class RowReveal;
class SettingsStore;
class ShortcutRecorderButton;

// The retention choice as the pane names it: "Week", "Month", "Year", "Forever"; any value
// outside the four reads "Week".
QString retentionLabel(const QString& retention);

// The General pane: every general setting bound to its key in the user defaults, written at
// once ("Invoke", "Permissions", "Appearance", "Clipboard", "System", "Updates"). It follows
// changes made elsewhere (the shortcut recorder, the onboarding) and, while on screen, keeps the
// permission row current: once a second and whenever the program becomes active.
class GeneralPane : public PaneContainer {
  Q_OBJECT
 public:
  static constexpr double kFadeHeight = 32;
  static constexpr double kPermissionPollSeconds = 1.0;
  static constexpr char kEdgeNote[] = "Record a shortcut below to turn this off.";
  static constexpr char kUpdatesNote[] =
      "New versions of Quorvalen arrive with your system's other updates, from your software centre or apt.";

  // It shows what the settings hold, so it has no props; its callbacks come once, here.
  struct Callbacks {
    std::function<void(bool recording)> onShortcutRecording;  // the recorder starts and stops recording
  };

  GeneralPane(SettingsServices& context, Callbacks callbacks, QWidget* parent = nullptr);
  ~GeneralPane() override;

  const GeneralSettings& shown() const { return shown_; }
  bool canPaste() const { return canPaste_; }
  bool isPollingPermission() const { return poll_.isRunning(); }

  TarnToggle* edgeToggle() const { return edgeToggle_; }
  RowReveal* edgeNote() const { return edgeNote_; }
  RowReveal* sideRow() const { return sideRow_; }
  RowReveal* dwellRow() const { return dwellRow_; }
  TarnSegmentedPicker<QString>* sidePicker() const { return sidePicker_; }
  TarnSegmentedPicker<double>* dwellPicker() const { return dwellPicker_; }
  ShortcutRecorderButton* recorder() const { return recorder_; }
  // The recorder's caption under the "Shortcut" row, shown while it has something to say.
  RowReveal* shortcutNote() const { return shortcutNote_; }
  PasteAccessRow* pasteAccess() const { return pasteAccess_; }
  TarnSegmentedPicker<QString>* themePicker() const { return themePicker_; }
  PillDropdown* retentionDropdown() const { return retention_; }
  TarnToggle* plainTextToggle() const { return plainText_; }
  TarnToggle* nearbyToggle() const { return nearby_; }
  PaneText* nearbyCaption() const { return nearbyCaption_; }
  LaunchAtLoginToggle* launchAtLogin() const { return launchAtLogin_; }
  // Where updates come from: the package manager (the program checks for none itself).
  PaneText* updatesNote() const { return updatesNote_; }
  QWidget* checkForUpdatesButton() const { return checkForUpdates_; }

  // Reads the live permission check into the row (the poll and the program's activation).
  void recheckPermission();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void addSection(const QString& title, const QList<QWidget*>& rows);
  QWidget* buildInvoke();
  QWidget* buildClipboard();
  QWidget* buildUpdates();
  // Shows the stored settings (at once while the pane is being built).
  void refresh(bool animated = true);
  void refreshPermission();
  void set(const char* key, const QJsonValue& value);
  // What a switch or picker of the pane does with the value the user picks: store it as `key`.
  template <typename Value>
  std::function<void(const Value&)> writes(const char* key) {
    return [this, key](const Value& value) { set(key, value); };
  }
  TarnSegmentedPicker<QString>::Callbacks themePickerCallbacks();
  PasteAccessRow::Callbacks pasteAccessCallbacks();

  SettingsServices& context_;
  SettingsStore& settings_;
  Callbacks callbacks_;
  GeneralSettings shown_;
  bool canPaste_ = false;
  bool appliedAppearance_ = false;
  Timer poll_;

  TarnToggle* edgeToggle_ = nullptr;
  RowReveal* edgeNote_ = nullptr;
  RowReveal* sideRow_ = nullptr;
  RowReveal* dwellRow_ = nullptr;
  TarnSegmentedPicker<QString>* sidePicker_ = nullptr;
  TarnSegmentedPicker<double>* dwellPicker_ = nullptr;
  ShortcutRecorderButton* recorder_ = nullptr;
  RowReveal* shortcutNote_ = nullptr;
  PasteAccessRow* pasteAccess_ = nullptr;
  TarnSegmentedPicker<QString>* themePicker_ = nullptr;
  PillDropdown* retention_ = nullptr;
  TarnToggle* plainText_ = nullptr;
  TarnToggle* nearby_ = nullptr;
  PaneText* nearbyCaption_ = nullptr;
  LaunchAtLoginToggle* launchAtLogin_ = nullptr;
  PaneText* updatesNote_ = nullptr;
  QWidget* checkForUpdates_ = nullptr;
};

// The General pane's page.
GeneralPane* makeGeneralPane(SettingsServices& context, GeneralPane::Callbacks callbacks);

}  // namespace qv
