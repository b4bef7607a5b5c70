#include "cards/CardContentTestSupport.h"
#include "cards/badges/CardOverlay.h"
#include "cards/badges/CardQuickActions.h"
#include "items/identity/AppIdentity.h"
#include "panel/CardCellView.h"
#include "panel/PasteHintBadge.h"
#include "platform/SettingsStore.h"
#include "state/PanelState.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QGraphicsScene>

using namespace qv;
using namespace qv::test;

namespace {

// Three cards: two texts and an image (which has no plain text).
struct CellHarness {
  CellHarness() {
    items = {textItem("alpha"), textItem("beta"), imageItem(testImage())};
    state.setItems(items);
    state.setPasteAction(
        [this](const ClipboardItem& item, bool plain) { pastes << QString(letter(item)) + (plain ? "+plain" : ""); });
    for (int i = 0; i < 3; ++i) {
      cells.push_back(std::make_unique<CardCellView>(*fake.context, state, taps));
      cells.back()->setItem(items[i], i);
      scene.addItem(cells.back().get());
      cells.back()->setPos(0, i * 250);
    }
  }
  ~CellHarness() {
    for (auto& cell : cells) scene.removeItem(cell.get());
  }
  char letter(const ClipboardItem& item) const {
    for (int i = 0; i < items.size(); ++i)
      if (items[i].id == item.id) return char('A' + i);
    return '?';
  }
  QString multi() const {
    QString result;
    for (const QUuid& id : state.multiSelectedIDs())
      for (int i = 0; i < items.size(); ++i)
        if (items[i].id == id) result += QChar('A' + i);
    return result;
  }
  void click(int card, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    cells[card]->pointerPressed({100, 100});
    cells[card]->pointerReleased({102, 101}, modifiers);
  }
  void swipe(int card, QPointF by, bool leaveOnTheWay = false) {
    cells[card]->pointerPressed({200, 100});
    if (leaveOnTheWay) cells[card]->pointerMoved({-40, 100});
    cells[card]->pointerMoved(QPointF(200, 100) + by / 2);
    cells[card]->pointerReleased(QPointF(200, 100) + by, Qt::NoModifier);
  }

  FakeCardContext fake;
  PanelState state{*fake.context};
  QList<ClipboardItem> items;
  CardTapMemory taps;
  QGraphicsScene scene;
  std::vector<std::unique_ptr<CardCellView>> cells;
  QStringList pastes;
};

}  // namespace

