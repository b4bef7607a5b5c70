// The status item, its menu and the actions that leave the edge panel.
#include "app/AppDelegate.h"

#include "app/AppContext.h"
#include "app/EdgeTrigger.h"
#include "app/HotkeyManager.h"
#include "app/PanelController.h"
#include "app/SettingsPanel.h"
#include "base/Log.h"
#include "items/capture/ClipboardMonitor.h"
#include "library/LibraryWindowController.h"
#include "panel/QuickActions.h"
#include "platform/Alerts.h"
#include "platform/Compositor.h"
#include "platform/DesktopAppearance.h"
#include "platform/PastePermission.h"
#include "platform/Screens.h"
#include "platform/SettingsStore.h"
#include "platform/StatusItem.h"
#include "settings/IgnoredPane.h"
#include "settings/SettingsView.h"
#include "settings/onboarding/OnboardingWindowController.h"
#include "state/PanelState.h"
#include "ui/StatusBarIcon.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QPointer>

namespace qv {

QIcon AppDelegate::statusIcon(bool filled, bool paused) const {
  const DesktopColorScheme scheme = context_.desktopAppearance ? context_.desktopAppearance->preferences().colorScheme
                                                               : DesktopColorScheme::noPreference;
  const QColor tint = statusBarIconTint(statusItem_ ? statusItem_->trayForegroundColor() : std::nullopt, scheme);
  QIcon icon;
  for (double ratio : {1.0, 2.0}) icon.addPixmap(QPixmap::fromImage(statusBarIconImage(filled, paused, ratio, tint)));
  return icon;
}

std::function<void()> AppDelegate::performWeakly(std::function<void(AppDelegate&)> action) {
  return [self = QPointer<AppDelegate>(this), action = std::move(action)] {
    if (self) action(*self);
  };
}

std::function<void()> AppDelegate::hidePanelThen(std::function<void(AppDelegate&)> action) {
  return performWeakly([action = std::move(action)](AppDelegate& self) {
    self.panelController_->hidePanel();
    action(self);
  });
}

// ---- Status item -----------------------------------------------------------------------------

void AppDelegate::setupStatusItem() {
  statusItem_ = context_.makeStatusItem();
  setStatusIcon(false, state().isMonitoringPaused());
  statusItem_->setToolTip(QStringLiteral("Quorvalen"));
  connect(statusItem_.get(), &StatusItem::leftClicked, this, &AppDelegate::statusItemClicked);
  connect(statusItem_.get(), &StatusItem::rightClicked, this, &AppDelegate::showStatusMenu);
  connect(statusItem_.get(), &StatusItem::trayForegroundColorChanged, this, &AppDelegate::refreshStatusIcon);
  if (context_.desktopAppearance)
    connect(context_.desktopAppearance.get(), &DesktopAppearance::changed, this, &AppDelegate::refreshStatusIcon);
  if (statusItem_->isAvailable()) statusItem_->show();
  else qCInfo(lcApp) << "No system tray: open the panel with the hot key or at the screen edge";
  QPointer<AppDelegate> self(this);
  panelController_->onVisibilityChange = [self](bool visible) {
    if (self) self->handlePanelVisibility(visible);
  };
  // A press on the tray icon is the icon's: its click toggles the panel or opens the menu over
  // it, and is never a click beside the panel.
  panelController_->isStatusItemAt = [self](QPointF globalPosition) {
    return self && self->statusItem_ && self->statusItem_->geometry().contains(globalPosition.toPoint());
  };
}

void AppDelegate::setStatusIcon(bool filled, bool paused) {
  iconFilled_ = filled;
  iconPaused_ = paused;
  if (statusItem_) statusItem_->setIcon(statusIcon(filled, paused));
}

void AppDelegate::anotherStartRequested() {
  qCInfo(lcApp) << "Started again while running; telling the user from the tray";
  if (statusItem_) statusItem_->showMessage(QStringLiteral("Quorvalen"), QString::fromLatin1(kAlreadyRunningMessage));
}

void AppDelegate::tellIfSettingsWereReset() {
  const bool reset = context_.settings->wasReset();
  if (!reset && !context_.settings->valuesLostThisRun()) return;
  qCInfo(lcApp).noquote() << (reset ? "Settings were reset: telling the user"
                                    : "Stored values were set aside: telling the user");
  const QString text = QString::fromLatin1(reset ? kSettingsResetMessage : kValuesLostMessage);
  if (statusItem_ && statusItem_->isAvailable()) {
    statusItem_->showMessage(QStringLiteral("Quorvalen"), text);
    return;
  }
  // Without a tray the program has no other voice: a short note the user dismisses, once the
  // launch is over.
  context_.scheduler->post(performWeakly([text, reset](AppDelegate& self) {
    AlertSpec alert;
    alert.style = AlertSpec::Style::warning;
    alert.message = reset ? QStringLiteral("Settings were reset") : QStringLiteral("Some settings could not be read");
    alert.informativeText = text;
    alert.buttons = {QStringLiteral("OK")};
    alert.returnButton = 0;
    alert.cancelButton = 0;
    self.context_.alerts->run(alert);
  }));
}

void AppDelegate::statusItemClicked() { panelController_->togglePanel(); }

void AppDelegate::showStatusMenu() {
  // Each row runs after the menu closed (PanelMenu queues it), so a dialog it opens never has the
  // menu's handler under it.
  std::unique_ptr<QMenu> menu = makeQuickActionsMenu(
      context_, state().isMonitoringPaused(), performWeakly([](AppDelegate& self) { self.openLibrary(); }),
      performWeakly([](AppDelegate& self) { self.toggleMonitoring(); }),
      performWeakly([](AppDelegate& self) { self.openSettings(); }),
      // The menu's variant leaves a visible panel alone.
      performWeakly([](AppDelegate& self) {
        QPointer<AppDelegate> weak(&self);
        OnboardingWindowController::shared(self.context_).show([weak](bool launch) {
          if (weak) weak->onboardingFinished(launch);
        });
      }),
      performWeakly([](AppDelegate& self) { self.confirmClearAll(); }));
  // Kept until the next one opens: a row's queued action may still run after the menu closed.
  statusMenu_ = std::move(menu);
  // Keys still held from a close of the panel are typed now: the menu takes the keyboard, and the
  // keys the user types next are for it.
  context_.pasteSender->releaseHeldKeys();
  statusItem_->popUpMenu(statusMenu_.get());
  qCInfo(lcApp) << "Status menu opened";
  // Detached again at once, so that the next left click toggles the panel instead.
  context_.scheduler->post([this] { statusItem_->detachMenu(); }, this);
}

void AppDelegate::handlePanelVisibility(bool visible) {
  setStatusIcon(visible, state().isMonitoringPaused());
  clipboardMonitor_->setPanelVisible(visible);
}

void AppDelegate::refreshStatusIcon() { setStatusIcon(state().isVisible(), state().isMonitoringPaused()); }

// ---- Monitoring and clearing -----------------------------------------------------------------

void AppDelegate::toggleMonitoring() {
  // start() re-reads the clipboard's change count: copies made while paused are never taken.
  if (state().isMonitoringPaused()) clipboardMonitor_->start();
  else clipboardMonitor_->stop();
  state().setIsMonitoringPaused(!state().isMonitoringPaused());
  refreshStatusIcon();
}

void AppDelegate::confirmClearAll() {
  const qsizetype count = state().items().size();
  if (count == 0) return;
  AlertSpec alert;
  alert.style = AlertSpec::Style::warning;
  alert.message = QStringLiteral("Clear all clipboard history?");
  alert.informativeText = count == 1 ? QStringLiteral("One saved clip will be removed. This can't be undone.")
                                     : QStringLiteral("All ") + QString::number(count) +
                                           QStringLiteral(" saved clips will be removed. This can't be undone.");
  alert.buttons = {QStringLiteral("Clear All History"), QStringLiteral("Cancel")};
  alert.destructiveButton = 0;
  alert.returnButton = 1;
  alert.cancelButton = 1;
  QPointer<AppDelegate> self(this);
  qCInfo(lcApp) << "Asking to clear all history";
  const int answer = context_.alerts->run(alert);
  if (!self) return;
  if (answer != 0) {
    qCInfo(lcApp) << "Clearing all history cancelled";
    return;
  }
  state().clearAll();
  qCInfo(lcApp) << "Cleared all history";
}

// ---- Paste permission ------------------------------------------------------------------------

bool AppDelegate::ensurePostEventAccess() {
  PastePermission& permission = *context_.pastePermission;
  if (permission.isHeld()) return true;
  if (!context_.settings->boolOr(QLatin1String(PastePermission::kDidRequestKey), false)) {
    // The first request only: it writes the key and asks the system.
    permission.requestPostEventAccessOnce();
    return false;
  }
  showAccessibilityAlert();
  return false;
}

void AppDelegate::showAccessibilityAlert() {
  AlertSpec alert;
  alert.style = AlertSpec::Style::informational;
  if (!context_.pastePermission->isGrantable()) {
    // On X11 any program may press keys through XTest; where that is missing (Wayland, a server
    // without XTest) nothing can grant it, so there is no settings page to send the user to.
    alert.message = QStringLiteral("Quorvalen can't paste for you here");
    alert.informativeText = QString::fromLatin1(kCannotPostKeysText);
    alert.buttons = {QStringLiteral("OK")};
    alert.returnButton = 0;
    alert.cancelButton = 0;
    context_.alerts->run(alert);
    return;
  }
  alert.message = QStringLiteral("Allow Quorvalen to press Ctrl+V");
  alert.informativeText = QStringLiteral(
      "Quorvalen presses Ctrl+V to paste items directly into other apps. You can allow it in your desktop's "
      "settings.");
  alert.buttons = {QStringLiteral("Open Settings"), QStringLiteral("Not Now")};
  alert.returnButton = 0;
  alert.cancelButton = 1;
  if (context_.alerts->run(alert) == 0) context_.pastePermission->openAccessibilitySettings();
}

// ---- Windows ---------------------------------------------------------------------------------

SettingsPanel& AppDelegate::settingsWindow(bool* created) {
  *created = !settingsPanel_;
  if (!settingsPanel_) {
    const bool compositor = context_.compositor && context_.compositor->support().compositor;
    SettingsPanel::Callbacks callbacks;
    callbacks.onCloseRequested = performWeakly([](AppDelegate& self) { self.closeSettingsAnimated(); });
    // The application's quit: the history is written on the way out (applicationWillTerminate).
    callbacks.view.onQuit = [] { QCoreApplication::quit(); };
    QPointer<AppDelegate> self(this);
    callbacks.view.onShortcutRecording = [self](bool recording) {
      if (self && self->hotkeyManager_) self->hotkeyManager_->setSuspended(recording);
    };
    settingsPanel_ = std::make_unique<SettingsPanel>(context_, compositor, std::move(callbacks));
  }
  return *settingsPanel_;
}

void AppDelegate::openSettings() {
  bool created = false;
  SettingsPanel& window = settingsWindow(&created);
  if (created) {
    const QList<ScreenInfo> screens = context_.screens->screens();
    if (!screens.isEmpty()) {
      QRect frame = window.frameGeometry();
      frame.moveCenter(screens.first().visibleFrame.center().toPoint());
      window.move(frame.topLeft());
    }
  }
  window.fadeIn(kSettingsFadeInSeconds);
}

void AppDelegate::closeSettingsAnimated() {
  if (settingsPanel_) settingsPanel_->fadeOut(kSettingsFadeOutSeconds);
}

void AppDelegate::openLibrary() {
  LibraryWindowController& library = LibraryWindowController::shared(context_);
  if (!library.onVisibilityChange) {
    QPointer<AppDelegate> self(this);
    library.onVisibilityChange = [self](bool visible) {
      if (self && self->edgeTrigger_) self->edgeTrigger_->setSuppressed(visible);
    };
    // The library has gone by the time a paste fails to reach its application: say so from the tray.
    library.onPasteNotDelivered = [self] {
      qCInfo(lcApp) << "Telling the user the library's pick was only copied";
      if (self && self->statusItem_)
        self->statusItem_->showMessage(QStringLiteral("Quorvalen"), QString::fromLatin1(kCopiedOnlyMessage));
    };
  }
  library.show(state());
}

void AppDelegate::showOnboarding() {
  panelController_->hidePanel();
  QPointer<AppDelegate> self(this);
  OnboardingWindowController::shared(context_).show([self](bool launch) {
    if (self) self->onboardingFinished(launch);
  });
}

void AppDelegate::wirePanelStateActions() {
  PanelState& panelState = state();
  // The panel's menu rows and keys open windows and dialogs: queued, so that no handler of the
  // panel is on the stack while those run (hiding the panel drops its menus).
  const auto queued = [this](std::function<void()> action) {
    return queuedAction(context_.scheduler, std::move(action), this);
  };
  panelState.setOpenSettingsAction(queued(hidePanelThen([](AppDelegate& self) { self.openSettings(); })));
  panelState.setShowOnboardingAction(queued(performWeakly([](AppDelegate& self) { self.showOnboarding(); })));
  panelState.setShowLibraryAction(queued(hidePanelThen([](AppDelegate& self) { self.openLibrary(); })));
  panelState.setToggleMonitoringAction(performWeakly([](AppDelegate& self) { self.toggleMonitoring(); }));
  panelState.setClearAllAction(queued(performWeakly([](AppDelegate& self) { self.confirmClearAll(); })));

  QPointer<PanelController> controller(panelController_.get());
  IgnoredPane::clipCountForApp = [controller](const QString& bundleID) {
    return controller ? controller->state().itemCount(bundleID) : 0;
  };
  IgnoredPane::removeClipsForApp = [controller](const QString& bundleID) {
    return controller ? controller->state().removeItems(bundleID) : 0;
  };
}

}  // namespace qv
