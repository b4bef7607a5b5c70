#include "app/AppDelegate.h"
#include "app/EdgeTrigger.h"
#include "app/HotkeyManager.h"
#include "app/PanelController.h"
#include "app/SettingsPanel.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/capture/ClipboardMonitor.h"
#include "items/rules/AppRulesManager.h"
#include "items/stores/ImageStore.h"
#include "library/LibraryWindowController.h"
#include "platform/Paths.h"
#include "platform/Updater.h"
#include "settings/AppRuleRows.h"
#include "settings/GeneralPane.h"
#include "settings/IgnoredPane.h"
#include "settings/PaneText.h"
#include "settings/RowIconButton.h"
#include "settings/SettingsView.h"
#include "settings/Sidebar.h"
#include "settings/onboarding/OnboardingView.h"
#include "settings/onboarding/OnboardingWindowController.h"
#include "state/PanelState.h"
#include "support/CapturedLog.h"
#include "support/WriteLimit.h"
#include "support/app/FakeContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/Appearance.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TarnToggle.h"

#include <sys/stat.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>

#include <gtest/gtest.h>

using namespace qv;

namespace {

// The mode of the path itself (a link's own, not where it leads).
int modeOf(const QString& path) {
  struct stat status {};
  return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// A delegate over fake services (no tray host, alerts answered by the test) in virtual time.
struct AppDelegateTest : ::testing::Test {
  explicit AppDelegateTest(bool compositor = false) : compositor_(compositor) {
    installItemServices(*fake.context);
    fake.screens->setPointer({1500, 500});
  }
  ~AppDelegateTest() override {
    delegate.reset();
    fake.drain();
  }

  SettingsStore& settings() { return *fake.context->settings; }
  void seenOnboarding() { settings().set(AppDelegate::kDidSeeOnboardingKey, true); }
  void launch() {
    fake.compositor->setSupport({compositor_, false});
    delegate = std::make_unique<AppDelegate>(*fake.context);
    delegate->applicationWillFinishLaunching();
    delegate->applicationDidFinishLaunching();
  }
  // Moves both virtual clocks together, one frame at a time.
  void advance(double seconds) { fake.advanceBoth(seconds); }
  PanelState& state() { return delegate->state(); }
  PanelController& panel() { return *delegate->panelController(); }
  EdgeTrigger& edge() { return *delegate->edgeTrigger(); }

  bool compositor_;
  test::FakeAppContext fake;
  std::unique_ptr<AppDelegate> delegate;
};

struct AppDelegateWithCompositorTest : AppDelegateTest {
  AppDelegateWithCompositorTest() : AppDelegateTest(true) {}
};

ClipboardItem itemNow(AppDelegateTest& test, const QString& text, const QString& app = "org.example.Editor") {
  return test::textItem(text, app, test.fake.scheduler->now());
}

}  // namespace

// ---- Before launch --------------------------------------------------------------------------

TEST_F(AppDelegateTest, InvokeModeMigrationTurnsTheEdgeOffOnlyForExactlyShortcut) {
  struct Case {
    std::optional<QString> stored;
    std::optional<bool> edgeEnabled;  // stored afterwards; none: nothing written
  };
  for (const Case& c : {Case{"shortcut", false}, Case{"edge", true}, Case{"Shortcut", true}, Case{"", true},
                        Case{std::nullopt, std::nullopt}}) {
    settings().remove(AppDelegate::kEdgeEnabledKey);
    if (c.stored) settings().set(AppDelegate::kInvokeModeKey, *c.stored);
    AppDelegate(*fake.context).applicationWillFinishLaunching();
    EXPECT_FALSE(settings().hasStoredValue(AppDelegate::kInvokeModeKey));
    EXPECT_EQ(settings().hasStoredValue(AppDelegate::kEdgeEnabledKey), c.edgeEnabled.has_value());
    if (c.edgeEnabled) {
      EXPECT_EQ(settings().boolValue(AppDelegate::kEdgeEnabledKey), c.edgeEnabled) << c.stored->toStdString();
    }
  }
}

TEST_F(AppDelegateTest, WillFinishRegistersDefaultsWritesTheSubstitutionKeysAndStaysAnAccessory) {
  AppDelegate(*fake.context).applicationWillFinishLaunching();
  EXPECT_EQ(settings().boolValue("qv.captureNearbyDevices"), true);
  EXPECT_EQ(settings().boolValue("qv.edgeEnabled"), true);
  EXPECT_FALSE(settings().hasStoredValue("qv.edgeEnabled"));
  ASSERT_EQ(AppDelegate::textSubstitutionKeys().size(), 11);
  for (const QString& key : AppDelegate::textSubstitutionKeys())
    EXPECT_EQ(settings().boolValue(key), false) << key.toStdString();
  EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
}

// ---- Launch ---------------------------------------------------------------------------------

TEST_F(AppDelegateTest, LaunchBuildsEverythingAndLogsLaunchedLast) {
  seenOnboarding();
  // A history from an earlier run is loaded before capture starts.
  {
    auto earlier = std::make_unique<PanelState>(*fake.context);
    earlier->addItem(itemNow(*this, "from before"));
    earlier->flushSave();
  }
  fake.pastePermission->held = true;
  test::CapturedLog log;
  launch();

  EXPECT_TRUE(fake.context->reduceMotion->isObserving());
  EXPECT_TRUE(fake.context->updater);
  EXPECT_TRUE(fake.pastePermission->hadPostEventAccessAtLaunch());
  EXPECT_TRUE(delegate->hasEditKeyMonitor());
  EXPECT_TRUE(panel().isPreWarming());
  ASSERT_EQ(state().items().size(), 1);
  EXPECT_EQ(state().items().first().plainText(), "from before");
  ASSERT_TRUE(fake.statusItem);
  EXPECT_EQ(fake.statusItem->toolTip, "Quorvalen");
  EXPECT_TRUE(fake.statusItem->shown);
  EXPECT_TRUE(delegate->hotkeyManager());
  EXPECT_TRUE(delegate->clipboardMonitor()->isRunning());
  EXPECT_TRUE(edge().isRunning());
  EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed() == false);
  const QStringList lines = log.texts("com.tarnwick.quorvalen.app");
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.last(), "Quorvalen launched");
  EXPECT_EQ(log.texts().last(), "Quorvalen launched");
}

