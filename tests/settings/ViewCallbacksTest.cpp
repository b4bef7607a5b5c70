// Every view of the settings and the onboarding reports what the user did through the callbacks
// given with its latest props, whether the props changed with them or not: a host never sees an
// old callback run.
#include "settings/AddButton.h"
#include "settings/AppRuleRows.h"
#include "settings/GeneralPane.h"
#include "settings/PaneText.h"
#include "settings/RowIconButton.h"
#include "settings/ShortcutRecorder.h"
#include "settings/Sidebar.h"
#include "settings/onboarding/OnboardingControls.h"
#include "support/settings/FakeSettingsContext.h"
#include "ui/controls/PillButtons.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>

using namespace qv;
using qv::test::FakeSettingsContext;

namespace {

// One view: `make` builds it with the callbacks of A, `show` gives it the props for `changed`
// (false: the same props) with the callbacks of `owner`, `fire` is the user's click.
struct ViewCase {
  const char* name;
  std::function<std::unique_ptr<QWidget>(FakeSettingsContext&, QStringList& log)> make;
  std::function<void(QWidget&, QStringList& log, const QString& owner, bool changed)> show;
  std::function<void(QWidget&)> fire;
};

std::function<void()> recordAs(QStringList& log, const QString& owner) {
  return [&log, owner] { log << owner; };
}

void click(QWidget& widget, QPointF at) { QTest::mouseClick(&widget, Qt::LeftButton, {}, at.toPoint()); }
void clickCentre(QWidget& widget) { click(widget, QRectF(widget.rect()).center()); }
void clickButton(HouseButton& button) { click(button, button.buttonRect().center()); }

AppRow::Props appRowProps(bool changed) {
  AppRow::Props props;
  props.name = changed ? "Text Editor (old)" : "Text Editor";
  props.rowID = "org.gnome.TextEditor";
  props.removeIcon = "minus";
  props.removeTitle = "Remove Text Editor from List";
  props.secondaryIcon = "eraser.fill";
  props.secondaryEnabled = true;
  props.secondaryHelp = "Erase 3 Saved Clips";
  return props;
}

AppRuleRowGroup::Props groupProps(bool changed) {
  AppRuleRowGroup::Props props;
  props.name = "KeePassXC";
  props.rule = AppRule::never;
  props.clipCount = changed ? 4 : 3;
  props.question = changed ? 4 : 3;
  return props;
}

AppRuleRowGroup::Callbacks groupCallbacks(QStringList& log, const QString& owner) {
  return {[&log, owner](AppRule) { log << owner; }, recordAs(log, owner), recordAs(log, owner), recordAs(log, owner),
          recordAs(log, owner)};
}

PasteAccessRow::Props pasteAccessProps(bool changed) {
  return {changed ? PasteAccessControl::openSettings : PasteAccessControl::enable, true, false};
}

const ViewCase kViews[] = {
    {"RowIconButton",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<RowIconButton>(*fake.context, RowIconButton::Props{"minus", 12, QFont::Medium, 0.07},
                                              RowIconButton::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<RowIconButton&>(widget).setProps({"minus", 12, QFont::Medium, changed ? 0.1 : 0.07},
                                                    {recordAs(log, owner)});
     },
     clickCentre},
    {"AddButton",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<AddButton>(*fake.context, AddButton::Props{"Add App", false},
                                          AddButton::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<AddButton&>(widget).setProps({changed ? "Add Apps" : "Add App", false}, {recordAs(log, owner)});
     },
     [](QWidget& widget) { click(widget, QPointF(30, widget.height() / 2.0)); }},
    {"AppRowRemove",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<AppRow>(*fake.context, appRowProps(false), nullptr,
                                       AppRow::Callbacks{recordAs(log, "A"), {}});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<AppRow&>(widget).setProps(appRowProps(changed), {recordAs(log, owner), {}});
     },
     [](QWidget& widget) { clickCentre(*static_cast<AppRow&>(widget).removeButton()); }},
    {"AppRowSecondary",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<AppRow>(*fake.context, appRowProps(false), nullptr,
                                       AppRow::Callbacks{{}, recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<AppRow&>(widget).setProps(appRowProps(changed), {{}, recordAs(log, owner)});
     },
     [](QWidget& widget) { clickCentre(*static_cast<AppRow&>(widget).secondaryButton()); }},
    {"AppRuleRowGroupErase",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<AppRuleRowGroup>(*fake.context, "org.keepassxc.KeePassXC", groupProps(false),
                                                groupCallbacks(log, "A"));
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<AppRuleRowGroup&>(widget).setProps(groupProps(changed), groupCallbacks(log, owner));
     },
     [](QWidget& widget) { clickButton(*static_cast<AppRuleRowGroup&>(widget).eraseButton()); }},
    {"AppRuleRowGroupRule",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<AppRuleRowGroup>(*fake.context, "org.keepassxc.KeePassXC", groupProps(false),
                                                groupCallbacks(log, "A"));
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<AppRuleRowGroup&>(widget).setProps(groupProps(changed), groupCallbacks(log, owner));
     },
     [](QWidget& widget) {
       AppRulePicker& picker = *static_cast<AppRuleRowGroup&>(widget).picker();
       click(picker, picker.segmentRect(0).center());
     }},
    {"SidebarRow",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<SidebarRow>(*fake.context, SidebarRow::Props{AppPane::about, false},
                                           SidebarRow::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<SidebarRow&>(widget).setProps({AppPane::about, changed}, {recordAs(log, owner)});
     },
     clickCentre},
    {"ShortcutPill",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       auto pill = std::make_unique<ShortcutPill>(*fake.context, 2, 20, ShortcutPill::Callbacks{recordAs(log, "A")});
       pill->setProps({"Record Shortcut"}, {recordAs(log, "A")});
       return pill;
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<ShortcutPill&>(widget).setProps({changed ? "Press keys" : "Record Shortcut", changed},
                                                   {recordAs(log, owner)});
     },
     clickCentre},
    {"PasteAccessRow",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<PasteAccessRow>(*fake.context, pasteAccessProps(false),
                                               PasteAccessRow::Callbacks{recordAs(log, "A"), recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<PasteAccessRow&>(widget).setProps(pasteAccessProps(changed),
                                                     {recordAs(log, owner), recordAs(log, owner)});
     },
     [](QWidget& widget) { clickButton(*static_cast<PasteAccessRow&>(widget).button()); }},
    {"OnboardingButton",
     [](FakeSettingsContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<OnboardingButton>(*fake.context,
                                                 OnboardingButton::Props{OnboardingButton::Style::pill, "Next"},
                                                 HouseButton::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<OnboardingButton&>(widget).setProps({OnboardingButton::Style::pill, changed ? "Continue" : "Next"},
                                                       {recordAs(log, owner)});
     },
     [](QWidget& widget) { clickButton(static_cast<OnboardingButton&>(widget)); }},
};

void PrintTo(const ViewCase& c, std::ostream* out) { *out << c.name; }

class SettingsViewCallbacks : public ::testing::TestWithParam<ViewCase> {};

}  // namespace

TEST_P(SettingsViewCallbacks, TheClickCallsTheCallbacksOfTheLatestProps) {
  const ViewCase& c = GetParam();
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed props" : "equal props");
    FakeSettingsContext fake;
    QStringList log;
    std::unique_ptr<QWidget> widget = c.make(fake, log);
    widget->resize(widget->sizeHint().expandedTo(QSize(460, 0)));
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    fake.advanceBoth(0.5);
    c.show(*widget, log, "B", changed);
    fake.advanceBoth(0.5);
    c.fire(*widget);
    fake.drain();
    EXPECT_EQ(log, QStringList{"B"});
  }
}

INSTANTIATE_TEST_SUITE_P(All, SettingsViewCallbacks, ::testing::ValuesIn(kViews),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });
