#include "panel/FilterControls.h"
#include "panel/FilterStatusBarView.h"
#include "panel/PanelTestSupport.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QTest>

using namespace qv;
using qv::test::PanelHarness;

namespace {

QStringList labels(const FilterStatusBarView& bar) {
  QStringList out;
  for (FilterChipView* chip : bar.chipViews()) out << chip->props().label;
  return out;
}

void click(QWidget& widget) {
  QTest::mouseClick(&widget, Qt::LeftButton, {}, QRectF(widget.rect()).center().toPoint());
}

}  // namespace

TEST(FilterStatusBarView, AbsentWithoutFiltersOneChipAloneAndClearAllLastFromTwoOn) {
  PanelHarness fake;
  PanelState& state = *fake.state;
  QWidget host;
  FilterStatusBarView bar(*fake.context, state, &host);
  state.setActiveFilter(FilterType::pinned());
  state.setSearchQuery("invoice");
  EXPECT_FALSE(bar.isPresent());
  EXPECT_TRUE(bar.isHidden());

  state.setFilterTypes({TypeFilter::image});
  EXPECT_TRUE(bar.isPresent());
  EXPECT_EQ(labels(bar), QStringList({"Image"}));
  EXPECT_TRUE(bar.clearAllButton()->isHidden());

  state.setFilterDate(DateFilter::yesterday);
  EXPECT_EQ(labels(bar), QStringList({"Image", "Yesterday"}));
  EXPECT_FALSE(bar.clearAllButton()->isHidden());
  EXPECT_EQ(bar.flow().itemAt(bar.flow().count() - 1)->widget(), bar.clearAllButton());
}

TEST(FilterStatusBarView, AChipRemovesOnlyItsFilterAndClearAllLeavesTheTabAndTheQuery) {
  PanelHarness fake;
  PanelState& state = *fake.state;
  QWidget host;
  FilterStatusBarView bar(*fake.context, state, &host);
  state.setActiveFilter(FilterType::links());
  state.setSearchQuery("invoice");
  state.setFilterTypes({TypeFilter::text, TypeFilter::image});
  state.setFilterDate(DateFilter::today);
  ASSERT_EQ(bar.chipViews().size(), 3u);
  FilterChipView* kept = bar.chipViews()[2];

  click(*bar.chipViews()[0]);
  EXPECT_EQ(state.filterTypes().size(), 1);
  EXPECT_EQ(state.filterDate(), DateFilter::today);
  EXPECT_EQ(bar.chipViews().size(), 2u);
  EXPECT_EQ(bar.chipViews()[1], kept);  // a chip keeps its view while others go

  state.setSelectedIndex(0);
  click(*bar.clearAllButton());
  EXPECT_TRUE(state.filterTypes().isEmpty());
  EXPECT_TRUE(state.filterApps().isEmpty());
  EXPECT_FALSE(state.filterDate());
  EXPECT_FALSE(state.selectedIndex());
  EXPECT_EQ(state.activeFilter(), FilterType::links());
  EXPECT_EQ(state.searchQuery(), "invoice");
  EXPECT_FALSE(bar.isPresent());
  fake.drain();  // the removed chips go
}

TEST(FilterStatusBarView, ManyChipsWrapOntoRowsAndTheBarGrows) {
  PanelHarness fake;
  PanelState& state = *fake.state;
  QWidget host;
  FilterStatusBarView bar(*fake.context, state, &host);
  state.setFilterTypes({TypeFilter::text});
  const int oneRow = bar.heightForWidth(320);
  EXPECT_EQ(oneRow, 24 + 6);
  state.setFilterTypes(
      {TypeFilter::text, TypeFilter::code, TypeFilter::image, TypeFilter::link, TypeFilter::color, TypeFilter::file});
  state.setFilterDate(DateFilter::last30Days);
  EXPECT_GE(bar.heightForWidth(320), 24 * 2 + 6 + 6);
}