TEST_F(AppDelegateTest, WithoutATrayHostItRunsOnAndSaysSoOnce) {
  seenOnboarding();
  test::CapturedLog log;
  fake.context->makeStatusItem = [this] {
    auto item = std::make_unique<FakeStatusItem>();
    item->available = false;
    fake.statusItem = item.get();
    return std::unique_ptr<StatusItem>(std::move(item));
  };
  launch();
  EXPECT_FALSE(fake.statusItem->shown);
  EXPECT_EQ(log.count(QtInfoMsg, "No system tray: open the panel with the hot key or at the screen edge"), 1);
  EXPECT_TRUE(edge().isRunning());
  delegate->togglePanelFromHotkey();
  EXPECT_TRUE(state().isVisible());
}

// A settings file that could not be read is said once: from the tray, or where there is none in
// an alert. A start with readable settings says nothing.
TEST_F(AppDelegateTest, SettingsThatCouldNotBeReadAreSaidOnceFromTheTrayElseInAnAlert) {
  const QString path = settings().filePath();
  for (const bool tray : {true, false}) {
    SCOPED_TRACE(tray ? "tray" : "no tray");
    ASSERT_TRUE(writeFileAtomically(path, "{\"qv.didSeeOnboarding.v1\": tru"));
    fake.context->settings = std::make_shared<SettingsStore>(path, *fake.scheduler);
    fake.context->makeStatusItem = [this, tray] {
      auto item = std::make_unique<FakeStatusItem>();
      item->available = tray;
      fake.statusItem = item.get();
      return std::unique_ptr<StatusItem>(std::move(item));
    };
    const qsizetype alerts = fake.alerts->shown.size();
    launch();
    advance(1);
    const QString said = QString::fromLatin1(AppDelegate::kSettingsResetMessage);
    EXPECT_EQ(fake.statusItem->messages, tray ? QStringList{"Quorvalen|" + said} : QStringList{});
    ASSERT_EQ(fake.alerts->shown.size(), alerts + (tray ? 0 : 1));
    if (!tray) {
      EXPECT_EQ(fake.alerts->shown.last().informativeText, said);
    }
    delegate.reset();

    fake.context->settings = std::make_shared<SettingsStore>(path, *fake.scheduler);
    launch();
    advance(1);
    EXPECT_TRUE(fake.statusItem->messages.isEmpty()) << "the next start";
    EXPECT_EQ(fake.alerts->shown.size(), alerts + (tray ? 0 : 1));
    delegate.reset();
  }
}

// Every reader of a setting reads a wrongly typed value the same way: what the settings pane
// shows is what the program does.
TEST_F(AppDelegateTest, AWronglyTypedSettingReadsTheSameInThePaneAndInTheProgram) {
  seenOnboarding();
  settings().set(AppDelegate::kShortcutKeyCodeKey, 9);
  settings().set(QStringLiteral("qv.shortcut.modifiers"), 0x100000);
  const QJsonValue wrong[] = {QStringLiteral("no"), 0, QJsonArray{false}, QJsonObject{}};
  for (const QJsonValue& value : wrong) {
    SCOPED_TRACE(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString());
    settings().set(AppDelegate::kEdgeEnabledKey, value);
    settings().set(AppDelegate::kEdgeSideKey, value);
    settings().set(AppDelegate::kEdgeDwellDelayKey, value.isDouble() ? QJsonValue(-1) : value);
    launch();
    GeneralPane pane(*fake.context, {});
    EXPECT_EQ(edge().isRunning(), pane.edgeToggle()->props().isOn);
    EXPECT_TRUE(edge().isRunning()) << "the default: on";
    EXPECT_EQ(edge().edgeSide(), pane.shown().edgeSide);
    EXPECT_EQ(edge().dwellDelay(), pane.shown().edgeDwellDelay);
    EXPECT_EQ(pane.shown().edgeDwellDelay, 0.3);
    delegate.reset();
  }
  settings().set(AppDelegate::kEdgeSideKey, "top");
  launch();
  EXPECT_EQ(edge().edgeSide(), "right");
  EXPECT_EQ(GeneralSettings::read(settings()).edgeSide, "right");
}

TEST_F(AppDelegateTest, DwellDelayMigration) {
  seenOnboarding();
  struct Case {
    double stored;
    double storedAfter;
    double used;
  };
  for (const Case& c : {Case{0.1, 0.3, 0.3}, Case{0.2, 0.2, 0.2}, Case{0.5, 0.5, 0.5}, Case{0, 0, 0.3}}) {
    settings().set(AppDelegate::kEdgeDwellDelayKey, c.stored);
    launch();
    EXPECT_DOUBLE_EQ(*settings().doubleValue(AppDelegate::kEdgeDwellDelayKey), c.storedAfter) << c.stored;
    EXPECT_DOUBLE_EQ(edge().dwellDelay(), c.used) << c.stored;
    delegate.reset();
  }
}

