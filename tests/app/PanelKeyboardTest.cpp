#include "app/PanelControllerHarness.h"
#include "items/capture/OwnWriteCounter.h"
#include "panel/CardCellView.h"
#include "panel/CardScrollView.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "platform/MenuPresenter.h"
#include "platform/keys/KeyCodes.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

using namespace qv;

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

struct Pick {
  QUuid id;
  bool plainText;
  bool operator==(const Pick&) const = default;
};

// The panel is open with three text items; the paste hooks only record what the keys ask for.
struct PanelKeyboardTest : test::PanelControllerHarness {
  PanelKeyboardTest() {
    items = {test::textItem("one"), test::textItem("two"), test::textItem("three")};
    state().setItems(items);
    state().setPasteAction([this](const ClipboardItem& item, bool plain) { picks.append({item.id, plain}); });
    state().setPasteMultiAction([this](const QList<ClipboardItem>& list) {
      QList<QUuid> ids;
      for (const ClipboardItem& item : list) ids << item.id;
      multiPicks << ids;
    });
    controller->showPanel();
    advance(1);
  }

  bool press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}, bool repeat = false) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, text, repeat);
    return controller->handleKeyDown(event);
  }
  void setAlwaysPlainText(bool on) { fake.context->settings->set("qv.alwaysPlainText", on); }
  const QList<PasteboardWrite>& writes() { return fake.pasteboard->writes(); }

  QList<ClipboardItem> items;
  QList<Pick> picks;
  QList<QList<QUuid>> multiPicks;
  qsizetype writesBefore = 0;
};

