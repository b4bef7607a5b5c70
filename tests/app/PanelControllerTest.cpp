#include "app/PanelControllerHarness.h"
#include "app/PanelWindowSurface.h"
#include "app/QuorvalenPanel.h"
#include "panel/CardScrollView.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>

using namespace qv;

namespace {

constexpr double kScreenWidth = 1920;
const QRect kRightFrame(1920 - 916, 32, 916, 1048);
const QRect kLeftFrame(0, 32, 916, 1048);

struct PanelControllerTest : test::PanelControllerHarness {
  explicit PanelControllerTest(bool compositor = false) : PanelControllerHarness(compositor) {}
  void setSide(const QString& side) { fake.context->settings->set("qv.edgeSide", side); }
  std::optional<QRegion> shape() { return fake.windowShaper->shape(window()->windowHandle()); }
  std::optional<QRegion> inputShape() { return fake.windowShaper->inputShape(window()->windowHandle()); }
  // The column's rounded surface (what the window shows while no side surface is open).
  QRegion surface() const { return controller->rootView()->contentRegion(); }
  // Shows the panel and lets its entrance finish.
  void open() {
    controller->showPanel();
    advance(1);
  }
};

struct PanelWithCompositorTest : PanelControllerTest {
  PanelWithCompositorTest() : PanelControllerTest(true) {}
};

}  // namespace

TEST_F(PanelControllerTest, ShowPlacesTheWindowSlidesItInAndFadesIt) {
  controller->showPanel();
  EXPECT_TRUE(state().isVisible());
  EXPECT_TRUE(state().isPresenting());
  EXPECT_EQ(visibility, QList<bool>{true});
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(window()->geometry(), kRightFrame);
  EXPECT_EQ(state().edgeSide(), "right");
  ASSERT_TRUE(controller->previousApp());
  EXPECT_EQ(controller->previousApp()->pid, 42);
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 320);
  EXPECT_DOUBLE_EQ(controller->alpha(), 0);

  advance(0.06);
  EXPECT_GT(controller->alpha(), 0);
  EXPECT_LT(controller->alpha(), 1);
  EXPECT_GT(controller->slideOffset(), 0);
  EXPECT_LT(controller->slideOffset(), 320);
  advance(0.07);
  EXPECT_DOUBLE_EQ(controller->alpha(), 1);  // the fade takes 0.12 s
  EXPECT_TRUE(state().isPresenting());
  advance(0.2);
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 0);  // the slide takes 0.32 s
  EXPECT_FALSE(state().isPresenting());
  EXPECT_DOUBLE_EQ(controller->panel()->contentHost()->x(), 0);

  // A second show changes nothing.
  controller->showPanel();
  EXPECT_EQ(visibility.size(), 1);
}

TEST_F(PanelControllerTest, HideSlidesOutFadesLateAndOrdersOutAfterTheSlide) {
  open();
  state().setSelectedIndex(3);
  state().setShowFilterPanel(true);
  controller->hidePanel();
  EXPECT_FALSE(state().isVisible());
  EXPECT_FALSE(state().isPresenting());
  EXPECT_EQ(state().selectedIndex(), std::nullopt);
  EXPECT_FALSE(state().showFilterPanel());
  EXPECT_FALSE(controller->hasClickMonitors());
  EXPECT_FALSE(controller->hasKeyMonitor());
  EXPECT_EQ(visibility, (QList<bool>{true, false}));
  EXPECT_TRUE(controller->isOrderOutPending());

  advance(0.15);
  EXPECT_DOUBLE_EQ(controller->alpha(), 1);  // the fade starts 0.16 s after the hide
  EXPECT_GT(controller->slideOffset(), 0);
  advance(0.08);
  EXPECT_LT(controller->alpha(), 1);
  advance(0.06);
  EXPECT_DOUBLE_EQ(controller->alpha(), 0);
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 320);  // the slide takes 0.28 s and stays out
  EXPECT_TRUE(window()->isVisible());
  advance(0.04);
  EXPECT_FALSE(window()->isVisible());
  EXPECT_DOUBLE_EQ(controller->alpha(), 1);
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 0);

  controller->hidePanel();  // hidden already: nothing
  EXPECT_EQ(visibility.size(), 2);
}

