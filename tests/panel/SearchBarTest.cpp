#include "panel/SearchBarView.h"
#include "support/state/StateTestSupport.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextInput.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <functional>

using namespace qv;

namespace {

struct BarHarness {
  BarHarness() : bar(*fake.context, {}, {}) {
    bar.resize(320, bar.sizeHint().height());
    connectSearchBar(bar, state());
  }
  PanelState& state() { return *harness.state; }
  // The field acts on tokens on the next turn of the (fake) scheduler.
  void settle() {
    fake.advanceBoth(0.5);
    QApplication::processEvents();
  }
  test::StateHarness harness;
  test::FakeInterfaceContext fake;
  SearchBarView bar;
};

}  // namespace

TEST(SearchBar, FieldExistsOnlyWhileShownAndHidingClearsTheQuery) {
  BarHarness h;
  EXPECT_EQ(h.bar.field(), nullptr);
  h.state().setIsVisible(true);
  ASSERT_NE(h.bar.field(), nullptr);
  h.bar.field()->setText("inv");
  Q_EMIT h.bar.field()->textEdited("inv");
  EXPECT_EQ(h.state().searchQuery(), "inv");
  h.settle();
  EXPECT_FALSE(h.bar.clearButton().isHidden());

  h.state().setIsVisible(false);
  EXPECT_EQ(h.state().searchQuery(), "");
  EXPECT_EQ(h.bar.field(), nullptr);
  h.state().setIsVisible(true);
  EXPECT_EQ(h.bar.field()->text(), "");
}

TEST(SearchBar, FollowsTheFocusTriggersOnlyOnChanges) {
  BarHarness h;
  h.state().setIsVisible(true);
  h.bar.show();
  h.bar.activateWindow();
  h.settle();
  EXPECT_EQ(h.bar.field()->props().focusToken, 0);
  for (int raise = 1; raise <= 2; ++raise) {
    // Each raise asks again, also while the field still holds the focus.
    h.state().raiseExpandSearchTrigger();
    EXPECT_EQ(h.bar.field()->props().focusToken, raise);
    h.settle();
    EXPECT_TRUE(h.state().searchFieldFocused());
  }
  h.state().raiseResignSearchFocusTrigger();
  EXPECT_EQ(h.bar.field()->props().resignToken, 1);
  h.settle();
  EXPECT_FALSE(h.state().searchFieldFocused());
}

TEST(SearchBar, ButtonsOpenOneSurfaceThroughTheState) {
  BarHarness h;
  h.state().setIsVisible(true);
  h.state().setShowDotsMenu(true);
  h.bar.filterButton().click();
  EXPECT_TRUE(h.state().showFilterPanel());
  EXPECT_FALSE(h.state().showDotsMenu());
  h.bar.dotsButton().click();
  EXPECT_TRUE(h.state().showDotsMenu());
  EXPECT_FALSE(h.state().showFilterPanel());
  h.bar.dotsButton().click();
  EXPECT_FALSE(h.state().showDotsMenu());

  h.state().setSearchQuery("x");
  h.state().setShowFilterPanel(true);
  h.bar.clearButton().click();
  EXPECT_EQ(h.state().searchQuery(), "");
  EXPECT_TRUE(h.state().showFilterPanel());
}

TEST(SearchBar, FilterIconShowsFilteringInForce) {
  BarHarness h;
  EXPECT_FALSE(h.bar.filterIconActive());
  h.state().setActiveFilter(FilterType::pinned());
  EXPECT_TRUE(h.bar.filterIconActive());
  h.state().setActiveFilter(FilterType::all());
  h.state().setFilterApps({"org.example.Editor"});
  EXPECT_TRUE(h.bar.filterIconActive());
  h.state().setFilterApps({});
  h.state().setShowFilterPanel(true);
  EXPECT_TRUE(h.bar.filterIconActive());

  EnvironmentValues light, dark;
  dark.colorScheme = ColorScheme::dark;
  EXPECT_EQ(searchFilterColor(light, true, false), Theme::accent());
  EXPECT_EQ(searchFilterColor(dark, true, false), QColor(150, 155, 245));
  EXPECT_EQ(searchDotsColor(dark, true, false), Theme::accent());
  EXPECT_NEAR(searchFilterColor(light, false, true).alphaF(), 0.7, 0.01);
  EXPECT_NEAR(searchFilterColor(light, false, false).alphaF(), 0.35, 0.01);
  EXPECT_NEAR(searchDotsColor(light, false, false).alphaF(), 0.4, 0.01);
}

