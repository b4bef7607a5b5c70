// The App Rules pane (rows following the rule store, the application chooser, the rule picker,
// removal, the eraser and its question) and the About pane (version, year line, the two links).
#include "items/ItemServices.h"
#include "items/rules/AppRulesManager.h"
#include "platform/ProgramIdentity.h"
#include "platform/SettingsStore.h"
#include "settings/AboutPane.h"
#include "settings/AppChooser.h"
#include "settings/AppRuleRows.h"
#include "settings/IgnoredPane.h"
#include "settings/PaneText.h"
#include "settings/RowIconButton.h"
#include "support/settings/FakeSettingsContext.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <QTest>

using namespace qv;

namespace {

DesktopEntry application(const QString& id, const QString& name, bool noDisplay = false) {
  DesktopEntry entry;
  entry.id = id;
  entry.name = name;
  entry.type = QStringLiteral("Application");
  entry.noDisplay = noDisplay;
  return entry;
}

struct AppRulesPaneTest : ::testing::Test {
  AppRulesPaneTest() {
    installItemServices(*fake.context);
    for (const DesktopEntry& entry :
         {application("org.gnome.TextEditor", "Text Editor"), application("org.keepassxc.KeePassXC", "KeePassXC"),
          application(program::applicationId(), "Quorvalen"), application("org.example.Hidden", "Hidden Helper", true)})
      fake.desktopEntries->install(entry);
    IgnoredPane::clipCountForApp = [this](const QString& id) { return counts.value(id); };
    IgnoredPane::removeClipsForApp = [this](const QString& id) {
      erased << id;
      return counts.take(id);
    };
    pane = std::make_unique<IgnoredPane>(*fake.context);
    pane->resize(460, 520);
    pane->show();
  }
  ~AppRulesPaneTest() override {
    IgnoredPane::clipCountForApp = nullptr;
    IgnoredPane::removeClipsForApp = nullptr;
  }
  AppRulesManager& rules() { return *fake.context->appRules; }
  // The rules as the store reads them back from the settings.
  QList<AppRuleEntry> stored() { return AppRulesManager(*fake.context->settings).apps(); }
  void pick(const QStringList& ids) {
    pane->addApps();
    ASSERT_TRUE(pane->chooser());
    for (const QString& id : ids) pane->chooser()->setPicked(id, true);
    pane->chooser()->accept();
    fake.advanceBoth(1.0);
  }
  void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

  test::FakeSettingsContext fake;
  QHash<QString, int> counts;
  QStringList erased;
  std::unique_ptr<IgnoredPane> pane;
};

}  // namespace

TEST_F(AppRulesPaneTest, WithoutRulesTheCardHoldsOnlyAddAppAndTheExplanationFollows) {
  EXPECT_TRUE(pane->rows().isEmpty());
  EXPECT_EQ(pane->card()->findChildren<AppRuleRowGroup*>().size(), 0);
  EXPECT_EQ(pane->addButton()->accessibleName(), "Add App");
  EXPECT_EQ(pane->addButton()->parentWidget(), pane->card());
  EXPECT_EQ(static_cast<PaneText*>(pane->explanation())->props().text, IgnoredPane::kExplanation);
  EXPECT_GT(pane->explanation()->mapTo(pane.get(), QPoint()).y(), pane->card()->mapTo(pane.get(), QPoint()).y());
}

TEST_F(AppRulesPaneTest, TheChooserOffersTheDesktopsApplicationsButNotThisOneAndNarrowsBySearch) {
  pane->addApps();
  AppChooser* chooser = pane->chooser();
  ASSERT_TRUE(chooser);
  QStringList offered;
  for (const DesktopEntry& entry : chooser->shown()) offered << entry.id;
  EXPECT_EQ(offered, (QStringList{"org.keepassxc.KeePassXC", "org.gnome.TextEditor"}));  // by name
  chooser->searchField()->setText("text ed");
  ASSERT_EQ(chooser->shown().size(), 1);
  EXPECT_EQ(chooser->shown().first().id, "org.gnome.TextEditor");
}