TEST_F(PanelControllerTest, ToggleWithinTheGuardTimeOfAHideDoesNothing) {
  controller->togglePanel();
  EXPECT_TRUE(state().isVisible());
  advance(0.5);
  controller->togglePanel();
  EXPECT_FALSE(state().isVisible());
  advance(0.14);
  controller->togglePanel();
  EXPECT_FALSE(state().isVisible());
  advance(0.02);
  controller->togglePanel();
  EXPECT_TRUE(state().isVisible());
}

TEST_F(PanelControllerTest, AShowWithinTheSlideOutCancelsTheOrderOut) {
  controller->showPanel();
  advance(0.5);
  controller->hidePanel();
  advance(0.1);
  controller->showPanel();
  EXPECT_FALSE(controller->isOrderOutPending());
  advance(0.1);  // past the fade-out step, which finds the panel visible
  advance(0.5);
  EXPECT_TRUE(window()->isVisible());
  EXPECT_DOUBLE_EQ(controller->alpha(), 1);
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 0);
  EXPECT_TRUE(controller->hasClickMonitors());
}

TEST_F(PanelControllerTest, UnderReduceMotionThePanelFadesWithoutSliding) {
  fake.desktopAppearance->setReduceMotion(true);
  controller->showPanel();
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 0);
  advance(0.15);
  EXPECT_LT(controller->alpha(), 1);  // fades in over 0.22 s
  advance(0.08);
  EXPECT_DOUBLE_EQ(controller->alpha(), 1);
  advance(0.5);

  controller->hidePanel();
  advance(0.01);
  EXPECT_LT(controller->alpha(), 1);  // the fade-out starts at once
  EXPECT_DOUBLE_EQ(controller->slideOffset(), 0);
  advance(0.15);
  EXPECT_GT(controller->alpha(), 0);  // and takes 0.2 s
  advance(0.05);
  EXPECT_DOUBLE_EQ(controller->alpha(), 0);
  advance(0.2);
  EXPECT_FALSE(window()->isVisible());
}

TEST_F(PanelControllerTest, TheSideComesFromTheSettingThePendingSideOrThePointer) {
  struct Case {
    QString setting;
    std::optional<QString> pending;
    double pointerX;
    QString side;
    QRect frame;
    bool pendingKept;
  };
  const QList<Case> cases = {
      {"", std::nullopt, 100, "right", kRightFrame, false},  // missing setting
      {"left", std::nullopt, 1500, "left", kLeftFrame, false},
      {"right", QString("left"), 100, "right", kRightFrame, true},
      {"both", QString("left"), 1800, "left", kLeftFrame, false},
      {"both", std::nullopt, kScreenWidth / 2, "right", kRightFrame, false},  // exactly the middle
      {"both", std::nullopt, kScreenWidth / 2 - 0.5, "left", kLeftFrame, false},
      {"diagonal", std::nullopt, 100, "diagonal", kRightFrame, false},  // kept, placed right
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting.toStdString());
    if (c.setting.isEmpty()) fake.context->settings->remove("qv.edgeSide");
    else setSide(c.setting);
    if (c.pending) controller->setPendingEdgeSide(*c.pending);
    fake.screens->setPointer({c.pointerX, 500});
    controller->showPanel();
    EXPECT_EQ(state().edgeSide(), c.side);
    EXPECT_EQ(window()->geometry(), c.frame);
    EXPECT_EQ(controller->pendingEdgeSide().has_value(), c.pendingKept);
    EXPECT_DOUBLE_EQ(controller->slideOffset(), c.side == "left" ? -320 : 320);
    controller->hidePanel();
    advance(1);
  }
}