TEST_F(AppDelegateTest, TheEdgeCanBeTurnedOffOnlyWithAShortcutAndBackOnWithoutRelaunch) {
  seenOnboarding();
  AppDelegate probe(*fake.context);
  probe.registerDefaults();
  settings().set(AppDelegate::kEdgeEnabledKey, false);
  for (const QJsonValue& keyCode : {QJsonValue(), QJsonValue(-1), QJsonValue("9"), QJsonValue(9.5)}) {
    if (keyCode.isUndefined()) settings().remove(AppDelegate::kShortcutKeyCodeKey);
    else settings().set(AppDelegate::kShortcutKeyCodeKey, keyCode);
    EXPECT_TRUE(probe.isEdgeEnabled()) << keyCode.toVariant().toString().toStdString();
  }
  settings().set(AppDelegate::kShortcutKeyCodeKey, 9);
  EXPECT_FALSE(probe.isEdgeEnabled());
  settings().remove(AppDelegate::kEdgeEnabledKey);
  EXPECT_TRUE(probe.isEdgeEnabled());  // the registered default

  settings().set(AppDelegate::kEdgeEnabledKey, false);
  launch();
  fake.drain();
  EXPECT_FALSE(edge().isRunning());
  settings().set(AppDelegate::kEdgeEnabledKey, true);
  settings().set(AppDelegate::kEdgeSideKey, "left");
  fake.drain();
  EXPECT_TRUE(edge().isRunning());
  EXPECT_EQ(edge().edgeSide(), "left");
  settings().set(AppDelegate::kEdgeEnabledKey, false);
  fake.drain();
  EXPECT_FALSE(edge().isRunning());
}

TEST_F(AppDelegateTest, DefaultsChangesApplyRetentionAndScheduleASave) {
  seenOnboarding();
  settings().set("qv.historyRetention", "forever");
  launch();
  fake.drain();
  state().addItem(test::textItem("old", "org.example.Editor", fake.scheduler->now().addDays(-10)));
  state().flushSave();
  ASSERT_EQ(state().items().size(), 1);
  settings().set("qv.historyRetention", "1w");
  fake.drain();
  EXPECT_TRUE(state().items().isEmpty());
  EXPECT_TRUE(state().isSavePending());
}

TEST_F(AppDelegateTest, AnEdgeReportWithinHalfASecondOfAHideIsIgnored) {
  seenOnboarding();
  launch();
  advance(2);  // pre-warming over
  panel().showPanel();
  advance(1);
  panel().hidePanel();
  advance(0.4);
  delegate->handleEdgeShow("right");
  EXPECT_FALSE(state().isVisible());
  advance(0.2);
  delegate->handleEdgeShow("right");
  EXPECT_TRUE(state().isVisible());
  // A report while shown does nothing.
  delegate->handleEdgeShow("left");
  EXPECT_TRUE(state().isVisible());
}

TEST_F(AppDelegateTest, OnboardingShowsOnceAfterFourTenthsAndStartShowsThePanelAQuarterSecondLater) {
  launch();
  EXPECT_EQ(settings().boolValue(AppDelegate::kDidSeeOnboardingKey), true);  // before anything shows
  OnboardingWindowController& onboarding = OnboardingWindowController::shared(*fake.context);
  advance(0.39);
  EXPECT_FALSE(onboarding.window());
  advance(0.02);
  ASSERT_TRUE(onboarding.window());
  EXPECT_TRUE(onboarding.window()->isVisible());

  advance(2);
  OnboardingPanel* panel = onboarding.window();
  for (const char* title : {"Next", "Next", "Launch Quorvalen"})
    panel->view()->button(QString::fromUtf8(title))->callbacks().onPress();
  EXPECT_FALSE(onboarding.window());
  EXPECT_FALSE(panel->isVisible());
  advance(0.24);
  EXPECT_FALSE(state().isVisible());
  advance(0.02);
  EXPECT_TRUE(state().isVisible());
}

TEST_F(AppDelegateTest, OnboardingClosedWithoutStartShowsNothingAndAQuitBeforeItKeepsItSeen) {
  launch();
  advance(0.2);
  delegate.reset();  // quit before the 0.4 s passed
  advance(1);
  EXPECT_FALSE(OnboardingWindowController::shared(*fake.context).window());
  launch();
  advance(1);
  EXPECT_FALSE(OnboardingWindowController::shared(*fake.context).window());

  delegate->showOnboarding();
  QWidget* window = OnboardingWindowController::shared(*fake.context).window();
  ASSERT_TRUE(window);
  window->close();
  advance(1);
  EXPECT_FALSE(state().isVisible());
}

// ---- Items and quitting ---------------------------------------------------------------------

TEST_F(AppDelegateTest, ABlurredCopyIsMarkedSensitiveAutomaticallyAfterItIsAdded) {
  seenOnboarding();
  launch();
  const ClipboardItem secret = itemNow(*this, "hunter2");
  delegate->handleNewItem(secret, true);
  ASSERT_EQ(state().items().size(), 1);
  EXPECT_TRUE(state().sensitiveIDs().contains(secret.id));
  EXPECT_TRUE(state().autoSensitiveIDs().contains(secret.id));
  const ClipboardItem plain = itemNow(*this, "hello");
  delegate->handleNewItem(plain, false);
  EXPECT_FALSE(state().sensitiveIDs().contains(plain.id));
}

