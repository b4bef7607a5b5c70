// The library's grid: its columns and rows on the list's layout, which cards exist, date
// sections collapsed together with the panel, hover after pointer moves and scrolls, clicks on
// cards and on the background, the keyboard's scroll target, and the settle gate in virtual time.
#include "items/ItemServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "panel/CardScrollView.h"
#include "panel/GroupChevron.h"
#include "panel/PasteHintBadge.h"
#include "ui/fx/ItemBlurEffect.h"
#include "ui/view/KeptPictureEffect.h"

#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"

#include "platform/fake/FakeScheduler.h"
#include "state/PanelState.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <numeric>

namespace qv {
namespace {

using namespace cardList;

TEST(LibraryGridLayout, AsManyColumnsAsFitInsideThePaddings) {
  const struct {
    double width;
    int columns;
  } cases[] = {{20, 1}, {330, 1}, {440, 1}, {613, 1}, {614, 2}, {628, 2}, {907, 2}, {908, 3}, {1202, 4}};
  for (const auto& c : cases) EXPECT_EQ(gridColumns(c.width), c.columns) << c.width;
}

TEST(LibraryGridLayout, RowsOfCardsCentredInSectionsWithHeadersFromTwoSectionsOn) {
  // Five today and three yesterday, three columns in a 1000-point grid.
  const Layout grid = layOut({cardList::Run{CardGroup::today, 5}, cardList::Run{CardGroup::yesterday, 3}}, {}, {},
                             gridArrangement(1000));
  ASSERT_EQ(grid.sections.size(), 2u);
  EXPECT_TRUE(grid.usesGrouping);
  const double left = (1000 - (3 * 280 + 2 * 14)) / 2.0;
  EXPECT_EQ(grid.cardRect(0, 1000), QRectF(left, 6 + 35, 280, 240));
  EXPECT_EQ(grid.cardRect(4, 1000), QRectF(left + 294, 6 + 35 + 254, 280, 240));
  EXPECT_EQ(grid.sections[1].top, 6 + 35 + 2 * 254);
  EXPECT_EQ(grid.cardRect(5, 1000), QRectF(left, 6 + 2 * 35 + 2 * 254, 280, 240));
  EXPECT_EQ(grid.headerRect(1, 1000), QRectF(20, 6 + 35 + 2 * 254, 960, 35));
  // Rows are 14 apart; the last one meets the 20-point bottom padding (the panel's sections each
  // end with a row's spacing, the grid's rows do not).
  EXPECT_EQ(grid.contentHeight, grid.cardRect(7, 1000).bottom() + 20);
  EXPECT_EQ(grid.contentHeight, 6 + 2 * 35 + 3 * 254 - 14 + 20);
  EXPECT_EQ(grid.estimatedHeight, grid.contentHeight);
  // Rows 300…600 reach the second row of Today only: cards 3 and 4.
  EXPECT_EQ(grid.cardsBetween(300, 540), (std::vector<std::pair<int, int>>{{3, 5}}));
  // One section shows no header; a collapsed one keeps its header and hides its rows.
  EXPECT_FALSE(layOut({cardList::Run{CardGroup::today, 5}}, {"Today"}, {}, gridArrangement(1000)).usesGrouping);
  const Layout collapsed = layOut({cardList::Run{CardGroup::today, 5}, cardList::Run{CardGroup::earlier, 1}}, {"Today"},
                                  {}, gridArrangement(1000));
  EXPECT_EQ(collapsed.sections[1].top, 6 + 35);
  EXPECT_EQ(collapsed.cardsBetween(0, 2000), (std::vector<std::pair<int, int>>{{5, 6}}));
  EXPECT_EQ(collapsed.contentHeight, collapsed.cardRect(5, 1000).bottom() + 20);
  // The last section collapsed: its header meets the bottom padding; half-way, half its cards.
  const Layout lastCollapsed = layOut({cardList::Run{CardGroup::today, 5}, cardList::Run{CardGroup::earlier, 1}},
                                      {"Earlier"}, {}, gridArrangement(1000));
  EXPECT_EQ(lastCollapsed.contentHeight, 6 + 35 + 2 * 254 + 35 + 20);
  const Layout halfway = layOut({cardList::Run{CardGroup::today, 5}, cardList::Run{CardGroup::earlier, 1}}, {"Earlier"},
                                {{"Earlier", 0.5}}, gridArrangement(1000));
  EXPECT_EQ(halfway.contentHeight, 6 + 35 + 2 * 254 + 35 + 120 + 20);
}

// The fakes with the item services, made before the state that reads them.
struct WithItemServices {
  WithItemServices() { installItemServices(*fake.context); }
  test::FakeLibraryContext fake;
};

class LibraryGridTest : public ::testing::Test, protected WithItemServices {
 protected:
  LibraryGridTest() : state(*fake.context), model(state, *fake.scheduler) {
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
  }
  ~LibraryGridTest() override {
    grid.reset();
    fake.drain();
  }
  void show(const QList<ClipboardItem>& history, QSize size = {628, 800}) {
    state.setItems(history);
    grid = std::make_unique<LibraryGridView>(*fake.context, model);
    QObject::connect(&model, &LibraryModel::changed, grid.get(), [this] { grid->sync(); });
    grid->setAttribute(Qt::WA_DontShowOnScreen);
    grid->resize(size);
    grid->show();
    grid->sync();
  }
  // `count` texts, `perDay` a day (today first), so that they fall into date sections.
  QList<ClipboardItem> items(int count, int perDay = 1'000'000) {
    QList<ClipboardItem> made;
    const QDateTime now = fake.scheduler->now();
    for (int i = 0; i < count; ++i)
      made << test::textItem(QStringLiteral("copied text %1").arg(i), QStringLiteral("org.example.Editor"),
                             now.addDays(-(i / perDay) * (i / perDay > 1 ? 5 : 1)));
    return made;
  }
  LibraryCard* card(const QUuid& id) const { return qobject_cast<LibraryCard*>(grid->cardFor(id)); }
  QPoint middleOf(const QUuid& id) const {
    PaintedItem* c = grid->cardFor(id);
    return grid->mapFromScene(c->mapToScene(c->rect().center()));
  }
  void movePointer(QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, grid->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
  }
  void click(QPoint at) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at); }