TEST_F(AppRulesPaneTest, TwoPickedApplicationsBecomeTwoIgnoredRowsAndAPickAgainKeepsOneRow) {
  pick({"org.gnome.TextEditor", "org.keepassxc.KeePassXC"});
  ASSERT_EQ(pane->rows().size(), 2);
  for (AppRuleRowGroup* row : pane->rows()) {
    EXPECT_EQ(row->picker()->props().selectedIndex, 1);  // "Ignore"
    EXPECT_EQ(row->appRow()->props().removeTitle, "Remove " + row->appRow()->props().name + " from List");
  }
  EXPECT_EQ(stored().size(), 2);
  EXPECT_EQ(stored().first().appURL->toLocalFile(), "/usr/share/applications/org.keepassxc.KeePassXC.desktop");

  rules().setRule(AppRule::blur, stored().first());
  pick({"org.keepassxc.KeePassXC"});
  EXPECT_EQ(pane->rows().size(), 2);
  EXPECT_EQ(rules().rule("org.keepassxc.KeePassXC"), AppRule::never);
}

TEST_F(AppRulesPaneTest, TheRulePickerShowsBlurOrIgnoreAndAsksTheLatestCallbackForTheClickedRule) {
  QStringList asked;
  const auto asking = [&](const QString& owner) {
    return AppRulePicker::Callbacks{[&asked, owner](AppRule rule) { asked << owner + " " + rawValue(rule); }};
  };
  AppRulePicker picker(*fake.context, {AppRule::normal}, asking("A"));
  picker.resize(picker.sizeHint());
  EXPECT_EQ(picker.sizeHint(), QSize(112, 24));
  EXPECT_EQ(picker.segmentRect(1), QRectF(56, 2, 54, 20));
  const struct {
    AppRule rule;
    int segment;  // -1: no pill
  } shown[] = {{AppRule::normal, -1}, {AppRule::blur, 0}, {AppRule::never, 1}, {AppRule::normal, -1}};
  for (const auto& c : shown) {
    picker.setProps({c.rule}, asking("B"));
    EXPECT_EQ(picker.props().selectedIndex, c.segment) << rawValue(c.rule).toStdString();
    EXPECT_EQ(picker.pillRect().isEmpty(), c.segment < 0);
  }
  EXPECT_EQ(picker.props().segments, (std::vector<SegmentedPicker::Segment>{{"Blur"}, {"Ignore"}}));
  for (const int segment : {1, 0})
    QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.segmentRect(segment).center().toPoint());
  EXPECT_EQ(asked, (QStringList{"B never", "B blur"}));
}

TEST_F(AppRulesPaneTest, ThePickerAndTheRemoveButtonSaveAtOnceAndRemovalKeepsTheClips) {
  pick({"org.gnome.TextEditor", "org.keepassxc.KeePassXC"});
  AppRuleRowGroup* editor = pane->row("org.gnome.TextEditor");
  ASSERT_TRUE(editor);
  QTest::mouseClick(editor->picker(), Qt::LeftButton, {}, editor->picker()->segmentRect(0).center().toPoint());
  EXPECT_EQ(stored().at(1).rule, AppRule::blur);
  EXPECT_EQ(editor->picker()->props().selectedIndex, 0);

  click(pane->row("org.keepassxc.KeePassXC")->appRow()->removeButton());
  EXPECT_EQ(stored().size(), 1);
  fake.advanceBoth(1.0);
  ASSERT_EQ(pane->rows().size(), 1);
  EXPECT_EQ(pane->rows().first()->bundleID(), "org.gnome.TextEditor");
  EXPECT_TRUE(erased.isEmpty());
}

