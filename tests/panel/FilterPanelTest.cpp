#include "panel/CategoryForm.h"
#include "panel/FilterControls.h"
#include "panel/FilterPanel.h"
#include "panel/PanelTestSupport.h"
#include "support/state/StateTestSupport.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PanelMenu.h"
#include "ui/controls/TextInput.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>

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
  const CustomCategory work = fake.state->addCategory("Work", 1);
  const CustomCategory empty = fake.state->addCategory("Empty", 2);
  fake.state->setCategory(work.id, QUuid::createUuid());
  fake.state->setCategory(work.id, QUuid::createUuid());
  FilterPanelView panel(*fake.context, *fake.state);
  panel.selectTab(FilterTab::category);
  // A right click on the category's chip opens its menu, without blocking.
  auto openMenuOf = [&](const QString& label) -> PanelMenu* {
    const auto chips = panel.chips();
    const auto chip = std::find_if(chips.begin(), chips.end(),
                                   [&](FilterChip* c) { return c->props().label == label; });
    if (chip == chips.end()) return nullptr;
    const QPoint at = (*chip)->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, (*chip)->mapToGlobal(at));
    QApplication::sendEvent(*chip, &event);
    return qobject_cast<PanelMenu*>(fake.menuPresenter->lastMenu());
  };
  const QString deleteWork = QStringLiteral("Delete \"Work\"");
  PanelMenu* menu = openMenuOf("Work");
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(menu->rowTitled(deleteWork), nullptr);
  EXPECT_EQ(menu->rowTitled(deleteWork)->row().tint, systemRed(fake.environment().values()));

  fake.alerts->answer = 1;  // Cancel
  ASSERT_TRUE(fake.menuPresenter->choose(deleteWork));
  fake.drain();
  ASSERT_EQ(fake.alerts->shown.size(), 1);
  const AlertSpec asked = fake.alerts->shown.first();
  EXPECT_TRUE(asked.informativeText.contains("2 items"));
  EXPECT_EQ(asked.buttons.value(asked.destructiveButton), QStringLiteral("Delete"));
  EXPECT_EQ(asked.cancelButton, asked.returnButton);  // Return does not delete
  EXPECT_TRUE(fake.state->customCategories().contains(work));

  ASSERT_NE(openMenuOf("Work"), nullptr);
  fake.alerts->answer = 0;  // Delete
  ASSERT_TRUE(fake.menuPresenter->choose(deleteWork));
  fake.drain();
  EXPECT_FALSE(fake.state->customCategories().contains(work));

  // A category that holds nothing goes at once.
  ASSERT_NE(openMenuOf("Empty"), nullptr);
  ASSERT_TRUE(fake.menuPresenter->choose(QStringLiteral("Delete \"Empty\"")));
  fake.drain();
  EXPECT_FALSE(fake.state->customCategories().contains(empty));
  EXPECT_EQ(fake.alerts->shown.size(), 2);
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

// Clicking a colour dot or a chip leaves the focus in the name field: Return then submits.
TEST(FilterPanel, ClickingAColourDotKeepsTheFocusInTheNameSoReturnCreates) {
  PanelHarness fake;
  fake.state->setItems({textItem("a")});
  FilterPanelView panel(*fake.context, *fake.state);
  panel.resize(panel.sizeHint());
  panel.show();
  panel.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
  fake.state->requestNewCategoryForm(FilterSurface::panel);
  fake.scheduler->runPending();
  fake.clock->advanceFrames(90);
  fake.scheduler->runPending();
  QVTextField& name = panel.formView()->nameField();
  ASSERT_EQ(QApplication::focusWidget(), &name);
  QTest::keyClicks(&name, "Work");

  CategoryColorDot* dot = panel.formView()->dots()[3];
  QTest::mouseClick(dot, Qt::LeftButton, {}, dot->rect().center());
  fake.scheduler->runPending();
  EXPECT_EQ(panel.form().colorIndex(), 3);
  EXPECT_EQ(QApplication::focusWidget(), &name);
  FilterChip* pinned = panel.chips().front();
  QTest::mouseClick(pinned, Qt::LeftButton, {}, pinned->rect().center());
  fake.scheduler->runPending();
  EXPECT_EQ(QApplication::focusWidget(), &name);

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  ASSERT_EQ(fake.state->customCategories().size(), 1);
  EXPECT_EQ(fake.state->customCategories().first().name, "Work");
  EXPECT_EQ(fake.state->customCategories().first().colorIndex, 3);
}

