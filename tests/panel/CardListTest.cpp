#include "panel/CardScrollView.h"
#include "panel/GroupChevron.h"

#include "../cards/CardContentTestSupport.h"
#include "support/state/StateTestSupport.h"
#include "support/ui/WindowPointer.h"

#include "platform/SettingsStore.h"
#include "platform/fake/FakeScheduler.h"
#include "state/PanelState.h"

#include "cards/badges/BadgePill.h"
#include "cards/badges/CardOverlay.h"
#include "cards/badges/CardQuickActions.h"
#include "panel/CardCellView.h"
#include "ui/fx/ItemBlurEffect.h"

#include <gtest/gtest.h>
#include <QTest>
#include <QWheelEvent>
#include <functional>

using namespace qv;
using namespace qv::cardList;

namespace {

constexpr CardGroup T = CardGroup::today, Y = CardGroup::yesterday, W = CardGroup::thisWeek, E = CardGroup::earlier;

struct LayoutCase {
  const char* name;
  std::vector<CardGroup> groups;
  QSet<QString> collapsed;
  bool grouping;
  int sections;
  double estimate;
};

TEST(CardListLayout, SectionsHeadersCollapseAndHeightCap) {
  const LayoutCase cases[] = {
      {"empty history", {}, {}, false, 0, 160},
      {"all today, even collapsed", {T, T, T}, {"Today"}, false, 1, 28 + 3 * 254},
      {"today and yesterday", {T, T, Y}, {}, true, 2, 28 + 2 * 35 + 3 * 254},
      {"yesterday collapsed", {T, T, Y}, {"Yesterday"}, true, 2, 28 + 2 * 35 + 2 * 254},
      {"runs, not buckets", {T, Y, T}, {"Today"}, true, 3, 28 + 3 * 35 + 254},
      {"every group", {T, Y, W, E, E}, {"Earlier", "This Week"}, true, 4, 28 + 4 * 35 + 2 * 254},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Layout layout = layOut(c.groups, c.collapsed);
    EXPECT_EQ(layout.usesGrouping, c.grouping);
    EXPECT_EQ(int(layout.sections.size()), c.sections);
    EXPECT_EQ(layout.estimatedHeight, c.estimate);
    // Settled collapses: what scrolls is what the estimate says.
    EXPECT_EQ(layout.contentHeight, c.estimate);
  }
  const Layout runs = layOut({T, Y, T}, {"Today"});
  EXPECT_EQ(runs.sections[2].title, "Today");
  EXPECT_TRUE(runs.sections[2].collapsed);
  EXPECT_EQ(runs.sections[2].firstIndex, 2);
  EXPECT_EQ(runs.cardRect(1, 320), QRectF(20, 8 + 2 * 35, 280, 240));
}

TEST(CardListLayout, OnlyTheCardsAnOpenSectionReachesAreInRange) {
  std::vector<CardGroup> groups(100000, E);
  for (int i = 0; i < 10; ++i) groups[size_t(i)] = T;
  const Layout open = layOut(groups, {});
  // Header 8..43, cards of Today from 43; rows 500..1000 see cards 1..3.
  EXPECT_EQ(open.cardsBetween(500, 1000), (std::vector<std::pair<int, int>>{{1, 4}}));
  const double end = open.contentHeight;
  EXPECT_EQ(open.cardsBetween(end - 300, end).back().second, 100000);
  const Layout half = layOut(groups, {"Today"}, {{"Today", 0.5}});
  // Half way through collapsing, Today shows five of its ten cards and Earlier follows it.
  EXPECT_EQ(half.sections[0].cardsHeight, 5 * 254);
  EXPECT_EQ(half.cardsBetween(0, 2000).front(), std::make_pair(0, 5));
  EXPECT_EQ(half.sections[1].top, 8 + 35 + 5 * 254);
  EXPECT_EQ(half.estimatedHeight, 28 + 70 + 99990 * 254);
}

TEST(CardListLayout, GroupBoundariesAgreeWithTheCalendar) {
  for (const char* start : {"2026-03-04T10:00:00", "2026-03-01T00:30:00", "2026-12-31T23:59:00"}) {
    const QDateTime now = QDateTime::fromString(QString::fromLatin1(start), Qt::ISODate);
    const DateGrouper grouper(now);
    for (int hours = -24 * 12; hours <= 24 * 3; hours += 5) {
      const QDateTime at = now.addSecs(hours * 3600);
      EXPECT_EQ(grouper.groupOf(at), cardGroup(at, now)) << start << " " << hours;
    }
  }
}

// The groups kept for a history answer as grouping the filtered list item by item does: for all
// of it, for searches of it, after the day turned, and for a history changed in place.
TEST(CardListLayout, KeptHistoryGroupsAgreeWithGroupingEachItem) {
  const QDateTime now = QDateTime::fromString(QStringLiteral("2026-03-04T10:00:00"), Qt::ISODate);
  QList<ClipboardItem> history;
  for (int i = 0; i < 400; ++i)
    history.append(test::textItem(QStringLiteral("item %1").arg(i), QStringLiteral("org.example.Editor"),
                                  now.addSecs(-i * 3 * 3600)));
  QList<qint32> everyThird, firstFew = {0, 1, 9, 30};
  for (qint32 i = 0; i < history.size(); i += 3) everyThird.append(i);
  HistoryGroups kept;
  const auto agree = [&](const FilteredItems& items, const DateGrouper& grouper) {
    EXPECT_EQ(kept.groupsOf(items, grouper), groupsOf(items, grouper));
  };
  const DateGrouper today(now), tomorrow(now.addDays(1));
  for (const DateGrouper& grouper : {today, today, tomorrow}) {
    agree(FilteredItems(history), grouper);
    agree(FilteredItems(history, everyThird), grouper);
    agree(FilteredItems(history, firstFew), grouper);
  }
  agree(FilteredItems(history, firstFew), today);
  history[1].capturedAt = now.addDays(-30);  // a copy of the history, changed
  agree(FilteredItems(history, everyThird), today);
  agree(FilteredItems(history, firstFew), today);
  agree(FilteredItems(history), today);
}

TEST(CardListLayout, FadesWidenBeyondContentAndNeverSqueezeBelowFortyNinePoints) {
  const auto stops = fadeStops(24, 8, 100);
  EXPECT_EQ(stops.size(), 10u);
  EXPECT_DOUBLE_EQ(stops[4].first, 0.24);
  EXPECT_DOUBLE_EQ(stops[5].first, 0.92);
  EXPECT_DOUBLE_EQ(fadeStops(8, 8, 20)[4].first, 8.0 / 49);
}

TEST(CardListEmptyState, WordingByWhatHidesTheItems) {
  EXPECT_EQ(emptyListState(true, "abc").title, "Nothing copied yet");
  EXPECT_EQ(emptyListState(false, "abc").title, "No results");
  EXPECT_EQ(emptyListState(false, "   ").subtitle, "Try a different search");
  EXPECT_EQ(emptyListState(false, "").title, "No matching items");
  EXPECT_EQ(emptyListState(false, "").symbol, "line.3.horizontal.decrease.circle");
}

TEST(LiveScrollTracker, ScrollsFromTheFirstEventUntilTheWheelIsQuietAndAnimationsEnd) {
  auto scheduler = std::make_shared<FakeScheduler>();
  LiveScrollTracker tracker(scheduler);
  int entered = 0;
  tracker.setOnEnterScroll([&] { ++entered; });
  tracker.noteScrollEvent();
  scheduler->advance(0.1);
  tracker.noteScrollEvent();
  scheduler->advance(0.1);
  EXPECT_TRUE(tracker.isScrolling());
  EXPECT_EQ(entered, 1);
  tracker.setAnimating(true);
  scheduler->advance(0.1);
  EXPECT_TRUE(tracker.isScrolling());  // quiet wheel, animation still running
  tracker.setAnimating(false);
  EXPECT_FALSE(tracker.isScrolling());
  tracker.noteScrollEvent();
  EXPECT_EQ(entered, 2);
}

class CardScrollViewTest : public ::testing::Test {
 protected:
  CardScrollViewTest() : state(*fake.context) {}
  void show(const QList<ClipboardItem>& items, int height = 900) {
    state.setIsVisible(true);  // the panel is on screen
    state.setItems(items);
    list = std::make_unique<CardScrollView>(*fake.context, state);
    list->setAvailableRect(QRectF(0, 0, 320, height));
    fake.advanceBoth(0.5);
  }
  QList<ClipboardItem> items(int count, int yesterdayFrom = -1) {
    QList<ClipboardItem> made;
    const QDateTime now = fake.scheduler->now();
    for (int i = 0; i < count; ++i)
      made << test::textItem(QString("copied text %1").arg(i), "org.example.Editor",
                             yesterdayFrom >= 0 && i >= yesterdayFrom ? now.addDays(-1) : now);
    return made;
  }
  CardCellView* cellAt(int index) const { return static_cast<CardCellView*>(list->realisedCards().value(index)); }
  // Where a point of `item` shows in the list's viewport.
  QPoint viewportPoint(const QGraphicsItem& item, QPointF point) const {
    return list->mapFromScene(item.mapToScene(point));
  }
  // The index of the realised card whose rectangle holds `viewportPoint`; -1 for none.
  int indexUnder(QPoint viewportPoint) const {
    const QPointF scene = list->mapToScene(viewportPoint);
    for (auto it = list->realisedCards().begin(); it != list->realisedCards().end(); ++it)
      if (it.value()->isVisible() && it.value()->sceneBoundingRect().contains(scene) &&
          it.value()->rect().contains(it.value()->mapFromScene(scene)))
        return it.key();
    return -1;
  }
  // Moves the pointer to `viewportPoint` (a move to where the window system last saw the pointer
  // is not delivered, so it comes from one point beside).
  void pointAt(QPoint viewportPoint) {
    QTest::mouseMove(list->windowHandle(), windowPoint(viewportPoint + QPoint(0, 1)));
    QTest::mouseMove(list->windowHandle(), windowPoint(viewportPoint));
  }
  // A click as the window system delivers it (a right click also asks for the context menu).
  void click(QPoint viewportPoint, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(list->windowHandle(), button, {}, windowPoint(viewportPoint));
  }
  QPoint windowPoint(QPoint viewportPoint) const { return list->viewport()->mapTo(list->window(), viewportPoint); }
  // One wheel notch (120) or part of one at `viewportPoint`, as the window system delivers it.
  void wheel(QPoint viewportPoint, int angle) {
    const QPointF global = list->viewport()->mapToGlobal(viewportPoint);
    QWheelEvent event(viewportPoint, global, {}, QPoint(0, angle), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list->viewport(), &event);
  }
  // Exactly the card at `index` is hovered (lifted, showing its row, the state's hovered item);
  // none for -1.
  void expectHoverOnly(int index, bool settled = true) {
    for (auto it = list->realisedCards().begin(); it != list->realisedCards().end(); ++it) {
      auto* cell = static_cast<CardCellView*>(it.value());
      SCOPED_TRACE(it.key());
      EXPECT_EQ(cell->isCellHovered(), it.key() == index);
      EXPECT_EQ(cell->quickActions().props().isHovering, it.key() == index);
      if (settled && !cell->isSelected()) {
        EXPECT_DOUBLE_EQ(cell->liftProgress(), it.key() == index ? 1 : 0);
      }
    }
    if (index < 0) EXPECT_EQ(state.hoveredItem(), std::nullopt);
    else EXPECT_EQ(state.hoveredItem(), state.items()[index]);
  }
  test::FakeCardContext fake;
  PanelState state;
  std::unique_ptr<CardScrollView> list;
};

TEST_F(CardScrollViewTest, AHugeHistoryRealisesOnlyTheCardsNearTheVisiblePart) {
  show(items(100000));
  EXPECT_EQ(list->height(), 900);
  EXPECT_LE(list->cardItemCount(), 12);
  EXPECT_TRUE(list->realisedCards().contains(0));
  list->scrollTo(1e9);
  fake.advanceBoth(0.3);
  EXPECT_TRUE(list->realisedCards().contains(99999));
  EXPECT_FALSE(list->realisedCards().contains(0));
  EXPECT_LE(list->cardItemCount(), 12);
  EXPECT_EQ(list->topFade(), 24);
  EXPECT_EQ(list->bottomFade(), 8);
}

TEST_F(CardScrollViewTest, CollapsingASectionShrinksItOverAQuarterSecondAndPersists) {
  show(items(4, 2), 1200);
  ASSERT_TRUE(list->layout().usesGrouping);
  EXPECT_EQ(list->height(), 28 + 70 + 4 * 254);
  SectionHeaderItem* today = list->header(0);
  ASSERT_NE(today, nullptr);
  EXPECT_EQ(today->chevron().accessibility().name, "Collapse");
  today->chevron().accessibility().press();
  EXPECT_TRUE(state.collapsedGroups().contains("Today"));
  EXPECT_TRUE(fake.context->settings->hasStoredValue(PanelState::kCollapsedGroupsKey));
  fake.advanceBoth(0.13);
  const double half = list->layout().sections[0].openness;
  EXPECT_GT(half, 0.2);
  EXPECT_LT(half, 0.8);
  EXPECT_LT(list->header(0)->chevron().rotation(), -20);
  EXPECT_GT(list->header(0)->chevron().rotation(), -70);
  fake.advanceBoth(0.2);
  EXPECT_EQ(list->layout().sections[0].openness, 0);
  EXPECT_EQ(list->header(0)->chevron().rotation(), -90);
  EXPECT_EQ(list->header(0)->chevron().accessibility().name, "Expand");
  EXPECT_EQ(list->height(), 28 + 70 + 2 * 254);
  EXPECT_EQ(list->header(1)->pos().y(), 8 + 35);
}

TEST_F(CardScrollViewTest, SelectionScrollsToTheCentreUnlessTheUserScrolls) {
  show(items(50));
  state.setSelectedIndex(10);
  fake.advanceBoth(1.5);
  EXPECT_NEAR(list->scrollOffset(), 8 + 10 * 254 + 120 - 450, 0.5);
  QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), {}, QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase,
                    false);
  QCoreApplication::sendEvent(list->viewport(), &wheel);
  EXPECT_TRUE(list->isScrolling());
  EXPECT_FALSE(list->isInteractive());
  const double scrolled = list->scrollOffset();
  state.setSelectedIndex(30);
  fake.advanceBoth(0.1);
  EXPECT_EQ(list->scrollOffset(), scrolled);
  fake.advanceBoth(0.2);
  EXPECT_FALSE(list->isScrolling());
  EXPECT_TRUE(list->isInteractive());
}

