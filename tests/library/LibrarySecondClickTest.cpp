// A second click, or the second press of a double-click, in the library acts only on what the
// user aimed at, driven with real events through the window: what comes under the resting pointer
// after the first click (the action row after Save, a card sliding into a deleted card's place, a
// card under a menu that closed) takes no press that removes, copies or pastes an item until the
// pointer moves onto it; the others it takes once no double-click can begin with it.
#include "library/LibraryCard.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeaderButton.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "platform/fake/FakeMenuPresenter.h"
#include "preview/EditableTextView.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryDesktop.h"
#include "support/state/StateTestSupport.h"
#include "support/ui/WindowPointer.h"
#include "ui/controls/PillButtons.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

namespace qv {
namespace {

const ScreenInfo kScreen{QStringLiteral("screen"), {0, 0, 1440, 900}, {0, 0, 1440, 900}};
// The second click: the second press of a double-click, then later ones.
const int kSecondClicks[] = {test::WindowPointer::doubleClickMs(), 150, 300, 500, 1000};

class LibrarySecondClickTest : public ::testing::Test {
 public:
  LibrarySecondClickTest() {
    test::prepareLibraryDesktop(fake, kScreen);
    // A paste-back only copies, so the window stays.
    fake.pastePermission->held = false;
  }
  // A fresh library window over `count` text items.
  void open(int count) {
    controller.reset();
    state = std::make_unique<PanelState>(*fake.context);
    QList<ClipboardItem> items;
    for (int i = 0; i < count; ++i) items << test::textItem(QStringLiteral("item %1").arg(i));
    state->setItems(items);
    controller = std::make_unique<LibraryWindowController>(*fake.context);
    controller->show(*state);
    controller->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    fake.advanceBoth(1);
    writesAtOpen = int(fake.pasteboard->writes().size());
  }
  ~LibrarySecondClickTest() override {
    controller.reset();
    fake.drain();
  }