// The filter icon turns to the accent and back on the snappy spring (at once under reduced
// motion), whatever turned filtering on.
TEST(SearchBar, TheFilterIconChangesColourOnItsSpring) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    BarHarness h;
    h.fake.desktopAppearance->setReduceMotion(reduced);
    EXPECT_EQ(h.bar.filterIconActivity(), 0);
    const struct {
      std::function<void()> change;
      double target;
    } steps[] = {{[&] { h.state().setActiveFilter(FilterType::pinned()); }, 1},
                 {[&] { h.state().setActiveFilter(FilterType::all()); }, 0},
                 {[&] { h.state().setShowFilterPanel(true); }, 1}};
    for (const auto& step : steps) {
      const double from = h.bar.filterIconActivity();
      step.change();
      h.fake.clock->advance(0.05);
      const double expected = reduced ? step.target
                                      : from + (step.target - from) * Theme::springSnappy().progress(0.05);
      EXPECT_NEAR(h.bar.filterIconActivity(), expected, 1e-3);
      const QColor midway = h.bar.filterButton().look().color;
      if (!reduced) {
        EXPECT_NE(midway, searchFilterColor(EnvironmentValues{}, step.target, 0));
      }
      h.fake.clock->advance(1);
      EXPECT_NEAR(h.bar.filterIconActivity(), step.target, 1e-3);
    }
    EXPECT_EQ(h.bar.filterButton().look().color, Theme::accent());
  }
}

// The dots button's colours move with the snappy spring as the pointer comes and as the menu
// opens; under reduced motion they change at once.
TEST(SearchBar, TheDotsButtonSpringsToItsHoverAndOpenLooks) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    BarHarness h;
    h.fake.desktopAppearance->setReduceMotion(reduced);
    SearchBarButton& dots = h.bar.dotsButton();
    const EnvironmentValues light;
    auto circleAlpha = [&] { return dots.look().circle.alphaF(); };
    EXPECT_NEAR(circleAlpha(), 0.07, 0.002);

    const QPointF centre = QRectF(dots.rect()).center();
    QHoverEvent enter(QEvent::HoverEnter, centre, centre, QPointF(-1, -1));
    QCoreApplication::sendEvent(&dots, &enter);
    h.fake.clock->advance(0.03);
    if (reduced) {
      EXPECT_NEAR(circleAlpha(), 0.1, 0.002);
    } else {
      EXPECT_GT(circleAlpha(), 0.072);
      EXPECT_LT(circleAlpha(), 0.098);
    }
    h.fake.clock->advance(1);
    EXPECT_NEAR(circleAlpha(), 0.1, 0.002);
    EXPECT_NEAR(dots.look().color.alphaF(), 0.7, 0.01);

    h.state().setShowDotsMenu(true);
    h.fake.clock->advance(0.03);
    const double early = h.bar.dotsMenuProgress();
    if (reduced) {
      EXPECT_EQ(early, 1);
    } else {
      EXPECT_GT(early, 0.05);
      EXPECT_LT(early, 0.95);
      EXPECT_NE(dots.look().color, Theme::accent());
    }
    h.fake.clock->advance(1);
    EXPECT_NEAR(h.bar.dotsMenuProgress(), 1, 1e-3);
    EXPECT_NEAR(circleAlpha(), 0.12, 0.002);
    EXPECT_EQ(dots.look().color.rgb(), Theme::accent().rgb());

    h.state().setShowDotsMenu(false);
    h.fake.clock->advance(0.03);
    if (!reduced) {
      EXPECT_GT(h.bar.dotsMenuProgress(), 0.05);
    }
    h.fake.clock->advance(1);
    EXPECT_NEAR(h.bar.dotsMenuProgress(), 0, 1e-3);
    EXPECT_EQ(searchDotsColor(light, 0, 1), dots.look().color);
  }
}