TEST_F(CardScrollViewTest, EmptyHistoryTakesTheEmptyStateHeight) {
  show({});
  EXPECT_EQ(list->height(), 160);
  EXPECT_EQ(list->cardItemCount(), 0);
}

}  // namespace

namespace {

// A new item fades in (and grows in, unless motion is reduced); an item that leaves fades out and
// its card goes back to the spares.
TEST_F(CardScrollViewTest, InsertionsAndRemovalsTransitionOpacityOnlyUnderReduceMotion) {
  for (bool reduce : {false, true}) {
    SCOPED_TRACE(reduce);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduce);
    show(items(3));
    QList<ClipboardItem> more = state.items();
    const ClipboardItem leaving = more.takeLast();
    PaintedItem* leavingCard = list->realisedCards().value(2);
    more.prepend(test::textItem("fresh"));
    state.setItems(more);
    fake.advanceBoth(0.13);
    PaintedItem* fresh = list->realisedCards().value(0);
    ASSERT_NE(fresh, nullptr);
    EXPECT_GT(fresh->opacity(), 0.1);
    EXPECT_LT(fresh->opacity(), 0.9);
    EXPECT_EQ(fresh->scale() == 1, reduce);
    EXPECT_LT(leavingCard->opacity(), 0.9);
    EXPECT_EQ(leavingCard->scale() == 1, reduce);
    fake.advanceBoth(0.3);
    EXPECT_EQ(fresh->opacity(), 1);
    EXPECT_FALSE(leavingCard->isVisible());
    EXPECT_EQ(list->cardItemCount(), 3);
  }
}

