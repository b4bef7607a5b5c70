// What the library's cards do, driven with real events through the window: clicks and
// Ctrl-clicks into the multi-selection, double-clicks that paste back, drags out, the quick
// actions and the menu; paste-back in virtual time for every way it can end.
#include "items/ItemServices.h"
#include "items/rules/AppRulesManager.h"
#include "items/writer/PasteboardWriter.h"
#include "library/LibraryCard.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace qv {
namespace {

const ScreenInfo kScreen{QStringLiteral("screen"), {0, 0, 1440, 900}, {0, 0, 1440, 900}};

class LibraryCardActionsTest : public ::testing::Test {
 public:
  LibraryCardActionsTest() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    fake.screens->setScreens({kScreen});
    fake.screens->setPointer({100, 100});
    editor.pid = 42;
    editor.desktopId = QStringLiteral("org.example.Editor");
    editor.windowClass = QStringLiteral("editor");
    fake.workspace->addApplication(editor);
    fake.workspace->setFrontmost(editor);
    controller.onVisibilityChange = [this](bool visible) { reports << visible; };
    controller.onPasteNotDelivered = [this] { ++toldCopiedOnly; };
  }
  ~LibraryCardActionsTest() override { fake.drain(); }

  void open(const QList<ClipboardItem>& items) {
    state->setItems(items);
    controller.show(*state);
    reports.clear();
  }
  LibraryView& view() const { return *controller.window()->view(); }
  LibraryModel& model() const { return *controller.model(); }
  LibraryGridView& grid() const { return view().grid(); }
  LibraryCard* card(const QUuid& id) const { return qobject_cast<LibraryCard*>(grid().cardFor(id)); }
  QPoint middleOf(const QUuid& id) const {
    LibraryCard* c = card(id);
    return grid().mapFromScene(c->mapToScene(c->rect().center()));
  }
  void click(const QUuid& id, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, modifiers, middleOf(id));
  }
  // The second press, then its release, as the window system delivers them.
  void doubleClick(const QUuid& id, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint at = middleOf(id);
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(grid().viewport(), Qt::LeftButton, modifiers, at);
  }
  void drag(const QUuid& id) {
    const QPoint from = middleOf(id);
    QTest::mousePress(grid().viewport(), Qt::LeftButton, {}, from);
    const QPoint to = from + QPoint(30, 0);
    QMouseEvent move(QEvent::MouseMove, to, grid().viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(grid().viewport(), &move);
    QTest::mouseRelease(grid().viewport(), Qt::LeftButton, {}, to);
  }
  const QList<PasteboardWrite>& writes() const { return fake.pasteboard->writes(); }
  // An image whose picture is neither in memory nor stored: it cannot be written.
  static ClipboardItem lostImage() { return test::imageItem(QImage()); }

  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  LibraryWindowController controller{*fake.context};
  RunningApp editor;
  QList<bool> reports;
  int toldCopiedOnly = 0;
};

