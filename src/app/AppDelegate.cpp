#include "app/AppDelegate.h"

#include "app/AppContext.h"
#include "app/EdgeTrigger.h"
#include "app/EditKeyMonitor.h"
#include "app/HotkeyManager.h"
#include "app/PanelController.h"
#include "app/SettingsPanel.h"
#include "base/Log.h"
#include "items/capture/ClipboardMonitor.h"
#include "items/model/ContentType.h"
#include "items/writer/PasteboardWriter.h"
#include "platform/PastePermission.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/StatusItem.h"
#include "platform/Updater.h"
#include "settings/onboarding/OnboardingWindowController.h"
#include "state/PanelState.h"
#include "ui/Appearance.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QApplication>
#include <QPointer>

namespace qv {

const QStringList& AppDelegate::textSubstitutionKeys() {
  static const QStringList keys = {QStringLiteral("NSAutomaticTextCompletionEnabled"),
                                   QStringLiteral("NSAutomaticSpellingCorrectionEnabled"),
                                   QStringLiteral("NSAutomaticTextReplacementEnabled"),
                                   QStringLiteral("NSAutomaticQuoteSubstitutionEnabled"),
                                   QStringLiteral("NSAutomaticDashSubstitutionEnabled"),
                                   QStringLiteral("NSAutomaticPeriodSubstitutionEnabled"),
                                   QStringLiteral("NSAutomaticCapitalizationEnabled"),
                                   QStringLiteral("NSAutomaticDataDetectionEnabled"),
                                   QStringLiteral("NSAutomaticLinkDetectionEnabled"),
                                   QStringLiteral("NSAutomaticInlinePredictionEnabled"),
                                   QStringLiteral("NSAutomaticMathExpressionCompletionEnabled")};
  return keys;
}

AppDelegate::AppDelegate(AppContext& context, QObject* parent) : QObject(parent), context_(context) {}

AppDelegate::~AppDelegate() = default;

PanelState& AppDelegate::state() const { return panelController_->state(); }

// ---- Before launch finishes -----------------------------------------------------------------

void AppDelegate::applicationWillFinishLaunching() {
  makeProgramFoldersPrivate();
  registerDefaults();
  migrateInvokeMode();
  disableTextSubstitutionDefaults();
  // An accessory program: no taskbar entry of its own (it has no main window), and closing its
  // last window never quits it.
  QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}

void AppDelegate::makeProgramFoldersPrivate() {
  // A careless copy or restore leaves the history readable by other users; a mode that cannot be
  // changed is said, and the start goes on.
  for (const QString& folder : {context_.paths->applicationSupport(), context_.paths->config()}) {
    QStringList failures;
    if (const int changed = makeFolderPrivate(folder, &failures))
      qCInfo(lcApp) << "Made" << changed << "loosened modes private again in" << folder;
    if (!failures.isEmpty())
      qCWarning(lcApp).noquote() << "Could not make private:" << failures.join(QStringLiteral("; "));
  }
}

void AppDelegate::registerDefaults() {
  context_.settings->registerDefaults(
      {{QLatin1String(kCaptureNearbyDevicesKey), true}, {QLatin1String(kEdgeEnabledKey), true}});
}

void AppDelegate::migrateInvokeMode() {
  SettingsStore& settings = *context_.settings;
  const std::optional<QString> mode = settings.stringValue(QLatin1String(kInvokeModeKey));
  if (!mode) return;
  settings.set(QLatin1String(kEdgeEnabledKey), *mode != QLatin1String("shortcut"));
  settings.remove(QLatin1String(kInvokeModeKey));
}

void AppDelegate::disableTextSubstitutionDefaults() {
  QJsonObject values;
  for (const QString& key : textSubstitutionKeys()) values.insert(key, false);
  context_.settings->set(values);
}

// ---- Launch ----------------------------------------------------------------------------------

void AppDelegate::applicationDidFinishLaunching() {
  applyAppearance(context_, context_.settings->stringOr(QLatin1String(kAppearanceKey), QStringLiteral("system")));
  if (context_.reduceMotion) context_.reduceMotion->startObserving();
  TarnwickUpdater::shared(context_);
  context_.pastePermission->rememberLaunchState();
  installEditKeyMonitor();
  observeTextEditing();

  panelController_ = std::make_unique<PanelController>(context_);
  panelController_->preWarm();
  state().setAnimateRemoval(
      [](const std::function<void()>& change) { withAnimation(Theme::springStandard(), change); });
  panelController_->onPastePermissionNeeded = performWeakly([](AppDelegate& self) { self.ensurePostEventAccess(); });
  // The panel has gone by the time a paste fails to reach its application: say so from the tray.
  {
    QPointer<AppDelegate> weakSelf(this);
    panelController_->onPasteNotDelivered = [weakSelf](PasteOutcome) {
      if (weakSelf && weakSelf->statusItem_)
        weakSelf->statusItem_->showMessage(QStringLiteral("Quorvalen"), QString::fromLatin1(kCopiedOnlyMessage));
    };
  }
  wirePanelStateActions();
  state().loadHistory();
  setupStatusItem();
  tellIfSettingsWereReset();

  hotkeyManager_ = std::make_unique<HotkeyManager>(
      context_, performWeakly([](AppDelegate& self) { self.togglePanelFromHotkey(); }));
  QPointer<AppDelegate> self(this);
  clipboardMonitor_ = std::make_unique<ClipboardMonitor>(context_, [self](const ClipboardItem& item, bool blurred) {
    if (self) self->handleNewItem(item, blurred);
  });
  // A copy of many files arrives as one batch: one pass over the history, one notification.
  clipboardMonitor_->setNewItemsHandler([self](const QList<ClipboardItem>& items, bool blurred) {
    if (self) self->handleNewItems(items, blurred);
  });
  // The clipboard outlives the program that copied: its newest copy is put back when it quits.
  clipboardMonitor_->setOwnerGoneHandler([self](const QUuid& id) {
    if (!self || self->state().items().isEmpty() || self->state().items().first().id != id) return;
    self->context_.pasteboardWriter->write(self->state().items().first());
  });
  clipboardMonitor_->start();
  setupEdgeTrigger();
  showOnboardingIfNeeded();
  qCInfo(lcApp) << "Quorvalen launched";
  if (lcApp().isDebugEnabled() && context_.screens) {
    // Where windows may go: the panel and the library open on the screen under the pointer.
    const QList<ScreenInfo> screens = context_.screens->screens();
    QStringList described;
    for (const ScreenInfo& screen : screens) {
      const QRect usable = screen.visibleFrame.toRect();
      described << QStringLiteral("%1 usable %2,%3 %4x%5")
                       .arg(screen.name)
                       .arg(usable.x())
                       .arg(usable.y())
                       .arg(usable.width())
                       .arg(usable.height());
    }
    qCDebug(lcApp).noquote() << screens.size() << "screens:" << described.join(QStringLiteral("; "));
  }
}

void AppDelegate::applicationWillTerminate() {
  // A copy still waiting out its capture delay is part of what the final save keeps.
  if (clipboardMonitor_) clipboardMonitor_->flushPendingCapture();
  if (!panelController_ || state().flushSave()) return;
  lostUnsavedCopies_ = true;
  const bool onlyPictures = state().lastWriteFailedOnlyPictures();
  const QString text = QString::fromLatin1(onlyPictures ? kPicturesUnsavedAtQuitMessage : kUnsavedAtQuitMessage) +
                       u' ' + state().lastWriteFailure() + u'.';
  qCCritical(lcApp).noquote() << (onlyPictures ? "Quitting with pictures unsaved:"
                                               : "Quitting with the history unsaved:")
                              << state().lastWriteFailure();
  if (statusItem_ && statusItem_->isAvailable()) statusItem_->showMessage(QStringLiteral("Quorvalen"), text);
}

void AppDelegate::holdForUnsavedNotice() {
  if (!lostUnsavedCopies_ || !statusItem_ || !statusItem_->isAvailable()) return;
  QEventLoop loop;
  WorkItem done = context_.scheduler->after(
      kUnsavedNoticeSeconds, [&loop] { loop.quit(); }, this);
  unsavedNotice_ = &loop;
  loop.exec();
  unsavedNotice_ = nullptr;
  done.cancel();
}

void AppDelegate::endUnsavedNotice() {
  if (unsavedNotice_) unsavedNotice_->quit();
}

void AppDelegate::installEditKeyMonitor() {
  if (!editKeyMonitor_) editKeyMonitor_ = std::make_unique<EditKeyMonitor>();
}

void AppDelegate::observeTextEditing() {
  // Nothing to do: Qt's text fields make no automatic substitutions (no spelling correction,
  // smart quotes, text replacement or data detection) that would have to be switched off.
}

// ---- Edge trigger ----------------------------------------------------------------------------

void AppDelegate::migrateDwellDelay() {
  const std::optional<double> stored = context_.settings->doubleValue(QLatin1String(kEdgeDwellDelayKey));
  // Delays below 0.2 s opened the panel by accident too often.
  if (stored && *stored > 0 && *stored < 0.2)
    context_.settings->set(QLatin1String(kEdgeDwellDelayKey), kDefaultDwellDelay);
}

// The settings pane's reading of each key, so that what it shows is what the program does.
double AppDelegate::storedDwellDelay() const { return GeneralSettings::read(*context_.settings).edgeDwellDelay; }

QString AppDelegate::storedEdgeSide() const { return GeneralSettings::read(*context_.settings).edgeSide; }

bool AppDelegate::isEdgeEnabled() const { return GeneralSettings::read(*context_.settings).edgeInEffect(); }

void AppDelegate::setupEdgeTrigger() {
  migrateDwellDelay();
  edgeTrigger_ = std::make_unique<EdgeTrigger>(context_, EdgeTrigger::ShowHandler{});
  edgeTrigger_->update(storedEdgeSide(), storedDwellDelay());
  QPointer<AppDelegate> self(this);
  edgeTrigger_->setOnShow([self](const QString& side) {
    if (self) self->handleEdgeShow(side);
  });
  if (isEdgeEnabled()) edgeTrigger_->start();
  if (!defaultsObserved_) {
    defaultsObserved_ = true;
    connect(context_.settings.get(), &SettingsStore::changed, this, &AppDelegate::handleDefaultsChange);
  }
}

void AppDelegate::handleDefaultsChange() {
  if (!panelController_ || !edgeTrigger_) return;
  if (state().applyRetention()) state().scheduleSave();
  if (isEdgeEnabled()) {
    edgeTrigger_->update(storedEdgeSide(), storedDwellDelay());
    edgeTrigger_->start();
  } else {
    edgeTrigger_->stop();
  }
}

void AppDelegate::handleEdgeShow(const QString& side) {
  if (state().isVisible()) return;
  if (context_.scheduler->uptime() - panelController_->lastHideTime() <= kEdgeIgnoredAfterHideSeconds) return;
  panelController_->setPendingEdgeSide(side);
  panelController_->showPanel();
}

// ---- Onboarding ------------------------------------------------------------------------------

void AppDelegate::showOnboardingIfNeeded() {
  SettingsStore& settings = *context_.settings;
  if (settings.boolOr(QLatin1String(kDidSeeOnboardingKey), false)) return;
  // Written before anything shows: a quit within the delay must not show it again next time.
  settings.set(QLatin1String(kDidSeeOnboardingKey), true);
  context_.scheduler->after(
      kOnboardingDelaySeconds,
      [this] {
        QPointer<AppDelegate> self(this);
        OnboardingWindowController::shared(context_).show([self](bool launch) {
          if (self) self->onboardingFinished(launch);
        });
      },
      this);
}

void AppDelegate::onboardingFinished(bool launch) {
  if (!launch) return;
  context_.scheduler->after(
      kShowPanelAfterOnboardingSeconds, [this] { panelController_->showPanel(); }, this);
}

// ---- Handlers --------------------------------------------------------------------------------

void AppDelegate::handleNewItem(const ClipboardItem& item, bool concealed) {
  const QUuid id = item.id;  // the item may live in what addItem changes
  qCDebug(lcApp) << "Captured a" << rawValue(item.contentType) << "item";
  state().addItem(item, concealed);
  if (concealed) state().markSensitive(id, true);
}

void AppDelegate::handleNewItems(const QList<ClipboardItem>& items, bool concealed) {
  if (items.size() == 1) {
    handleNewItem(items.first(), concealed);
    return;
  }
  qCDebug(lcApp) << "Captured" << items.size() << "items of one copy";
  const QList<QUuid> stayed = state().addItems(items, concealed);
  if (concealed) state().markSensitive(stayed, true);
}

void AppDelegate::togglePanelFromHotkey() { panelController_->togglePanel(); }

}  // namespace qv