TEST_F(AppDelegateTest, ACopyOfSeveralFilesIsAddedAtOnceAndABlurredOneMarkedWhole) {
  seenOnboarding();
  launch();
  test::SignalCounter changes(&state(), &PanelState::itemsChanged);
  fake.pasteboard->copy({{QLatin1String(mime::kUriList),
                          "file:///home/u/a.txt\r\nfile:///home/u/b.txt\r\n"
                          "file:///tmp/a.txt\r\n"},
                         {QLatin1String(kConcealedMarkerType), {}}},
                        4100);
  advance(1);
  EXPECT_EQ(changes.count(), 1);
  QStringList paths;
  for (const ClipboardItem& item : state().items()) {
    paths.append(std::get<FilePayload>(item.payload)->url->toLocalFile());
    EXPECT_TRUE(state().sensitiveIDs().contains(item.id));
    EXPECT_TRUE(state().autoSensitiveIDs().contains(item.id));
  }
  EXPECT_EQ(paths, (QStringList{QStringLiteral("/home/u/a.txt"), QStringLiteral("/home/u/b.txt")}))
      << "the first file lands newest and replaces the other one of its name";
  EXPECT_EQ(state().sensitiveIDs().size(), 2);
}

TEST_F(AppDelegateTest, QuittingRightAfterACopyRecordsAndSavesIt) {
  seenOnboarding();
  launch();
  fake.pasteboard->copyText(QStringLiteral("copied as the session ends"), 4100);
  advance(0.1);
  delegate->applicationWillTerminate();
  QFile file(state().historyFilePath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("copied as the session ends"));
}

// A quit whose final save cannot be written (a full disk) says so from the tray, with the
// system's reason, and the program exits with a failure; a quit that saves says nothing.
TEST_F(AppDelegateTest, AQuitThatCannotSaveSaysSoFromTheTray) {
  seenOnboarding();
  launch();
  delegate->handleNewItem(itemNow(*this, "copied before the disk filled"), false);
  {
    const test::WriteLimit full(0);
    delegate->applicationWillTerminate();
  }
  EXPECT_TRUE(delegate->lostUnsavedCopies());
  ASSERT_EQ(fake.statusItem->messages.size(), 1);
  EXPECT_TRUE(fake.statusItem->messages.first().startsWith(QStringLiteral("Quorvalen|") +
                                                           QString::fromLatin1(AppDelegate::kUnsavedAtQuitMessage)));
  EXPECT_TRUE(fake.statusItem->messages.first().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
      << fake.statusItem->messages.first().toStdString();

  delegate.reset();
  launch();
  delegate->applicationWillTerminate();
  EXPECT_FALSE(delegate->lostUnsavedCopies());
  EXPECT_TRUE(fake.statusItem->messages.isEmpty());
}

// A quit that leaves a copied picture unwritten (its folder cannot be made) says so as well, as
// pictures lost (the history itself is saved).
TEST_F(AppDelegateTest, AQuitThatLeavesAPictureUnwrittenSaysSoFromTheTray) {
  seenOnboarding();
  launch();
  const ClipboardItem image = test::imageItem(test::testImage(), "org.example.Paint", fake.scheduler->now());
  const QString folder = QFileInfo(fake.context->imageStore->filePath(image.idString())).path();
  ASSERT_TRUE(writeFileAtomically(folder, "a file where the folder goes"));
  delegate->handleNewItem(image, false);
  delegate->applicationWillTerminate();
  EXPECT_TRUE(delegate->lostUnsavedCopies());
  ASSERT_EQ(fake.statusItem->messages.size(), 1);
  EXPECT_TRUE(
      fake.statusItem->messages.first().contains(QStringLiteral("the picture of an image could not be written")))
      << fake.statusItem->messages.first().toStdString();
  EXPECT_TRUE(fake.statusItem->messages.first().startsWith(
      QStringLiteral("Quorvalen|") + QString::fromLatin1(AppDelegate::kPicturesUnsavedAtQuitMessage)))
      << fake.statusItem->messages.first().toStdString();
}

// A data folder a restore left at 0755 with its history at 0644 is private again after a start.
TEST_F(AppDelegateTest, AStartMakesALoosenedDataFolderPrivate) {
  const QString data = fake.context->paths->applicationSupport();
  const QString history = data + QStringLiteral("/history.json");
  ASSERT_TRUE(writeFileAtomically(history, "[]"));
  ASSERT_EQ(::chmod(QFile::encodeName(data).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(history).constData(), 0644), 0);
  seenOnboarding();
  launch();
  EXPECT_EQ(modeOf(data), 0700);
  EXPECT_EQ(modeOf(history), 0600);
}

// The same where the data folder is a link the user made to a folder elsewhere: where it leads is
// the data folder.
TEST_F(AppDelegateTest, AStartMakesALoosenedDataFolderPrivateThroughTheLinkToIt) {
  const QString data = fake.context->paths->applicationSupport();
  const QString elsewhere = fake.root->path() + QStringLiteral("/elsewhere");
  const auto native = [](const QString& path) { return QFile::encodeName(path); };
  const QString history = elsewhere + QStringLiteral("/history.json");
  ASSERT_TRUE(writeFileAtomically(history, "[]"));
  ASSERT_TRUE(QDir(data).removeRecursively());
  ASSERT_TRUE(ensurePrivateFolder(QFileInfo(data).path()));
  ASSERT_EQ(::symlink(native(elsewhere), native(data)), 0);
  ASSERT_EQ(::chmod(native(elsewhere), 0755), 0);
  ASSERT_EQ(::chmod(native(history), 0644), 0);
  seenOnboarding();
  launch();
  EXPECT_EQ(modeOf(elsewhere), 0700);
  EXPECT_EQ(modeOf(history), 0600);
  EXPECT_TRUE(QFileInfo(data).isSymLink());
}

TEST_F(AppDelegateTest, QuittingWithinTheSaveDelayOfACopyKeepsIt) {
  seenOnboarding();
  launch();
  const ClipboardItem copy = itemNow(*this, "just copied");
  delegate->handleNewItem(copy, false);
  advance(0.1);  // within the save delay
  ASSERT_TRUE(state().isSavePending());
  delegate->applicationWillTerminate();
  EXPECT_FALSE(state().isSavePending());
  QFile file(state().historyFilePath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains(copy.idString().toUtf8()));
}

// ---- Status item ----------------------------------------------------------------------------

// A press on the tray icon is the icon's: it never hides the open panel as a click beside it,
// so the tray menu opens over the panel (hiding the panel would take the program's activation
// away, and the menu with it). A press anywhere else still hides the panel.
TEST_F(AppDelegateTest, APressOnTheTrayIconLeavesTheOpenPanelToTheIconsClick) {
  seenOnboarding();
  launch();
  advance(2);
  FakeStatusItem& item = *fake.statusItem;
  item.iconGeometry = QRect(1890, 1052, 24, 24);
  item.click();
  ASSERT_TRUE(state().isVisible());
  advance(1);
  fake.pointerMonitor->pressButton(QPointF(1900, 1060));  // the right button's press, on the icon
  item.rightClick();
  EXPECT_TRUE(state().isVisible());
  EXPECT_EQ(item.menuPopUps, 1);
  ASSERT_TRUE(item.menu);
  delegate->statusMenu()->hide();
  // Beside the icon it is a click beside the panel.
  fake.pointerMonitor->pressButton(QPointF(1850, 1060));
  EXPECT_FALSE(state().isVisible());
}

TEST_F(AppDelegateTest, LeftClickTogglesRightClickOpensTheMenuAndTheNextLeftClickTogglesAgain) {
  seenOnboarding();
  launch();
  advance(2);
  FakeStatusItem& item = *fake.statusItem;
  EXPECT_FALSE(delegate->statusIconFilled());
  item.click();
  EXPECT_TRUE(state().isVisible());
  EXPECT_TRUE(delegate->statusIconFilled());
  EXPECT_TRUE(delegate->clipboardMonitor()->isPanelVisible());
  advance(1);
  item.click();
  EXPECT_FALSE(state().isVisible());
  EXPECT_FALSE(delegate->statusIconFilled());

  item.rightClick();
  EXPECT_EQ(item.menuPopUps, 1);
  ASSERT_TRUE(item.menu);
  EXPECT_EQ(item.menu, delegate->statusMenu());
  fake.drain();
  EXPECT_FALSE(item.menu);  // detached again
  delegate->statusMenu()->hide();
  advance(1);
  item.click();
  EXPECT_TRUE(state().isVisible());
}

// A dark glyph on a dark tray cannot be seen: the tray's own colour when it names one, else the
// text colour of the desktop's colour scheme.
TEST_F(AppDelegateTest, TheTrayIconIsDrawnInTheTraysColourElseTheDesktopsTextColour) {
  seenOnboarding();
  launch();
  const auto iconColour = [this] {  // of its most opaque pixel
    const QImage image = fake.statusItem->icon.pixmap(QSize(18, 18)).toImage();
    QRgb best = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qAlpha(image.pixel(x, y)) > qAlpha(best)) best = image.pixel(x, y);
    return QColor(qRed(best), qGreen(best), qBlue(best));
  };
  EXPECT_LT(iconColour().lightness(), 60);
  DesktopPreferences dark;
  dark.colorScheme = DesktopColorScheme::dark;
  fake.desktopAppearance->setPreferences(dark);
  EXPECT_GT(iconColour().lightness(), 200);
  fake.statusItem->setTrayColor(QColor(200, 40, 40));
  EXPECT_EQ(iconColour().hue(), 0);  // the tray's red
  EXPECT_GT(iconColour().saturation(), 150);
  fake.statusItem->setTrayColor(std::nullopt);
  EXPECT_GT(iconColour().lightness(), 200);
}

