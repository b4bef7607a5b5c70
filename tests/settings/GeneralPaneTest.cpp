// The General pane: every setting bound with its default, the screen-edge rules, the permission
// row on the manual clock, launch at login over a real autostart folder, and updates.
#include "platform/LoginItem.h"
#include "platform/Paths.h"
#include "platform/ProgramIdentity.h"
#include "platform/SettingsStore.h"
#include "platform/Updater.h"
#include "settings/GeneralPane.h"
#include "settings/PaneRows.h"
#include "settings/PaneText.h"
#include "settings/SettingsStyle.h"
#include "settings/ShortcutRecorder.h"
#include "support/settings/FakeSettingsContext.h"
#include "ui/controls/PillDropdown.h"
#include "ui/controls/TarnToggle.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace qv;

namespace {

struct GeneralPaneTest : ::testing::Test {
  void open() {
    pane = std::make_unique<GeneralPane>(*fake.context, GeneralPane::Callbacks{});
    pane->resize(460, 520);
    pane->show();
  }
  void store(const char* key, const QJsonValue& value) {
    settings().set(QLatin1String(key), value);
    fake.drain();
  }
  SettingsStore& settings() { return *fake.context->settings; }
  QString buttonTitle() { return pane->pasteAccess()->button()->props().title; }

  test::FakeSettingsContext fake;
  std::unique_ptr<GeneralPane> pane;
};

}  // namespace

TEST_F(GeneralPaneTest, ShowsTheDefaultsAndWritesEveryControlToItsKey) {
  open();
  EXPECT_EQ(pane->shown(), GeneralSettings{});
  EXPECT_EQ(pane->retentionDropdown()->props().label, "Week");
  EXPECT_EQ(pane->themePicker()->props().selectedIndex, 2);
  EXPECT_EQ(pane->sidePicker()->props().selectedIndex, 1);
  EXPECT_EQ(pane->dwellPicker()->props().selectedIndex, 0);
  EXPECT_FALSE(pane->plainTextToggle()->props().isOn);
  EXPECT_TRUE(pane->nearbyToggle()->props().isOn);
  EXPECT_FALSE(pane->nearbyCaption()->props().text.contains("iPhone"));

  struct Case {
    std::function<void()> act;
    const char* key;
    QJsonValue stored;
  };
  const std::vector<Case> cases = {
      {[&] { pane->sidePicker()->callbacks().onChange("left"); }, GeneralSettings::kEdgeSideKey, "left"},
      {[&] { pane->dwellPicker()->callbacks().onChange(0.8); }, GeneralSettings::kEdgeDwellDelayKey, 0.8},
      {[&] { pane->themePicker()->callbacks().onChange("dark"); }, GeneralSettings::kAppearanceKey, "dark"},
      {[&] { pane->retentionDropdown()->callbacks().onChoose(1); }, GeneralSettings::kRetentionKey, "1m"},
      {[&] { pane->plainTextToggle()->callbacks().onToggle(true); }, GeneralSettings::kAlwaysPlainTextKey, true},
      {[&] { pane->nearbyToggle()->callbacks().onToggle(false); }, GeneralSettings::kCaptureNearbyKey, false},
  };
  for (const Case& c : cases) {
    c.act();
    fake.drain();
    EXPECT_EQ(settings().value(QLatin1String(c.key)), c.stored) << c.key;
  }
  EXPECT_EQ(pane->dwellPicker()->props().selectedIndex, 2);
  EXPECT_EQ(pane->retentionDropdown()->props().label, "Month");
  EXPECT_TRUE(pane->plainTextToggle()->props().isOn);
  EXPECT_EQ(fake.environment().keptAppearance(), ColorScheme::dark);  // applied at once
}

