// Every control of the kit reports what the user did through the callbacks given with its latest
// props: a host that shows another item with the same look, or with a new one, is acted on as it
// is now, never as it was.
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/TarnToggle.h"
#include "ui/controls/TextInput.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <memory>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// One control: `make` builds it with the callbacks of item A, `show` gives it the props for
// `changed` (false: the same props) with the callbacks of `item`, `fire` is the user's event.
struct ControlCase {
  const char* name;
  std::function<std::unique_ptr<QWidget>(FakeInterfaceContext&, QStringList& log)> make;
  std::function<void(QWidget&, QStringList& log, const QString& item, bool changed)> show;
  std::function<void(QWidget&, FakeInterfaceContext&)> fire;
};

auto recordAs(QStringList& log, const QString& item) {
  return [&log, item] { log << item; };
}

const ControlCase kControls[] = {
    {"TarnToggle",
     [](FakeInterfaceContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<TarnToggle>(*fake.context, TarnToggle::Props{"Plain text", false, true, {}},
                                           TarnToggle::Callbacks{[&log](bool) { log << "A"; }});
     },
     [](QWidget& widget, QStringList& log, const QString& item, bool changed) {
       static_cast<TarnToggle&>(widget).setProps({changed ? "Always plain text" : "Plain text", false, true, {}},
                                                 {[&log, item](bool) { log << item; }});
     },
     [](QWidget& widget, FakeInterfaceContext&) {
       QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(10, widget.height() / 2));
     }},
    {"SegmentedPicker",
     [](FakeInterfaceContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<SegmentedPicker>(*fake.context, SegmentedPicker::Props{{{"Left"}, {"Right"}}, 0},
                                                SegmentedPicker::Callbacks{[&log](int) { log << "A"; }});
     },
     [](QWidget& widget, QStringList& log, const QString& item, bool changed) {
       static_cast<SegmentedPicker&>(widget).setProps({{{"Left"}, {"Right"}}, changed ? 1 : 0},
                                                      {[&log, item](int) { log << item; }});
     },
     [](QWidget& widget, FakeInterfaceContext&) {
       auto& picker = static_cast<SegmentedPicker&>(widget);
       QTest::mouseClick(&widget, Qt::LeftButton, {}, picker.segmentRect(1).center().toPoint());
     }},
    {"TarnSegmentedPicker",
     [](FakeInterfaceContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       using Picker = TarnSegmentedPicker<int>;
       Picker::Options options;
       options.options = {{"One", 1}, {"Two", 2}};
       options.selection = 1;
       return std::make_unique<Picker>(*fake.context, options, Picker::Callbacks{[&log](const int&) { log << "A"; }});
     },
     [](QWidget& widget, QStringList& log, const QString& item, bool changed) {
       static_cast<TarnSegmentedPicker<int>&>(widget).setSelection(changed ? 2 : 1,
                                                                   {[&log, item](const int&) { log << item; }});
     },
     [](QWidget& widget, FakeInterfaceContext&) {
       auto& picker = static_cast<SegmentedPicker&>(widget);
       QTest::mouseClick(&widget, Qt::LeftButton, {}, picker.segmentRect(1).center().toPoint());
     }},
    {"ConfirmPillButton",
     [](FakeInterfaceContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<ConfirmPillButton>(*fake.context, ConfirmPillButton::Props{"Erase", true},
                                                  HouseButton::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& item, bool changed) {
       static_cast<ConfirmPillButton&>(widget).setProps({changed ? "Erase 3 Clips" : "Erase", true},
                                                        {recordAs(log, item)});
     },
     [](QWidget& widget, FakeInterfaceContext&) {
       auto& button = static_cast<HouseButton&>(widget);
       QTest::mouseClick(&widget, Qt::LeftButton, {}, button.buttonRect().center().toPoint());
     }},
    {"QVTextField",
     [](FakeInterfaceContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       auto field = std::make_unique<QVTextField>(*fake.context, QStringLiteral("Name"), 12);
       field->setProps({"Work"}, {{}, recordAs(log, "A"), {}});
       return field;
     },
     [](QWidget& widget, QStringList& log, const QString& item, bool changed) {
       static_cast<QVTextField&>(widget).setProps({changed ? "Work notes" : "Work"}, {{}, recordAs(log, item), {}});
     },
     [](QWidget& widget, FakeInterfaceContext&) { QTest::keyClick(&widget, Qt::Key_Return); }},
    {"QVTextViewer",
     [](FakeInterfaceContext& fake, QStringList& log) -> std::unique_ptr<QWidget> {
       auto viewer = std::make_unique<QVTextViewer>(*fake.context);
       viewer->setProps({QStringLiteral("line\n").repeated(80)}, {[&log](bool, bool) { log << "A"; }});
       return viewer;
     },
     [](QWidget& widget, QStringList& log, const QString& item, bool changed) {
       static_cast<QVTextViewer&>(widget).setProps({QString::fromLatin1(changed ? "row\n" : "line\n").repeated(80)},
                                                   {[&log, item](bool, bool) { log << item; }});
     },
     [](QWidget& widget, FakeInterfaceContext& fake) {
       fake.scheduler->runPending();
       auto& viewer = static_cast<QVTextViewer&>(widget);
       viewer.verticalScrollBar()->setValue(viewer.verticalScrollBar()->maximum());
     }},
};

class ControlCallbacks : public ::testing::TestWithParam<ControlCase> {};

}  // namespace

TEST_P(ControlCallbacks, TheEventCallsTheCallbacksOfTheLatestProps) {
  const ControlCase& c = GetParam();
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed props" : "equal props");
    FakeInterfaceContext fake;
    QStringList log;
    std::unique_ptr<QWidget> widget = c.make(fake, log);
    widget->resize(widget->sizeHint().expandedTo(QSize(300, 120)));
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    QApplication::setActiveWindow(widget.get());
    fake.scheduler->runPending();
    log.clear();
    c.show(*widget, log, "B", changed);
    c.fire(*widget, fake);
    fake.drain();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.count("A"), 0) << log.join(' ').toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(All, ControlCallbacks, ::testing::ValuesIn(kControls),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });
