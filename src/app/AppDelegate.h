#pragma once
#include "items/model/ClipboardItem.h"
#include "platform/DesktopAppearance.h"
#include "settings/GeneralSettings.h"
#include "ui/Translucency.h"

#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include <QMenu>

namespace qv {

struct AppContext;
class ClipboardMonitor;
class EdgeTrigger;
class EditKeyMonitor;
class HotkeyManager;
class PanelController;
class PanelState;
class SettingsPanel;
class StatusItem;

// The owner of every long-lived controller. Before launch finishes it prepares the user
// defaults; at launch it builds the system in a fixed order (appearance, updater, permission
// memo, edit keys, panel and state, history, status item, hot key, clipboard monitor, edge
// trigger, onboarding); at quit it writes the history synchronously. It is also the home of
// the status item, its menu and the actions that leave the panel (AppDelegateActions.cpp).
// Main thread only.
class AppDelegate : public QObject {
  Q_OBJECT
 public:
  static constexpr char kDidSeeOnboardingKey[] = "qv.didSeeOnboarding.v1";
  static constexpr char kInvokeModeKey[] = "qv.invokeMode";
  static constexpr const auto& kEdgeEnabledKey = GeneralSettings::kEdgeEnabledKey;
  static constexpr const auto& kEdgeSideKey = GeneralSettings::kEdgeSideKey;
  static constexpr const auto& kEdgeDwellDelayKey = GeneralSettings::kEdgeDwellDelayKey;
  static constexpr char kShortcutKeyCodeKey[] = "qv.shortcut.keyCode";
  static constexpr const auto& kCaptureNearbyDevicesKey = GeneralSettings::kCaptureNearbyKey;
  static constexpr const auto& kAppearanceKey = GeneralSettings::kAppearanceKey;
  // Told from the tray when a pick could not be typed into its application.
  static constexpr char kCopiedOnlyMessage[] =
      "Copied to the clipboard only: the application you came from did not take the paste. Paste it with Ctrl+V.";
  // Why a pick is only copied where no program may press keys in another.
  static constexpr char kCannotPostKeysText[] =
      "This desktop doesn't let one app press keys in another (that needs an X11 session with the XTest "
      "extension), so items are copied to the clipboard and you paste them yourself with Ctrl+V.";
  // Told once at launch when the settings file could not be read.
  static constexpr char kSettingsResetMessage[] =
      "Your settings could not be read, so Quorvalen started with its default settings. The old settings file "
      "was kept. Your history is kept whole until you choose how long to keep items in Settings.";
  // Told once at launch when stored settings or marks (a pin list) could not be read.
  static constexpr char kValuesLostMessage[] =
      "Some of your settings or marks could not be read; what could be read is kept, and the rest was kept aside. "
      "Your history is kept whole until you choose how long to keep items in Settings.";
  // Told from the tray at quit when the last copies could not be written (a full disk); the
  // reason follows.
  static constexpr char kUnsavedAtQuitMessage[] =
      "Quorvalen could not save your latest copies before quitting, so they are lost:";
  // The same when the history was saved and only the pictures of copied images were not.
  static constexpr char kPicturesUnsavedAtQuitMessage[] =
      "Quorvalen saved your history but not the pictures of some copied images, so those pictures are lost:";
  // How long a quit that lost copies keeps the program (and its tray icon) there to say so.
  static constexpr double kUnsavedNoticeSeconds = 5;
  // Told from the tray when the user starts the program while it runs.
  static constexpr char kAlreadyRunningMessage[] =
      "Quorvalen is already running. Open it from this icon, at the screen edge or with your shortcut.";
  static constexpr double kOnboardingDelaySeconds = 0.4;
  static constexpr double kShowPanelAfterOnboardingSeconds = 0.25;
  static constexpr double kEdgeIgnoredAfterHideSeconds = 0.5;
  static constexpr double kDefaultDwellDelay = 0.3;
  static constexpr int kSettingsWidth = 680;
  static constexpr int kSettingsHeight = 520;
  static constexpr double kSettingsFadeInSeconds = 0.2;
  static constexpr double kSettingsFadeOutSeconds = 0.15;

  // The eleven text-substitution keys written false at every launch, in order. Qt's text
  // widgets substitute nothing; the keys are kept for whatever reads the defaults file.
  static const QStringList& textSubstitutionKeys();

  explicit AppDelegate(AppContext& context, QObject* parent = nullptr);
  ~AppDelegate() override;