TEST_F(AppRulesPaneTest, TheEraserNamesTheCountAsksAndErasesThroughTheHook) {
  struct Case {
    int count;
    const char* help;
    const char* question;  // nullptr: the eraser is dimmed and does nothing
  };
  const Case cases[] = {{0, "No Saved Clips", nullptr},
                        {1, "Erase 1 Saved Clips", "Erase 1 saved clip?"},
                        {12, "Erase 12 Saved Clips", "Erase 12 saved clips?"}};
  pick({"org.gnome.TextEditor"});
  AppRuleRowGroup* row = pane->row("org.gnome.TextEditor");
  for (const Case& c : cases) {
    counts["org.gnome.TextEditor"] = c.count;
    pane->hide();
    pane->show();  // counts are read as the pane shows
    RowIconButton* eraser = row->appRow()->secondaryButton();
    EXPECT_EQ(eraser->toolTip(), c.help);
    EXPECT_EQ(eraser->accessibleName(), c.help);
    EXPECT_EQ(eraser->presence(), c.question ? 1.0 : 0.35);
    click(eraser);
    fake.advanceBoth(1.0);
    if (!c.question) {
      EXPECT_FALSE(pane->confirmingRemoval()) << c.count;
      continue;
    }
    ASSERT_TRUE(row->questionText()) << c.count;
    EXPECT_EQ(row->questionText()->props().text, c.question);
    click(row->cancelButton());
    fake.advanceBoth(1.0);
    EXPECT_FALSE(row->questionText());
    EXPECT_TRUE(erased.isEmpty());
  }
  click(row->appRow()->secondaryButton());
  click(row->eraseButton());
  fake.advanceBoth(1.0);
  EXPECT_EQ(erased, QStringList{"org.gnome.TextEditor"});
  EXPECT_FALSE(pane->confirmingRemoval());
  EXPECT_EQ(pane->rows().size(), 1);  // the rule stays
  EXPECT_EQ(row->appRow()->secondaryButton()->toolTip(), "No Saved Clips");
}

TEST(AboutPaneTest, TheVersionFallsBackFromShortVersionToBuildToADash) {
  EXPECT_EQ(AboutPane::versionString("2.1", "57"), "2.1");
  EXPECT_EQ(AboutPane::versionString("", "57"), "57");
  EXPECT_EQ(AboutPane::versionString("", ""), "\u2014");
  EXPECT_EQ(AboutPane::versionString(), QString::fromLatin1(program::kVersion));
}

TEST(AboutPaneTest, TheYearIsPlainDigitsUnderALocaleThatGroupsThem) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_EQ(QLocale().toString(2026), "2.026");
  test::FakeSettingsContext fake;
  AboutPane pane(*fake.context);
  EXPECT_EQ(AboutPane::yearLine(QDate(2026, 3, 1)), "\u00A9 2026 Tarnwick");
  EXPECT_EQ(pane.yearText()->props().text, AboutPane::yearLine(QDate::currentDate()));
  EXPECT_EQ(pane.versionText()->props().text, "Version " + AboutPane::versionString());
  QLocale::setDefault(before);
}

// No address of the project receives mail: "Contact Us" opens its web page, never a mail to an
// address nobody reads.
TEST(AboutPaneTest, RateOpensTheSoftwareCentreWhenOneTakesAppstreamLinksElseTheWebPageAndContactTheWebPage) {
  test::FakeSettingsContext fake;
  AboutPane pane(*fake.context);
  pane.rateButton()->callbacks().onPress();
  fake.workspace->urlSchemeHandlers.insert("appstream", "org.gnome.Software.desktop");
  pane.rateButton()->callbacks().onPress();
  pane.contactButton()->callbacks().onPress();
  const QList<QUrl> expected = {QUrl(program::kHomepage), QUrl("appstream://" + program::applicationId()),
                                QUrl(program::kHomepage)};
  EXPECT_EQ(fake.workspace->openedUrls, expected);
  EXPECT_EQ(expected[0].scheme(), "https");
  EXPECT_NE(AboutPane::contactUrl().scheme(), "mailto");
}