// Escape closes the panel and holds the keys typed next for the window that gets the focus; a
// right click on the tray icon right after it hands them back, so the menu gets the keyboard.
TEST_F(AppDelegateTest, TheStatusMenuTakesTheKeyboardFromAHoldAfterAClose) {
  seenOnboarding();
  launch();
  fake.context->pasteSender->holdTypedKeys(0);
  ASSERT_TRUE(fake.keyPoster->keyboardHeld);
  fake.keyPoster->type(38, true);
  fake.statusItem->rightClick();
  ASSERT_TRUE(delegate->statusMenu());
  EXPECT_FALSE(fake.keyPoster->keyboardHeld);
  EXPECT_FALSE(fake.keyPoster->isHolding());
}

TEST_F(AppDelegateTest, PausingStopsCaptureDrawsTheSlashAndCopiesWhilePausedNeverArrive) {
  seenOnboarding();
  launch();
  fake.statusItem->rightClick();
  ASSERT_TRUE(delegate->statusMenu());
  QList<QAction*> rows = delegate->statusMenu()->actions();
  ASSERT_EQ(rows[1]->text(), "Pause Monitoring");
  rows[1]->trigger();
  fake.drain();
  EXPECT_TRUE(state().isMonitoringPaused());
  EXPECT_FALSE(delegate->clipboardMonitor()->isRunning());
  EXPECT_TRUE(delegate->statusIconPaused());

  fake.pasteboard->copyText("while paused", 77);
  advance(2);
  state().toggleMonitoringAction()();
  EXPECT_FALSE(state().isMonitoringPaused());
  EXPECT_FALSE(delegate->statusIconPaused());
  advance(2);
  EXPECT_TRUE(state().items().isEmpty());

  fake.statusItem->rightClick();
  EXPECT_EQ(delegate->statusMenu()->actions()[1]->text(), "Pause Monitoring");
  fake.pasteboard->copyText("after resuming", 77);
  advance(2);
  EXPECT_EQ(state().items().size(), 1);
}

