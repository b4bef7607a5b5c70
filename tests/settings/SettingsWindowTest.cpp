// The settings window: layout, pane switching in virtual time, the open-pane request, quitting,
// and the pane page's edge fades.
#include "platform/SettingsStore.h"
#include "settings/PaneContainer.h"
#include "settings/SettingsView.h"
#include "settings/ShortcutRecorder.h"
#include "settings/Sidebar.h"
#include "support/settings/FakeSettingsContext.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace qv;

namespace {

struct SettingsWindowTest : ::testing::Test {
  SettingsWindowTest() {
    view = std::make_unique<SettingsView>(
        *fake.context, SettingsView::Callbacks{[this] { ++quits; }, [this](bool on) { recording << on; }});
  }
  void advance(double seconds) { fake.advanceBoth(seconds); }
  SettingsStore& settings() { return *fake.context->settings; }

  test::FakeSettingsContext fake;
  std::unique_ptr<SettingsView> view;
  int quits = 0;
  QList<bool> recording;
};

}  // namespace

TEST_F(SettingsWindowTest, IsLaidOutAtItsFixedSizeWithTheSidebarInPaneOrder) {
  view->show();
  EXPECT_EQ(view->size(), QSize(680, 520));
  EXPECT_EQ(view->sidebar()->width(), 220);
  EXPECT_EQ(view->detail()->geometry().left(), 220);
  int lastTop = -1;
  for (AppPane pane : kAllPanes) {
    SidebarRow* row = view->sidebarRow(pane);
    EXPECT_GT(row->geometry().top(), lastTop);
    lastTop = row->geometry().top();
    EXPECT_EQ(row->accessibleName(), paneTitle(pane));
    EXPECT_EQ(row->geometry().left(), 8);
  }
  EXPECT_EQ(paneTitle(AppPane::ignored), "App Rules");
  EXPECT_GT(view->quitButton()->geometry().top(), 400);
  EXPECT_TRUE(view->sidebarRow(AppPane::general)->isSelected());
}

TEST_F(SettingsWindowTest, ASwitchFadesOutSwapsAtTheEndAndFadesInTheLastPaneTapped) {
  view->show();
  view->select(AppPane::about);
  EXPECT_TRUE(view->sidebarRow(AppPane::about)->isSelected());  // at once
  EXPECT_FALSE(view->sidebarRow(AppPane::general)->isSelected());
  advance(0.09);
  EXPECT_GT(view->detailOpacity(), 0.05);
  EXPECT_LT(view->detailOpacity(), 0.95);
  EXPECT_EQ(view->displayedPane(), AppPane::general);
  advance(0.095);
  EXPECT_EQ(view->displayedPane(), AppPane::about);
  EXPECT_LT(view->detailOpacity(), 0.1);
  advance(0.21);
  EXPECT_DOUBLE_EQ(view->detailOpacity(), 1.0);
  EXPECT_EQ(view->window()->windowTitle(), "About");

  // Quick taps: the last one wins. Tapping the pane already selected runs nothing.
  view->select(AppPane::ignored);
  advance(0.05);
  view->select(AppPane::general);
  advance(0.6);
  EXPECT_EQ(view->displayedPane(), AppPane::general);
  view->select(AppPane::general);
  EXPECT_DOUBLE_EQ(view->detailOpacity(), 1.0);
  EXPECT_FALSE(view->detailOpacity() < 1 || fake.clock->isTicking());
}

TEST_F(SettingsWindowTest, TheOpenPaneRequestIsHonouredOnEveryShowAndConsumedOnlyWhenItNamesAPane) {
  struct Case {
    const char* request;
    AppPane shown;
    const char* left;
  };
  const Case cases[] = {{"About", AppPane::about, ""},
                        {"App Rules", AppPane::ignored, ""},
                        {"about", AppPane::ignored, "about"},  // exact spelling only; the pane stays
                        {"", AppPane::ignored, ""}};
  for (const Case& c : cases) {
    settings().set(SettingsView::kOpenPaneKey, QString::fromLatin1(c.request));
    view->show();
    EXPECT_EQ(view->displayedPane(), c.shown) << c.request;
    EXPECT_EQ(view->selectedPane(), c.shown) << c.request;
    EXPECT_EQ(settings().stringOr(SettingsView::kOpenPaneKey, "absent"), QString::fromLatin1(c.left)) << c.request;
    view->hide();
  }
}

TEST_F(SettingsWindowTest, CtrlQAndTheQuitButtonQuit) {
  view->show();
  QApplication::setActiveWindow(view.get());
  QTest::keyClick(view.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(quits, 1);
  QuitButton* quit = view->quitButton();
  QTest::mouseClick(quit, Qt::LeftButton, {}, quit->rect().center());
  EXPECT_EQ(quits, 2);
}

TEST_F(SettingsWindowTest, SwitchingPanesWhileRecordingEndsItAndFreesTheHotKey) {
  view->show();
  auto* recorder = view->paneView()->findChild<ShortcutRecorderButton*>();
  ASSERT_TRUE(recorder);
  recorder->click();
  EXPECT_EQ(recording, QList<bool>{true});
  view->select(AppPane::about);
  advance(0.5);
  EXPECT_EQ(recording, (QList<bool>{true, false}));

  // So does the window going away.
  view->select(AppPane::general);
  advance(0.5);
  view->paneView()->findChild<ShortcutRecorderButton*>()->click();
  view.reset();
  EXPECT_EQ(recording, (QList<bool>{true, false, true, false}));
}

TEST(PaneContainer, EdgeFadesShowWhereContentLiesBeyondTheEdge) {
  test::FakeSettingsContext fake;
  struct Case {
    int contentHeight;
    double scrollFraction;  // of the scrollable range
    bool top;
    bool bottom;
  };
  const Case cases[] = {
      {100, 0, false, false}, {2000, 0, false, true}, {2000, 0.5, true, true}, {2000, 1, true, false}};
  for (const Case& c : cases) {
    PaneContainer page(*fake.context, "General", 32, Qt::white);
    auto* tall = new QWidget;
    tall->setFixedHeight(c.contentHeight);
    page.addContent(tall);
    page.resize(460, 520);
    page.show();
    QScrollBar* bar = page.scrollArea()->verticalScrollBar();
    bar->setValue(int(bar->maximum() * c.scrollFraction));
    fake.clock->advance(1);
    EXPECT_EQ(page.showTopFade(), c.top) << c.contentHeight << " " << c.scrollFraction;
    EXPECT_EQ(page.showBottomFade(), c.bottom) << c.contentHeight << " " << c.scrollFraction;
    EXPECT_DOUBLE_EQ(page.bottomFadeOpacity(), c.bottom ? 1.0 : 0.0);
  }
}