TEST(FilterPanel, FormAndResetComeInMovingOrOnlyFading) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    PanelHarness fake;
    fake.desktopAppearance->setReduceMotion(reduced);
    fake.state->setItems({textItem("a")});
    FilterPanelView panel(*fake.context, *fake.state);
    panel.selectTab(FilterTab::category);
    fake.clock->advanceFrames(60);
    const QSize before = panel.sizeHint();

    panel.form().toggle();
    withAnimation(Theme::springStandard(), [&] { fake.state->setFilterTypes({TypeFilter::text}); });
    fake.clock->advance(0.05);
    EXPECT_GT(panel.formPresence(), 0);
    EXPECT_LT(panel.formPresence(), 1);
    EXPECT_GT(panel.resetPresence(), 0);
    EXPECT_LT(panel.resetPresence(), 1);
    EXPECT_EQ(panel.resetButton()->transitionOpacity(), panel.resetPresence());
    if (reduced) EXPECT_EQ(panel.resetButton()->transitionScale(), 1);
    else EXPECT_LT(panel.resetButton()->transitionScale(), 1);
    // The cards grow with the form and the reset button; the size asked for is already the settled one.
    const auto bottom = [&] {
      return std::max(panel.contentCardRect().bottom(), panel.railCardRect().bottom()) + FilterPanelView::kShadowRoom;
    };
    EXPECT_GT(panel.sizeHint().height(), before.height());
    EXPECT_LT(bottom(), panel.sizeHint().height() - 1);

    fake.clock->advanceFrames(90);
    EXPECT_NEAR(panel.formPresence(), 1, 1e-3);
    EXPECT_EQ(panel.formView()->pos(), QPoint(0, 0));
    EXPECT_NEAR(bottom(), panel.sizeHint().height(), 1);
    EXPECT_EQ(panel.resetButton()->transitionScale(), 1);
  }
}

TEST(FilterPanel, ChipsFadeInAndGlideToTheirNewPlaces) {
  PanelHarness fake;
  FilterPanelView panel(*fake.context, *fake.state);
  ASSERT_EQ(panel.tab(), FilterTab::category);
  FilterChip* newChip = panel.chips().back();
  const QPoint from = newChip->pos();
  withAnimation(Theme::springStandard(), [&] { fake.state->addCategory("A rather long category name", 2); });
  ASSERT_EQ(panel.chips().back(), newChip);  // the same chip, moved on
  FilterChip* added = panel.chips()[1];
  fake.clock->advance(0.05);
  EXPECT_GT(added->presence(), 0);
  EXPECT_LT(added->presence(), 1);
  EXPECT_NE(newChip->pos(), from);
  fake.clock->advanceFrames(90);
  EXPECT_NEAR(added->presence(), 1, 1e-3);
  EXPECT_NE(newChip->pos(), from);
  EXPECT_EQ(newChip->geometry(), QRect(newChip->pos(), newChip->size()));
}

TEST(FilterPanel, RailFollowsTheEdgeSideAndTheCardsStandOnTheMaterialWithAShadow) {
  PanelHarness fake;
  fake.state->setEdgeSide("left");
  FilterPanelView panel(*fake.context, *fake.state);
  EXPECT_EQ(panel.sizeHint().width(), FilterPanelView::kRailWidth + FilterPanelView::kGap +
                                          FilterPanelView::kCardWidth + 2 * FilterPanelView::kShadowRoom);
  EXPECT_LT(panel.railCardRect().left(), panel.contentCardRect().left());
  fake.state->setEdgeSide("right");
  EXPECT_GT(panel.railCardRect().left(), panel.contentCardRect().left());

  panel.resize(panel.sizeHint());
  const QRectF card = panel.contentCardRect();
  const QPoint inside = (card.bottomRight() - QPointF(30, 8)).toPoint();
  const QPoint below(int(card.center().x()), int(card.bottom()) + 4);
  for (const bool compositor : {false, true}) {
    panel.setTranslucency({.compositor = compositor, .blurBehind = true});
    QImage image(panel.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panel.render(&image, {}, {}, QWidget::DrawWindowBackground);
    EXPECT_EQ(qAlpha(image.pixel(inside)) == 255, !compositor);
    EXPECT_GT(qAlpha(image.pixel(inside)), 150);
    EXPECT_GT(qAlpha(image.pixel(below)), 0);  // the low shadow falls under the card
  }
}