TEST_F(PanelKeyboardTest, CommandDigitPastesThatPositionWithinTheList) {
  struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool alwaysPlain;
    std::optional<Pick> pick;
  };
  const QList<Case> cases = {
      {"Ctrl+1", Qt::Key_1, kCtrl, false, Pick{items[0].id, false}},
      {"Ctrl+3", Qt::Key_3, kCtrl, false, Pick{items[2].id, false}},
      {"Ctrl+4 beyond three items", Qt::Key_4, kCtrl, false, std::nullopt},
      {"Ctrl+5 beyond three items", Qt::Key_5, kCtrl, false, std::nullopt},
      {"Ctrl+Shift+1 inverts the plain flag", Qt::Key_Exclam, kCtrlShift, false, Pick{items[0].id, true}},
      {"Ctrl+2 with always-plain", Qt::Key_2, kCtrl, true, Pick{items[1].id, true}},
      {"Ctrl+Shift+2 with always-plain", Qt::Key_At, kCtrlShift, true, Pick{items[1].id, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    picks.clear();
    setAlwaysPlainText(c.alwaysPlain);
    EXPECT_TRUE(press(c.key, c.modifiers));
    EXPECT_EQ(picks, c.pick ? QList<Pick>{*c.pick} : QList<Pick>{});
  }

  state().setItems({});
  picks.clear();
  EXPECT_TRUE(press(Qt::Key_1, kCtrl));
  state().setPasteAction({});  // an unset hook: the key still counts as handled
  state().setItems(items);
  EXPECT_TRUE(press(Qt::Key_1, kCtrl));
  EXPECT_TRUE(picks.isEmpty());
}

TEST_F(PanelKeyboardTest, ReturnPastesTheSelectionOrTheFirstItemOrTheMultiSelection) {
  EXPECT_TRUE(press(Qt::Key_Return));
  state().setSelectedIndex(2);
  EXPECT_TRUE(press(Qt::Key_Enter, Qt::KeypadModifier));
  EXPECT_TRUE(press(Qt::Key_Return, kCtrl));
  EXPECT_EQ(picks, (QList<Pick>{{items[0].id, false}, {items[2].id, false}, {items[2].id, false}}));

  // With always-plain on, Shift turns it off again.
  picks.clear();
  setAlwaysPlainText(true);
  EXPECT_TRUE(press(Qt::Key_Return));
  EXPECT_TRUE(press(Qt::Key_Return, kShift));
  EXPECT_EQ(picks, (QList<Pick>{{items[2].id, true}, {items[2].id, false}}));

  picks.clear();
  state().setMultiSelectedIDs({items[2].id, items[0].id});
  EXPECT_TRUE(press(Qt::Key_Return));
  EXPECT_EQ(multiPicks, (QList<QList<QUuid>>{{items[2].id, items[0].id}}));
  EXPECT_TRUE(picks.isEmpty());
}

TEST_F(PanelKeyboardTest, CommandShiftWithAnyOtherKeyIsLeftAlone) {
  state().setSelectedIndex(0);
  for (int key : {int(Qt::Key_Return), int(Qt::Key_C), int(Qt::Key_F), int(Qt::Key_P), int(Qt::Key_Escape),
                  int(Qt::Key_Space), int(Qt::Key_Backspace), int(Qt::Key_Delete)})
    EXPECT_FALSE(press(key, kCtrlShift)) << key;
  EXPECT_TRUE(picks.isEmpty());
  EXPECT_EQ(state().expandSearchTrigger(), 0);
  EXPECT_TRUE(writes().isEmpty());
  EXPECT_TRUE(state().pinnedIDs().isEmpty());
  EXPECT_EQ(state().items().size(), 3);
  EXPECT_TRUE(state().isVisible());
}

// BackSpace and the forward Delete key of PC keyboards remove alike.
TEST_F(PanelKeyboardTest, DeleteRemovesOneItemPerPressAndTIsSwallowed) {
  for (const int removeKey : {int(Qt::Key_Backspace), int(Qt::Key_Delete)}) {
    SCOPED_TRACE(removeKey);
    state().setSearchFieldFocused(false);
    state().setItems(items);
    state().setSelectedIndex(0);
    EXPECT_TRUE(press(removeKey));
    EXPECT_TRUE(press(removeKey, kNone, "\b", true));
    EXPECT_TRUE(press(removeKey, kNone, "\b", true));
    ASSERT_EQ(state().items().size(), 2);
    EXPECT_EQ(state().items().first().id, items[1].id);

    // The hovered card goes before the selected one; modifiers do not matter. Once it is gone
    // the selection is next, though the pointer has not moved yet.
    state().setItems(items);
    state().setSelectedIndex(0);
    state().setHoveredItem(items[2]);
    EXPECT_TRUE(press(removeKey, kCtrl));
    EXPECT_TRUE(press(removeKey, Qt::AltModifier));
    ASSERT_EQ(state().items().size(), 1);
    EXPECT_EQ(state().items().first().id, items[1].id);
    state().setHoveredItem(std::nullopt);
    for (Qt::KeyboardModifiers modifiers :
         {kCtrl, Qt::KeyboardModifiers(Qt::AltModifier), Qt::KeyboardModifiers(Qt::MetaModifier)})
      EXPECT_TRUE(press(Qt::Key_T, modifiers));
    EXPECT_EQ(state().searchQuery(), QString());
    EXPECT_EQ(state().items().size(), 1);

    // With the search field focused both keys belong to the field.
    state().setSearchFieldFocused(true);
    EXPECT_FALSE(press(removeKey));
    EXPECT_FALSE(press(Qt::Key_T, kNone, "t"));
    EXPECT_EQ(state().items().size(), 1);
  }
}

TEST_F(PanelKeyboardTest, EscapeClosesOneThingPerPressThenThePanel) {
  struct Case {
    const char* name;
    std::function<void(PanelKeyboardTest&)> open;
    std::function<bool(PanelKeyboardTest&)> isOpen;
  };
  const QList<Case> cases = {
      {"dots menu", [](PanelKeyboardTest& t) { t.state().setShowDotsMenu(true); },
       [](PanelKeyboardTest& t) { return t.state().showDotsMenu(); }},
      {"preview", [](PanelKeyboardTest& t) { t.state().setPreviewItemID(t.items[1].id); },
       [](PanelKeyboardTest& t) { return t.state().previewItem().has_value(); }},
      {"filter panel", [](PanelKeyboardTest& t) { t.state().setShowFilterPanel(true); },
       [](PanelKeyboardTest& t) { return t.state().showFilterPanel(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.open(*this);
    ASSERT_TRUE(c.isOpen(*this));
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_FALSE(c.isOpen(*this));
    EXPECT_TRUE(state().isVisible());
  }

  // A category form or the preview editor takes Escape for itself; other keys pass.
  state().setNewCategoryFormActive(true);
  state().setCategoryFormOpen(true);
  EXPECT_FALSE(press(Qt::Key_Return));
  EXPECT_FALSE(press(Qt::Key_1, kCtrl));
  EXPECT_TRUE(press(Qt::Key_Escape));
  EXPECT_FALSE(state().categoryFormOpen());
  EXPECT_TRUE(picks.isEmpty());
  EXPECT_TRUE(state().isVisible());
  state().setNewCategoryFormActive(false);  // as the closing form does

  state().setPreviewItemID(items[0].id);
  state().setPreviewEditingActive(true);
  EXPECT_FALSE(press(Qt::Key_Down));
  EXPECT_TRUE(press(Qt::Key_Escape));
  EXPECT_EQ(state().cancelPreviewEditTrigger(), 1);
  EXPECT_EQ(state().previewItemID(), items[0].id);
  EXPECT_EQ(state().selectedIndex(), std::nullopt);
  state().setPreviewEditingActive(false);
  EXPECT_TRUE(press(Qt::Key_Escape));  // closes the preview
  EXPECT_TRUE(state().isVisible());

  EXPECT_TRUE(press(Qt::Key_Escape, kCtrl));
  EXPECT_FALSE(state().isVisible());
}

TEST_F(PanelKeyboardTest, TypingAPrintableCharacterStartsASearch) {
  EXPECT_TRUE(press(Qt::Key_A, kNone, "a"));
  EXPECT_TRUE(press(Qt::Key_B, kShift, "B"));
  EXPECT_EQ(state().searchQuery(), "aB");
  EXPECT_EQ(state().expandSearchTrigger(), 2);

  EXPECT_FALSE(press(Qt::Key_Tab, kNone, "\t"));
  EXPECT_FALSE(press(Qt::Key_A, kCtrl, QString(QChar(1))));
  EXPECT_FALSE(press(Qt::Key_A, Qt::AltModifier, "a"));
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));  // previews instead of typing
  EXPECT_EQ(state().searchQuery(), "aB");
  EXPECT_EQ(state().expandSearchTrigger(), 2);

  // While the field has focus it types for itself.
  state().setSearchFieldFocused(true);
  EXPECT_FALSE(press(Qt::Key_C, kNone, "c"));
  EXPECT_EQ(state().searchQuery(), "aB");
  EXPECT_TRUE(press(Qt::Key_F, kCtrl));
  EXPECT_EQ(state().expandSearchTrigger(), 3);
}

TEST_F(PanelKeyboardTest, ArrowsMoveTheSelectionWithAnyModifiersAndThePreviewFollows) {
  state().setSearchFieldFocused(true);
  state().setPreviewItemID(items[2].id);
  EXPECT_TRUE(press(Qt::Key_Down));
  EXPECT_EQ(state().selectedIndex(), 0);
  EXPECT_EQ(state().previewItemID(), items[0].id);
  for (Qt::KeyboardModifiers modifiers : {kCtrl, kShift, kCtrlShift, Qt::KeyboardModifiers(Qt::AltModifier)}) {
    EXPECT_TRUE(press(Qt::Key_Right, modifiers));
  }
  EXPECT_EQ(state().selectedIndex(), 1);  // four steps through three items
  EXPECT_EQ(state().previewItemID(), items[1].id);
  EXPECT_TRUE(press(Qt::Key_Up, kCtrlShift));
  EXPECT_TRUE(press(Qt::Key_Left));
  EXPECT_EQ(state().selectedIndex(), 2);
  EXPECT_EQ(state().previewItemID(), items[2].id);

  // Without a preview nothing opens.
  state().cancelPreviewWork();
  EXPECT_TRUE(press(Qt::Key_Down));
  EXPECT_EQ(state().previewItemID(), std::nullopt);
}

// The list scrolled by the wheel: Space opens the preview beside the hovered card where it shows
// now, and a preview that follows the hover after a scroll stands beside that card too. Keys that
// scroll the list under the resting pointer leave the preview on the selection.
TEST_F(PanelKeyboardTest, ThePreviewStandsBesideTheHoveredCardAfterAScroll) {
  controller->rootView()->setPreviewFactory(
      [](const ClipboardItem&, double, std::function<void()>, QWidget* parent) { return new QWidget(parent); });
  QList<ClipboardItem> many;
  for (int i = 0; i < 40; ++i) many << test::textItem(QStringLiteral("copied text %1").arg(i));
  state().setItems(many);
  advance(1);
  CardScrollView& list = controller->rootView()->list();
  const auto pointAt = [&](QPoint inList) {
    for (const QPoint at : {inList + QPoint(0, 1), inList})
      QTest::mouseMove(window()->windowHandle(), list.viewport()->mapTo(window(), at));
  };
  const auto wheel = [&](QPoint inList, int notches) {
    for (int notch = 0; notch < notches; ++notch) {
      QWheelEvent event(inList, list.viewport()->mapToGlobal(inList), {}, QPoint(0, -120), Qt::NoButton, {},
                        Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(list.viewport(), &event);
    }
  };
  // The middle of the card of `id` on the screen now.
  const auto middleOnScreen = [&](const QUuid& id) -> double {
    for (PaintedItem* card : list.realisedCards())
      if (static_cast<CardCellView*>(card)->item().id == id)
        return list.viewport()->mapToGlobal(list.mapFromScene(card->mapToScene(card->rect().center()))).y();
    ADD_FAILURE() << "no card";
    return 0;
  };
  const QPoint pointer(160, 150);
  pointAt(pointer);
  advance(0.5);
  wheel(pointer, 3);
  advance(1);
  pointAt(pointer + QPoint(3, 0));
  advance(0.1);
  ASSERT_TRUE(state().hoveredItem());
  const ClipboardItem hovered = *state().hoveredItem();
  ASSERT_NE(hovered.id, many[0].id);
  QTest::keyClick(window()->windowHandle(), Qt::Key_Space);
  EXPECT_EQ(state().previewItemID(), hovered.id);
  ASSERT_TRUE(state().previewAnchorY());
  EXPECT_NEAR(*state().previewAnchorY(), middleOnScreen(hovered.id), CardCellView::kAnchorHysteresis);

  wheel(pointer, 4);
  advance(1);
  pointAt(pointer + QPoint(6, 0));
  advance(1);
  ASSERT_TRUE(state().hoveredItem());
  const ClipboardItem followed = *state().hoveredItem();
  ASSERT_NE(followed.id, hovered.id);
  EXPECT_EQ(state().previewItemID(), followed.id);
  ASSERT_TRUE(state().previewAnchorY());
  EXPECT_NEAR(*state().previewAnchorY(), middleOnScreen(followed.id), CardCellView::kAnchorHysteresis);

  for (int step = 0; step < 8; ++step) {
    QTest::keyClick(window()->windowHandle(), Qt::Key_Down);
    advance(1);  // the scroll ends, and longer than the preview waits to follow a hover
    ASSERT_TRUE(state().selectedIndex());
    EXPECT_EQ(state().previewItemID(), state().filteredItems()[*state().selectedIndex()].id) << step;
  }
}

TEST_F(PanelKeyboardTest, SpacePreviewsUnlessItIsTypedIntoAQuery) {
  controller->rootView()->setPreviewFactory(
      [](const ClipboardItem&, double, std::function<void()>, QWidget* parent) { return new QWidget(parent); });
  // Unfocused: hovered, else selected, else first item.
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));
  EXPECT_EQ(state().previewItemID(), items[0].id);
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));  // the same card again closes it
  EXPECT_EQ(state().previewItemID(), std::nullopt);
  state().setHoveredItem(items[1]);
  EXPECT_TRUE(press(Qt::Key_Space, kCtrl, " "));
  EXPECT_EQ(state().previewItemID(), items[1].id);
  state().cancelPreviewWork();
  state().setHoveredItem(std::nullopt);

  // Focused with a query and nothing hovered: the space belongs to the query.
  state().setSearchFieldFocused(true);
  state().setSearchQuery("tw");
  EXPECT_FALSE(press(Qt::Key_Space, kNone, " "));
  EXPECT_EQ(state().resignSearchFocusTrigger(), 0);
  EXPECT_EQ(state().previewItemID(), std::nullopt);

  // Focused with a card under the pointer: the field lets go and the space it also got is taken out.
  state().setHoveredItem(items[1]);
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));
  EXPECT_EQ(state().resignSearchFocusTrigger(), 1);
  EXPECT_EQ(state().previewItemID(), items[1].id);
  state().setSearchQuery("tw ");  // the field types the same key
  fake.drain();
  EXPECT_EQ(state().searchQuery(), "tw");

  // Anything else the field did with the query stays.
  state().cancelPreviewWork();
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));
  state().setSearchQuery("tw  ");
  fake.drain();
  EXPECT_EQ(state().searchQuery(), "tw  ");

  // An empty query in a focused field does not keep the space either.
  state().setHoveredItem(std::nullopt);
  state().setSearchQuery("");
  state().cancelPreviewWork();
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));
  state().setSearchQuery(" ");
  fake.drain();
  EXPECT_EQ(state().searchQuery(), "");
  EXPECT_EQ(state().previewItemID(), state().filteredItems().first().id);
}

