#include "platform/LoginItem.h"
#include "platform/ProgramIdentity.h"
#include "support/CapturedLog.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/TarnToggle.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qv;
using qv::test::CapturedLog;
using qv::test::FakeInterfaceContext;

namespace {
void showAndWait(QWidget& widget) {
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
}
}  // namespace

TEST(TarnToggle, TheWholeRowTogglesAndTheKnobSpringsAcross) {
  FakeInterfaceContext fake;
  std::vector<bool> asked;
  const TarnToggle::Callbacks ask{[&](bool on) { asked.push_back(on); }};
  TarnToggle toggle(*fake.context, {"Paste as plain text", false, true, {}}, ask);
  toggle.resize(300, toggle.heightForWidth(300));
  showAndWait(toggle);
  EXPECT_EQ(toggle.trackRect(), QRectF(266, (toggle.height() - 20) / 2.0, 34, 20));
  EXPECT_EQ(toggle.knobCenter(), toggle.trackRect().center() - QPointF(7, 0));

  QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(10, toggle.height() / 2));   // on the label
  QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(150, toggle.height() / 2));  // on the gap
  EXPECT_EQ(asked, (std::vector<bool>{true, true}));
  EXPECT_EQ(toggle.onAmount(), 0);  // the caller owns the value

  toggle.setProps({"Paste as plain text", true, true, {}}, ask);
  fake.clock->advance(0.05);
  EXPECT_NEAR(toggle.onAmount(), Animation::spring(0.3, 0.7).progress(0.05), 1e-6);
  fake.clock->advanceFrames(120);
  EXPECT_NEAR(toggle.knobCenter().x(), toggle.trackRect().center().x() + 7, 1e-2);

  // Disabled: inert, and reported as checked to accessibility.
  toggle.setProps({"Paste as plain text", true, false, {}}, ask);
  QTest::mouseClick(&toggle, Qt::LeftButton, {}, toggle.trackRect().center().toPoint());
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_TRUE(toggle.accessibility().checked);
  EXPECT_FALSE(toggle.accessibility().press);
  // Drawn at 40 %: the knob's centre is far from opaque.
  const QImage image = toggle.renderForTest(1);
  EXPECT_LT(qAlpha(image.pixel(toggle.knobCenter().toPoint())), 150);  // 255 when enabled
}

TEST(TarnToggle, ReducedMotionMovesAtOnce) {
  FakeInterfaceContext fake;
  fake.desktopAppearance->setReduceMotion(true);
  TarnToggle toggle(*fake.context, {"A", false, true, {}}, {});
  toggle.setProps({"A", true, true, {}}, {});
  EXPECT_EQ(toggle.onAmount(), 1);
  EXPECT_FALSE(toggle.isAnimating());
}

TEST(SegmentedPicker, PillGlidesTitlesRestyleDisabledSegmentsAreInert) {
  FakeInterfaceContext fake;
  std::vector<QString> chosen;
  using Picker = TarnSegmentedPicker<QString>;
  Picker picker(*fake.context,
                Picker::Options{{{"Light", "light"}, {"Dark", "dark"}, {"System", "system"}},
                                "light",
                                Theme::accent(),
                                80,
                                24,
                                [](const QString& v) { return v == "system"; }},
                {[&](const QString& v) { chosen.push_back(v); }});
  // The track lies 2 points around the segments, whoever places the picker.
  EXPECT_EQ(picker.sizeHint(), QSize(244, 28));
  picker.resize(picker.sizeHint());
  showAndWait(picker);
  EXPECT_EQ(picker.pillRect(), QRectF(2, 2, 80, 24));

  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(202, 14));  // disabled
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(42, 14));   // the chosen one again
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(122, 14));
  EXPECT_EQ(chosen, (std::vector<QString>{"light", "dark"}));

  picker.setSelection("dark", picker.callbacks());
  fake.clock->advance(0.1);
  EXPECT_NEAR(picker.pillRect().x(), 2 + 80 * Theme::springStandard().progress(0.1), 1e-3);
  EXPECT_NEAR(picker.selectionAmount(1), Theme::springSnappy().progress(0.1), 1e-6);
  fake.clock->advanceFrames(120);
  EXPECT_NEAR(picker.pillRect().x(), 82, 1e-2);
  EXPECT_FALSE(picker.isAnimating());

  // A selection outside the options shows no pill and every title unselected.
  picker.setSelection("sepia", picker.callbacks());
  EXPECT_TRUE(picker.pillRect().isEmpty());
  fake.clock->advanceFrames(120);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(picker.selectionAmount(i), 0, 1e-3);
}