  LibraryWindow& window() const { return *controller->window(); }
  LibraryGridView& grid() const { return window().view()->grid(); }
  LibraryDetailView* pane() const { return window().findChild<LibraryDetailView*>(); }
  LibraryCard* card(int index) const { return qobject_cast<LibraryCard*>(grid().cardFor(state->items()[index].id)); }
  // Where a point of a card's item shows in the grid's viewport.
  QPoint inGrid(const QGraphicsItem& item, QPointF point) const { return grid().mapFromScene(item.mapToScene(point)); }
  // The item of the card whose shape holds a point of the viewport; none for none.
  std::optional<QUuid> itemUnder(QPoint point) const {
    for (const ClipboardItem& item : state->items())
      if (auto* c = qobject_cast<LibraryCard*>(grid().cardFor(item.id)))
        if (c->hitShape().contains(c->mapFromScene(grid().mapToScene(point)))) return item.id;
    return std::nullopt;
  }
  // Writes to the clipboard since the window opened (a paste-back writes first).
  int pastes() const { return int(fake.pasteboard->writes().size()) - writesAtOpen; }
  QString textOf(const QUuid& id) const {
    for (const ClipboardItem& item : state->items())
      if (item.id == id) return item.plainText().value_or(QString());
    return {};
  }

  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  std::unique_ptr<LibraryWindowController> controller;
  int writesAtOpen = 0;
};

// Save after an edit brings the action row back, its Delete where Save was: the second click
// keeps the item; once the pointer moves onto Delete, it deletes.
TEST_F(LibrarySecondClickTest, SaveAfterAnEditGivesWayToADeleteThatWaitsForThePointer) {
  for (const int afterMs : kSecondClicks) {
    SCOPED_TRACE(afterMs);
    open(2);
    const ClipboardItem edited = state->items()[0];
    QTest::keyClick(window().windowHandle(), Qt::Key_Down);
    QTest::keyClick(window().windowHandle(), Qt::Key_Space);
    fake.advanceBoth(1);
    ASSERT_NE(pane(), nullptr);
    ASSERT_EQ(pane()->props().item.id, edited.id);
    LibraryHeaderButton* remove = pane()->button(LibraryDetailView::Action::remove);
    ASSERT_NE(remove, nullptr);
    const QPoint onDelete = remove->mapTo(pane(), remove->rect().center());
    QTest::mouseClick(pane()->button(LibraryDetailView::Action::edit), Qt::LeftButton, {}, QPoint(11, 11));
    fake.advanceBoth(1);
    ASSERT_NE(pane()->editor(), nullptr);
    pane()->editor()->setFocus();
    QTest::keyClicks(pane()->editor(), QStringLiteral(" edit"));
    ToolbarPillButton* save = pane()->saveButton();
    ASSERT_TRUE(save->geometry().contains(save->parentWidget()->mapFrom(pane(), onDelete)));

    test::WindowPointer pointer(*pane());
    pointer.moveTo(onDelete);
    pointer.click(onDelete);
    EXPECT_EQ(state->items()[0].plainText(), QStringLiteral("item 0 edit"));
    fake.advanceBoth(afterMs / 1000.0);
    pointer.click(onDelete, afterMs);
    fake.advanceBoth(1);
    EXPECT_EQ(state->items().size(), 2) << "the Delete that came in took the second click";
    ASSERT_EQ(pane()->button(LibraryDetailView::Action::remove), remove);
    pointer.moveTo(onDelete);
    pointer.click(onDelete);
    EXPECT_EQ(state->items().size(), 1) << "the pointer moved onto Delete";
  }
}

// A card's hover Delete deletes it; the next card slides into its place, its Delete under the
// resting pointer: a second click deletes nothing more and a double-click pastes nothing.
TEST_F(LibrarySecondClickTest, ADeleteThatSlidUnderTheRestingPointerWaitsForIt) {
  for (const int afterMs : kSecondClicks) {
    SCOPED_TRACE(afterMs);
    open(6);
    test::WindowPointer pointer(*grid().viewport());
    pointer.moveTo(inGrid(*card(0), card(0)->rect().center()));
    fake.advanceBoth(0.5);
    QuickActionButton* remove = card(0)->quickActions().buttons().back();
    ASSERT_EQ(remove->props().help, "Delete");
    const QPoint onDelete = inGrid(*remove, remove->rect().center());
    pointer.moveTo(onDelete);
    fake.advanceBoth(0.3);
    const ClipboardItem next = state->items()[1];
    pointer.click(onDelete);
    EXPECT_EQ(state->items().size(), 5);
    fake.advanceBoth(afterMs / 1000.0);
    pointer.click(onDelete, afterMs);
    fake.advanceBoth(1);
    EXPECT_EQ(state->items().size(), 5);
    EXPECT_EQ(pastes(), 0);
    ASSERT_EQ(itemUnder(onDelete), next.id) << "the next card slid into the deleted one's place";
    pointer.moveTo(onDelete);
    pointer.click(onDelete);
    EXPECT_FALSE(state->items().contains(next)) << "the pointer moved onto the Delete that came";
  }
}

// The menu's Delete removes the card; the menu closes over a card that moved up under its row.
// The second press of a double-click there, or a later click, neither pastes nor selects that
// card; once the pointer moves onto it, a double-click pastes it.
TEST_F(LibrarySecondClickTest, ACardUnderAMenuThatClosedWaitsForThePointer) {
  for (const int afterMs : kSecondClicks) {
    SCOPED_TRACE(afterMs);
    open(8);
    test::WindowPointer pointer(*grid().viewport());
    const QPoint onFirst = inGrid(*card(0), card(0)->rect().center());
    pointer.moveTo(onFirst);
    const int menus = fake.menuPresenter->popUps();
    QTest::mouseClick(window().windowHandle(), Qt::RightButton, {}, grid().viewport()->mapTo(&window(), onFirst));
    ASSERT_EQ(fake.menuPresenter->popUps(), menus + 1);
    // The menu's Delete row lies over the card below the first one.
    const QPoint onRow = inGrid(*card(grid().columns()), card(grid().columns())->rect().center());
    fake.screens->setPointer(grid().viewport()->mapToGlobal(onRow));
    ASSERT_TRUE(fake.menuPresenter->choose(QStringLiteral("Delete")));
    QApplication::processEvents();
    fake.drain();
    EXPECT_EQ(state->items().size(), 7);
    fake.advanceBoth(afterMs / 1000.0);
    const std::optional<QUuid> selected = controller->model()->selection();
    // The second press as the window delivers it after a first one on the menu's row.
    const QPointF global = grid().viewport()->mapToGlobal(QPointF(onRow));
    for (const QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, onRow, global, Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
      QApplication::sendEvent(grid().viewport(), &event);
    }
    fake.advanceBoth(1);
    EXPECT_EQ(pastes(), 0);
    const std::optional<QUuid> aimed = itemUnder(onRow);
    ASSERT_TRUE(aimed) << "a card moved up under the menu's row";
    EXPECT_EQ(controller->model()->selection(), selected);
    pointer.moveTo(onRow);
    pointer.click(onRow);
    pointer.click(onRow, test::WindowPointer::doubleClickMs());
    fake.advanceBoth(1);
    ASSERT_EQ(pastes(), 1) << "the pointer moved onto the card";
    EXPECT_EQ(fake.pasteboard->writes().back().text, textOf(*aimed));
  }
}

// Clicks in place, the pointer never moving: what each click brings under the pointer acts on no
// item and takes the next click once the double-click interval has passed.
TEST_F(LibrarySecondClickTest, ClicksInPlaceWalkTheDetailPanesEditAndCancel) {
  for (const int afterMs : {500, 1000}) {
    SCOPED_TRACE(afterMs);
    open(2);
    QTest::keyClick(window().windowHandle(), Qt::Key_Down);
    QTest::keyClick(window().windowHandle(), Qt::Key_Space);
    fake.advanceBoth(1);
    ASSERT_NE(pane(), nullptr);
    LibraryHeaderButton* edit = pane()->button(LibraryDetailView::Action::edit);
    ASSERT_NE(edit, nullptr);
    const QPoint onEdit = edit->mapTo(pane(), edit->rect().center());
    test::WindowPointer pointer(*pane());
    pointer.moveTo(onEdit);
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round);
      pointer.click(onEdit, afterMs);
      fake.advanceBoth(afterMs / 1000.0);
      ASSERT_NE(pane()->editor(), nullptr) << "Edit took the click";
      ToolbarPillButton* cancel = pane()->cancelButton();
      ASSERT_TRUE(cancel->rect().contains(cancel->mapFrom(pane(), onEdit))) << "Cancel came where Edit was";
      pointer.click(onEdit, afterMs);
      fake.advanceBoth(afterMs / 1000.0);
      EXPECT_EQ(pane()->editor(), nullptr) << "Cancel took the click";
    }
    EXPECT_EQ(state->items()[0].plainText(), QStringLiteral("item 0"));
  }
}