TEST_F(GeneralPaneTest, RetentionLabelsAndAnUnknownStoredValue) {
  const std::vector<std::pair<QString, QString>> cases = {{"1w", "Week"},         {"1m", "Month"}, {"1y", "Year"},
                                                          {"forever", "Forever"}, {"2w", "Week"},  {"", "Week"}};
  for (const auto& [stored, label] : cases) EXPECT_EQ(retentionLabel(stored), label) << stored.toStdString();
  store(GeneralSettings::kRetentionKey, "2w");
  open();
  EXPECT_EQ(pane->retentionDropdown()->props().label, "Week");
  for (const QVDropdownItem& item : pane->retentionDropdown()->props().items) EXPECT_FALSE(item.isChecked);
}

// After stored settings were lost nothing is pruned until the user chooses a retention: none
// shows as chosen meanwhile, and a pick ends the hold.
TEST_F(GeneralPaneTest, AfterLostSettingsNoRetentionShowsAsChosenUntilOneIsPicked) {
  store(SettingsStore::kValuesLostKey, true);
  open();
  EXPECT_EQ(pane->retentionDropdown()->props().label, "Not Chosen");
  for (const QVDropdownItem& item : pane->retentionDropdown()->props().items) EXPECT_FALSE(item.isChecked);
  pane->retentionDropdown()->callbacks().onChoose(0);
  fake.drain();
  EXPECT_EQ(settings().value(QLatin1String(GeneralSettings::kRetentionKey)), "1w");
  EXPECT_FALSE(settings().valuesWereLost());
  EXPECT_EQ(pane->retentionDropdown()->props().label, "Week");
  EXPECT_TRUE(pane->retentionDropdown()->props().items.front().isChecked);
}

TEST_F(GeneralPaneTest, TheEdgeSwitchNeedsAShortcutAndClearingItTurnsTheEdgeBackOn) {
  store(GeneralSettings::kEdgeEnabledKey, false);
  open();
  // No shortcut: the switch cannot turn the edge off, so its rows stay.
  EXPECT_FALSE(pane->edgeToggle()->props().isEnabled);
  EXPECT_TRUE(pane->edgeNote()->isVisible());
  EXPECT_TRUE(pane->sideRow()->isVisible() && pane->dwellRow()->isVisible());

  store(ShortcutRecorderButton::kKeyCodeKey, 9);
  EXPECT_TRUE(pane->edgeToggle()->props().isEnabled);
  fake.advanceBoth(0.1);
  EXPECT_GT(pane->sideRow()->presence(), 0.05);  // leaving, moving up as it fades
  EXPECT_LT(pane->sideRow()->presence(), 0.95);
  EXPECT_LT(pane->sideRow()->rowOffset(), -1);
  fake.advanceBoth(1.5);
  EXPECT_FALSE(pane->edgeNote()->isVisible());
  EXPECT_FALSE(pane->sideRow()->isVisible() || pane->dwellRow()->isVisible());

  pane->recorder()->clear();
  fake.drain();
  EXPECT_EQ(settings().value(GeneralSettings::kEdgeEnabledKey), QJsonValue(true));
  EXPECT_TRUE(pane->edgeToggle()->props().isOn);
  EXPECT_TRUE(pane->sideRow()->isShown() && pane->dwellRow()->isShown() && pane->edgeNote()->isShown());
}

TEST_F(GeneralPaneTest, UnderReduceMotionRowsOnlyFade) {
  store(ShortcutRecorderButton::kKeyCodeKey, 9);
  fake.desktopAppearance->setReduceMotion(true);
  open();
  pane->edgeToggle()->callbacks().onToggle(false);
  fake.advanceBoth(0.1);
  EXPECT_LT(pane->dwellRow()->presence(), 0.95);
  EXPECT_DOUBLE_EQ(pane->dwellRow()->rowOffset(), 0);
}

TEST(PasteAccessControlTest, PicksTheControlFromThePermissionsState) {
  struct Case {
    bool grantable;
    bool canPaste, live, atLaunch, didRequest;
    PasteAccessControl control;
  };
  const Case cases[] = {
      {true, false, false, false, false, PasteAccessControl::enable},
      {true, false, false, false, true, PasteAccessControl::openSettings},
      {true, true, true, false, true, PasteAccessControl::restartToFinish},
      {true, true, true, true, false, PasteAccessControl::enabled},
      {true, true, false, false, false, PasteAccessControl::enabled},  // between polls
      {false, true, true, true, false, PasteAccessControl::enabled},
      {false, false, false, false, true, PasteAccessControl::unavailable},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pasteAccessControl(c.grantable, c.canPaste, c.live, c.atLaunch, c.didRequest), c.control)
        << c.grantable << c.canPaste << c.live << c.atLaunch << c.didRequest;
}