TEST_F(LibraryCardActionsTest, ClicksSelectAndCtrlClicksBuildTheMultiSelectionInItsOrder) {
  const ClipboardItem a = test::textItem("a"), b = test::textItem("b"), c = test::textItem("c");
  const ClipboardItem image = test::imageItem(test::testImage());
  open({a, b, c, image});
  struct Step {
    const char* name;
    QUuid target;
    Qt::KeyboardModifiers modifiers;
    QList<QUuid> multi;
    std::optional<QUuid> selection;
    int imageShakes;
  };
  const Step steps[] = {
      {"plain click selects", b.id, {}, {}, b.id, 0},
      {"clicking it again keeps it selected", b.id, {}, {}, b.id, 0},
      {"Ctrl adds a", a.id, Qt::ControlModifier, {a.id}, b.id, 0},
      {"Ctrl adds b", b.id, Qt::ControlModifier, {a.id, b.id}, b.id, 0},
      {"Ctrl adds c", c.id, Qt::ControlModifier, {a.id, b.id, c.id}, b.id, 0},
      {"Ctrl takes b out", b.id, Qt::ControlModifier, {a.id, c.id}, b.id, 0},
      {"an image only shakes", image.id, Qt::ControlModifier, {a.id, c.id}, b.id, 1},
      {"a plain click ends the multi-selection", c.id, {}, {}, c.id, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    click(step.target, step.modifiers);
    EXPECT_EQ(state->multiSelectedIDs(), step.multi);
    EXPECT_EQ(model().selection(), step.selection);
    EXPECT_EQ(card(image.id)->shakeCount(), step.imageShakes);
  }
  EXPECT_TRUE(card(a.id)->props().card.isSelected == false);
}

TEST_F(LibraryCardActionsTest, DoubleClickPastesAsIsWithShiftAsPlainTextWithCtrlNotAtAll) {
  fake.pastePermission->held = false;
  // The setting is the edge panel's; the library never reads it.
  fake.context->settings->set(QStringLiteral("qv.alwaysPlainText"), true);
  const ClipboardItem link = test::linkItem("https://example.com/a");
  open({link});
  struct Case {
    const char* name;
    Qt::KeyboardModifiers modifiers;
    bool writes;
    bool plain;
  };
  const Case cases[] = {
      {"plain double-click", {}, true, false},
      {"Shift: plain text", Qt::ShiftModifier, true, true},
      {"Ctrl: nothing", Qt::ControlModifier, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const qsizetype before = writes().size();
    state->setPasteHintItemID(std::nullopt);
    doubleClick(link.id, c.modifiers);
    ASSERT_EQ(writes().size(), before + (c.writes ? 1 : 0));
    if (!c.writes) continue;
    EXPECT_EQ(writes().last().text, "https://example.com/a");
    EXPECT_EQ(writes().last().urls.isEmpty(), c.plain);
    EXPECT_EQ(state->pasteHintItemID(), link.id);
  }
  EXPECT_TRUE(controller.isVisible());
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(LibraryCardActionsTest, ADragCarriesTheMultiSelectionInItsOrderAsFarAsTheGridListsIt) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 600; ++i)
    items << test::textItem(i == 550 ? QStringLiteral("other") : QStringLiteral("item %1").arg(i));
  open(items);
  // 500 picked newest-last, after one that the search below narrows away.
  QList<QUuid> picked{items[550].id};
  for (int i = 499; i >= 0; --i) picked << items[i].id;
  state->setMultiSelectedIDs(picked);
  QTest::keyClicks(&view().searchField(), QStringLiteral("item"));
  drag(items[0].id);
  ASSERT_EQ(fake.dragStarter->dragCount, 1);
  const QStringList dragged = fake.dragStarter->lastData->text().split(QStringLiteral("\n\n"));
  ASSERT_EQ(dragged.size(), 500);
  EXPECT_EQ(dragged.first(), "item 499");
  EXPECT_EQ(dragged.last(), "item 0");
  EXPECT_EQ(model().selection(), std::nullopt) << "a drag is no click";

  // A card outside the multi-selection drags alone.
  state->setMultiSelectedIDs({items[3].id, items[4].id});
  drag(items[1].id);
  EXPECT_EQ(fake.dragStarter->lastData->text(), "item 1");
}

TEST_F(LibraryCardActionsTest, QuickActionsAndTheMenuActOnTheCardsItem) {
  const ClipboardItem nearby = ClipboardItem::make(QUuid::createUuid(), QString::fromLatin1(kNearbyDeviceBundleID),
                                                   QDateTime::currentDateTime(), TextPayload{QStringLiteral("hello")});
  const ClipboardItem other = test::textItem("other");
  open({nearby, other});
  grid().scrollTo(0);
  // Right click: the shared card menu with the library's closures.
  QContextMenuEvent menuAt(QContextMenuEvent::Mouse, middleOf(nearby.id),
                           grid().viewport()->mapToGlobal(middleOf(nearby.id)));
  QApplication::sendEvent(grid().viewport(), &menuAt);
  ASSERT_EQ(fake.menuPresenter->popUps(), 1);
  const QStringList rows = FakeMenuPresenter::titles(fake.menuPresenter->lastMenu());
  EXPECT_FALSE(rows.join(u',').contains(QStringLiteral("Switch to"))) << rows.join(u',').toStdString();
  ASSERT_TRUE(fake.menuPresenter->choose(QStringLiteral("UPPERCASE")));
  fake.drain();  // a row runs once its menu has closed
  ASSERT_FALSE(writes().isEmpty());
  // "Paste Transformed" copies, with the copied feedback.
  EXPECT_EQ(writes().last().text, "HELLO");
  EXPECT_EQ(state->copiedItemID(), nearby.id);
  EXPECT_TRUE(reports.isEmpty());

  // Nor does it offer rules for the nearby device.
  for (const QString& row : rows)
    EXPECT_FALSE(row.startsWith(QStringLiteral("Blur clips from")) || row.startsWith(QStringLiteral("Ignore")))
        << row.toStdString();

  const QPoint otherAt = middleOf(other.id);
  QContextMenuEvent otherMenu(QContextMenuEvent::Mouse, otherAt, grid().viewport()->mapToGlobal(otherAt));
  QApplication::sendEvent(grid().viewport(), &otherMenu);
  const QStringList otherRows = FakeMenuPresenter::titles(fake.menuPresenter->lastMenu());
  const auto switchRow = std::find_if(otherRows.cbegin(), otherRows.cend(),
                                      [](const QString& row) { return row.startsWith(QStringLiteral("Switch to")); });
  ASSERT_NE(switchRow, otherRows.cend());
  ASSERT_TRUE(fake.menuPresenter->choose(*switchRow));
  fake.drain();
  EXPECT_EQ(fake.workspace->switchedToApplications, QStringList{"org.example.Editor"});
  QApplication::sendEvent(grid().viewport(), &otherMenu);
  ASSERT_TRUE(fake.menuPresenter->choose(QStringLiteral("Delete")));
  fake.drain();
  EXPECT_EQ(state->items().size(), 1);

  // The hover row's pin on the card under the pointer.
  QMouseEvent hover(QEvent::MouseMove, middleOf(nearby.id), grid().viewport()->mapToGlobal(middleOf(nearby.id)),
                    Qt::NoButton, Qt::NoButton, {});
  QApplication::sendEvent(grid().viewport(), &hover);
  fake.advanceBoth(0.5);
  CardQuickActions& row = card(nearby.id)->quickActions();
  ASSERT_TRUE(row.props().isHovering);
  ASSERT_EQ(row.buttons().size(), 3u);
  QuickActionButton* pin = row.buttons()[1];
  const QPoint pinAt = grid().mapFromScene(pin->mapToScene(pin->rect().center()));
  click(nearby.id);  // selects; the pin below is what counts
  QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, pinAt);
  EXPECT_TRUE(state->pinnedIDs().contains(nearby.id));
}

