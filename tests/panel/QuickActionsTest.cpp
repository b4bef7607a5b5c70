#include "panel/DotsMenuRailView.h"
#include "panel/PanelTestSupport.h"
#include "panel/QuickActions.h"

#include <gtest/gtest.h>
#include <QTest>
#include <cmath>

using namespace qv;
using qv::test::PanelHarness;

TEST(QuickActionsMenu, SixRowsOfEqualWidthWithLinuxKeysAndActionsThatCarryTitleIconAndKeys) {
  PanelHarness fake;
  for (const bool paused : {false, true}) {
    std::unique_ptr<PanelMenu> menu = makeQuickActionsMenu(*fake.context, paused, {}, {}, {}, {}, {});
    menu->resize(menu->sizeHint());
    const auto rows = menu->rowActions();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(menu->actions().size(), 6);  // no separators
    QStringList titles;
    for (PanelMenuRowView* row : rows) {
      titles << row->text();
      EXPECT_FALSE(row->icon().isNull()) << qPrintable(row->text());
      EXPECT_EQ(menu->actionGeometry(row).size(), QSize(menu->actionGeometry(rows[0]).width(), 28));
      EXPECT_FALSE(row->row().tint.isValid());
    }
    EXPECT_EQ(titles, QStringList({"Open Library", paused ? "Resume Monitoring" : "Pause Monitoring", "Settings",
                                   "Show Onboarding", "Clear All History", "Quit"}));
    EXPECT_EQ(rows[1]->row().symbol, paused ? "play.fill" : "pause.fill");
    EXPECT_EQ(rows[0]->row().keyDisplay, "Ctrl+Shift+V");
    EXPECT_EQ(rows[5]->row().keyDisplay, "Ctrl+Q");
    EXPECT_EQ(rows[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    EXPECT_EQ(rows[5]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (size_t i = 1; i < 5; ++i) EXPECT_TRUE(rows[i]->shortcut().isEmpty());
    EXPECT_EQ(menu->actionGeometry(rows[0]).width(), menuRowFittingSize(rows[0]->row()).width());  // the widest
  }
}

// An open popup fires no action shortcuts: the menu matches its rows' keys itself, closes, and
// runs the row after its handler returned. Other keys keep their menu meaning.
TEST(QuickActionsMenu, ItsKeysChooseTheirRowsWhileTheMenuIsOpen) {
  PanelHarness fake;
  QStringList ran;
  std::unique_ptr<PanelMenu> menu = makeQuickActionsMenu(
      *fake.context, false, [&] { ran << "library"; }, [&] { ran << "pause"; }, {}, {}, {});
  menu->popup(QPoint(10, 10));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
  QTest::keyClick(menu.get(), Qt::Key_V, Qt::ControlModifier);  // not a row's keys
  EXPECT_TRUE(menu->isVisible());
  QTest::keyClick(menu.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(menu->isVisible());
  EXPECT_TRUE(ran.isEmpty());
  fake.drain();
  EXPECT_EQ(ran, QStringList({"library"}));
}

namespace {

struct DotsCase {
  PanelQuickAction action;
  bool hookSet;
  QStringList atClick;  // hook calls right after the click, with the menu's open flag then
  QStringList atEnd;    // once the event loop turned
  bool openAfterClick;
};

}  // namespace

TEST(DotsMenuRailView, EachActionHidesAndActsInItsOwnOrder) {
  const DotsCase cases[] = {
      {PanelQuickAction::library, true, {}, {"library open=0"}, false},
      {PanelQuickAction::settings, true, {}, {"settings open=0"}, false},
      {PanelQuickAction::welcome, true, {}, {"welcome open=0"}, false},
      {PanelQuickAction::pauseResume, true, {"pause open=1"}, {"pause open=1"}, false},
      {PanelQuickAction::clearAll, true, {"clear open=1"}, {"clear open=1"}, false},
      {PanelQuickAction::quit, true, {"quit open=1"}, {"quit open=1"}, true},
      {PanelQuickAction::library, false, {}, {}, false},
      {PanelQuickAction::clearAll, false, {}, {}, false},
  };
  for (const DotsCase& c : cases) {
    SCOPED_TRACE(quickActionTitle(c.action, false).toStdString() + (c.hookSet ? "" : " unset"));
    PanelHarness fake;
    PanelState& state = *fake.state;
    QStringList log;
    auto hook = [&](const char* name) {
      return
          [&log, &state, name] { log << QString::fromLatin1(name) + " open=" + QString::number(state.showDotsMenu()); };
    };
    if (c.hookSet) {
      state.setShowLibraryAction(hook("library"));
      state.setOpenSettingsAction(hook("settings"));
      state.setToggleMonitoringAction(hook("pause"));
      state.setClearAllAction(hook("clear"));
      state.setShowOnboardingAction([] {});
    }
    DotsMenuRailView rail(*fake.context, state);
    rail.setProps(rail.props(), {hook("quit")});
    state.setShowDotsMenu(true);
    const int row = int(std::find(kAllPanelQuickActions.begin(), kAllPanelQuickActions.end(), c.action) -
                        kAllPanelQuickActions.begin());
    // At the row's leading edge, off its symbol and title: still the row.
    QTest::mouseClick(&rail, Qt::LeftButton, {}, rail.rowRect(row).toRect().topLeft() + QPoint(3, 10));
    // The deferred call looks its hook up when it runs.
    if (c.hookSet) state.setShowOnboardingAction(hook("welcome"));
    EXPECT_EQ(log, c.atClick);
    EXPECT_EQ(state.showDotsMenu(), c.openAfterClick);
    fake.drain();
    EXPECT_EQ(log, c.atEnd);
  }
}

TEST(DotsMenuRailView, RowsHoverWithTheSnappySpring) {
  PanelHarness fake;
  DotsMenuRailView rail(*fake.context, *fake.state);
  const QRectF surface = rail.surfaceRect();
  EXPECT_EQ(surface.size(), QSizeF(180, std::ceil(10 + 6 * DotsMenuRailView::rowHeight() + 5 * 2)));
  EXPECT_EQ(QRectF(rail.rect()), surface.adjusted(-14, -14, 14, 14));  // room for its shadow
  const QPointF middle = rail.rowRect(2).center();
  QHoverEvent move(QEvent::HoverMove, middle, middle, QPointF(-1, -1));
  QCoreApplication::sendEvent(&rail, &move);
  EXPECT_EQ(rail.hoveredRow(), 2);
  fake.clock->advance(1);
  EXPECT_NEAR(rail.rowHoverAmount(2), 1, 1e-3);
  EXPECT_NEAR(rail.rowHoverAmount(1), 0, 1e-3);
}

// The low shadow falls around the surface, mostly below it; the room it falls in takes no clicks.
TEST(DotsMenuRailView, StandsOnTheLowShadow) {
  PanelHarness fake;
  DotsMenuRailView rail(*fake.context, *fake.state);
  const QRectF surface = rail.surfaceRect();
  const QImage image = rail.renderForTest(2);
  auto alphaAt = [&](double x, double y) { return image.pixelColor(QPointF(x * 2, y * 2).toPoint()).alpha(); };
  const double middle = surface.center().x();
  const int below = alphaAt(middle, surface.bottom() + 4);
  const int above = alphaAt(middle, surface.top() - 4);
  EXPECT_GT(below, 20);
  EXPECT_GT(below, above);  // it falls 4 points down
  EXPECT_GT(alphaAt(surface.left() - 3, surface.center().y()), 0);
  EXPECT_EQ(alphaAt(1, 1), 0);
  EXPECT_TRUE(rail.hits(surface.center()));
  EXPECT_FALSE(rail.hits({middle, surface.bottom() + 4}));
}