TEST_F(PanelControllerTest, ThePanelOpensOnTheScreenUnderThePointerAndAScreenChangeHidesIt) {
  fake.screens->setScreens({{"main", QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048)},
                            {"side", QRectF(1920, 0, 1280, 1024), QRectF(1920, 0, 1280, 1000)}});
  fake.screens->setPointer({2500, 300});
  controller->showPanel();
  EXPECT_EQ(window()->geometry(), QRect(1920 + 1280 - 916, 0, 916, 1000));
  ASSERT_TRUE(controller->currentScreen());
  EXPECT_EQ(controller->currentScreen()->name, "side");

  advance(0.5);
  fake.screens->setScreens({{"new", QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 770)}});
  EXPECT_FALSE(state().isVisible());
  EXPECT_FALSE(controller->currentScreen());
  advance(1);
  fake.screens->setPointer({600, 400});
  controller->showPanel();
  EXPECT_EQ(window()->geometry(), QRect(1280 - 916, 0, 916, 770));
}

TEST_F(PanelControllerTest, ClicksInTheEmptyAreaCountAsOutsideUnlessAnOverlayIsOpen) {
  const ClipboardItem item = test::textItem("hello");
  state().setItems({item});
  open();
  const double w = 916;
  struct Case {
    QString side;
    double x;
    bool outside;
  };
  for (const Case& c : QList<Case>{{"right", w - 320, false},
                                   {"right", w - 320.5, true},
                                   {"right", 10, true},
                                   {"left", 320, false},
                                   {"left", 320.5, true},
                                   {"left", w - 1, true}}) {
    SCOPED_TRACE(QString("%1 %2").arg(c.side).arg(c.x).toStdString());
    state().setEdgeSide(c.side);
    EXPECT_EQ(controller->isOutsideContent({c.x, 500}), c.outside);
    if (!c.outside) continue;
    state().setPreviewItemID(item.id);
    EXPECT_FALSE(controller->isOutsideContent({c.x, 500}));
    state().setPreviewItemID(std::nullopt);
    state().setShowFilterPanel(true);
    EXPECT_FALSE(controller->isOutsideContent({c.x, 500}));
    state().setShowDotsMenu(true);
    EXPECT_FALSE(controller->isOutsideContent({c.x, 500}));
    state().setShowDotsMenu(false);
    // A preview of an item that no longer exists is not open.
    state().setPreviewItemID(QUuid::createUuid());
    EXPECT_TRUE(controller->isOutsideContent({c.x, 500}));
    state().setPreviewItemID(std::nullopt);
  }
}

TEST_F(PanelControllerTest, OverlaysCloseOnClicksOutsideThemAndTheColumnsTopBand) {
  open();
  const double w = 916;
  struct Case {
    QString side;
    bool filter;  // else the dots menu
    QPointF at;
    bool keepsOpen;
  };
  const QList<Case> cases = {
      {"right", true, {w - 324, 600}, true},
      {"right", true, {w - 324 - 420, 600}, true},
      {"right", true, {w - 324 - 421, 600}, false},
      {"right", true, {w - 323, 600}, false},
      {"right", false, {w - 324 - 180, 600}, true},
      {"right", false, {w - 324 - 181, 600}, false},
      {"right", true, {w - 100, 8}, true},
      {"right", true, {w - 100, 58}, true},
      {"right", true, {w - 100, 59}, false},
      {"right", true, {w - 100, 7}, false},
      {"left", true, {324, 600}, true},
      {"left", true, {744, 600}, true},
      {"left", true, {745, 600}, false},
      {"left", false, {504, 600}, true},
      {"left", false, {505, 600}, false},
      {"left", true, {100, 30}, true},
      {"left", true, {321, 30}, false},
      {"left", true, {100, 600}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QString("%1 %2 %3,%4").arg(c.side).arg(c.filter).arg(c.at.x()).arg(c.at.y()).toStdString());
    state().setEdgeSide(c.side);
    if (c.filter) state().setShowFilterPanel(true);
    else state().setShowDotsMenu(true);
    controller->closeOverlaysIfOutside(c.at);
    EXPECT_EQ(state().showFilterPanel() || state().showDotsMenu(), c.keepsOpen);
    state().setShowFilterPanel(false);
    state().setShowDotsMenu(false);
  }
}

