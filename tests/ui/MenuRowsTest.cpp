#include "platform/MenuPresenter.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/PanelMenu.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QTest>
#include <cmath>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

MenuRow row(const QString& title, std::function<void()> action = {}, const QString& symbol = {}) {
  MenuRow r;
  r.title = title;
  r.symbol = symbol;
  r.action = std::move(action);
  return r;
}

double smoothstep(double t) { return t * t * (3 - 2 * t); }

struct OpenMenu {
  explicit OpenMenu(PanelMenu& opened) : menu(opened) {
    menu.popup(QPoint(10, 10));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&menu));
  }
  PanelMenu& menu;
};

}  // namespace

TEST(MenuRows, FittingSizeFollowsTheRowFormulaAndEveryRowTakesTheWidest) {
  const double title = std::ceil(QFontMetricsF(menuRowFont()).horizontalAdvance("Paste"));
  const double keys = std::ceil(QFontMetricsF(menuRowFont()).horizontalAdvance("Ctrl+Q"));
  MenuRow withSymbol = row("Paste", {}, "doc.on.doc");
  MenuRow withDot = row("Paste");
  withDot.dotColor = Qt::red;
  MenuRow withSubmenu = row("Paste", {}, "tag");
  withSubmenu.submenu = {row("Inner")};
  MenuRow withKeys = row("Paste");
  withKeys.keyDisplay = "Ctrl+Q";
  const std::pair<MenuRow, double> cases[] = {{row("Paste"), title + 11 + 14},
                                              {withSymbol, title + 36 + 14},
                                              {withDot, title + 36 + 14},
                                              {withSubmenu, title + 36 + 14 + 24},
                                              {withKeys, title + 11 + 14 + keys + 24}};
  for (const auto& [r, width] : cases) EXPECT_EQ(menuRowFittingSize(r), QSize(int(width), 28)) << qPrintable(r.title);

  FakeInterfaceContext fake;
  PanelMenu menu(*fake.context, {row("A"), withKeys, MenuRow::separator(), withSubmenu});
  menu.resize(menu.sizeHint());
  const auto rows = menu.rowActions();
  ASSERT_EQ(rows.size(), 3u);
  for (PanelMenuRowView* r : rows) {
    EXPECT_EQ(menu.actionGeometry(r).height(), 28);
    EXPECT_EQ(menu.actionGeometry(r).width(), int(title + 11 + 14 + keys + 24));
  }
}

TEST(MenuRows, HighlightFollowsPointerAndKeyboardWithASmoothstepAndSkipsDisabledRows) {
  FakeInterfaceContext fake;
  MenuRow disabled = row("Disabled");
  disabled.isEnabled = false;
  PanelMenu menu(*fake.context, {row("First"), disabled, row("Third")});
  OpenMenu open(menu);
  const auto rows = menu.rowActions();

  QTest::mouseMove(&menu, menu.actionGeometry(rows[0]).center());
  EXPECT_EQ(menu.activeAction(), rows[0]);
  fake.clock->advance(0.08);
  EXPECT_NEAR(rows[0]->highlightAmount(), smoothstep(0.5), 1e-6);
  fake.clock->advance(0.08);
  EXPECT_NEAR(rows[0]->highlightAmount(), 1, 1e-6);

  // The pointer over the disabled row: no highlight there, the first fades out.
  QTest::mouseMove(&menu, menu.actionGeometry(rows[1]).center());
  fake.clock->advance(0.2);
  EXPECT_EQ(rows[1]->highlightAmount(), 0);
  EXPECT_NEAR(rows[0]->highlightAmount(), 0, 1e-6);

  // The keyboard moves the same highlight and steps over the disabled row.
  menu.setActiveAction(rows[0]);
  fake.clock->advance(0.2);
  QTest::keyClick(&menu, Qt::Key_Down);
  EXPECT_EQ(menu.activeAction(), rows[2]);
  fake.clock->advance(0.04);
  EXPECT_NEAR(rows[2]->highlightAmount(), smoothstep(0.25), 1e-6);
  EXPECT_NEAR(rows[0]->highlightAmount(), 1 - smoothstep(0.25), 1e-6);
  EXPECT_EQ(rows[1]->highlightAmount(), 0);
}