// While the panel is hidden the list leaves copies alone; the next show lays them out.
TEST_F(CardScrollViewTest, AHiddenPanelsListCatchesUpOnTheNextShow) {
  show(items(2));
  state.setIsVisible(false);
  QList<ClipboardItem> more = state.items();
  more.prepend(test::textItem("copied while hidden"));
  state.setItems(more);
  fake.advanceBoth(0.5);
  EXPECT_EQ(list->cardItemCount(), 2);
  state.setIsVisible(true);
  fake.advanceBoth(0.5);
  EXPECT_EQ(list->cardItemCount(), 3);
}

}  // namespace

// Real pointer events on the shown list: hover a card, wheel until another card is under the
// pointer, nudge the pointer and click the quick actions' Delete: the card under the pointer goes.
TEST_F(CardScrollViewTest, DeleteAfterAWheelScrollRemovesTheCardUnderThePointer) {
  show(items(40));
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  const QPoint pointer = viewportPoint(*cellAt(1), cellAt(1)->rect().center());
  pointAt(pointer);
  fake.advanceBoth(0.5);
  ASSERT_EQ(state.hoveredItem(), state.items()[1]);
  // A quick run of notches, with the pointer nudged before the wheel is quiet.
  for (int notch = 0; notch < 25; ++notch) wheel(pointer, -120);
  pointAt(pointer + QPoint(2, 1));
  fake.advanceBoth(1.0);
  const int under = indexUnder(pointer + QPoint(2, 1));
  ASSERT_GT(under, 1);
  EXPECT_EQ(state.hoveredItem(), state.items()[under]);
  const ClipboardItem expected = state.items()[under];
  ASSERT_FALSE(cellAt(under)->quickActions().buttons().empty());
  QuickActionButton* remove = cellAt(under)->quickActions().buttons().back();
  ASSERT_EQ(remove->props().help, "Delete");
  pointAt(viewportPoint(*remove, remove->rect().center()));
  fake.advanceBoth(0.3);
  click(viewportPoint(*remove, remove->rect().center()));
  EXPECT_FALSE(state.items().contains(expected));
  EXPECT_EQ(state.items().size(), 39);
}