// The bar comes and goes with the animation of the change: its room opens while the chips move
// down from under the strip and fade in, and the reverse; under reduced motion it takes its room
// at once and only fades. A change without an animation shows or hides it at once.
TEST(FilterStatusBarView, ComesAndGoesWithTheChangesAnimation) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    PanelHarness fake;
    fake.desktopAppearance->setReduceMotion(reduced);
    PanelState& state = *fake.state;
    QWidget host;
    FilterStatusBarView bar(*fake.context, state, &host);
    bar.resize(320, 0);
    int heightChanges = 0;
    QObject::connect(&bar, &FilterStatusBarView::shownHeightChanged, [&] { ++heightChanges; });

    withAnimation(Theme::springStandard(), [&] { state.setFilterTypes({TypeFilter::text}); });
    EXPECT_TRUE(bar.isPresent());
    EXPECT_FALSE(bar.isHidden());
    const int full = bar.heightForWidth(320);
    EXPECT_EQ(full, 24 + 6);
    EXPECT_EQ(bar.shownHeight(320), reduced ? full : 0);
    fake.clock->advance(0.08);
    const double early = bar.presence();
    EXPECT_GT(early, 0.05);
    EXPECT_LT(early, 0.95);
    if (reduced) {
      EXPECT_EQ(bar.shownHeight(320), full);
      EXPECT_EQ(bar.contentOffset(), 0);
    } else {
      EXPECT_NEAR(bar.shownHeight(320), full * early, 0.5);
      EXPECT_NEAR(bar.contentOffset(), -(1 - early) * full, 1e-6);
    }
    // What shows meanwhile is a fading picture of the chips; the chips themselves wait unseen.
    bar.resize(320, full);
    const QImage moving = widgetPicture(bar);
    int strongest = 0;
    for (int y = 0; y < moving.height(); ++y)
      for (int x = 0; x < moving.width(); ++x) strongest = std::max(strongest, qAlpha(moving.pixel(x, y)));
    EXPECT_GT(strongest, 0);
    FilterChipView* chip = bar.chipViews().at(0);
    EXPECT_FALSE(QRect(QPoint(), bar.size()).contains(chip->mapTo(&bar, chip->rect().center())));

    fake.clock->advance(1);
    EXPECT_NEAR(bar.presence(), 1, 1e-3);
    EXPECT_EQ(bar.shownHeight(320), full);
    EXPECT_EQ(bar.contentOffset(), 0);
    EXPECT_TRUE(QRect(QPoint(), bar.size()).contains(chip->mapTo(&bar, chip->rect().center())));
    const QImage settled = widgetPicture(bar);
    int settledStrongest = 0;
    for (int y = 0; y < settled.height(); ++y)
      for (int x = 0; x < settled.width(); ++x)
        settledStrongest = std::max(settledStrongest, qAlpha(settled.pixel(x, y)));
    EXPECT_LT(strongest, settledStrongest);

    // Removing the last filter: the chips leave as they looked, then the bar is gone.
    heightChanges = 0;
    withAnimation(Theme::springStandard(), [&] { bar.clearAllFilters(); });
    EXPECT_FALSE(bar.isPresent());
    EXPECT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.shownHeight(320), full);
    fake.drain();
    fake.clock->advance(0.08);
    EXPECT_GT(bar.presence(), 0.05);
    EXPECT_LT(bar.presence(), 0.95);
    EXPECT_EQ(bar.shownHeight(320), reduced ? full : int(std::lround(full * bar.presence())));
    fake.clock->advance(1);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.shownHeight(320), 0);
    EXPECT_GT(heightChanges, 2);  // the column followed it frame by frame

    // Without an animation it comes and goes at once.
    state.setFilterDate(DateFilter::today);
    EXPECT_EQ(bar.shownHeight(320), full);
    state.setFilterDate(std::nullopt);
    EXPECT_EQ(bar.shownHeight(320), 0);
    EXPECT_TRUE(bar.isHidden());
  }
}

// The chips leave as they were laid out at the bar's width, also when the bar was resized while
// hidden (its resize event still pending).
TEST(FilterStatusBarView, LeavingChipsArePicturedAtTheBarsWidth) {
  PanelHarness fake;
  PanelState& state = *fake.state;
  QWidget host;
  FilterStatusBarView bar(*fake.context, state, &host);
  state.setFilterTypes({TypeFilter::text, TypeFilter::image});
  bar.resize(320, bar.heightForWidth(320));
  withAnimation(Theme::springStandard(), [&] { bar.clearAllFilters(); });
  fake.clock->advance(0.02);
  const QImage leaving = widgetPicture(bar);
  // "Image", "Text", then "Clear All" from about 150 points on.
  int painted = 0;
  for (int x = 160; x < 220; ++x)
    for (int y = 0; y < leaving.height(); ++y) painted += qAlpha(leaving.pixel(x, y)) > 0;
  EXPECT_GT(painted, 20);
}
