#include "PanelControllerHarness.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace qv {
namespace {

// The panel with a window standing in for Quick Look: shown, and known to the fake as its own.
struct PanelQuickLookTest : test::PanelControllerHarness {
  PanelQuickLookTest() {
    quickLook.resize(300, 200);
    quickLook.show();
    fake.quickLook->ownWindow = quickLook.windowHandle();
    controller->showPanel();
    advance(1);
  }
  void pressEscapeIn(QWindow* window) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
  }
  void focus(QWidget& widget) {
    widget.activateWindow();
    QApplication::processEvents();
  }
  QWidget quickLook;
  QWidget elsewhere;
};

TEST_F(PanelQuickLookTest, ClicksInQuickLookLeaveThePanelOpenAndOtherWindowsStillCloseIt) {
  controller->handleLocalClick(quickLook.windowHandle(), {10, 10});
  EXPECT_TRUE(state().isVisible());
  elsewhere.show();
  controller->handleLocalClick(elsewhere.windowHandle(), {10, 10});
  EXPECT_FALSE(state().isVisible());
}

TEST_F(PanelQuickLookTest, EscapeInQuickLookIsQuickLooksAloneInThePanelItHides) {
  pressEscapeIn(quickLook.windowHandle());
  EXPECT_TRUE(state().isVisible());
  pressEscapeIn(window()->windowHandle());
  EXPECT_FALSE(state().isVisible());
}

TEST_F(PanelQuickLookTest, LosingTheFocusToQuickLookKeepsThePanelAndClosingItGivesTheFocusBack) {
  focus(*window());
  ASSERT_EQ(QGuiApplication::focusWindow(), window()->windowHandle());
  focus(quickLook);
  ASSERT_EQ(QGuiApplication::focusWindow(), quickLook.windowHandle());
  controller->handleResignKey();
  EXPECT_TRUE(state().isVisible());

  fake.quickLook->visible = true;
  fake.quickLook->close();
  QApplication::processEvents();
  EXPECT_EQ(QGuiApplication::focusWindow(), window()->windowHandle());

  elsewhere.show();
  focus(elsewhere);
  controller->handleResignKey();
  EXPECT_FALSE(state().isVisible());
  // Closing Quick Look while the panel is hidden brings nothing back.
  fake.quickLook->visible = true;
  fake.quickLook->close();
  QApplication::processEvents();
  EXPECT_NE(QGuiApplication::focusWindow(), window()->windowHandle());
}

}  // namespace
}  // namespace qv