TEST_F(GeneralPaneTest, ThePermissionRowFollowsTheLiveCheckOnTheClockAndOnActivation) {
  fake.pastePermission->held = false;
  fake.pastePermission->rememberLaunchState();
  open();
  EXPECT_EQ(buttonTitle(), "Enable");
  EXPECT_FALSE(pane->pasteAccess()->badge()->isVisible());
  pane->pasteAccess()->button()->callbacks().onPress();
  fake.drain();
  EXPECT_EQ(fake.pastePermission->systemRequests, 1);
  EXPECT_EQ(buttonTitle(), "Open Settings");

  // Granted while open: noticed by the next tick, and it needs a restart.
  fake.pastePermission->held = true;
  fake.advanceBoth(0.5);
  EXPECT_EQ(buttonTitle(), "Open Settings");
  fake.advanceBoth(0.55);
  EXPECT_EQ(pane->pasteAccess()->props().control, PasteAccessControl::restartToFinish);
  EXPECT_EQ(buttonTitle(), "Restart to Finish");
  EXPECT_TRUE(pane->pasteAccess()->button()->toolTip().startsWith("Restarts Quorvalen"));

  // Taken back: the button and the sentence return within a second.
  const QString granted = pane->pasteAccess()->status()->props().text;
  fake.pastePermission->held = false;
  fake.advanceBoth(1.0);
  EXPECT_EQ(buttonTitle(), "Open Settings");
  EXPECT_NE(pane->pasteAccess()->status()->props().text, granted);

  // Activation re-checks at once; a permission held since launch shows the badge.
  fake.pastePermission->held = true;
  fake.pastePermission->rememberLaunchState();
  Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(pane->pasteAccess()->props().control, PasteAccessControl::enabled);
  EXPECT_TRUE(pane->pasteAccess()->badge()->isVisible());
  fake.advanceBoth(0.3);
  EXPECT_DOUBLE_EQ(pane->pasteAccess()->badgePresence(), 1.0);

  pane->hide();
  EXPECT_FALSE(pane->isPollingPermission());
}

// The badge leaves as it came, fading with the row's ease-out while the button takes its place
// (the fade alone, unscaled, under reduced motion).
TEST_F(GeneralPaneTest, TheEnabledBadgeLeavesWithItsFade) {
  fake.pastePermission->held = true;
  fake.pastePermission->rememberLaunchState();
  open();
  PasteAccessRow* row = pane->pasteAccess();
  ASSERT_EQ(row->props().control, PasteAccessControl::enabled);
  EXPECT_DOUBLE_EQ(row->badgePresence(), 1.0);

  fake.pastePermission->held = false;
  Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(row->props().control, PasteAccessControl::enable);
  EXPECT_TRUE(row->button()->isVisible());
  fake.advanceBoth(0.1);
  EXPECT_TRUE(row->badge()->isVisible());
  EXPECT_NEAR(row->badgePresence(), 1 - Theme::easeOutQuick().progress(0.1), 0.02);
  fake.advanceBoth(0.2);
  EXPECT_FALSE(row->badge()->isVisible());
  EXPECT_EQ(row->badgePresence(), 0);

  // And it comes back the same way.
  fake.pastePermission->held = true;
  Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
  fake.advanceBoth(0.1);
  EXPECT_TRUE(row->badge()->isVisible());
  EXPECT_NEAR(row->badgePresence(), Theme::easeOutQuick().progress(0.1), 0.02);
}