TEST_F(AppDelegateTest, ClearAllAsksWithTheCountAndClearsOnlyOnTheFirstButton) {
  seenOnboarding();
  launch();
  delegate->confirmClearAll();
  EXPECT_TRUE(fake.alerts->shown.isEmpty());  // nothing to clear, nothing asked

  delegate->handleNewItem(itemNow(*this, "one"), false);
  fake.alerts->answer = 1;
  delegate->confirmClearAll();
  ASSERT_EQ(fake.alerts->shown.size(), 1);
  const AlertSpec& one = fake.alerts->shown.last();
  EXPECT_EQ(one.style, AlertSpec::Style::warning);
  EXPECT_EQ(one.message, "Clear all clipboard history?");
  EXPECT_EQ(one.informativeText, "One saved clip will be removed. This can't be undone.");
  EXPECT_EQ(one.buttons, QStringList({"Clear All History", "Cancel"}));
  EXPECT_EQ(one.destructiveButton, 0);
  EXPECT_EQ(one.returnButton, 1);
  EXPECT_EQ(state().items().size(), 1);

  for (int i = 2; i <= 12; ++i) delegate->handleNewItem(itemNow(*this, QString::number(i)), false);
  fake.alerts->answer = 0;
  state().clearAllAction()();
  EXPECT_EQ(fake.alerts->shown.size(), 1);  // asked after the panel's handler returned
  fake.drain();
  EXPECT_EQ(fake.alerts->shown.last().informativeText, "All 12 saved clips will be removed. This can't be undone.");
  EXPECT_TRUE(state().items().isEmpty());
}

// The tray menu closes before its row runs; the confirmation's own event loop may run deferred
// deletes, and the menu that started it must survive them. Cancelled: nothing changes;
// confirmed: history, pins and marks go together, also on disk.
TEST_F(AppDelegateTest, ClearAllFromTheTrayMenuRunsAfterTheMenuClosedAndClearsEverythingOrNothing) {
  seenOnboarding();
  launch();
  for (int i = 0; i < 3; ++i) delegate->handleNewItem(itemNow(*this, QString::number(i)), false);
  const QUuid first = state().items().first().id;
  state().togglePin(first);
  state().markSensitive(state().items().last().id, false);
  advance(2);
  QPointer<QMenu> menu;
  fake.alerts->onShow = [&](const AlertSpec&) {
    ASSERT_TRUE(menu);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // what a nested loop does
    EXPECT_TRUE(menu);
  };
  for (const int answer : {1, 0}) {
    SCOPED_TRACE(answer);
    fake.statusItem->rightClick();
    menu = delegate->statusMenu();
    ASSERT_TRUE(menu);
    QAction* clear = menu->actions()[4];
    ASSERT_EQ(clear->text(), "Clear All History");
    menu->hide();
    fake.alerts->answer = answer;
    const qsizetype asked = fake.alerts->shown.size();
    clear->trigger();
    EXPECT_EQ(fake.alerts->shown.size(), asked);
    advance(2);
    EXPECT_EQ(fake.alerts->shown.size(), asked + 1);
    const bool cleared = answer == 0;
    EXPECT_EQ(state().items().isEmpty(), cleared);
    EXPECT_EQ(state().pinnedIDs().isEmpty(), cleared);
    EXPECT_EQ(state().sensitiveIDs().isEmpty(), cleared);
    EXPECT_EQ(settings().arrayValue(PanelState::kPinnedIDsKey).value_or(QJsonArray()).isEmpty(), cleared);
    EXPECT_EQ(
        readFile(fake.context->paths->applicationSupport() + "/history.json").contains(uuidString(first).toUtf8()),
        !cleared);
  }
}

TEST_F(AppDelegateTest, PastePermissionIsRequestedOnceThenExplained) {
  seenOnboarding();
  launch();
  fake.pastePermission->held = true;
  EXPECT_TRUE(delegate->ensurePostEventAccess());
  EXPECT_EQ(fake.pastePermission->systemRequests, 0);

  fake.pastePermission->held = false;
  ASSERT_TRUE(panel().onPastePermissionNeeded);
  panel().onPastePermissionNeeded();  // the panel's copy-only paste path
  EXPECT_EQ(fake.pastePermission->systemRequests, 1);
  EXPECT_EQ(settings().boolValue("qv.didRequestPostEventAccess"), true);
  EXPECT_TRUE(fake.alerts->shown.isEmpty());

  fake.alerts->answer = 1;
  EXPECT_FALSE(delegate->ensurePostEventAccess());
  ASSERT_EQ(fake.alerts->shown.size(), 1);
  const AlertSpec alert = fake.alerts->shown.last();
  EXPECT_EQ(alert.style, AlertSpec::Style::informational);
  EXPECT_EQ(alert.message, "Allow Quorvalen to press Ctrl+V");
  EXPECT_EQ(alert.informativeText,
            "Quorvalen presses Ctrl+V to paste items directly into other apps. You can allow it in your desktop's "
            "settings.");
  EXPECT_EQ(alert.buttons, QStringList({"Open Settings", "Not Now"}));
  EXPECT_EQ(fake.pastePermission->settingsOpened, 0);
  fake.alerts->answer = 0;
  delegate->ensurePostEventAccess();
  EXPECT_EQ(fake.pastePermission->settingsOpened, 1);
  EXPECT_EQ(fake.pastePermission->systemRequests, 1);

  // Where nothing can grant it (X11 without XTest, Wayland) the alert says so and sends the user
  // nowhere: no macOS settings page, no button to one.
  fake.pastePermission->grantable = false;
  delegate->ensurePostEventAccess();
  ASSERT_EQ(fake.alerts->shown.size(), 3);
  const AlertSpec plain = fake.alerts->shown.last();
  EXPECT_EQ(plain.message, "Quorvalen can't paste for you here");
  EXPECT_EQ(plain.informativeText, AppDelegate::kCannotPostKeysText);
  EXPECT_EQ(plain.buttons, QStringList({"OK"}));
  EXPECT_EQ(fake.pastePermission->settingsOpened, 1);
  for (const AlertSpec& shown : fake.alerts->shown)
    EXPECT_FALSE(shown.informativeText.contains("Privacy") || shown.informativeText.contains("System Settings"));
}