TEST(MenuRows, ReturnClosesTheMenuThenRunsTheRowOnce) {
  FakeInterfaceContext fake;
  int first = 0, second = 0;
  bool closedWhenRun = false;
  PanelMenu menu(*fake.context, {});
  menu.setRows({row("First", [&] { ++first; }), row("Second", [&] {
                  ++second;
                  closedWhenRun = !menu.isVisible();
                })});
  OpenMenu open(menu);
  QTest::keyClick(&menu, Qt::Key_Down);
  QTest::keyClick(&menu, Qt::Key_Down);
  QTest::keyClick(&menu, Qt::Key_Return);
  EXPECT_FALSE(menu.isVisible());
  EXPECT_EQ(second, 0);  // not from inside the menu's handler
  fake.drain();
  EXPECT_EQ(second, 1);
  EXPECT_EQ(first, 0);
  EXPECT_TRUE(closedWhenRun);
  // A second trigger of the same opening runs nothing more.
  menu.rowActions()[1]->trigger();
  fake.drain();
  EXPECT_EQ(second, 1);
}

TEST(MenuRows, AnOpenMenuRebuildsItsRowsAtOnce) {
  FakeInterfaceContext fake;
  auto menu = std::make_unique<PanelMenu>(*fake.context, std::vector<MenuRow>{row("Copy")});
  PanelMenu* shown = menu.get();
  fake.context->menuPresenter->popUp(std::move(menu), QPoint(5, 6));
  OpenMenu open(*shown);
  const int before = shown->sizeHint().width();
  shown->setRows({row("A much longer title than before"), row("B")});
  EXPECT_EQ(FakeMenuPresenter::titles(shown), (QStringList{"A much longer title than before", "B"}));
  EXPECT_GT(shown->width(), before);
}

TEST(MenuRows, InAMenuWithACheckedRowTheOtherDotsFade) {
  FakeInterfaceContext fake;
  auto dot = [](const QString& title, bool checked) {
    MenuRow r = row(title);
    r.dotColor = QColor(0, 0, 255);
    r.isChecked = checked;
    return r;
  };
  for (bool anyChecked : {false, true}) {
    PanelMenu menu(*fake.context, {dot("Work", false), dot("Home", anyChecked)});
    menu.resize(menu.sizeHint());
    const QImage image = menu.grab().toImage();
    const QRect work = menu.actionGeometry(menu.rowActions()[0]);
    const QColor centre(image.pixel(work.left() + 19, work.center().y()));
    // Blue at full strength, or mixed 45 % over the light surface.
    EXPECT_GT(centre.blue(), 245);
    EXPECT_NEAR(centre.red(), anyChecked ? 0.55 * 246 : 0, 4) << anyChecked;
  }
}

TEST(MenuRows, TheRealPresenterNeverBlocksAndDeletesTheMenuOnlyAfterItsHandlerReturned) {
  FakeInterfaceContext fake;
  int runs = 0;
  bool menuAliveWhenRun = true;
  auto menu = std::make_unique<PanelMenu>(*fake.context);
  QPointer<PanelMenu> weak = menu.get();
  menu->setRows({row("Clear All History", [&] {
    ++runs;
    menuAliveWhenRun = !weak.isNull();
  })});
  PopupMenuPresenter presenter;
  presenter.popUp(std::move(menu), QPoint(20, 20));  // returns at once
  ASSERT_TRUE(weak);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(weak.data()));
  QTest::keyClick(weak.data(), Qt::Key_Down);
  QTest::keyClick(weak.data(), Qt::Key_Return);
  EXPECT_TRUE(weak);  // still alive: its key handler was on the stack
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(weak);
  fake.drain();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(menuAliveWhenRun);
}