TEST_F(GeneralPaneTest, WhereNoProgramMayPressKeysItSaysSoAndOffersNothing) {
  fake.pastePermission->held = false;
  fake.pastePermission->grantable = false;
  open();
  PasteAccessRow* row = pane->pasteAccess();
  EXPECT_EQ(row->props().control, PasteAccessControl::unavailable);
  EXPECT_FALSE(row->button()->isVisible());
  EXPECT_TRUE(row->unavailable()->isVisible());
  EXPECT_FALSE(row->relaunchNote()->isVisible());
  EXPECT_TRUE(row->status()->props().text.contains("doesn't let one app press keys"));
}

TEST_F(GeneralPaneTest, LaunchAtLoginReadsTheAutostartEntryOnShowingAndWritesItOnlyWhenSwitched) {
  QTemporaryDir configHome;
  const QString folder = configHome.path() + "/autostart";
  auto item = std::make_shared<XdgAutostartLoginItem>(folder, program::applicationId(), "/usr/bin/quorvalen");
  fake.context->loginItem = item;
  ASSERT_TRUE(item->registerItem());
  QFile entry(item->entryPath());
  ASSERT_TRUE(entry.open(QIODevice::Append));
  entry.write("X-Marker=kept\n");  // a re-registration would rewrite the file without it
  entry.close();

  open();
  EXPECT_TRUE(pane->launchAtLogin()->props().isOn);
  pane->hide();
  pane->show();
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
  EXPECT_TRUE(entry.readAll().contains("X-Marker=kept"));
  entry.close();

  pane->launchAtLogin()->callbacks().onToggle(false);
  EXPECT_FALSE(QFile::exists(item->entryPath()));
  pane->launchAtLogin()->callbacks().onToggle(true);
  EXPECT_TRUE(QFile::exists(item->entryPath()));
}

// Updates come through the package manager: the pane says so instead of offering a switch for
// automatic checks that nothing would make, and stores nothing.
TEST_F(GeneralPaneTest, UpdatesSayTheyComeFromThePackageManagerAndACheckPointsThere) {
  open();
  ASSERT_TRUE(pane->updatesNote());
  EXPECT_EQ(pane->updatesNote()->props().text, GeneralPane::kUpdatesNote);
  for (TarnToggle* toggle : pane->findChildren<TarnToggle*>())
    EXPECT_NE(toggle->props().title, "Automatically check for updates");
  const QByteArray before = readFile(settings().filePath());

  QWidget* check = pane->checkForUpdatesButton();
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(10, check->height() / 2));
  EXPECT_TRUE(fake.alerts->shown.isEmpty());  // opens once the click is over
  fake.drain();
  ASSERT_EQ(fake.alerts->shown.size(), 1);
  EXPECT_EQ(fake.alerts->shown[0].informativeText, TarnwickUpdater::packageManagerNotice());
  EXPECT_EQ(readFile(settings().filePath()), before);
}

// A card of one colour, as a settings card stands under its rows.
class RedCard : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(200, 0, 0)); }
};

// A row on its way in or out is drawn over the card it stands on, never over a band of the
// window's background.
TEST(RowRevealTest, ARowOnItsWayInShowsTheCardBehindIt) {
  test::FakeSettingsContext fake;
  RedCard card;
  auto* layout = new QVBoxLayout(&card);
  auto* text = new PaneText(*fake.context, {"A note", TextStyle{settingsStyle::font(11)}, PaneText::Shade::tertiary});
  auto* reveal = new RowReveal(*fake.context, text, false);
  layout->addWidget(reveal);
  layout->addStretch(1);
  card.resize(300, 80);
  card.show();
  reveal->setShown(true);
  fake.advanceBoth(0.08);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  layout->activate();
  ASSERT_GT(reveal->presence(), 0.05);
  ASSERT_LT(reveal->presence(), 0.95);
  ASSERT_GT(reveal->height(), 2);
  const QImage picture = card.grab().toImage();
  const double ratio = picture.devicePixelRatio();
  // Right of the short note nothing is drawn: the card shows through.
  const QPoint beside = reveal->geometry().bottomRight() - QPoint(10, 1);
  EXPECT_EQ(picture.pixelColor(beside * ratio), QColor(200, 0, 0));
}