  // ---- Application callbacks ----------------------------------------------------------------
  void applicationWillFinishLaunching();
  void applicationDidFinishLaunching();
  // Closing the settings, library or onboarding window never quits.
  bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
  // Writes the pending history now, so that it is on disk before the process exits. When it
  // cannot be written, says so from the tray (`lostUnsavedCopies()`).
  void applicationWillTerminate();
  // The final save failed: copies held only in memory are lost with the process.
  bool lostUnsavedCopies() const { return lostUnsavedCopies_; }
  // After the main loop: keeps the program (and its tray message) there for a few seconds when
  // the final save failed, so that the message is seen; a second signal ends it at once.
  void holdForUnsavedNotice();
  // Ends that wait at once (a second signal).
  void endUnsavedNotice();

  // ---- Launch steps -------------------------------------------------------------------------
  void registerDefaults();
  // The data and settings folders and what lies directly in them back to private modes.
  void makeProgramFoldersPrivate();
  void migrateInvokeMode();
  void disableTextSubstitutionDefaults();
  void installEditKeyMonitor();
  void observeTextEditing();
  void setupEdgeTrigger();
  void migrateDwellDelay();
  // Whether the edge trigger runs: always while no shortcut is recorded (the panel must stay
  // reachable), otherwise as the "qv.edgeEnabled" setting says.
  bool isEdgeEnabled() const;
  void showOnboardingIfNeeded();
  void onboardingFinished(bool launch);

  // ---- Handlers handed out ------------------------------------------------------------------
  void handleNewItem(const ClipboardItem& item, bool concealed);
  // The items of one copy (several files or pictures), added as one batch.
  void handleNewItems(const QList<ClipboardItem>& items, bool concealed);
  void togglePanelFromHotkey();
  void handleEdgeShow(const QString& side);
  void handleDefaultsChange();
  // The user started the program again (a launcher click) while it runs.
  void anotherStartRequested();

  // ---- Status item and actions (AppDelegateActions.cpp) -------------------------------------
  void setupStatusItem();
  // Says once, from the tray (else in an alert), that the settings file or stored values could
  // not be read.
  void tellIfSettingsWereReset();
  void statusItemClicked();
  void showStatusMenu();
  void handlePanelVisibility(bool visible);
  void refreshStatusIcon();
  void toggleMonitoring();
  void confirmClearAll();
  // True when the paste keystroke may be posted; otherwise asks for it once, then explains.
  bool ensurePostEventAccess();
  void showAccessibilityAlert();
  void openSettings();
  void closeSettingsAnimated();
  void openLibrary();
  void showOnboarding();
  void wirePanelStateActions();
  // Runs `action` on this delegate while it lives; nothing once it is gone.
  std::function<void()> performWeakly(std::function<void(AppDelegate&)> action);
  // The same, after hiding the panel.
  std::function<void()> hidePanelThen(std::function<void(AppDelegate&)> action);

  // The status icon for the two flags: the tray symbol in the tray's colour, else in the
  // desktop colour scheme's text colour.
  QIcon statusIcon(bool filled, bool paused) const;

  // ---- Observation --------------------------------------------------------------------------
  PanelController* panelController() const { return panelController_.get(); }
  PanelState& state() const;
  ClipboardMonitor* clipboardMonitor() const { return clipboardMonitor_.get(); }
  HotkeyManager* hotkeyManager() const { return hotkeyManager_.get(); }
  EdgeTrigger* edgeTrigger() const { return edgeTrigger_.get(); }
  StatusItem* statusItem() const { return statusItem_.get(); }
  SettingsPanel* settingsPanel() const { return settingsPanel_.get(); }
  QMenu* statusMenu() const { return statusMenu_.get(); }
  bool hasEditKeyMonitor() const { return bool(editKeyMonitor_); }
  // Whether the status icon now shows the open panel and the pause slash.
  bool statusIconFilled() const { return iconFilled_; }
  bool statusIconPaused() const { return iconPaused_; }

 private:
  void setStatusIcon(bool filled, bool paused);
  SettingsPanel& settingsWindow(bool* created);
  double storedDwellDelay() const;
  QString storedEdgeSide() const;

  AppContext& context_;
  std::unique_ptr<PanelController> panelController_;
  std::unique_ptr<HotkeyManager> hotkeyManager_;
  std::unique_ptr<EditKeyMonitor> editKeyMonitor_;
  std::unique_ptr<ClipboardMonitor> clipboardMonitor_;
  std::unique_ptr<StatusItem> statusItem_;
  std::unique_ptr<SettingsPanel> settingsPanel_;
  std::unique_ptr<EdgeTrigger> edgeTrigger_;
  // The last menu opened from the status item. It stays until the next one opens: its rows'
  // actions run queued, so none of its handlers is on the stack then.
  std::unique_ptr<QMenu> statusMenu_;
  bool iconFilled_ = false;
  bool iconPaused_ = false;
  bool defaultsObserved_ = false;
  bool lostUnsavedCopies_ = false;
  QEventLoop* unsavedNotice_ = nullptr;
};

}  // namespace qv