  PanelState state;
  LibraryModel model;
  std::unique_ptr<LibraryGridView> grid;
};

TEST_F(LibraryGridTest, OnlyTheCardsInAndAroundViewExistAmongTwoThousand) {
  const QList<ClipboardItem> history = items(2000);
  show(history);
  EXPECT_EQ(grid->columns(), 2);
  // 800 points show a bit over three rows; one row more on either side is made ahead.
  const int bound = 2 * 6;
  EXPECT_LE(grid->cardItemCount(), bound);
  EXPECT_TRUE(grid->realisedCards().contains(0));
  grid->scrollTo(254 * 500);
  EXPECT_LE(grid->cardItemCount(), bound);
  EXPECT_TRUE(grid->realisedCards().contains(1000));
  EXPECT_FALSE(grid->realisedCards().contains(0));
  grid->scrollTo(grid->maximumScroll());
  EXPECT_TRUE(grid->realisedCards().contains(1999));
  EXPECT_LE(grid->cardItemCount(), bound);
  EXPECT_EQ(card(history.last().id)->props().card.item.id, history.last().id);
}

TEST_F(LibraryGridTest, AHundredThousandItemsOfOneDayMakeOneSectionWithoutHeaders) {
  show(items(100'000));
  EXPECT_EQ(grid->layout().sections.size(), 1u);
  EXPECT_FALSE(grid->layout().usesGrouping);
  EXPECT_EQ(grid->layout().contentHeight, 6 + 50'000 * 254 - 14 + 20);
  grid->scrollTo(grid->maximumScroll());
  EXPECT_TRUE(grid->realisedCards().contains(99'999));
  EXPECT_EQ(grid->header(0), nullptr);
  EXPECT_LE(grid->cardItemCount(), 12);
}

TEST_F(LibraryGridTest, ColumnsFollowTheWidthDownToOneAtTheWindowsMinimum) {
  const QList<ClipboardItem> history = items(5);
  show(history, {628, 600});
  EXPECT_EQ(grid->columns(), 2);
  EXPECT_EQ(grid->cardFor(history[1].id)->pos(), QPointF((628 - 574) / 2 + 294, 6));
  grid->resize(440, 600);
  EXPECT_EQ(grid->columns(), 1);
  EXPECT_EQ(grid->cardFor(history[0].id)->pos(), QPointF(80, 6));
  EXPECT_EQ(grid->cardFor(history[1].id)->pos(), QPointF(80, 6 + 254));
  grid->resize(20, 600);
  EXPECT_EQ(grid->columns(), 1);
}

TEST_F(LibraryGridTest, CollapsingTodayHereCollapsesItInThePanel) {
  const QList<ClipboardItem> history = items(9, 3);  // three today, three yesterday, three earlier
  show(history);
  state.setIsVisible(true);
  CardScrollView panel(*fake.context, state);
  panel.setAvailableRect(QRectF(0, 0, 320, 900));
  fake.advanceBoth(0.5);
  ASSERT_EQ(grid->layout().sections.size(), 3u);
  SectionHeaderItem* today = grid->header(0);
  ASSERT_NE(today, nullptr);
  click(grid->mapFromScene(today->mapToScene(QPointF(40, 18))));
  EXPECT_TRUE(state.collapsedGroups().contains(QStringLiteral("Today")));
  fake.advanceBoth(0.5);
  EXPECT_TRUE(grid->layout().sections[0].collapsed);
  EXPECT_EQ(grid->layout().sections[0].cardsHeight, 0);
  EXPECT_FALSE(grid->realisedCards().contains(0));
  EXPECT_TRUE(grid->header(0)->chevron().isCollapsed());
  // Yesterday's cards moved up under Today's header.
  EXPECT_EQ(grid->cardFor(history[3].id)->pos().y(), 6 + 35 + 35);
  EXPECT_TRUE(panel.layout().sections[0].collapsed);
  EXPECT_EQ(panel.layout().sections[0].cardsHeight, 0);

  // And back from the panel's chevron.
  const auto press = panel.header(0)->chevron().accessibility().press;
  ASSERT_TRUE(press);
  press();
  fake.advanceBoth(0.5);
  EXPECT_FALSE(grid->layout().sections[0].collapsed);
  EXPECT_TRUE(grid->realisedCards().contains(0));
}

// Copies while the library's grid, its model and a hidden panel's list hold the filtered
// history: they let go of it for the change, so that a copy goes in at the front in place instead
// of copying every item (of a million, tens of milliseconds a copy); the grid shows each copy, a
// copy that replaces an older one included, and the panel has them as it shows.
TEST_F(LibraryGridTest, CopiesWhileTheViewsHoldTheListGoInPlaceAndShow) {
  show(items(40));
  state.setIsVisible(true);
  CardScrollView panel(*fake.context, state);
  panel.setAvailableRect(QRectF(0, 0, 320, 900));
  state.setIsVisible(false);
  const auto copy = [&](const QString& text) {
    state.addItem(test::textItem(text, QStringLiteral("org.example.Editor"), fake.scheduler->now()));
    return state.items().first().id;
  };
  copy(QStringLiteral("makes room at the front"));
  // A new copy takes the room before the first item; one that replaces an older copy takes the
  // first item's place, which the older copy's removal left free.
  const struct {
    QString text;
    int movedBy;
  } copies[] = {{QStringLiteral("a new copy"), -1}, {QStringLiteral("copied text 7"), 0}};
  for (const auto& [text, movedBy] : copies) {
    SCOPED_TRACE(qPrintable(text));
    const ClipboardItem* front = state.items().constData();
    const QUuid id = copy(text);
    EXPECT_EQ(state.items().constData(), front + movedBy);
    ASSERT_FALSE(grid->items().isEmpty());
    EXPECT_EQ(grid->items().first().id, id);
    EXPECT_EQ(grid->items().size(), state.items().size());
    EXPECT_NE(card(id), nullptr);
  }
  state.setIsVisible(true);
  EXPECT_NE(panel.cardFor(state.items().first().id), nullptr);
}

TEST_F(LibraryGridTest, HoverFollowsThePointerThroughScrollsAndNeverStaysOnARecycledCard) {
  const QList<ClipboardItem> history = items(40);
  show(history, {628, 600});
  movePointer(middleOf(history[0].id));
  EXPECT_EQ(model.hoveredID(), history[0].id);
  EXPECT_TRUE(card(history[0].id)->isCardHovered());
  const QPoint pointer = middleOf(history[0].id);

  // While the wheel turns nothing is hovered; once it rests, the card now under the pointer is.
  grid->scrollBy(254);
  EXPECT_EQ(model.hoveredID(), std::nullopt);
  EXPECT_EQ(grid->hoveredCard(), nullptr);
  fake.advanceBoth(0.3);
  EXPECT_EQ(model.hoveredID(), history[2].id);
  EXPECT_EQ(grid->hoveredCard(), grid->cardFor(history[2].id));
  int hovered = 0;
  for (PaintedItem* each : grid->realisedCards()) hovered += qobject_cast<LibraryCard*>(each)->isCardHovered();
  EXPECT_EQ(hovered, 1);

  // Scrolled far away: the hovered card was recycled for another item and hovers nothing.
  grid->scrollTo(254 * 15);
  fake.advanceBoth(0.3);
  EXPECT_EQ(model.hoveredID(), history[30].id);
  grid->scrollTo(254 * 15 + 100);
  fake.advanceBoth(0.3);
  // The pointer now rests in the gap between two rows.
  EXPECT_EQ(grid->cardFor(history[30].id) == grid->hoveredCard(), grid->hoveredCard() != nullptr);

  // The pointer leaves the grid.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(grid->viewport(), &leave);
  EXPECT_EQ(model.hoveredID(), std::nullopt);
  EXPECT_EQ(grid->hoveredCard(), nullptr);
  Q_UNUSED(pointer);
}

TEST_F(LibraryGridTest, ClicksSelectTheCardsItemAndTheBackgroundClearsSelectionAndDetail) {
  const QList<ClipboardItem> history = items(3);
  show(history, {628, 600});
  click(middleOf(history[1].id));
  EXPECT_EQ(model.selection(), history[1].id);
  EXPECT_TRUE(card(history[1].id)->props().card.isSelected);
  EXPECT_TRUE(card(history[1].id)->card().isLifted());

  // With the detail pane open, a click moves it to the clicked card.
  model.setPreviewID(history[1].id);
  click(middleOf(history[2].id));
  EXPECT_EQ(model.previewID(), history[2].id);
  EXPECT_EQ(model.selection(), history[2].id);

  // Below the last row lies background.
  click(QPoint(300, 580));
  EXPECT_EQ(model.previewID(), std::nullopt);
  EXPECT_EQ(model.selection(), std::nullopt);
  EXPECT_FALSE(card(history[2].id)->props().card.isSelected);
}

TEST_F(LibraryGridTest, ACardShowsItsItemAsTheLibrarySeesIt) {
  const QList<ClipboardItem> history = items(5);
  show(history, {628, 900});
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  state.togglePin(history[0].id);
  state.toggleSensitive(history[1].id);
  state.setCategory(work.id, history[2].id);
  state.setMultiSelectedIDs({history[3].id});
  model.setSelection(history[4].id);
  model.selectScope(LibraryScope::category(work.id));
  grid->sync();
  const LibraryCard::Props filed = card(history[2].id)->props();
  EXPECT_EQ(filed.card.category, work);
  EXPECT_TRUE(filed.card.activeFacets.category);  // the scope is its category
  EXPECT_FALSE(filed.card.activeFacets.pinned);

  model.selectScope(LibraryScope::all());
  grid->sync();
  struct Row {
    int item;
    bool selected, pinned, sensitive;
  };
  for (const Row& row : {Row{0, false, true, false}, Row{1, false, false, true}, Row{2, false, false, false},
                         Row{3, true, false, false}, Row{4, true, false, false}}) {
    SCOPED_TRACE(row.item);
    const LibraryCard::Props props = card(history[row.item].id)->props();
    EXPECT_EQ(props.card.isSelected, row.selected);
    EXPECT_EQ(props.card.isPinned, row.pinned);
    EXPECT_EQ(props.card.isSensitive, row.sensitive);
    EXPECT_EQ(card(history[row.item].id)->card().isLifted(), row.selected);
  }
  model.selectScope(LibraryScope::pinned());
  grid->sync();
  EXPECT_TRUE(card(history[0].id)->props().card.activeFacets.pinned);
}

TEST_F(LibraryGridTest, ThePasteHintFadesInOverItsCardAndGrowsUnlessMotionIsReduced) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    const QList<ClipboardItem> history = items(3);
    show(history, {628, 600});
    state.setPasteHintItemID(history[1].id);
    grid->sync();
    LibraryCard* hinted = card(history[1].id);
    fake.advanceBoth(0.05);
    EXPECT_GT(hinted->pasteHintPresence(), 0);
    EXPECT_LT(hinted->pasteHintPresence(), 1);
    EXPECT_EQ(hinted->pasteHint().scale() < 1, !reduced);
    fake.advanceBoth(1);
    EXPECT_TRUE(hinted->pasteHint().isVisible());
    EXPECT_EQ(card(history[0].id)->pasteHintPresence(), 0);
    state.setPasteHintItemID(std::nullopt);
    grid->sync();
    fake.advanceBoth(1);
    EXPECT_FALSE(hinted->pasteHint().isVisible());
    grid.reset();
  }
}

// A card recycled for another item keeps nothing of the one before: no hover, no lift, no paste
// hint, nothing on its way.
TEST_F(LibraryGridTest, ARecycledCardStartsClean) {
  const QList<ClipboardItem> history = items(60);
  show(history, {628, 600});
  state.setPasteHintItemID(history[0].id);
  grid->sync();
  movePointer(middleOf(history[0].id));
  fake.advanceBoth(1);
  LibraryCard* first = card(history[0].id);
  ASSERT_TRUE(first->isCardHovered());
  ASSERT_GT(first->card().liftProgress(), 0.9);
  grid->scrollTo(254 * 20);
  fake.advanceBoth(0.01);
  ASSERT_NE(first->itemID(), history[0].id);
  ASSERT_TRUE(first->isVisible());
  EXPECT_FALSE(first->isCardHovered() && first != grid->hoveredCard());
  EXPECT_EQ(first->pasteHintPresence(), 0);
  EXPECT_FALSE(first->pasteHint().isVisible());
  if (first != grid->hoveredCard()) {
    EXPECT_EQ(first->card().liftProgress(), 0);
  }
}

TEST_F(LibraryGridTest, AnItemRemovedUnderThePointerTakesItsHoverAndCallbacksAlong) {
  const QList<ClipboardItem> history = items(2);
  show(history, {628, 600});
  fake.advanceBoth(LibraryGridView::kSettleSeconds + 0.1);
  model.setSelection(history[0].id);
  const QPoint second = middleOf(history[1].id);
  movePointer(second);
  LibraryCard* removed = card(history[1].id);
  ASSERT_TRUE(removed->isCardHovered());
  state.removeItem(history[1].id);
  EXPECT_EQ(grid->leavingCardCount(), 1);
  EXPECT_FALSE(removed->isCardHovered());
  EXPECT_EQ(model.hoveredID(), std::nullopt);
  // A click where the card flies away acts on nothing of the removed item.
  click(second);
  EXPECT_NE(model.selection(), history[1].id);
  fake.advanceBoth(1.0);
  EXPECT_EQ(grid->leavingCardCount(), 0);
  EXPECT_EQ(grid->cardItemCount(), 1);
}

// A removed card flies off blurred by 8 times its progress, the blur gone with it; under reduce
// motion it only fades.
TEST_F(LibraryGridTest, ARemovedCardIsBlownAwayBlurredUnlessMotionIsReduced) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    const QList<ClipboardItem> history = items(6);
    show(history, {628, 600});
    fake.advanceBoth(LibraryGridView::kSettleSeconds + 0.1);
    PaintedItem* removed = grid->cardFor(history[0].id);
    state.removeItem(history[0].id);
    fake.advanceBoth(0.08);
    ASSERT_EQ(grid->leavingCardCount(), 1);
    // The card keeps the effect that keeps its picture; the blur is its radius.
    const auto blurRadius = [&] {
      auto* blur = qobject_cast<Fx::ItemBlurEffect*>(removed->graphicsEffect());
      return blur ? blur->radius() : 0.0;
    };
    const double progress = 1 - removed->opacity();
    EXPECT_GT(progress, 0.1);
    EXPECT_EQ(blurRadius() > 0, !reduced);
    if (!reduced) {
      EXPECT_NEAR(blurRadius(), 8 * progress, 1e-6);
    }
    fake.advanceBoth(1.5);
    EXPECT_EQ(grid->leavingCardCount(), 0);
    EXPECT_EQ(blurRadius(), 0.0);
    grid.reset();
  }
}

// A search narrows the list without changing the history: the cards of the items it dropped
// are blown away, those of items still listed but now out of reach go back quietly, and those
// still in reach stay (at the top, and scrolled down to where items move up out of reach).
TEST_F(LibraryGridTest, ANarrowingSearchBlowsAwayOnlyTheCardsOfTheItemsItDropped) {
  const struct {
    const char* query;
    double scroll;
    bool someOutOfReach;
  } cases[] = {{"text 1", 0, false}, {"1", 254 * 8, true}, {"text 2", 254 * 10, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    show(items(60), {628, 600});
    fake.advanceBoth(LibraryGridView::kSettleSeconds + 0.1);
    grid->scrollTo(c.scroll);
    fake.advanceBoth(0.5);
    QList<QUuid> before;
    for (PaintedItem* card : grid->realisedCards()) before << qobject_cast<LibraryCard*>(card)->itemID();
    model.setQuery(QString::fromLatin1(c.query));
    QSet<QUuid> listed;
    for (const ClipboardItem& item : grid->items()) listed.insert(item.id);
    int dropped = 0, outOfReach = 0, stayed = 0;
    for (const QUuid& id : before) {
      if (!listed.contains(id)) ++dropped;
      else if (!grid->cardFor(id)) ++outOfReach;
      else ++stayed;
    }
    EXPECT_GT(dropped, 0);
    EXPECT_GT(stayed, 0);
    EXPECT_EQ(outOfReach > 0, c.someOutOfReach);
    EXPECT_EQ(grid->leavingCardCount(), dropped);
    fake.advanceBoth(1.5);
    EXPECT_EQ(grid->leavingCardCount(), 0);
    model.setQuery(QString());
    grid.reset();
  }
}

TEST_F(LibraryGridTest, TheKeyboardsScrollTargetComesToTheMiddle) {
  const QList<ClipboardItem> history = items(2000);
  show(history, {628, 600});
  fake.advanceBoth(LibraryGridView::kSettleSeconds + 0.1);
  model.setKeyboardScrollTarget(history[1001].id);
  // Row 500 of one section: its middle at 6 + 500 × 254 + 120.
  const double middle = 6 + 500 * 254 + 120 - 300;
  fake.advanceBoth(0.05);
  EXPECT_GT(grid->scrollOffset(), 0);
  EXPECT_LT(grid->scrollOffset(), middle);
  fake.advanceBoth(1.5);
  EXPECT_NEAR(grid->scrollOffset(), middle, 0.5);
  EXPECT_NE(grid->cardFor(history[1001].id), nullptr);
  // None scrolls nothing.
  model.setKeyboardScrollTarget(std::nullopt);
  fake.advanceBoth(0.5);
  EXPECT_NEAR(grid->scrollOffset(), middle, 0.5);
}

// Scrolled away from an edge, the grid fades its cards out over 28 points there: a card's pixels
// at the very edge show less than the same card further in. At the top of the list nothing fades.
TEST_F(LibraryGridTest, ItsEdgesFadeWhereMoreCardsLieBeyond) {
  show(items(40), {628, 600});
  const auto alphaAt = [this](int y) {
    const QImage shot = grid->viewport()->grab().toImage();
    const double scale = shot.devicePixelRatio();
    const QPoint at(int(std::lround(grid->layout().cardRect(0, grid->width()).center().x() * scale)),
                    int(std::lround(y * scale)));
    return qAlpha(shot.pixel(at));
  };
  // At the top: only the bottom edge fades.
  EXPECT_FALSE(grid->edges().showTop());
  EXPECT_TRUE(grid->edges().showBottom());
  // Into the list, a card's middle lies under both edges at once.
  grid->scrollTo(254 * 4 + 6 + 120 - 14);  // a card's middle at the top edge's half depth
  fake.advanceBoth(0.3);
  EXPECT_TRUE(grid->edges().showTop());
  EXPECT_EQ(grid->edges().top(), 1);
  EXPECT_LT(alphaAt(1), 40);
  EXPECT_GT(alphaAt(60), 200);
  EXPECT_LT(alphaAt(599), 40);
  grid->scrollTo(0);
  fake.advanceBoth(0.3);
  EXPECT_EQ(grid->edges().top(), 0);
  EXPECT_GT(alphaAt(7), 200);
}

// What a change of the list does to the cards, before and after the first 0.3 s on screen, with
// and without reduce motion.
TEST_F(LibraryGridTest, TheSettleGateThenFadesBlowAwayAndSpringMoves) {
  struct Case {
    const char* name;
    double waited;
    bool reduceMotion;
    std::function<QList<ClipboardItem>(QList<ClipboardItem>)> change;
    int leaving;
    bool fadesIn;
    bool moves;
    bool flies;  // the leaving card turns and moves away, not only fades
  };
  const ClipboardItem fresh = test::textItem(QStringLiteral("fresh"), QStringLiteral("org.example.Editor"),
                                             fake.scheduler->now());
  const auto removeFirst = [](QList<ClipboardItem> list) {
    list.removeFirst();
    return list;
  };
  const auto insertFirst = [&](QList<ClipboardItem> list) {
    list.prepend(fresh);
    return list;
  };
  const auto swapLast = [&](QList<ClipboardItem> list) {
    list.last() = test::textItem(QStringLiteral("swapped"), QStringLiteral("org.example.Editor"),
                                 fake.scheduler->now());
    return list;
  };
  const std::vector<Case> cases = {
      {"removal in the first 0.3 s", 0.2, false, removeFirst, 0, false, false, false},
      {"insertion in the first 0.3 s", 0.2, false, insertFirst, 0, false, false, false},
      {"removal after 0.3 s", 0.35, false, removeFirst, 1, false, true, true},
      {"insertion after 0.3 s", 0.35, false, insertFirst, 0, true, true, false},
      {"same count and first item", 0.35, false, swapLast, 0, false, false, false},
      {"removal under reduce motion", 0.35, true, removeFirst, 1, false, false, false},
      {"insertion under reduce motion", 0.35, true, insertFirst, 0, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(c.reduceMotion);
    // More than the grid shows: an insertion pushes the last made card's item out of reach.
    const QList<ClipboardItem> history = items(40);
    show(history, {628, 600});
    EXPECT_FALSE(grid->isSettled());
    fake.advanceBoth(c.waited);
    EXPECT_EQ(grid->isSettled(), c.waited >= LibraryGridView::kSettleSeconds);
    PaintedItem* firstCard = grid->cardFor(history[0].id);
    PaintedItem* secondCard = grid->cardFor(history[1].id);
    const QPointF secondWas = secondCard->pos();
    state.setItems(c.change(history));
    fake.advanceBoth(0.05);
    EXPECT_EQ(grid->leavingCardCount(), c.leaving);
    if (c.leaving > 0) {
      EXPECT_LT(firstCard->opacity(), 1);
      EXPECT_EQ(!firstCard->transform().isIdentity(), c.flies);
      // Travel 1: well past the list's 0.35 at the same progress.
      if (c.flies) {
        EXPECT_GT(firstCard->transform().dx(), 0);
      }
    }
    PaintedItem* newCard = grid->cardFor(fresh.id);
    if (newCard) {
      EXPECT_EQ(newCard->opacity() < 0.99, c.fadesIn);
    }
    const QPointF target = grid->layout().cardRect(int(grid->items().toList().indexOf(history[1])), 628).topLeft();
    if (grid->items().toList().contains(history[1])) {
      const bool between = secondCard->pos() != target && secondCard->pos() != secondWas;
      EXPECT_EQ(between, c.moves) << secondCard->pos().x() << "," << secondCard->pos().y();
    }
    fake.advanceBoth(1.5);
    EXPECT_EQ(grid->leavingCardCount(), 0);
    if (grid->items().toList().contains(history[1])) {
      EXPECT_EQ(secondCard->pos(), target);
    }
    if (newCard) {
      EXPECT_EQ(newCard->opacity(), 1);
    }
    grid.reset();
  }
}

// ---- Painting a copy -------------------------------------------------------------------------

class LibraryGridPaintTest : public LibraryGridTest {
 protected:
  // One frame as the screen gets it, after the scene took in what changed.
  QImage paint() {
    QCoreApplication::processEvents();
    return grid->viewport()->grab().toImage();
  }
  // What the grid looks like with every card painted as it is, from no kept picture.
  QImage paintDirectly() {
    for (PaintedItem* card : grid->realisedCards()) card->update();
    return paint();
  }
  void showSettled(int count) {
    show(items(count), {1202, 800});
    fake.advanceBoth(LibraryGridView::kSettleSeconds + 0.1);
    paint();
    paint();
  }
};

// A copy while the grid is on screen moves every card one place on: on each frame of that the
// cards that only move are drawn from the pictures they keep, and only the new card, fading in,
// paints itself; a moved card paints itself once more where it comes to rest.
TEST_F(LibraryGridPaintTest, ACopyRepaintsOnlyTheNewCardOnEachFrameOfItsTransition) {
  showSettled(24);
  const int shown = int(grid->realisedCards().size());
  ASSERT_GE(shown, 12);
  state.addItem(test::textItem(QStringLiteral("a new copy")));
  ASSERT_GT(grid->leavingCardCount() + int(grid->realisedCards().size()), 0);
  const QUuid newID = grid->items().at(0).id;
  // How often each card painted itself after the first frames, and on how many frames any did.
  QHash<ClipboardCardView*, int> later;
  QHash<ClipboardCardView*, QUuid> ids;
  int framesWithPaints = 0;
  for (int frame = 0; frame < 60; ++frame) {
    fake.advanceBoth(1.0 / 60);
    QHash<ClipboardCardView*, int> before;
    for (QGraphicsItem* item : grid->scene()->items())
      if (auto* card = qobject_cast<ClipboardCardView*>(item->toGraphicsObject())) before.insert(card, card->paints());
    paint();
    bool any = false;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
      const int painted = it.key()->paints() - it.value();
      any = any || painted > 0;
      if (frame >= 2) later[it.key()] += painted;
      ids[it.key()] = it.key()->props().item.id;
    }
    framesWithPaints += any;
  }
  for (auto it = later.cbegin(); it != later.cend(); ++it) {
    if (ids[it.key()] == newID) continue;
    EXPECT_LE(it.value(), 1) << ids[it.key()].toString().toStdString();
  }
  // The new card fades in on every frame; the moved ones no longer paint once at rest.
  EXPECT_LT(framesWithPaints, 60);
  // At rest every card shows exactly as painted afresh.
  fake.advanceBoth(1);
  const QImage rested = paint();
  EXPECT_EQ(rested, paintDirectly());
}

// A scroll moves every card without a move of its own: each card keeps its picture on its way
// (a picture made for each card that comes into view, not one per frame), and where the scroll
// rests the grid looks as painted afresh.
TEST_F(LibraryGridPaintTest, AScrollMakesNoPictureAgainOnItsWay) {
  showSettled(60);
  const auto renders = [this] {
    int count = 0;
    for (QGraphicsItem* item : grid->scene()->items())
      if (auto* kept = qobject_cast<KeptPictureEffect*>(item->graphicsEffect())) count += kept->pictureRenders();
    return count;
  };
  const int before = renders();
  QSet<PaintedItem*> seen;
  model.setKeyboardScrollTarget(grid->items().at(30).id);
  int frames = 0;
  for (; frames < 60; ++frames) {
    fake.advanceBoth(1.0 / 60);
    paint();
    for (PaintedItem* card : grid->realisedCards()) seen.insert(card);
  }
  EXPECT_GT(grid->scrollOffset(), 254.0 * 5);
  EXPECT_LE(renders() - before, 2 * int(seen.size())) << seen.size() << " cards over " << frames << " frames";
  fake.advanceBoth(1);
  const QImage rested = paint();
  EXPECT_EQ(rested, paintDirectly());
}

// A grid off screen keeps its cards and its section headers, not their pictures; shown again it
// looks as before.
TEST_F(LibraryGridPaintTest, AHiddenGridKeepsNoPictures) {
  show(items(24, 4), {1202, 800});  // a section a day, each with its header
  fake.advanceBoth(LibraryGridView::kSettleSeconds + 0.1);
  paint();
  const QImage shown = paint();
  const auto pictures = [this](bool cards) {
    int count = 0;
    for (QGraphicsItem* item : grid->scene()->items())
      if (auto* kept = qobject_cast<KeptPictureEffect*>(item->graphicsEffect()))
        if (bool(qobject_cast<SectionHeaderItem*>(item->toGraphicsObject())) != cards) count += kept->hasPicture();
    return count;
  };
  EXPECT_GE(pictures(true), 8);
  EXPECT_GE(pictures(false), 2);
  grid->hide();
  EXPECT_EQ(pictures(true), 0);
  EXPECT_EQ(pictures(false), 0);
  grid->show();
  paint();
  EXPECT_EQ(paint(), shown);
  EXPECT_GE(pictures(true), 8);
}

// A kept picture never outlives what it shows: after each change, and after it settled, the
// grid looks as it does painted afresh, and unlike before the change.
TEST_F(LibraryGridPaintTest, AKeptPictureIsRedrawnWhenItsCardChanges) {
  const struct {
    const char* change;
    std::function<void(const QUuid&)> apply;
  } cases[] = {
      {"hover", [this](const QUuid& id) { movePointer(middleOf(id)); }},
      {"selection", [this](const QUuid& id) { model.selectCard(id); }},
      {"pin", [this](const QUuid& id) { state.togglePin(id); }},
      // It moves a place back, then rests: the last frames show it where it rests.
      {"removal before it", [this](const QUuid&) { state.removeItem(grid->items().at(0).id); }},
      {"removal before it under a resting pointer",
       [this](const QUuid& id) {
         movePointer(middleOf(grid->items().at(3).id));
         for (int frame = 0; frame < 60; ++frame) fake.advanceBoth(1.0 / 60);
         state.removeItem(grid->items().at(0).id);
         Q_UNUSED(id);
       }},
      {"multi-selection",
       [this](const QUuid& id) {
         state.setMultiSelectedIDs({id, grid->items().at(0).id});
       }},
      {"dark",
       [this](const QUuid&) {
         DesktopPreferences dark;
         dark.colorScheme = DesktopColorScheme::dark;
         fake.desktopAppearance->setPreferences(dark);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    showSettled(8);
    const QUuid id = grid->items().at(1).id;
    paint();
    const QImage before = paint();
    ASSERT_NE(qobject_cast<KeptPictureEffect*>(grid->cardFor(id)->graphicsEffect()), nullptr);
    ASSERT_TRUE(qobject_cast<KeptPictureEffect*>(grid->cardFor(id)->graphicsEffect())->hasPicture());
    c.apply(id);
    for (int frame = 0; frame < 60; ++frame) {
      fake.advanceBoth(1.0 / 60);
      paint();
    }
    const QImage kept = paint();
    EXPECT_NE(kept, before);
    EXPECT_EQ(kept, paintDirectly());
    grid.reset();
    fake.desktopAppearance->setPreferences({});
  }
}

}  // namespace
}  // namespace qv