// The panel is gone when a paste misses its application; the tray says the item was only copied.
TEST_F(AppDelegateTest, APasteThatDidNotReachItsApplicationIsToldFromTheTray) {
  seenOnboarding();
  launch();
  ASSERT_TRUE(panel().onPasteNotDelivered);
  panel().onPasteNotDelivered(PasteOutcome::targetGone);
  ASSERT_EQ(fake.statusItem->messages.size(), 1);
  EXPECT_EQ(fake.statusItem->messages.first(), QStringLiteral("Quorvalen|") + AppDelegate::kCopiedOnlyMessage);
}

TEST_F(AppDelegateTest, TheTrayIconFollowsTheDesktopNotTheAppearanceSetting) {
  seenOnboarding();
  settings().set(QStringLiteral("qv.appearance"), QStringLiteral("dark"));
  launch();
  EXPECT_TRUE(fake.environment().isDark());
  auto tintOf = [&] { return fake.statusItem->icon.pixmap(18, 18).toImage().pixelColor(2, 4); };
  const int changes = fake.statusItem->iconChanges;
  EXPECT_LT(tintOf().lightness(), 100);  // a light desktop: a dark symbol, whatever the setting
  applyAppearance(*fake.context, QStringLiteral("light"));
  EXPECT_EQ(fake.statusItem->iconChanges, changes);

  DesktopPreferences dark;
  dark.colorScheme = DesktopColorScheme::dark;
  fake.desktopAppearance->setPreferences(dark);
  EXPECT_GT(tintOf().lightness(), 200);
}

// ---- Windows --------------------------------------------------------------------------------

TEST_F(AppDelegateWithCompositorTest, SettingsWindowIsMadeOnceCentredOnceAndFades) {
  seenOnboarding();
  launch();
  delegate->openSettings();
  SettingsPanel* window = delegate->settingsPanel();
  ASSERT_TRUE(window);
  EXPECT_EQ(window->size(), QSize(680, 520));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const QRectF visible = fake.screens->screens().first().visibleFrame;
  EXPECT_NEAR(window->frameGeometry().center().x(), visible.center().x(), 3);
  EXPECT_NEAR(window->frameGeometry().center().y(), visible.center().y(), 3);
  EXPECT_DOUBLE_EQ(window->opacity(), 0);
  advance(0.1);
  EXPECT_GT(window->opacity(), 0.3);
  advance(0.11);
  EXPECT_DOUBLE_EQ(window->opacity(), 1);

  window->move(40, 60);
  window->close();  // the close button fades out
  EXPECT_TRUE(window->isVisible());
  advance(0.16);
  EXPECT_FALSE(window->isVisible());
  EXPECT_DOUBLE_EQ(window->opacity(), 1);

  delegate->openSettings();
  EXPECT_EQ(delegate->settingsPanel(), window);
  EXPECT_EQ(window->pos(), QPoint(40, 60));
  EXPECT_TRUE(window->isVisible());
}

// The settings window fades out on its close button; the application's quit asks it to close too,
// and a window that stays cancels the quit. Quit quits with the window open, and the history is
// written on the way out.
TEST_F(AppDelegateWithCompositorTest, QuitQuitsWhileTheSettingsWindowIsShownAndSavesFirst) {
  seenOnboarding();
  launch();
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, delegate.get(),
                   [this] { delegate->applicationWillTerminate(); });
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"the settings window's Quit",
       [this] {
         QuitButton* quit = delegate->settingsPanel()->view()->quitButton();
         QTest::mouseClick(quit, Qt::LeftButton, {}, quit->rect().center());
       }},
      {"the tray menu's Quit",
       [this] {
         fake.statusItem->rightClick();
         QAction* quit = delegate->statusMenu()->actions().last();
         ASSERT_EQ(quit->text(), "Quit");
         delegate->statusMenu()->hide();
         quit->trigger();
         advance(0.1);
       }},
      {"a signal", [] { QCoreApplication::quit(); }},
  };
  for (const auto& [way, quit] : ways) {
    SCOPED_TRACE(way);
    delegate->openSettings();
    advance(0.3);
    ASSERT_TRUE(delegate->settingsPanel()->isVisible());
    const ClipboardItem copy = itemNow(*this, QStringLiteral("copied before quitting"));
    delegate->handleNewItem(copy, false);
    ASSERT_TRUE(state().isSavePending());

    QTimer::singleShot(0, qApp, quit);
    QTimer deadline;  // a refused quit leaves the loop running
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    deadline.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    deadline.stop();
    EXPECT_FALSE(delegate->settingsPanel()->isVisible());
    EXPECT_FALSE(state().isSavePending());
    EXPECT_TRUE(readFile(state().historyFilePath()).contains(copy.idString().toUtf8()));
  }
  // The close button fades it out again.
  delegate->openSettings();
  advance(0.3);
  delegate->settingsPanel()->close();
  EXPECT_TRUE(delegate->settingsPanel()->isVisible());
  advance(0.2);
  EXPECT_FALSE(delegate->settingsPanel()->isVisible());
}

