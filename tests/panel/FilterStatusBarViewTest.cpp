#include "panel/FilterControls.h"
#include "panel/FilterStatusBarView.h"
#include "panel/PanelTestSupport.h"

#include <gtest/gtest.h>
#include <QTest>

using namespace qv;
using qv::test::PanelHarness;

namespace {

QStringList labels(const FilterStatusBarView& bar) {
  QStringList out;
  for (FilterChipView* chip : bar.chipViews()) out << chip->chip().label;
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
  EXPECT_EQ(bar.layout()->itemAt(bar.layout()->count() - 1)->widget(), bar.clearAllButton());
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