// Until a preview pane exists, Space must not close the filter panel for a preview nobody sees
// (which the next Escape would then close), nor take the focus or a space from the search.
TEST_F(PanelKeyboardTest, SpaceChangesNothingWithoutAPreviewPane) {
  controller->rootView()->setPreviewFactory({});  // a panel that cannot preview
  state().setShowFilterPanel(true);
  state().setHoveredItem(items[1]);
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));
  EXPECT_EQ(state().previewItemID(), std::nullopt);
  EXPECT_TRUE(state().showFilterPanel());
  EXPECT_EQ(controller->rootView()->sideSurface(), SideSurfaceKind::filterPanel);
  EXPECT_TRUE(press(Qt::Key_Escape));
  EXPECT_FALSE(state().showFilterPanel());
  EXPECT_TRUE(state().isVisible());

  state().setSearchFieldFocused(true);
  EXPECT_TRUE(press(Qt::Key_Space, kNone, " "));
  state().setSearchQuery(" ");  // the field types the same key
  fake.drain();
  EXPECT_EQ(state().searchQuery(), "");
  EXPECT_EQ(state().resignSearchFocusTrigger(), 0);
  EXPECT_EQ(state().previewItemID(), std::nullopt);
}

TEST_F(PanelKeyboardTest, CommandCCopiesTheTargetOrTheJoinedMultiSelection) {
  // The focused field copies for itself.
  state().setSearchFieldFocused(true);
  state().setSelectedIndex(1);
  EXPECT_FALSE(press(Qt::Key_C, kCtrl));
  EXPECT_TRUE(writes().isEmpty());
  state().setSearchFieldFocused(false);

  EXPECT_TRUE(press(Qt::Key_C, kCtrl));
  ASSERT_EQ(writes().size(), 1);
  EXPECT_EQ(writes().last().text, "two");
  EXPECT_EQ(state().copiedItemID(), items[1].id);
  EXPECT_TRUE(state().isVisible());

  // A multi-selection copies its joined text with a toast for 1.0 s.
  state().setMultiSelectedIDs({items[2].id, items[0].id});
  EXPECT_TRUE(press(Qt::Key_C, kCtrl));
  EXPECT_EQ(writes().last().text, "three\none");
  EXPECT_EQ(fake.context->skipNextChanges->count(), 2);
  EXPECT_TRUE(state().showCopiedToast());
  advance(0.99);
  EXPECT_TRUE(state().showCopiedToast());
  advance(0.02);
  EXPECT_FALSE(state().showCopiedToast());

  // Nothing to join (only an image), and an image that cannot be written.
  const ClipboardItem lost = test::imageItem(QImage());
  QList<ClipboardItem> withLost = state().items();
  withLost << lost;
  state().setItems(withLost);
  state().setMultiSelectedIDs({lost.id});
  EXPECT_TRUE(press(Qt::Key_C, kCtrl));
  EXPECT_EQ(writes().size(), 2);
  EXPECT_FALSE(state().showCopiedToast());
  state().setMultiSelectedIDs({});
  state().setHoveredItem(lost);
  EXPECT_TRUE(press(Qt::Key_C, kCtrl));
  EXPECT_EQ(writes().size(), 2);
  EXPECT_EQ(state().shakeItemID(), lost.id);
  EXPECT_EQ(state().shakeToken(), 1);
}