// The pane's Close uncovers a card: a click there in place, a while later, selects it; a
// double-click there pastes nothing, as the card came by itself.
TEST_F(LibrarySecondClickTest, TheCardTheDetailPanesCloseUncoversTakesAClickInPlace) {
  for (const bool doubleClick : {false, true}) {
    SCOPED_TRACE(doubleClick ? "a double-click" : "a click");
    open(12);
    QTest::keyClick(window().windowHandle(), Qt::Key_Down);
    QTest::keyClick(window().windowHandle(), Qt::Key_Space);
    fake.advanceBoth(1);
    ASSERT_NE(pane(), nullptr);
    LibraryHeaderButton* close = pane()->button(LibraryDetailView::Action::close);
    ASSERT_NE(close, nullptr);
    const QPoint onClose = close->mapTo(&window(), close->rect().center());
    const QPoint inGridPoint = grid().viewport()->mapFrom(&window(), onClose);
    test::WindowPointer pointer(window());
    pointer.moveTo(onClose);
    pointer.click(onClose);
    fake.advanceBoth(1);
    ASSERT_FALSE(window().view()->detailOverlay().isVisible());
    const std::optional<QUuid> beneath = itemUnder(inGridPoint);
    ASSERT_TRUE(beneath) << "a card lies beneath the Close";
    pointer.click(onClose, 1000);
    if (doubleClick) pointer.click(onClose, test::WindowPointer::doubleClickMs());
    fake.advanceBoth(1);
    EXPECT_EQ(controller->model()->selection(), beneath);
    EXPECT_EQ(pastes(), 0);
  }
}

// What the pointer's own doing brought under it counts at once, a double-click there pasting the
// card: a wheel turned under it, and a window shown again under it (where the pointer was is
// forgotten when the window hides). A card that came by itself pastes nothing.
TEST_F(LibrarySecondClickTest, ADoubleClickInPlacePastesTheCardTheWheelOrAShownWindowBrought) {
  enum class Brought { wheel, windowShownAgain, removalBeside };
  const struct {
    const char* name;
    Brought brought;
    bool pastes;
  } cases[] = {
      {"a wheel turned under the pointer", Brought::wheel, true},
      {"the window hidden and shown again", Brought::windowShownAgain, true},
      {"a card removed before it, the window staying", Brought::removalBeside, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    open(40);
    const QPoint at = inGrid(*card(0), card(0)->rect().center());
    test::WindowPointer pointer(*grid().viewport());
    pointer.moveTo(at);
    fake.advanceBoth(0.5);
    const std::optional<QUuid> before = itemUnder(at);
    ASSERT_EQ(before, state->items()[0].id);
    switch (c.brought) {
      case Brought::wheel:
        for (int notch = 0; notch < 3; ++notch) {
          QWheelEvent wheel(at, grid().viewport()->mapToGlobal(QPointF(at)), {}, QPoint(0, -120), Qt::NoButton, {},
                            Qt::NoScrollPhase, false);
          QApplication::sendEvent(grid().viewport(), &wheel);
        }
        break;
      case Brought::windowShownAgain:
        window().hide();
        state->removeItem(state->items()[0].id);
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
        break;
      case Brought::removalBeside: state->removeItem(state->items()[0].id); break;
    }
    fake.advanceBoth(2);
    const std::optional<QUuid> brought = itemUnder(at);
    ASSERT_TRUE(brought);
    ASSERT_NE(brought, before);
    pointer.click(at);
    pointer.click(at, test::WindowPointer::doubleClickMs());
    fake.advanceBoth(1);
    if (c.pastes) {
      ASSERT_EQ(pastes(), 1);
      EXPECT_EQ(fake.pasteboard->writes().back().text, textOf(*brought));
    } else {
      EXPECT_EQ(pastes(), 0);
    }
  }
}

}  // namespace
}  // namespace qv