// ---- Launch at login -------------------------------------------------------------------------

TEST(LaunchAtLoginToggle, ShowingReadsTheStateChangesRegisterAndFailuresPutTheSwitchBack) {
  FakeInterfaceContext fake;
  fake.loginItem->enabled = true;
  LaunchAtLoginToggle toggle(*fake.context);
  toggle.resize(300, 30);
  showAndWait(toggle);
  EXPECT_TRUE(toggle.props().isOn);
  EXPECT_EQ(toggle.onAmount(), 1);  // read, not animated
  EXPECT_EQ(fake.loginItem->registrations + fake.loginItem->unregistrations, 0);

  QTest::mouseClick(&toggle, Qt::LeftButton);
  EXPECT_FALSE(fake.loginItem->enabled);
  EXPECT_FALSE(toggle.props().isOn);

  fake.loginItem->failChanges = true;
  CapturedLog log;
  QTest::mouseClick(&toggle, Qt::LeftButton);
  EXPECT_EQ(fake.loginItem->registrations, 1);
  EXPECT_FALSE(toggle.props().isOn);
  EXPECT_EQ(log.texts().filter("Launch at login").size(), 1);

  // Registered elsewhere meanwhile: shown again, the switch follows.
  toggle.hide();
  fake.loginItem->enabled = true;
  toggle.show();
  EXPECT_TRUE(toggle.props().isOn);
}

TEST(XdgAutostartLoginItem, WritesQuotedExecRemovesAndReadsOtherToolsSwitches) {
  QTemporaryDir home;
  const QString folder = home.path() + "/config/autostart";
  const QString program = home.path() + "/bin dir/qv \"$x`\\%";
  XdgAutostartLoginItem item(folder, program::applicationId(), program);
  EXPECT_EQ(item.entryPath(), folder + "/io.github.quorvalen.Quorvalen.desktop");
  EXPECT_FALSE(item.isEnabled());

  ASSERT_TRUE(item.registerItem());
  EXPECT_TRUE(item.isEnabled());
  QFile file(item.entryPath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString entry = QString::fromUtf8(file.readAll());
  file.close();
  EXPECT_TRUE(entry.startsWith("[Desktop Entry]\nType=Application\n"));
  EXPECT_TRUE(entry.contains("\nExec=\"" + home.path() + "/bin dir/qv \\\\\"\\\\$x\\\\`\\\\\\\\%%\"\n"))
      << qPrintable(entry);

  struct Case {
    const char* line;
    bool enabled;
  };
  const Case switches[] = {{"Hidden=true", false}, {"X-GNOME-Autostart-enabled=false", false}, {"Hidden=false", true}};
  for (const Case& c : switches) {
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[Desktop Entry]\nType=Application\nExec=qv\n") + c.line + "\n");
    file.close();
    EXPECT_EQ(item.isEnabled(), c.enabled) << c.line;
  }

  ASSERT_TRUE(item.unregisterItem());
  EXPECT_FALSE(QFile::exists(item.entryPath()));
  EXPECT_TRUE(item.unregisterItem());  // nothing to remove is no failure

  // The autostart folder cannot exist (a file is in the way): a clear failure.
  QFile blocker(home.path() + "/blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  XdgAutostartLoginItem blocked(home.path() + "/blocked/autostart", program::applicationId(), program);
  QString error;
  EXPECT_FALSE(blocked.registerItem(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(blocked.isEnabled());
}