TEST_F(PanelKeyboardTest, CommandPPinsAndCommandFOpensTheSearch) {
  EXPECT_TRUE(press(Qt::Key_P, kCtrl));  // no target: nothing
  EXPECT_TRUE(state().pinnedIDs().isEmpty());
  state().setPreviewItemID(items[2].id);
  EXPECT_TRUE(press(Qt::Key_P, kCtrl));
  EXPECT_TRUE(state().pinnedIDs().contains(items[2].id));
  state().setSelectedIndex(0);
  EXPECT_TRUE(press(Qt::Key_P, kCtrl));
  EXPECT_TRUE(state().pinnedIDs().contains(items[0].id));
  EXPECT_TRUE(press(Qt::Key_F, kCtrl));
  EXPECT_EQ(state().expandSearchTrigger(), 1);
}

}  // namespace

// Letters typed right after the panel shows reach the search, whatever the first one is and
// whether the panel shows for the first time since launch or again.
using PanelTypingTest = test::PanelControllerHarness;
TEST_F(PanelTypingTest, EveryLetterTypedAfterAShowReachesTheSearch) {
  state().setItems({test::textItem("the quick fox"), test::textItem("other")});
  controller->preWarm();
  advance(2);
  for (const QString& word : {QString("the"), QString("then"), QString("tea")}) {
    SCOPED_TRACE(word.toStdString());
    controller->showPanel();
    advance(0.05);
    for (const QChar letter : word) {
      QTest::keyClick(window()->windowHandle(), letter.toLatin1());
      advance(0.03);  // the event loop turns between two keys
    }
    EXPECT_EQ(state().searchQuery(), word);
    ASSERT_NE(controller->rootView()->searchBar().field(), nullptr);
    EXPECT_EQ(controller->rootView()->searchBar().field()->text(), word);
    controller->hidePanel();
    advance(1);
    EXPECT_FALSE(state().searchFieldFocused());
  }
}