// The pointer on the first card's Delete: a click deletes it and the next card slides up into
// its place, its Delete under the resting pointer. A second click there (a double-click, or 0.15
// to 1 s later) deletes nothing more; once the pointer moves, that Delete works at once.
TEST_F(CardScrollViewTest, ASecondClickOnADeleteThatSlidUnderTheRestingPointerDeletesNothing) {
  for (const int afterMs : {test::WindowPointer::doubleClickMs(), 150, 300, 500, 1000}) {
    SCOPED_TRACE(afterMs);
    show(items(6));
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    test::WindowPointer pointer(*list->viewport());
    pointer.moveTo(viewportPoint(*cellAt(0), cellAt(0)->rect().center()));
    fake.advanceBoth(0.5);
    QuickActionButton* remove = cellAt(0)->quickActions().buttons().back();
    ASSERT_EQ(remove->props().help, "Delete");
    const QPoint onDelete = viewportPoint(*remove, remove->rect().center());
    pointer.moveTo(onDelete);
    fake.advanceBoth(0.3);
    const ClipboardItem second = state.items()[1];
    pointer.click(onDelete);
    EXPECT_EQ(state.items().size(), 5);
    fake.advanceBoth(afterMs / 1000.0);
    pointer.click(onDelete, afterMs);
    fake.advanceBoth(1);
    EXPECT_EQ(state.items().size(), 5);
    ASSERT_EQ(indexUnder(onDelete), 0);
    EXPECT_EQ(state.items()[0], second);
    pointer.moveTo(onDelete);
    pointer.click(onDelete);
    EXPECT_EQ(state.items().size(), 4) << "the pointer moved onto the Delete that came";
    EXPECT_FALSE(state.items().contains(second));
  }
}