TEST_F(PanelControllerTest, LocalClicksHideFromOtherWindowsAndTheEmptyAreaButNotFromMenus) {
  open();
  QWindow* panel = window()->windowHandle();
  controller->handleLocalClick(panel, {800, 500});  // in the column
  EXPECT_TRUE(state().isVisible());
  QWindow menu;
  menu.setFlags(Qt::Popup);
  controller->handleLocalClick(&menu, {5, 5});
  EXPECT_TRUE(state().isVisible());
  QWindow other;
  controller->handleLocalClick(&other, {5, 5});
  EXPECT_FALSE(state().isVisible());

  advance(1);
  controller->showPanel();
  controller->handleLocalClick(panel, {100, 500});  // the empty area
  EXPECT_FALSE(state().isVisible());
}

TEST_F(PanelControllerTest, RealPressesReachTheLocalMonitorOnlyWhileShown) {
  QWindow* panel = window()->windowHandle();
  auto press = [&](QPointF at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, panel->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(panel, &event);
    // Released again: a button left down would hold the panel open in later tests.
    QMouseEvent release(QEvent::MouseButtonRelease, at, panel->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(panel, &release);
  };
  open();
  press({800, 500});
  EXPECT_TRUE(state().isVisible());
  press({100, 500});
  EXPECT_FALSE(state().isVisible());
  EXPECT_FALSE(controller->hasClickMonitors());
  EXPECT_FALSE(controller->hasKeyMonitor());
}

TEST_F(PanelControllerTest, GlobalPressesOutsideOurWindowsHideThePanel) {
  EXPECT_FALSE(fake.pointerMonitor->listensForButtonPresses());
  open();
  EXPECT_TRUE(fake.pointerMonitor->listensForButtonPresses());
  EXPECT_TRUE(controller->hasKeyMonitor());
  // On the column: the local monitor's business.
  fake.pointerMonitor->pressButton({1800, 100});
  EXPECT_TRUE(state().isVisible());
  // The cut-away transparent part belongs to whatever lies below.
  fake.pointerMonitor->pressButton({1200, 500});
  EXPECT_FALSE(state().isVisible());
  EXPECT_FALSE(fake.pointerMonitor->listensForButtonPresses());

  advance(1);
  controller->showPanel();
  fake.pointerMonitor->pressButton({300, 500});
  EXPECT_FALSE(state().isVisible());
}

// With a compositor the window is drawn whole, but clicks beside the column still reach the
// program below. The compositor may quit and come back while the panel is open.
TEST_F(PanelWithCompositorTest, OnlyTheContentTakesClicksAndTheCutFollowsTheCompositor) {
  open();
  const QRegion column = surface();
  EXPECT_FALSE(shape());
  EXPECT_EQ(inputShape(), column);
  EXPECT_TRUE(controller->rootView()->translucency().compositor);

  fake.compositor->setSupport({});
  EXPECT_EQ(shape(), column);
  EXPECT_FALSE(controller->rootView()->translucency().compositor);
  EXPECT_DOUBLE_EQ(window()->windowOpacity(), 1);

  fake.compositor->setSupport({true, true});
  EXPECT_FALSE(shape());
  EXPECT_EQ(inputShape(), column);
  // Blur behind what the panel shows, not behind the clear rest of its window.
  ASSERT_EQ(fake.compositor->blurRequests.size(), 1);
  EXPECT_EQ(fake.compositor->blurRequests[0].window, window()->windowHandle());
  EXPECT_EQ(fake.compositor->blurRequests[0].region, column);
  fake.pointerMonitor->pressButton({1200, 500});  // beside the column: the window below
  EXPECT_FALSE(state().isVisible());
}

TEST_F(PanelControllerTest, LosingTheFocusHidesThePanel) {
  open();
  Q_EMIT controller->panel()->deactivated();
  EXPECT_FALSE(state().isVisible());
}

TEST_F(PanelControllerTest, WithoutACompositorTheWindowIsCutToTheColumnAndOpenOverlays) {
  controller->showPanel();
  ASSERT_TRUE(shape());
  EXPECT_TRUE(shape()->isEmpty());  // the column starts wholly beyond the edge
  advance(0.1);
  const QRect midSlide = shape()->boundingRect();
  EXPECT_GT(midSlide.left(), 596);
  EXPECT_LT(midSlide.left(), 916);
  advance(1);
  // The column's rounded surface, 8 points inside the column, as high as what it shows.
  const QRegion column = surface();
  EXPECT_EQ(column.boundingRect().left(), 596 + 8);
  EXPECT_EQ(column.boundingRect().width(), 320 - 16);
  EXPECT_LT(column.boundingRect().height(), 1048 - 16);
  EXPECT_EQ(*shape(), column);

  state().setShowFilterPanel(true);
  fake.scheduler->runPending();
  const QRect filter = controller->rootView()->sideSurfaceRect().toAlignedRect();
  EXPECT_EQ(filter.right() + 1, 916 - 324);
  EXPECT_EQ(shape()->boundingRect(), column.boundingRect() | filter);  // already while it comes in
  advance(1);
  EXPECT_EQ(shape()->boundingRect(), column.boundingRect() | filter);
  state().setShowFilterPanel(false);
  advance(1);
  EXPECT_EQ(*shape(), column);  // once it has gone

  state().setEdgeSide("left");
  EXPECT_EQ(*shape(), surface());
  EXPECT_EQ(surface().boundingRect().left(), 8);
}

// A cut sent ahead of the frame painted for it shows the window's old pixels in it for a frame: a
// second bottom edge below a growing list, an old surface cut short above a shrinking one. Each
// frame carries its own cut.
TEST_F(PanelControllerTest, OnScreenTheCutChangesWithTheFramePaintedForIt) {
  open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
  auto paintFrame = [&] {
    QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
    return surface();
  };
  auto bottom = [](const QRegion& region) { return region.boundingRect().bottom(); };
  for (const QList<ClipboardItem>& items : {QList<ClipboardItem>{test::textItem("first")}, QList<ClipboardItem>{}}) {
    QRegion painted = paintFrame();
    state().setItems(items);  // the list grows to its first card, then shrinks to the empty state
    int changes = 0;
    for (int frame = 0; frame < 60; ++frame) {
      advance(1.0 / 120);
      ASSERT_EQ(bottom(*shape()), bottom(painted)) << "frame " << frame << " is cut before it is painted";
      const QRegion next = paintFrame();
      changes += next != painted;
      painted = next;
      ASSERT_EQ(bottom(*shape()), bottom(painted)) << "frame " << frame;
      ASSERT_TRUE(*shape() == painted) << "frame " << frame;
    }
    EXPECT_GT(changes, 10);  // the surface moved over many frames
  }
}

// On a desktop whose focus follows the pointer, a pointer resting against the screen's edge
// (where the edge trigger left it) must not reach the window below the panel's margin there,
// with or without a compositor; a press there is still a press beside the panel.
TEST(PanelEdgeBand, WhileShownTheBandBetweenTheColumnAndTheEdgeIsHeldAndAPressThereCloses) {
  const struct {
    const char* side;
    bool compositor;
    QRect band;
  } cases[] = {
      {"right", false, QRect(1912, 32, 8, 1048)},
      {"right", true, QRect(1912, 32, 8, 1048)},
      {"left", false, QRect(0, 32, 8, 1048)},
  };
  struct Panel : PanelControllerTest {
    using PanelControllerTest::PanelControllerTest;
    void TestBody() override {}
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.side) + (c.compositor ? " with a compositor" : ""));
    Panel panel(c.compositor);
    panel.setSide(c.side);
    QWindow* window = panel.window()->windowHandle();
    auto& shaper = *panel.fake.windowShaper;
    panel.controller->showPanel();
    EXPECT_EQ(shaper.heldPointerArea(window), c.band) << "as the column slides in";
    panel.advance(1);
    EXPECT_EQ(shaper.heldPointerArea(window), c.band);
    // Beside the column: it takes no click meant for the content.
    QRegion content = panel.controller->contentRegion();
    content.translate(panel.window()->geometry().topLeft());
    EXPECT_FALSE(content.intersects(c.band));
    panel.controller->handleGlobalPress(QRectF(c.band).center());
    EXPECT_FALSE(panel.state().isVisible());
    EXPECT_TRUE(shaper.heldPointerArea(window).isEmpty()) << "given back at the hide";
  }
}