TEST(CardCell, ClicksDoubleClicksAndCtrlClicks) {
  constexpr auto ctrl = Qt::ControlModifier;
  constexpr auto shift = Qt::ShiftModifier;
  struct Click {
    int card;
    double at;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  };
  const struct {
    const char* name;
    std::optional<int> selectedBefore;
    bool alwaysPlain;
    std::vector<Click> clicks;
    std::optional<int> selected;
    QString multi;
    QStringList pastes;
  } cases[] = {
      {"0.3 s apart pastes", {}, false, {{0, 0}, {0, 0.3}}, 0, "", {"A"}},
      {"0.35 s apart selects, then deselects", {}, false, {{0, 0}, {0, 0.35}}, {}, "", {}},
      {"a selected card is deselected, then pasted", 0, false, {{0, 0}, {0, 0.2}}, {}, "", {"A"}},
      {"a quick click on another card is a single click", {}, false, {{0, 0}, {1, 0.1}}, 1, "", {}},
      {"a third quick click pastes again", {}, false, {{0, 0}, {0, 0.2}, {0, 0.4}}, 0, "", {"A", "A"}},
      {"always plain text", {}, true, {{0, 0}, {0, 0.1}}, 0, "", {"A+plain"}},
      {"Shift inverts always plain text", {}, true, {{0, 0}, {0, 0.1, shift}}, 0, "", {"A"}},
      {"Shift pastes plain", {}, false, {{0, 0}, {0, 0.1, shift}}, 0, "", {"A+plain"}},
      {"Ctrl-clicks keep their order", {}, false, {{1, 0, ctrl}, {0, 1, ctrl}}, {}, "BA", {}},
      {"Ctrl-click on the selection starts a multi-selection", 0, false, {{0, 0, ctrl}}, {}, "A", {}},
      {"a second Ctrl-click takes the card out", {}, false, {{0, 0, ctrl}, {1, 1, ctrl}, {0, 2, ctrl}}, {}, "B", {}},
      {"a plain click empties the multi-selection", {}, false, {{0, 0, ctrl}, {1, 1, ctrl}, {0, 2}}, 0, "", {}},
      {"Ctrl-click on an image changes nothing", {}, false, {{2, 0, ctrl}}, {}, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CellHarness h;
    h.fake.context->settings->set(CardCellView::kAlwaysPlainTextKey, c.alwaysPlain);
    h.state.setSelectedIndex(c.selectedBefore);
    double now = 0;
    for (const Click& click : c.clicks) {
      h.fake.scheduler->advance(click.at - now);
      now = click.at;
      h.click(click.card, click.modifiers);
    }
    EXPECT_EQ(h.state.selectedIndex(), c.selected);
    EXPECT_EQ(h.multi(), c.multi);
    EXPECT_EQ(h.pastes, c.pastes);
  }
  CellHarness h;
  h.click(2, ctrl);
  EXPECT_EQ(h.cells[2]->shakeCount(), 1);
  EXPECT_EQ(h.cells[0]->shakeCount(), 0);
}

TEST(CardCell, SwipesDeleteOnlyInsideTheCardAndDragsLeavingItGoOut) {
  const struct {
    const char* name;
    QPointF by;
    bool leaves;
    bool deleted;
    int drags;
  } cases[] = {
      {"70 left, 40 down", {-70, 40}, false, true, 0},        {"70 left, 50 down", {-70, 50}, false, false, 0},
      {"59 straight left", {-59, 0}, false, false, 0},        {"70 right", {70, 0}, false, false, 0},
      {"left the card on the way", {-70, 0}, true, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CellHarness h;
    h.swipe(0, c.by, c.leaves);
    EXPECT_EQ(h.state.items().size(), c.deleted ? 2 : 3);
    EXPECT_EQ(h.fake.dragStarter->dragCount, c.drags);
    EXPECT_EQ(h.state.selectedIndex(), std::nullopt);  // a swipe is never a click
  }
}

TEST(CardCell, DragOutCarriesTheMultiSelectionOnlyFromACardInIt) {
  CellHarness h;
  h.click(1, Qt::ControlModifier);
  h.click(0, Qt::ControlModifier);
  EXPECT_EQ(h.cells[0]->draggedItems(), (QList<ClipboardItem>{h.items[1], h.items[0]}));
  EXPECT_EQ(h.cells[2]->draggedItems(), QList<ClipboardItem>{h.items[2]});
  h.cells[0]->pointerPressed({100, 100});
  h.cells[0]->pointerMoved({100, 300});
  h.cells[0]->pointerMoved({100, 320});
  EXPECT_EQ(h.fake.dragStarter->dragCount, 1);
  EXPECT_TRUE(h.fake.dragStarter->lastData->hasText());
}

TEST(CardCell, HoverFollowsThePointerTheVisibilityAndTheFilteredList) {
  CellHarness h;
  h.state.setIsVisible(true);
  h.cells[0]->pointerHovered(true);
  EXPECT_EQ(h.state.hoveredItem(), h.items[0]);
  h.fake.advanceBoth(0.5);
  EXPECT_DOUBLE_EQ(h.cells[0]->liftProgress(), 1);
  EXPECT_TRUE(h.cells[0]->quickActions().props().isHovering);
  h.state.setSearchQuery("beta");  // the hovered card leaves the list
  EXPECT_EQ(h.state.hoveredItem(), std::nullopt);
  h.state.setSearchQuery("");
  h.cells[1]->pointerHovered(true);
  h.cells[1]->setItem(h.items[0], 1);  // the cell under the pointer shows another card
  EXPECT_EQ(h.state.hoveredItem(), h.items[0]);
  h.state.setIsVisible(false);
  EXPECT_EQ(h.state.hoveredItem(), std::nullopt);
  EXPECT_FALSE(h.cells[1]->isCellHovered());
}

TEST(CardCell, AnchorMovesOnlyBeyondEightPoints) {
  CellHarness h;
  EXPECT_DOUBLE_EQ(h.state.cardAnchors().value(h.items[0].id), 120);
  h.cells[0]->setPos(0, 5);
  EXPECT_DOUBLE_EQ(h.state.cardAnchors().value(h.items[0].id), 120);
  h.cells[0]->setPos(0, 9);
  EXPECT_DOUBLE_EQ(h.state.cardAnchors().value(h.items[0].id), 129);
}

TEST(CardCell, ShakeAndPasteHintFollowTheStateForTheirCardOnly) {
  CellHarness h;
  h.state.shake(h.items[1]);
  h.state.showPasteHint(h.items[1]);
  h.fake.clock->advance(0.07);
  EXPECT_NE(h.cells[1]->shakeOffset(), 0);
  EXPECT_EQ(h.cells[0]->shakeCount(), 0);
  h.fake.advanceBoth(0.5);
  EXPECT_DOUBLE_EQ(h.cells[1]->shakeOffset(), 0);
  EXPECT_NEAR(h.cells[1]->pasteHintPresence(), 1, 0.01);
  EXPECT_TRUE(h.cells[1]->pasteHint().isVisible());
  EXPECT_FALSE(h.cells[0]->pasteHint().isVisible());
  EXPECT_EQ(PasteHintBadge::text(), "Press Ctrl+V to paste");
  EXPECT_TRUE(h.cells[1]->pasteHint().hitShape().isEmpty());
  h.fake.advanceBoth(2.5);
  EXPECT_FALSE(h.cells[1]->pasteHint().isVisible());
}

// Nothing reads the disk on the main thread for a card: its application's name comes with the
// index made on a queue, and a card shown before that takes the name when the index arrives.
TEST(CardCell, ShowsItsApplicationsNameWhenTheIndexArrives) {
  FakeCardContext fake;
  DesktopEntry editor;
  editor.id = QStringLiteral("org.example.Editor");
  editor.name = QStringLiteral("Example Editor");
  fake.desktopEntries->install(editor);
  fake.desktopEntries->madeOnFirstIndex = true;
  fake.context->appIdentity = std::make_shared<AppIdentity>(
      fake.desktopEntries, fake.context->queue(QStringLiteral("desktopEntries")), fake.scheduler);
  PanelState state{*fake.context};
  CardTapMemory taps;
  CardCellView cell(*fake.context, state, taps);
  cell.setItem(textItem("alpha"), 0);
  EXPECT_EQ(cell.card().overlay()->appName(), QStringLiteral("Editor"));  // the id's last part meanwhile

  fake.drain();
  EXPECT_EQ(cell.card().overlay()->appName(), QStringLiteral("Example Editor"));
  EXPECT_EQ(fake.desktopEntries->fileReads, 0);
}