TEST_F(AppDelegateTest, ActionsFromThePanelHideItFirstAndTheMenuLeavesItAlone) {
  seenOnboarding();
  launch();
  advance(2);
  panel().showPanel();
  advance(1);
  fake.statusItem->rightClick();
  delegate->statusMenu()->actions()[2]->trigger();  // Settings
  fake.drain();
  EXPECT_TRUE(state().isVisible());
  EXPECT_TRUE(delegate->settingsPanel()->isVisible());
  delegate->settingsPanel()->hide();

  state().openSettingsAction()();
  fake.drain();
  EXPECT_FALSE(state().isVisible());
  EXPECT_TRUE(delegate->settingsPanel()->isVisible());
}

TEST_F(AppDelegateTest, TheLibraryListsTheHistoryAndSuppressesTheEdgeWhileVisible) {
  seenOnboarding();
  launch();
  delegate->handleNewItem(itemNow(*this, "older"), false);
  delegate->handleNewItem(itemNow(*this, "newer"), false);
  state().showLibraryAction()();
  fake.drain();
  LibraryWindowController& library = LibraryWindowController::shared(*fake.context);
  ASSERT_TRUE(library.isVisible());
  EXPECT_TRUE(edge().isSuppressed());
  EXPECT_EQ(library.listedRows(), QStringList({"newer", "older"}));
  delegate->handleNewItem(itemNow(*this, "newest"), false);
  EXPECT_EQ(library.listedRows().first(), "newest");

  library.window()->close();
  EXPECT_FALSE(edge().isSuppressed());
  delegate->openLibrary();
  EXPECT_TRUE(edge().isSuppressed());
}

// The erase question ends with the settings window: shown again, the App Rules pane asks nothing
// and counts afresh. Erase removes what the question names: a copy that came meanwhile makes it
// ask again with the count of now.
TEST_F(AppDelegateWithCompositorTest, TheEraseQuestionEndsWithTheWindowAndNamesWhatEraseRemoves) {
  seenOnboarding();
  launch();
  const QString chat = QStringLiteral("org.example.Chat");
  const auto copyFromChat = [&] {
    delegate->handleNewItem(itemNow(*this, QUuid::createUuid().toString(), chat), false);
  };
  const auto savedFromChat = [&] {
    return std::count_if(state().items().cbegin(), state().items().cend(),
                         [&](const ClipboardItem& item) { return item.sourceAppBundleID == chat; });
  };
  copyFromChat();
  copyFromChat();
  fake.context->appRules->setRule(AppRule::blur, {chat, QStringLiteral("Chat"), std::nullopt, AppRule::blur});
  settings().set(QLatin1String(SettingsView::kOpenPaneKey), QStringLiteral("App Rules"));
  delegate->openSettings();
  QApplication::processEvents();  // the pane put into the shown window shows on the next turn
  advance(1);
  SettingsPanel* window = delegate->settingsPanel();
  const auto row = [&] {
    auto* pane = qobject_cast<IgnoredPane*>(window->view()->paneView());
    return pane ? pane->row(chat) : nullptr;
  };
  ASSERT_TRUE(row());
  const auto click = [this](QWidget* widget) {
    ASSERT_TRUE(widget) << "no such button";
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    advance(1);
  };
  // The row is asked for anew each time (the pane is made again when the window shows again), and
  // a missing one fails the test here rather than crashing it further on.
  const auto question = [&] {
    auto* shown = row();
    return shown && shown->questionText() ? shown->questionText()->props().text : QString();
  };
  click(row()->appRow()->secondaryButton());
  EXPECT_EQ(question(), "Erase 2 saved clips?");

  window->close();
  advance(1);
  ASSERT_FALSE(window->isVisible());
  copyFromChat();
  delegate->openSettings();
  advance(1);
  ASSERT_TRUE(row());
  EXPECT_EQ(question(), "");
  EXPECT_EQ(row()->appRow()->secondaryButton()->toolTip(), "Erase 3 Saved Clips");

  click(row()->appRow()->secondaryButton());
  ASSERT_EQ(question(), "Erase 3 saved clips?");
  copyFromChat();
  ASSERT_TRUE(row());
  click(row()->eraseButton());
  ASSERT_EQ(question(), "Erase 4 saved clips?");
  EXPECT_EQ(savedFromChat(), 4);
  ASSERT_TRUE(row());
  click(row()->eraseButton());
  EXPECT_EQ(question(), "");
  EXPECT_EQ(savedFromChat(), 0);
  ASSERT_TRUE(row());
  EXPECT_EQ(row()->appRow()->secondaryButton()->toolTip(), "No Saved Clips");
}

TEST_F(AppDelegateTest, TheAppRulesPaneCountsAndRemovesAnApplicationsClips) {
  seenOnboarding();
  launch();
  delegate->handleNewItem(itemNow(*this, "a", "org.example.Chat"), false);
  delegate->handleNewItem(itemNow(*this, "b", "org.example.Chat"), false);
  delegate->handleNewItem(itemNow(*this, "c"), false);
  ASSERT_TRUE(IgnoredPane::clipCountForApp);
  EXPECT_EQ(IgnoredPane::clipCountForApp("org.example.Chat"), 2);
  EXPECT_EQ(IgnoredPane::removeClipsForApp("org.example.Chat"), 2);
  EXPECT_EQ(state().items().size(), 1);
  delegate.reset();
  EXPECT_EQ(IgnoredPane::clipCountForApp("org.example.Editor"), 0);  // the panel is gone
}