// A frame whose changed part lies under an opaque child paints the child alone: the window gets
// no paint of its own, and the cut waiting for that frame must still go out.
TEST_F(PanelControllerTest, TheWaitingCutGoesOutAfterAFrameWhateverItRepaints) {
  const struct {
    const char* name;
    bool childIsOpaque;
  } cases[] = {{"the window paints", false}, {"only an opaque child paints", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget window;
    window.resize(400, 300);
    auto* child = new QWidget(&window);
    child->setGeometry(0, 0, 400, 300);
    child->setAttribute(Qt::WA_OpaquePaintEvent, c.childIsOpaque);
    window.winId();
    PanelWindowSurface surface(*fake.context, window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto paintFrame = [&] {
      QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
      QCoreApplication::sendPostedEvents(&surface, QEvent::MetaCall);
    };
    paintFrame();
    for (const QRegion& cut : {QRegion(10, 10, 100, 100), QRegion(10, 10, 100, 250), QRegion(0, 0, 400, 300)}) {
      surface.shapeTo(cut);
      paintFrame();
      EXPECT_EQ(fake.windowShaper->shape(window.windowHandle()), std::optional(cut)) << cut.boundingRect().height();
    }
  }
}

TEST_F(PanelControllerTest, PreWarmOrdersTheWindowInOffScreenAndOutAgain) {
  controller->preWarm();
  EXPECT_TRUE(controller->isPreWarming());
  EXPECT_TRUE(window()->isVisible());
  EXPECT_GE(window()->x(), 1920);  // wholly off screen
  ASSERT_TRUE(shape());
  EXPECT_TRUE(shape()->isEmpty());
  advance(0.36);
  EXPECT_TRUE(controller->isPreWarming());
  advance(0.4);
  EXPECT_FALSE(controller->isPreWarming());
  EXPECT_FALSE(window()->isVisible());
  EXPECT_EQ(window()->geometry(), kRightFrame);
  EXPECT_DOUBLE_EQ(controller->alpha(), 1);
  EXPECT_FALSE(state().isVisible());

  // A show during the pre-warm ends it.
  controller->preWarm();
  advance(0.2);
  controller->showPanel();
  EXPECT_FALSE(controller->isPreWarming());
  advance(1);
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(window()->geometry(), kRightFrame);
  EXPECT_EQ(*shape(), surface());
}

TEST_F(PanelControllerTest, TheContentIsBuiltAfterTheLaunchWhilePreWarmingAndShowsOnTheFirstShow) {
  controller->preWarm();
  EXPECT_EQ(controller->panel()->rootView(), nullptr);  // left to the first turn of the event loop
  fake.scheduler->runPending();
  ASSERT_NE(controller->panel()->rootView(), nullptr);
  EXPECT_TRUE(controller->panel()->rootView()->isVisible());  // painted by the pre-warm
  advance(1);
  state().setItems({test::textItem("one"), test::textItem("two")});
  open();
  EXPECT_EQ(*shape(), surface());
  EXPECT_FALSE(surface().isEmpty());
  EXPECT_EQ(controller->rootView()->list().cardItemCount(), 2);
}

TEST_F(PanelControllerTest, ShowEndsOldPeeksAndHideEndsThePreviewAndCopyFeedback) {
  const ClipboardItem item = test::textItem("peek");
  const ClipboardItem fresh = test::textItem("fresh");
  state().setItems({item, fresh});
  const QDateTime now = fake.scheduler->now();
  state().setPeekedIDs({item.id, fresh.id});
  state().setPeekedAt({{item.id, now.addSecs(-301)}, {fresh.id, now.addSecs(-300)}});
  controller->showPanel();
  EXPECT_EQ(state().peekedIDs(), PanelState::IdSet{fresh.id});
  state().setPreviewItemID(item.id);
  state().setCopiedItemID(item.id);
  state().setPasteHintItemID(item.id);
  state().setMultiSelectedIDs({item.id});
  controller->hidePanel();
  EXPECT_EQ(state().previewItemID(), std::nullopt);
  EXPECT_EQ(state().copiedItemID(), std::nullopt);
  EXPECT_EQ(state().pasteHintItemID(), std::nullopt);
  EXPECT_TRUE(state().multiSelectedIDs().isEmpty());
}

TEST_F(PanelControllerTest, TheCardListRealisesOnlyVisibleCardsOfAHugeHistory) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 100000; ++i) items << test::textItem(QString("item %1").arg(i));
  state().setItems(items);
  open();
  PanelView* view = controller->rootView();
  EXPECT_EQ(view->columnRect(), QRectF(596, 0, 320, 1048));
  EXPECT_EQ(view->searchBar().geometry(), QRect(604, 8, 304, 50));
  CardScrollView& list = view->list();
  // The list takes the room between the search bar and category strip above and the footer below.
  EXPECT_EQ(list.geometry().topLeft(), QPoint(604, 8 + 50 + 36));
  EXPECT_EQ(view->footerRect().top(), list.geometry().y() + list.height());
  EXPECT_EQ(view->footerRect().bottom(), 1048 - 8);
  EXPECT_LE(list.cardItemCount(), 14);
  list.scrollTo(1e9);
  EXPECT_TRUE(list.realisedCards().contains(99999));
  EXPECT_LE(list.cardItemCount(), 14);
}