// A card's menu (a real popup) owns the keys while it is open: Escape closes the menu and leaves
// the panel; Return and the arrows do nothing to the list.
TEST_F(PanelKeyboardTest, KeysForAnOpenCardMenuAreTheMenus) {
  fake.context->menuPresenter = std::make_shared<PopupMenuPresenter>();
  CardScrollView& list = controller->rootView()->list();
  PaintedItem* card = list.realisedCards().value(1);
  ASSERT_NE(card, nullptr);
  const QPoint inList = list.mapFromScene(card->mapToScene(card->boundingRect().center()));
  const QPoint inWindow = list.viewport()->mapTo(window(), inList);
  // The window system may hand the keys to the panel's window or to the menu's own.
  for (const bool toMenuWindow : {false, true}) {
    SCOPED_TRACE(toMenuWindow);
    QTest::mouseClick(window()->windowHandle(), Qt::RightButton, {}, inWindow);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    QWindow* keys = toMenuWindow ? menu->windowHandle() : window()->windowHandle();
    QTest::keyClick(keys, Qt::Key_Down);
    QTest::keyClick(keys, Qt::Key_Escape);
    QCoreApplication::processEvents();
    fake.drain();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(state().isVisible());
    EXPECT_EQ(state().selectedIndex(), std::nullopt);
  }
  // With the menu closed, Escape is the panel's again.
  QTest::keyClick(window()->windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(state().isVisible());
}

// The pointer leaves the panel while a card's menu is open; once the menu is gone no card is
// hovered, so Delete removes the selected card, not the one whose menu it was.
TEST_F(PanelKeyboardTest, DeleteAfterACardMenuRemovesTheSelectedCard) {
  fake.context->menuPresenter = std::make_shared<PopupMenuPresenter>();
  CardScrollView& list = controller->rootView()->list();
  auto pointOf = [&](int index) {
    PaintedItem* card = list.realisedCards().value(index);
    return list.viewport()->mapTo(window(), list.mapFromScene(card->mapToScene(card->boundingRect().center())));
  };
  QTest::mouseMove(window()->windowHandle(), pointOf(0));
  QTest::mouseClick(window()->windowHandle(), Qt::LeftButton, {}, pointOf(0));
  advance(0.5);
  ASSERT_EQ(state().selectedIndex(), 0);
  QTest::mouseMove(window()->windowHandle(), pointOf(1));
  advance(0.5);
  ASSERT_EQ(state().hoveredItem(), items[1]);
  QTest::mouseClick(window()->windowHandle(), Qt::RightButton, {}, pointOf(1));
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  fake.screens->setPointer({100, 500});  // beside the panel
  QTest::keyClick(window()->windowHandle(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  advance(0.5);
  EXPECT_EQ(state().hoveredItem(), std::nullopt);
  QTest::keyClick(window()->windowHandle(), Qt::Key_Delete);
  EXPECT_EQ(state().items(), (QList<ClipboardItem>{items[1], items[2]}));
}

namespace {

// Holding a key sends one press and then repeats; a key that toggles, picks or closes acts on
// the press alone, whether the repeats are odd or even in number.
TEST_F(PanelKeyboardTest, HeldKeysActOnceThroughThePanelWindow) {
  controller->rootView()->setPreviewFactory(
      [](const ClipboardItem&, double, std::function<void()>, QWidget* parent) { return new QWidget(parent); });
  struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::function<void(PanelKeyboardTest&)> check;  // the state after one press
  };
  const QList<Case> cases = {
      {"Ctrl+P pins", Qt::Key_P, kCtrl, QString(),
       [](PanelKeyboardTest& t) { EXPECT_TRUE(t.state().pinnedIDs().contains(t.items[0].id)); }},
      {"Space opens the preview", Qt::Key_Space, kNone, " ",
       [](PanelKeyboardTest& t) { EXPECT_EQ(t.state().previewItemID(), t.items[0].id); }},
      {"Escape closes the preview, not the panel", Qt::Key_Escape, kNone, QString(),
       [](PanelKeyboardTest& t) {
         EXPECT_EQ(t.state().previewItemID(), std::nullopt);
         EXPECT_TRUE(t.state().isVisible());
       }},
      {"Return picks", Qt::Key_Return, kNone, "\r", [](PanelKeyboardTest& t) { EXPECT_EQ(t.picks.size(), 1); }},
      {"Ctrl+1 picks", Qt::Key_1, kCtrl, QString(), [](PanelKeyboardTest& t) { EXPECT_EQ(t.picks.size(), 1); }},
      {"Ctrl+C copies", Qt::Key_C, kCtrl, QString(),
       [](PanelKeyboardTest& t) { EXPECT_EQ(t.writes().size(), t.writesBefore + 1); }},
  };
  // Repeats come marked, or as a release and a press at the same instant that the toolkit did
  // not mark.
  auto send = [this](QEvent::Type type, const Case& c, bool repeat, quint64 time) {
    QKeyEvent event(type, c.key, c.modifiers, 77, 0, 0, c.text, repeat);
    event.setTimestamp(time);
    QApplication::sendEvent(window()->windowHandle(), &event);
  };
  for (const Case& c : cases) {
    for (const int repeats : {1, 2, -1, -2}) {
      SCOPED_TRACE(testing::Message() << c.name << ", repeats: " << repeats);
      state().setPinnedIDs({});
      state().setPreviewItemID(c.key == Qt::Key_Escape ? std::optional(items[0].id) : std::nullopt);
      state().setSelectedIndex(0);
      picks.clear();
      writesBefore = writes().size();
      quint64 time = 1000 * quint64(repeats + 10);
      send(QEvent::KeyPress, c, false, time);
      for (int index = 0; index < std::abs(repeats); ++index) {
        time += 40;
        if (repeats < 0) send(QEvent::KeyRelease, c, false, time);
        send(QEvent::KeyPress, c, repeats > 0, time);
      }
      c.check(*this);
    }
  }
}

// A release and a press of one key at the same instant are a repeat only with nothing between
// them: a key typed and then, in the same instant, Ctrl with that key is a press of its own. Ctrl+3
// straight after a typed "3" picks the third item.
TEST_F(PanelKeyboardTest, AKeyPressedAgainRightAfterAnotherKeyIsNoRepeat) {
  const QList<ClipboardItem> numbered = {test::textItem("room 13"), test::textItem("room 23"),
                                         test::textItem("room 33"), test::textItem("room 44")};
  state().setItems(numbered);
  const auto send = [this](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, const QString& text,
                           quint64 time) {
    constexpr quint32 kDigit3 = 12, kControl = 37;  // the server's codes of the keys
    QKeyEvent event(type, key, modifiers, key == Qt::Key_Control ? kControl : kDigit3, 0, 0, text, false);
    event.setTimestamp(time);
    QApplication::sendEvent(window()->windowHandle(), &event);
  };
  send(QEvent::KeyPress, Qt::Key_3, kNone, "3", 1000);
  send(QEvent::KeyRelease, Qt::Key_3, kNone, "3", 1040);
  send(QEvent::KeyPress, Qt::Key_Control, kCtrl, QString(), 1040);
  send(QEvent::KeyPress, Qt::Key_3, kCtrl, QString(), 1040);
  ASSERT_EQ(state().searchQuery(), QStringLiteral("3"));
  ASSERT_EQ(picks.size(), 1);
  EXPECT_EQ(picks.last().id, numbered[2].id);
}

}  // namespace