// A card goes and the next one slides under the pointer, which stays where it is: the host hovers
// the card that arrived (its quick actions show, Ctrl+C copies it) and nothing else, not the card
// that slid away; an open pane stays where it was, since the pointer did not move.
TEST_F(LibraryCardActionsTest, TheCardThatSlidesUnderTheRestingPointerIsHoveredAndCopied) {
  struct Case {
    const char* name;
    int pointedAt;  // the card under the pointer
    int removed;
    bool byQuickAction;  // else by the card's menu
  };
  const Case cases[] = {
      {"its own quick-action Delete", 0, 0, true},
      {"the menu's Delete of the card before it", 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QList<ClipboardItem> items;
    for (int i = 0; i < 8; ++i) items << test::textItem(QStringLiteral("copied text %1").arg(i));
    open(items);
    fake.advanceBoth(1);  // the grid has settled: a removal animates
    const auto pointAt = [&](QPoint inGrid) {
      QTest::mouseMove(controller.window()->windowHandle(), grid().viewport()->mapTo(controller.window(), inGrid));
    };
    QPoint pointer = middleOf(items[c.pointedAt].id);
    pointAt(pointer + QPoint(0, 1));
    pointAt(pointer);
    fake.advanceBoth(0.5);
    ASSERT_EQ(model().hoveredID(), items[c.pointedAt].id);
    model().showDetail(items[7].id);
    LibraryCard* slidAway = c.pointedAt == c.removed ? nullptr : card(items[c.pointedAt].id);
    if (c.byQuickAction) {
      QuickActionButton* remove = card(items[c.removed].id)->quickActions().buttons().back();
      ASSERT_EQ(remove->props().help, QStringLiteral("Delete"));
      pointer = grid().mapFromScene(remove->mapToScene(remove->rect().center()));
      pointAt(pointer);
      fake.advanceBoth(0.3);
      QTest::mouseClick(controller.window()->windowHandle(), Qt::LeftButton, {},
                        grid().viewport()->mapTo(controller.window(), pointer));
    } else {
      const QPoint at = middleOf(items[c.removed].id);
      fake.screens->setPointer(grid().viewport()->mapToGlobal(pointer));
      QContextMenuEvent menu(QContextMenuEvent::Mouse, at, grid().viewport()->mapToGlobal(at));
      QApplication::sendEvent(grid().viewport(), &menu);
      ASSERT_TRUE(fake.menuPresenter->choose(QStringLiteral("Delete")));
      fake.drain();
    }
    ASSERT_FALSE(state->items().contains(items[c.removed]));
    fake.advanceBoth(1.5);
    const ClipboardItem arrived = items[c.pointedAt + 1];
    ASSERT_EQ(grid().cardFor(arrived.id)->sceneBoundingRect().contains(grid().mapToScene(pointer)), true);
    EXPECT_EQ(model().hoveredID(), arrived.id);
    EXPECT_TRUE(card(arrived.id)->isCardHovered());
    EXPECT_TRUE(card(arrived.id)->quickActions().props().isHovering);
    if (slidAway) {
      EXPECT_FALSE(slidAway->isCardHovered());
      EXPECT_FALSE(slidAway->quickActions().props().isHovering);
    }
    EXPECT_EQ(model().previewID(), items[7].id);
    controller.window()->activateWindow();
    QApplication::processEvents();
    QTest::keyClick(controller.window()->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_FALSE(writes().isEmpty());
    EXPECT_EQ(writes().last().text, arrived.plainText());
  }
}

// ---- Paste-back ------------------------------------------------------------------------------

TEST_F(LibraryCardActionsTest, PasteBackHidesTheLibraryAndTypesIntoTheApplicationItCameFrom) {
  const ClipboardItem item = test::textItem("to paste");
  open({item});
  doubleClick(item.id);
  EXPECT_EQ(writes().last().text, "to paste");
  EXPECT_FALSE(controller.isVisible());
  EXPECT_EQ(reports, QList<bool>{false});
  fake.advanceBoth(0.19);
  EXPECT_TRUE(fake.workspace->activations.isEmpty());
  fake.advanceBoth(0.02);
  ASSERT_EQ(fake.workspace->activations.size(), 1);
  EXPECT_EQ(fake.workspace->activations.first().pid, 42);
  fake.advanceBoth(0.1);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  // About 0.35 s after the double-click.
  fake.advanceBoth(0.1);
  EXPECT_EQ(fake.keyPoster->pastes, QStringList{"editor"});
  EXPECT_EQ(toldCopiedOnly, 0);
}

TEST_F(LibraryCardActionsTest, APasteThatCannotBeTypedLeavesTheItemCopiedAndTellsTheUser) {
  struct Case {
    const char* name;
    std::function<void(LibraryCardActionsTest&)> arrange;
  };
  const Case cases[] = {
      // The target's window closes within the 0.2 s.
      {"target gone",
       [](LibraryCardActionsTest& t) {
         t.fake.scheduler->after(0.1, [&t] { t.fake.workspace->removeApplication(42); });
       }},
      {"never active",
       [](LibraryCardActionsTest& t) {
         t.fake.scheduler->after(0.3, [&t] {
           RunningApp other;
           other.pid = 77;
           t.fake.workspace->setFrontmost(other);
         });
       }},
      {"keys cannot be posted", [](LibraryCardActionsTest& t) { t.fake.keyPoster->available = false; }},
      {"permission lost after the write",
       [](LibraryCardActionsTest& t) {
         t.fake.context->pasteboardWriter->setOwnWriteHook([&t] { t.fake.pastePermission->held = false; });
       }},
  };
  const ClipboardItem item = test::textItem("only copied");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    open({item});
    toldCopiedOnly = 0;
    c.arrange(*this);
    doubleClick(item.id);
    fake.advanceBoth(2);
    EXPECT_EQ(writes().last().text, "only copied");
    EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
    EXPECT_FALSE(controller.isVisible());
    EXPECT_EQ(reports, QList<bool>{false});
    EXPECT_EQ(toldCopiedOnly, 1);
    fake.workspace->addApplication(editor);
    fake.workspace->setFrontmost(editor);
    fake.keyPoster->available = true;
    fake.pastePermission->held = true;
    fake.context->pasteboardWriter->setOwnWriteHook({});
  }
}

TEST_F(LibraryCardActionsTest, WithoutThePermissionOrAnApplicationToGoBackToItOnlyCopiesAndHints) {
  const ClipboardItem item = test::textItem("hinted");
  struct Case {
    const char* name;
    bool permission;
    bool rememberedApp;
  };
  const Case cases[] = {{"no permission", false, true}, {"no application remembered", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.pastePermission->held = c.permission;
    if (!c.rememberedApp) {
      fake.workspace->removeApplication(42);
      fake.workspace->setFrontmost(std::nullopt);
      fake.workspace->setPreviousApplication(std::nullopt);
    }
    LibraryWindowController fresh(*fake.context);
    fresh.show(*state);
    state->setItems({item});
    LibraryGridView& freshGrid = fresh.window()->view()->grid();
    PaintedItem* target = freshGrid.cardFor(item.id);
    ASSERT_NE(target, nullptr);
    state->setPasteHintItemID(std::nullopt);
    const QPoint at = freshGrid.mapFromScene(target->mapToScene(target->rect().center()));
    QTest::mouseDClick(freshGrid.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(freshGrid.viewport(), Qt::LeftButton, {}, at);
    fake.advanceBoth(1);
    EXPECT_EQ(writes().last().text, "hinted");
    EXPECT_EQ(state->pasteHintItemID(), item.id);
    EXPECT_TRUE(fresh.isVisible());
    EXPECT_TRUE(fake.workspace->activations.isEmpty());
    EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  }
}

TEST_F(LibraryCardActionsTest, AFailedWriteShakesTheCardAndKeepsTheWindow) {
  const ClipboardItem image = lostImage();
  open({image, test::textItem("steady")});
  for (const bool permission : {false, true}) {
    SCOPED_TRACE(permission ? "with permission" : "without");
    fake.pastePermission->held = permission;
    const int shakes = card(image.id)->shakeCount();
    doubleClick(image.id);
    fake.advanceBoth(1);
    EXPECT_EQ(card(image.id)->shakeCount(), shakes + 1);
    EXPECT_TRUE(writes().isEmpty());
    EXPECT_TRUE(controller.isVisible());
    EXPECT_TRUE(reports.isEmpty());
  }
}

}  // namespace
}  // namespace qv
