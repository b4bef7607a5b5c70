#include "panel/FilterControls.h"
#include "panel/FilterPanel.h"
#include "panel/PanelTestSupport.h"
#include "support/StateTestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::PanelHarness;
using qv::test::textItem;

namespace {

QStringList chipLabels(const FilterPanelView& panel) {
  QStringList out;
  for (FilterChip* chip : panel.chips()) out << chip->props().label + (chip->props().isOn ? "*" : "");
  return out;
}

}  // namespace

TEST(FilterPanel, EmptyHistoryOpensOnCategoryWithOtherTabsDisabled) {
  PanelHarness fake;
  FilterPanelView panel(*fake.context, *fake.state);
  EXPECT_EQ(panel.tab(), FilterTab::category);
  for (FilterTab tab : {FilterTab::type, FilterTab::app, FilterTab::date}) {
    EXPECT_FALSE(tabHasContent(*fake.state, tab));
    EXPECT_EQ(panel.railHelp(tab), title(tab) + " \u2014 nothing to filter yet");
  }
  EXPECT_EQ(chipLabels(panel).first(), "Pinned");
  EXPECT_EQ(chipLabels(panel).last(), "New");
}

TEST(FilterPanel, DateChipsFollowTheManualClock) {
  PanelHarness fake;
  const QDateTime now = fake.scheduler->now();
  fake.state->setItems({textItem("a", "org.example.Editor", now.addSecs(-3600))});
  FilterPanelView panel(*fake.context, *fake.state);
  panel.selectTab(FilterTab::date);
  EXPECT_TRUE(chipLabels(panel).contains("Today"));
  EXPECT_TRUE(chipLabels(panel).contains("Last 30 days"));
  EXPECT_FALSE(chipLabels(panel).contains("Yesterday"));
  // Forty days on, nothing matches: the tab empties, except for a chosen date that stays to be cleared.
  fake.state->setFilterDate(DateFilter::today);
  fake.scheduler->setWallClock(now.addDays(40));
  EXPECT_TRUE(tabHasContent(*fake.state, FilterTab::date));
  EXPECT_TRUE(dateIsAvailable(*fake.state, DateFilter::today));
  EXPECT_FALSE(dateIsAvailable(*fake.state, DateFilter::last30Days));
  fake.state->setFilterDate(std::nullopt);
  EXPECT_FALSE(tabHasContent(*fake.state, FilterTab::date));
}

TEST(FilterPanel, DotsAndReset) {
  PanelHarness fake;
  fake.state->setItems({textItem("a")});
  FilterPanelView panel(*fake.context, *fake.state);
  EXPECT_EQ(panel.tab(), FilterTab::type);
  EXPECT_EQ(chipLabels(panel), QStringList({"Text"}));
  EXPECT_FALSE(resetIsShown(*fake.state));
  fake.state->setActiveFilter(FilterType::pinned());
  EXPECT_TRUE(tabShowsDot(*fake.state, FilterTab::type));
  EXPECT_FALSE(tabShowsDot(*fake.state, FilterTab::category));
  EXPECT_TRUE(resetIsShown(*fake.state));
  fake.state->setFilterTypes({TypeFilter::image});  // set but with no items: stays to be turned off
  EXPECT_EQ(chipLabels(panel), QStringList({"Text", "Image*"}));
  resetAllFilters(*fake.state);
  EXPECT_TRUE(fake.state->filterTypes().isEmpty());
  EXPECT_EQ(fake.state->activeFilter(), FilterType::all());
  EXPECT_FALSE(resetIsShown(*fake.state));
}

TEST(FilterPanel, DeletingACategoryWithItemsAsksNamingTheCount) {
  PanelHarness fake;
  FilterPanelView panel(*fake.context, *fake.state);
  const CustomCategory work = fake.state->addCategory("Work", 1);
  fake.state->setCategory(work.id, QUuid::createUuid());
  fake.state->setCategory(work.id, QUuid::createUuid());
  QString asked;
  bool answer = false;
  panel.confirmDeletion = [&](const QString& question) {
    asked = question;
    return answer;
  };
  panel.deleteCategoryAsking(work.id);
  EXPECT_TRUE(asked.contains("2 items"));
  EXPECT_TRUE(fake.state->customCategories().contains(work));
  answer = true;
  panel.deleteCategoryAsking(work.id);
  EXPECT_FALSE(fake.state->customCategories().contains(work));
}

TEST(FilterPanel, RequestOpensTheFormOnTheCategoryTab) {
  PanelHarness fake;
  fake.state->setItems({textItem("a")});
  FilterPanelView panel(*fake.context, *fake.state);
  fake.state->requestNewCategoryForm(FilterSurface::panel);
  fake.scheduler->runPending();
  EXPECT_EQ(panel.tab(), FilterTab::category);
  EXPECT_FALSE(panel.formView()->isHidden());
  EXPECT_EQ(chipLabels(panel).last(), "Cancel");
}