// The cards are usable by pointer: a click selects (the selection is drawn), a double click
// picks through the paste hook, and a sensitive item never shows its text.
TEST_F(PanelControllerTest, TheCardListSelectsPicksAndConcealsSensitiveCards) {
  state().setItems({test::textItem("secret token"), test::textItem("plain words")});
  state().markSensitive(state().items().first().id, false);
  std::optional<QString> picked;
  state().setPasteAction([&](const ClipboardItem& item, bool) { picked = item.plainText(); });
  open();
  PanelView* view = controller->rootView();
  EXPECT_TRUE(state().isConcealed(state().items().first().id));
  CardScrollView& list = view->list();
  const QRectF card = list.layout().cardRect(1, list.width()).translated(0, -list.scrollOffset());
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, card.center().toPoint());
  EXPECT_EQ(state().selectedIndex(), 1);
  advance(1);
  const QImage image = list.grab().toImage();
  // The selected card's outline is drawn in the accent colour at its edge (which the lift moves
  // out by a few points).
  bool outlined = false;
  for (int x = int(card.left()) - 6; x <= int(card.left()) + 3; ++x) {
    const QColor edge = image.pixelColor(x, int(card.center().y()));
    outlined = outlined || edge.blue() > edge.red() + 30;
  }
  EXPECT_TRUE(outlined);

  // A double click as the display server sends it: press, release, double click, release. The first
  // click deselects the selected card, the second pastes it.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, card.center().toPoint());
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, card.center().toPoint());
  QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, card.center().toPoint());
  EXPECT_EQ(picked, "plain words");
  EXPECT_EQ(state().selectedIndex(), std::nullopt);
  QTest::mouseClick(view, Qt::LeftButton, {}, view->footerRect().center().toPoint());
  EXPECT_EQ(state().selectedIndex(), std::nullopt);  // the footer is not a row
}

// The panel is searched by typing alone: its search index is made aside when the panel shows,
// so the first key finds it made; a history only loaded, never shown, keeps none.
TEST_F(PanelControllerTest, ShowingThePanelHasTheSearchIndexMadeBeforeTheFirstKey) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 50; ++i) items << test::textItem(QString("note %1").arg(i));
  state().setItems(items);
  const auto searchWork = [this] {
    // The queue is made when first asked for.
    const auto queue = fake.queues->queue(QLatin1String(kQueuePrefix) + QLatin1String("search"));
    return queue ? queue->pendingCount() : 0;
  };
  controller->preWarm();
  advance(2);
  EXPECT_EQ(searchWork(), 0);
  open();
  EXPECT_EQ(searchWork(), 1);
  fake.drain();
  QTest::keyClick(window()->windowHandle(), '7');
  EXPECT_EQ(state().searchQuery(), QStringLiteral("7"));
  EXPECT_EQ(searchWork(), 0);  // the key searched the index made
  EXPECT_EQ(state().filteredItems().size(), 5);
  controller->hidePanel();
  advance(1);
  open();
  EXPECT_EQ(searchWork(), 0);  // made once
}