// A wheel scroll moves the cards under a pointer that does not move: nothing is hovered while
// the user scrolls, then the card under the pointer is, and no card that went off screen or was
// recycled stays lifted. An open preview follows the hover, never a card off screen.
TEST_F(CardScrollViewTest, HoverFollowsTheRestingPointerThroughAScroll) {
  show(items(40));
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  state.setPreviewItemID(state.items()[0].id);
  const QPoint pointer = viewportPoint(*cellAt(1), cellAt(1)->rect().center());
  pointAt(pointer);
  fake.advanceBoth(0.5);
  expectHoverOnly(1);
  for (const int notches : {1, 25, 3}) {
    SCOPED_TRACE(notches);
    for (int notch = 0; notch < notches; ++notch) wheel(pointer, -120);
    expectHoverOnly(-1, false);
    fake.advanceBoth(1.0);
    const int under = indexUnder(pointer);
    ASSERT_GE(under, 0);
    expectHoverOnly(under);
    EXPECT_EQ(state.previewItemID(), state.items()[under].id);
  }
}

// A card's menu takes the pointer; when it closes, the hover is where the pointer is then.
TEST_F(CardScrollViewTest, AClosedCardMenuLeavesTheHoverWhereThePointerIs) {
  show(items(10));
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  const QPoint onSecond = viewportPoint(*cellAt(1), cellAt(1)->rect().center());
  const QPoint onFirst = viewportPoint(*cellAt(0), cellAt(0)->rect().center());
  const struct {
    const char* name;
    QPoint pointerAfter;  // in the viewport
    int hovered;
  } cases[] = {
      {"outside the panel", {-400, 300}, -1},
      {"over another card", onFirst, 0},
      {"where it was", onSecond, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pointAt(onSecond);
    fake.advanceBoth(0.5);
    expectHoverOnly(1);
    const int menus = fake.menuPresenter->popUps();
    click(onSecond, Qt::RightButton);
    ASSERT_EQ(fake.menuPresenter->popUps(), menus + 1);
    fake.screens->setPointer(list->viewport()->mapToGlobal(c.pointerAfter));
    fake.menuPresenter->dismiss();
    QCoreApplication::processEvents();
    fake.advanceBoth(0.5);
    expectHoverOnly(c.hovered);
  }
}

// The list shows, or slides in, under a pointer at rest (it last moved over a window that has
// closed since): no move comes, yet the card under the pointer is hovered once the list is in
// place, not only after the pointer moves.
TEST_F(CardScrollViewTest, AListThatComesUnderARestingPointerHoversTheCardUnderIt) {
  const struct {
    const char* name;
    bool slides;         // the panel's presentation runs until the list is in place
    int shownAwayBy;     // how far the list was from its place when it showed
    bool enteredOnShow;  // the window system said the pointer entered as the window showed
  } cases[] = {
      {"shown in place", false, 0, true},
      {"slid in, the pointer on the list from the start", true, 0, true},
      {"slid in from beside the pointer", true, 400, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    show(items(10));
    list->move(100, 100);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    const QPoint inPlace = list->pos();
    const QPoint resting = list->viewport()->mapToGlobal(viewportPoint(*cellAt(1), cellAt(1)->rect().center()));
    fake.screens->setPointer(resting);
    state.setIsPresenting(c.slides);
    list->move(inPlace + QPoint(c.shownAwayBy, 0));
    QCoreApplication::processEvents();
    test::WindowPointer pointer(*list->viewport());
    if (c.enteredOnShow) pointer.restsOnArrivalAt(list->viewport()->mapFromGlobal(resting));
    fake.advanceBoth(0.5);
    if (c.slides) {
      expectHoverOnly(-1, false);
      list->move(inPlace);
      QCoreApplication::processEvents();
      state.setIsPresenting(false);
      fake.advanceBoth(0.5);
    }
    expectHoverOnly(1);
  }
}

// The first click selects the fourth card and scrolls it to the middle, which moves the fifth
// under the pointer before the second click: the double click still pastes the fourth.
TEST_F(CardScrollViewTest, ADoubleClickPastesTheCardThatTookTheFirstClick) {
  QList<ClipboardItem> pasted;
  state.setPasteAction([&](const ClipboardItem& item, bool) { pasted << item; });
  show(items(40), 1000);
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  const QPoint at = viewportPoint(*cellAt(3), {140, 200});
  click(at);
  EXPECT_EQ(state.selectedIndex(), 3);
  fake.advanceBoth(0.25);
  ASSERT_GT(indexUnder(at), 3);
  click(at);
  EXPECT_EQ(pasted, QList<ClipboardItem>{state.items()[3]});

  // Two clicks on two cards that stay where they are remain two single clicks.
  pasted.clear();
  fake.advanceBoth(2);
  const QPoint other = viewportPoint(*cellAt(2), {140, 120});
  click(other);
  fake.advanceBoth(0.1);
  click(viewportPoint(*cellAt(3), {140, 120}));
  EXPECT_TRUE(pasted.isEmpty());
}

// The first press takes a card's pin badge, which narrows the list to the pinned items and so
// moves another place of the list under the pointer: the second press of the double-click pastes
// nothing, the first having taken no card's body.
TEST_F(CardScrollViewTest, ADoubleClickWhoseFirstPressTookAPinBadgePastesNothing) {
  QList<ClipboardItem> pasted;
  state.setPasteAction([&](const ClipboardItem& item, bool) { pasted << item; });
  show(items(10));
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  state.togglePin(state.items()[3].id);
  fake.advanceBoth(0.5);
  BadgePill* pin = nullptr;
  for (BadgePill* badge : cellAt(3)->card().overlay()->badges())
    if (badge->props().icon.contains(QStringLiteral("pin"))) pin = badge;
  ASSERT_NE(pin, nullptr);
  ASSERT_TRUE(pin->hasAction());
  const QPoint at = viewportPoint(*pin, pin->boundingRect().center());
  pointAt(at);
  fake.advanceBoth(0.5);
  click(at);
  ASSERT_TRUE(state.isBadgeFilterActive(BadgeFilter::pinned()));
  fake.advanceBoth(0.1);
  ASSERT_NE(indexUnder(at), 3);
  click(at);
  fake.advanceBoth(1);
  EXPECT_TRUE(pasted.isEmpty());
}

namespace {

// A card carries a transition's look as a graphics item applies it (a scale around an origin,
// then the rest): it lands where Fx's transform puts it, blurred only while the look blurs.
TEST(CardHostLook, ACardLandsWhereTheLooksTransformPutsItAndBlursOnlyWithIt) {
  test::FakeCardContext fake;
  PanelState state(*fake.context);
  CardTapMemory taps;
  CardCellView card(*fake.context, state, taps);
  const QRectF bounds = card.rect();
  const struct {
    const char* name;
    Fx::LayerLook look;
  } cases[] = {
      {"blown away halfway, the list's throw", Fx::blowAway(bounds, 0.5, Fx::kBlowAwayTravel)},
      {"blown away at the end, the grid's throw", Fx::blowAway(bounds, 1, 1)},
      {"coming in by blur-scale", Fx::blurScale(bounds, 0.93, {0.5, 0.5}, 7, 0.3)},
      {"at rest", Fx::LayerLook{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cardHost::applyLook(card, c.look, 0.5);
    for (const QPointF corner : {bounds.topLeft(), bounds.bottomRight(), bounds.center()}) {
      const QPointF expected = c.look.transform.map(corner);
      EXPECT_NEAR(card.sceneTransform().map(corner).x(), expected.x(), 1e-6);
      EXPECT_NEAR(card.sceneTransform().map(corner).y(), expected.y(), 1e-6);
    }
    EXPECT_DOUBLE_EQ(card.opacity(), c.look.opacity * 0.5);
    auto* blur = qobject_cast<Fx::ItemBlurEffect*>(card.graphicsEffect());
    EXPECT_EQ(blur != nullptr, c.look.blur > 0);
    if (blur) {
      EXPECT_DOUBLE_EQ(blur->radius(), c.look.blur);
    }
  }
}

// The list's transitions halfway through: a new card comes in by blur-scale, a removed one is
// blown away (shrunk, turned, thrown, blurred), the cards below glide up into its place. Under
// reduce motion they only fade, and the cards below take their places at once.
TEST_F(CardScrollViewTest, CardsComeInByBlurScaleAndLeaveBlownAway) {
  for (const bool reduce : {false, true}) {
    SCOPED_TRACE(reduce);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduce);
    show(items(4));
    PaintedItem* leaving = list->realisedCards().value(1);
    PaintedItem* below = list->realisedCards().value(2);
    const QPointF belowWas = below->pos();
    QList<ClipboardItem> changed = state.items();
    changed.removeAt(1);
    changed.append(test::textItem("fresh"));
    state.setItems(changed);
    fake.advanceBoth(0.13);
    PaintedItem* fresh = list->realisedCards().value(3);
    ASSERT_NE(fresh, nullptr);
    const auto blurOf = [](PaintedItem* card) {
      auto* effect = qobject_cast<Fx::ItemBlurEffect*>(card->graphicsEffect());
      return effect ? effect->radius() : 0.0;
    };
    EXPECT_GT(fresh->opacity(), 0.1);
    EXPECT_LT(fresh->opacity(), 0.9);
    EXPECT_GT(leaving->opacity(), 0.1);
    EXPECT_LT(leaving->opacity(), 0.9);
    if (reduce) {
      EXPECT_EQ(blurOf(fresh), 0);
      EXPECT_EQ(blurOf(leaving), 0);
      EXPECT_EQ(leaving->scale(), 1);
      EXPECT_TRUE(leaving->transform().isIdentity());
    } else {
      // Blur-scale: scale 0.9 and blur 10 at the start, both gone at the end.
      EXPECT_GT(fresh->scale(), 0.9);
      EXPECT_LT(fresh->scale(), 1);
      EXPECT_NEAR(blurOf(fresh), 10 * (fresh->scale() - 1) / -0.1, 1e-6);
      // Blow-away: the blur is 8 times the progress, the shrink 0.22 times; it turns and flies.
      const double p = 1 - leaving->opacity();
      EXPECT_NEAR(leaving->scale(), 1 - 0.22 * p, 1e-6);
      EXPECT_NEAR(blurOf(leaving), 8 * p, 1e-6);
      EXPECT_GT(leaving->transform().dx(), 0);
    }
    // The removed card's place is taken by the card below: at once, or on the way.
    const double belowTarget = list->layout().cardRect(1, list->width()).top();
    ASSERT_EQ(list->realisedCards().value(1), below);
    EXPECT_EQ(below->pos().y() == belowTarget, reduce) << below->pos().y();
    EXPECT_EQ(below->pos().y() == belowWas.y(), false);
    fake.advanceBoth(0.5);
    EXPECT_EQ(fresh->opacity(), 1);
    EXPECT_EQ(blurOf(fresh), 0);
    EXPECT_EQ(fresh->graphicsEffect(), nullptr);
    EXPECT_FALSE(leaving->isVisible());
    EXPECT_EQ(leaving->graphicsEffect(), nullptr);
    EXPECT_EQ(below->pos().y(), belowTarget);
    EXPECT_EQ(list->cardItemCount(), 4);
  }
}

// The first cards after the empty state come in with their transition as later ones do: the
// first copy into an empty history, results after "No results". Copies made while the panel was
// hidden are in place, at rest, as soon as it shows.
TEST_F(CardScrollViewTest, TheFirstCardsAfterAnEmptyListComeInAndAShowOpensSettled) {
  const struct {
    const char* name;
    QList<ClipboardItem> before;
    std::function<void(PanelState&)> emptyIt, change;
    bool whileHidden;
  } cases[] = {
      {"first copy", {}, {}, [](PanelState& s) { s.addItem(test::textItem("first")); }, false},
      {"results after none", items(3), [](PanelState& s) { s.setSearchQuery("nothing like it"); },
       [](PanelState& s) { s.setSearchQuery(""); }, false},
      {"copy while hidden", items(2), {}, [](PanelState& s) { s.addItem(test::textItem("hidden")); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    show(c.before);
    if (c.emptyIt) c.emptyIt(state);
    fake.advanceBoth(0.5);
    if (c.whileHidden) state.setIsVisible(false);
    c.change(state);
    if (c.whileHidden) state.setIsVisible(true);
    fake.advanceBoth(0.13);
    PaintedItem* first = list->realisedCards().value(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->opacity() < 0.9, !c.whileHidden) << first->opacity();
    EXPECT_EQ(first->scale() < 1, !c.whileHidden);
    fake.advanceBoth(0.5);
    EXPECT_EQ(first->opacity(), 1);
    EXPECT_EQ(first->graphicsEffect(), nullptr);
  }
}

// A card coming in is drawn beneath the card gliding down to make room for it, and stacks with
// the others again once at rest.
TEST_F(CardScrollViewTest, ACardComingInIsDrawnBeneathTheCardsGlidingAway) {
  show(items(2));
  PaintedItem* gliding = list->realisedCards().value(0);
  state.addItem(test::textItem("fresh"));
  fake.advanceBoth(0.08);
  PaintedItem* fresh = list->realisedCards().value(0);
  ASSERT_NE(fresh, gliding);
  ASSERT_EQ(list->realisedCards().value(1), gliding);
  // Both are top-level items of the scene: the lower one is drawn first.
  EXPECT_LT(fresh->zValue(), gliding->zValue());
  EXPECT_TRUE(fresh->collidesWithItem(gliding));
  fake.advanceBoth(0.5);
  EXPECT_EQ(fresh->zValue(), gliding->zValue());
}

// The empty state arrives with its transition and leaves with it, fading in and out; its words
// stay those of the empty list while it leaves.
TEST_F(CardScrollViewTest, TheEmptyStateComesAndGoesWithItsTransition) {
  show(items(2));
  EXPECT_EQ(list->emptyStatePresence(), 0);
  state.setItems({});
  fake.advanceBoth(0.13);
  EXPECT_GT(list->emptyStatePresence(), 0.1);
  EXPECT_LT(list->emptyStatePresence(), 0.9);
  fake.advanceBoth(0.3);
  EXPECT_EQ(list->emptyStatePresence(), 1);
  state.setItems(items(1));
  fake.advanceBoth(0.13);
  EXPECT_GT(list->emptyStatePresence(), 0.1);
  EXPECT_LT(list->emptyStatePresence(), 0.9);
  fake.advanceBoth(0.3);
  EXPECT_EQ(list->emptyStatePresence(), 0);
}

// A card's anchor (its middle on the screen, where the preview opens beside it) follows the
// list's scroll beyond 8 points, and a card the list takes back leaves no anchor behind.
TEST_F(CardScrollViewTest, AnchorsFollowEveryScrollBeyondEightPoints) {
  show(items(40));
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  const QUuid id = state.items()[1].id;
  const auto middle = [&] { return cellAt(1)->anchorY(); };
  const struct {
    int pixels;
    bool moves;
  } steps[] = {{30, true}, {5, false}, {4, true}, {3, false}, {30, true}};
  double stored = state.cardAnchors().value(id);
  for (const auto& step : steps) {
    SCOPED_TRACE(step.pixels);
    QWheelEvent event(QPointF(100, 100), list->viewport()->mapToGlobal(QPointF(100, 100)), QPoint(0, -step.pixels),
                      QPoint(0, -step.pixels * 8), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list->viewport(), &event);
    if (step.moves) stored = middle();
    EXPECT_DOUBLE_EQ(state.cardAnchors().value(id), stored);
  }
  list->scrollTo(list->maximumScroll());
  fake.advanceBoth(0.5);
  ASSERT_FALSE(list->realisedCards().contains(1));
  EXPECT_FALSE(state.cardAnchors().contains(id));
  EXPECT_LE(state.cardAnchors().size(), list->realisedCards().size());
}

}  // namespace
