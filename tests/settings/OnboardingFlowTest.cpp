#include "platform/fake/FakeCompositor.h"
#include "settings/onboarding/OnboardingView.h"
#include "settings/onboarding/OnboardingWindowController.h"
#include "state/PanelState.h"
#include "support/settings/FakeSettingsContext.h"
#include "ui/controls/PillButtons.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

using namespace qv;
using qv::test::FakeSettingsContext;
using Page = OnboardingView::Page;
using Permission = OnboardingView::PermissionState;

namespace {

struct Flow {
  FakeSettingsContext fake;
  std::vector<bool> continued;
  std::unique_ptr<OnboardingView> view;

  // The permission as it was at launch and as it is now.
  void open(bool heldAtLaunch = true, bool heldNow = true) {
    permission().held = heldAtLaunch;
    permission().rememberLaunchState();
    permission().held = heldNow;
    view = std::make_unique<OnboardingView>(
        *fake.context, OnboardingView::Callbacks{[this](bool launch) { continued.push_back(launch); }});
    view->show();
  }
  FakePastePermission& permission() { return *fake.pastePermission; }
  SettingsStore& settings() { return *fake.context->settings; }
  void press(const QString& title) {
    HouseButton* button = view->button(title);
    ASSERT_TRUE(button) << title.toStdString();
    button->callbacks().onPress();
  }
  void advance(double seconds) {
    fake.scheduler->advance(seconds);
    fake.clock->advance(seconds);
  }
};

const QString kSkipPaste = QStringLiteral("Skip — I'll press Ctrl+V myself");

}  // namespace

// Every button of every page: where it leads and what it tells the host.
TEST(OnboardingView, PageTable) {
  struct Row {
    std::vector<const char*> path;  // buttons pressed from the first page
    bool heldAtLaunch, heldNow, grantable;
    Page page;
    std::vector<bool> continued;
  };
  const Row rows[] = {
      {{"Skip for now"}, true, true, true, Page::summon, {false}},
      {{"Next"}, true, true, true, Page::extras, {}},
      {{"Next", "Back"}, true, true, true, Page::summon, {}},
      {{"Next", "Next"}, true, true, true, Page::permission, {}},
      {{"Next", "Next", "Back"}, true, true, true, Page::extras, {}},
      {{"Next", "Next", "Launch Quorvalen"}, true, true, true, Page::permission, {true}},
      {{"Next", "Next", "Skip — I'll press Ctrl+V myself"}, false, false, true, Page::permission, {false}},
      {{"Next", "Next", "Skip — I'll press Ctrl+V myself"}, false, false, false, Page::permission, {false}},
      {{"Next", "Next", "Allow Pasting"}, false, false, true, Page::permission, {}},
      {{"Next", "Next", "Restart Quorvalen"}, false, true, true, Page::permission, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.back());
    Flow flow;
    flow.permission().grantable = row.grantable;
    flow.open(row.heldAtLaunch, row.heldNow);
    EXPECT_EQ(flow.view->page(), Page::summon);
    for (const char* title : row.path) flow.press(QString::fromUtf8(title));
    flow.advance(1);
    EXPECT_EQ(flow.view->page(), row.page);
    EXPECT_EQ(flow.continued, row.continued);
  }
}

TEST(OnboardingView, NavigationSetsTheDirectionAndOnlyOnePageRemainsAfterTheSlide) {
  Flow flow;
  flow.open();
  flow.advance(0.5);
  EXPECT_EQ(flow.view->opacity(), 1);  // faded in once
  flow.press("Next");
  QWidget* entering = flow.view->currentPage();
  flow.fake.clock->advance(0.05);
  EXPECT_GT(entering->x(), 0);  // comes in from the trailing side
  flow.advance(1);
  EXPECT_EQ(entering->x(), 0);
  flow.press("Back");
  EXPECT_EQ(flow.view->navDirection(), OnboardingView::NavDirection::backward);
  flow.fake.clock->advance(0.05);
  EXPECT_LT(flow.view->currentPage()->x(), 0);  // from the leading side

  // A button of the page that is sliding away still works, and its page outlives its click.
  flow.advance(1);
  flow.press("Next");
  flow.advance(1);
  HouseButton* leavingNext = flow.view->button("Next");
  flow.press("Back");
  leavingNext->callbacks().onPress();
  EXPECT_EQ(flow.view->page(), Page::permission);
  flow.advance(1);
  flow.press("Back");

  flow.fake.desktopAppearance->setReduceMotion(true);
  flow.advance(1);
  flow.press("Next");
  flow.fake.clock->advance(0.05);
  EXPECT_EQ(flow.view->currentPage()->x(), 0);  // only fades
}

// Only a real change of the side writes, and it turns the edge trigger on.
TEST(OnboardingView, TheEdgePickerWritesOnlyOnAChange) {
  Flow flow;
  flow.settings().set(QLatin1String(OnboardingView::kEdgeEnabledKey), false);
  flow.open();
  flow.view->pickEdge(QStringLiteral("right"));  // the stored default, already chosen
  flow.press("Next");
  flow.press("Back");
  EXPECT_EQ(flow.settings().boolValue(QLatin1String(OnboardingView::kEdgeEnabledKey)), false);
  EXPECT_FALSE(flow.settings().stringValue(QLatin1String(PanelState::kEdgeSideKey)));

  flow.advance(1);
  EdgeFlickDemo* before = flow.view->edgeDemo();
  flow.view->pickEdge(QStringLiteral("both"));
  EXPECT_EQ(flow.settings().stringValue(QLatin1String(PanelState::kEdgeSideKey)), QStringLiteral("both"));
  EXPECT_EQ(flow.settings().boolValue(QLatin1String(OnboardingView::kEdgeEnabledKey)), true);
  ASSERT_NE(flow.view->edgeDemo(), before);  // a new demonstration, cross-fading in
  EXPECT_EQ(flow.view->edgeDemo()->side(), QStringLiteral("both"));
  EXPECT_FALSE(before->isLooping());
}

// The permission page's state follows the permission: polled each second on that page only,
// and read again whenever the application becomes active.
TEST(OnboardingView, ThePermissionPageFollowsGrantsAndRevocations) {
  struct Case {
    bool heldAtLaunch, heldNow, grantable;
    Permission state;
  };
  for (const Case& c :
       {Case{true, true, true, Permission::ready}, Case{false, true, true, Permission::restart},
        Case{false, false, true, Permission::asking}, Case{false, false, false, Permission::unavailable}}) {
    Flow flow;
    flow.permission().grantable = c.grantable;
    flow.open(c.heldAtLaunch, c.heldNow);
    EXPECT_EQ(flow.view->permissionState(), c.state);
  }

  Flow flow;
  flow.open(false, false);
  flow.permission().held = true;  // granted while the first page is shown
  flow.advance(3);
  EXPECT_EQ(flow.view->permissionState(), Permission::asking);
  flow.press("Next");
  flow.press("Next");
  flow.press("Allow Pasting");
  EXPECT_EQ(flow.permission().systemRequests, 1);
  EXPECT_EQ(flow.view->permissionState(), Permission::asking);  // until the next tick
  flow.advance(1);
  EXPECT_EQ(flow.view->permissionState(), Permission::restart);
  EXPECT_TRUE(flow.view->button("Restart Quorvalen"));
  EXPECT_FALSE(flow.view->button("Allow Pasting"));

  flow.permission().held = false;
  flow.advance(1);
  EXPECT_EQ(flow.view->permissionState(), Permission::asking);

  flow.press("Back");
  flow.permission().held = true;
  flow.view->applicationBecameActive();
  EXPECT_TRUE(flow.view->canPaste());
}

// ---- The window ------------------------------------------------------------------------------

TEST(OnboardingWindowController, OnePanelForTwoShowsAndTheFirstHandlerIsTheOneCalled) {
  FakeSettingsContext fake;
  auto compositor = std::make_shared<FakeCompositor>();
  fake.context->compositor = compositor;
  OnboardingWindowController& controller = OnboardingWindowController::shared(*fake.context);
  std::vector<std::pair<int, bool>> finished;
  controller.show([&](bool launch) { finished.push_back({1, launch}); });
  OnboardingPanel* panel = controller.window();
  ASSERT_TRUE(panel);
  EXPECT_TRUE(fake.windowShaper->isOnAllDesktops(panel->windowHandle()));
  EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(panel->alpha(), 0);
  fake.clock->advance(0.32);
  EXPECT_EQ(panel->alpha(), 1);
  // It follows a compositor that comes and goes while it is open.
  compositor->setSupport({true, true});
  EXPECT_TRUE(panel->translucency().compositor);
  // Where the desktop blurs, behind the whole panel.
  ASSERT_EQ(compositor->blurRequests.size(), 1);
  EXPECT_EQ(compositor->blurRequests[0].window, panel->windowHandle());
  EXPECT_TRUE(compositor->blurRequests[0].region.isEmpty());
  compositor->setSupport({});
  EXPECT_FALSE(panel->translucency().compositor);
  controller.show([&](bool launch) { finished.push_back({2, launch}); });
  EXPECT_EQ(controller.window(), panel);

  // Leaving through the view: hidden at once, told once, and no close report after it.
  panel->view()->button("Skip for now")->callbacks().onPress();
  EXPECT_FALSE(controller.window());
  EXPECT_FALSE(panel->isVisible());
  fake.scheduler->runPending();
  EXPECT_EQ(finished, (std::vector<std::pair<int, bool>>{{1, false}}));

  // A fresh panel starts over at the first page and fades in again; the close button reports
  // false exactly once.
  controller.show([&](bool launch) { finished.push_back({3, launch}); });
  OnboardingPanel* second = controller.window();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->view()->page(), Page::summon);
  EXPECT_EQ(second->alpha(), 0);
  second->close();
  second->close();
  fake.scheduler->runPending();
  EXPECT_FALSE(controller.window());
  EXPECT_EQ(finished, (std::vector<std::pair<int, bool>>{{1, false}, {3, false}}));
}
