// The library window's keyboard through real key events on its window: arrows over the grid's
// columns, Space and the detail pane, the Escape cascade, Ctrl+digits by position, the search
// field and the category form keeping their keys, other windows untouched, and a window closed
// by its own key.
#include "base/FreedMemory.h"
#include "items/ItemServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryGridView.h"
#include "library/LibraryKeyMonitor.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "panel/CategoryForm.h"
#include "panel/FilterPanel.h"
#include "platform/PlatformServices.h"
#include "platform/fake/FakeSerialQueue.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace qv {
namespace {

const ScreenInfo kLaptop{QStringLiteral("laptop"), {0, 0, 1440, 900}, {0, 25, 1440, 875}};

struct Paste {
  QUuid id;
  bool plainText;
  bool operator==(const Paste&) const = default;
};

// Seven items in a window 1202 wide: four columns, a partial second row.
class LibraryKeyboardTest : public ::testing::Test {
 protected:
  LibraryKeyboardTest() {
    installItemServices(*fake.context);
    state = std::make_unique<PanelState>(*fake.context);
    fake.screens->setScreens({kLaptop});
    fake.screens->setPointer({100, 100});
    for (int i = 0; i < 7; ++i) items << test::textItem(QStringLiteral("copied text %1").arg(i));
    state->setItems(items);
    editor.pid = 42;
    editor.windowClass = QStringLiteral("editor");
    fake.workspace->addApplication(editor);
    fake.workspace->setFrontmost(editor);
    controller.show(*state);
    window().activateWindow();
    QApplication::processEvents();
    cardActions = keys().actions;
    keys().actions.pasteBack = [this](const ClipboardItem& item, bool plain) { pastes << Paste{item.id, plain}; };
    keys().actions.copy = [this](const ClipboardItem& item) { copies << item.id; };
  }
  ~LibraryKeyboardTest() override { fake.drain(); }

  LibraryWindow& window() const { return *controller.window(); }
  LibraryView& view() const { return *window().view(); }
  LibraryModel& model() const { return *controller.model(); }
  LibraryKeyMonitor& keys() const { return *controller.keyFilter(); }
  // A key pressed while the library window is the one the keyboard types into.
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window().windowHandle(), key, modifiers);
  }

  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  LibraryWindowController controller{*fake.context};
  QList<ClipboardItem> items;
  RunningApp editor;
  // What the keys do when the test does not record them: the cards' copy and paste-back.
  LibraryKeyMonitor::Actions cardActions;
  QList<Paste> pastes;
  QList<QUuid> copies;
};

TEST_F(LibraryKeyboardTest, ArrowsMoveThroughTheColumnsAndAnOpenDetailFollows) {
  ASSERT_EQ(view().grid().columns(), 4);
  EXPECT_TRUE(keys().isActive());
  press(Qt::Key_Down);
  EXPECT_EQ(model().selection(), items[0].id);  // from nothing: the first
  EXPECT_EQ(model().keyboardScrollTarget(), items[0].id);
  for (int i = 0; i < 5; ++i) press(Qt::Key_Right);
  EXPECT_EQ(model().selection(), items[5].id);
  press(Qt::Key_Down);  // from 5 of 7 with 4 columns: the last
  EXPECT_EQ(model().selection(), items[6].id);
  press(Qt::Key_Right);  // never wraps
  EXPECT_EQ(model().selection(), items[6].id);
  press(Qt::Key_Up);
  EXPECT_EQ(model().selection(), items[2].id);
  press(Qt::Key_Up);
  EXPECT_EQ(model().selection(), items[0].id);

  press(Qt::Key_Space);
  EXPECT_EQ(model().previewID(), items[0].id);
  press(Qt::Key_Right);
  EXPECT_EQ(model().selection(), items[1].id);
  EXPECT_EQ(model().previewID(), items[1].id);
  press(Qt::Key_Space);
  EXPECT_EQ(model().previewID(), std::nullopt);
  EXPECT_EQ(model().selection(), items[1].id);

  // The card under the pointer comes before the selection.
  model().setHoveredID(items[4].id);
  press(Qt::Key_Space);
  EXPECT_EQ(model().previewID(), items[4].id);
  press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(copies, QList<QUuid>{items[4].id});
}

// The pointer rests over the grid while the arrows move the selection and scroll the grid under
// it. The card that comes to lie under the pointer is hovered, but content moving under a still
// pointer is no hover to follow: the pane stays on the selection, also when the pointer moves
// about within that card. The pointer entering another card brings the pane to it.
TEST_F(LibraryKeyboardTest, KeysScrollingTheGridUnderARestingPointerLeaveThePaneOnTheSelection) {
  QList<ClipboardItem> many;
  for (int i = 0; i < 40; ++i) many << test::textItem(QStringLiteral("copied text %1").arg(i));
  state->setItems(many);
  fake.advanceBoth(1);  // the grid has settled
  LibraryGridView& grid = view().grid();
  ASSERT_EQ(grid.columns(), 4);
  const auto middleOf = [&](const QUuid& id) {
    PaintedItem* card = grid.cardFor(id);
    return grid.mapFromScene(card->mapToScene(card->rect().center()));
  };
  const auto pointAt = [&](QPoint inGrid) {
    QTest::mouseMove(window().windowHandle(), grid.viewport()->mapTo(&window(), inGrid));
  };
  press(Qt::Key_Down);
  press(Qt::Key_Space);
  press(Qt::Key_Right);
  ASSERT_EQ(model().previewID(), many[1].id);
  const QPoint pointer = middleOf(many[1].id);
  pointAt(pointer + QPoint(0, 1));
  pointAt(pointer);
  fake.advanceBoth(0.5);
  ASSERT_EQ(model().hoveredID(), many[1].id);
  for (const int expected : {5, 9, 13, 17}) {
    SCOPED_TRACE(expected);
    press(Qt::Key_Down);
    fake.advanceBoth(1);  // the scroll ends, and longer than a hover retarget waits
    EXPECT_EQ(model().selection(), many[expected].id);
    EXPECT_EQ(model().previewID(), many[expected].id);
  }
  // The card now under the still pointer is the hovered one, whatever the selection.
  PaintedItem* under = grid.hoveredCard();
  ASSERT_NE(under, nullptr);
  const QUuid underID = qobject_cast<LibraryCard*>(under)->itemID();
  ASSERT_NE(underID, many[17].id);
  EXPECT_EQ(model().hoveredID(), underID);
  pointAt(pointer + QPoint(4, 0));
  fake.advanceBoth(0.5);
  EXPECT_EQ(model().previewID(), many[17].id);
  const auto underAt = std::find_if(many.cbegin(), many.cend(),
                                    [&](const ClipboardItem& item) { return item.id == underID; });
  const QUuid neighbour = (underAt + 1)->id;
  pointAt(middleOf(neighbour));
  fake.advanceBoth(0.5);
  EXPECT_EQ(model().previewID(), neighbour);
  EXPECT_EQ(model().selection(), neighbour);
}

TEST_F(LibraryKeyboardTest, EscapeBacksOutOneLevelPerPressAndAHeldOneOnlyOnce) {
  press(Qt::Key_Down);
  press(Qt::Key_Space);
  state->setMultiSelectedIDs({items[2].id, items[3].id});
  QTest::mouseClick(&view().filterButton(), Qt::LeftButton);
  ASSERT_TRUE(window().filterSurface()->isVisible());

  press(Qt::Key_Escape);
  EXPECT_FALSE(state->libraryFilterSurfaceOpen());
  fake.advanceBoth(1);  // it fades out
  EXPECT_FALSE(window().filterSurface()->isVisible());
  EXPECT_EQ(state->multiSelectedIDs().size(), 2);
  // Held down, the key repeats: nothing more closes.
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
  EXPECT_TRUE(keys().handleKeyPress(repeat));
  EXPECT_EQ(state->multiSelectedIDs().size(), 2);
  press(Qt::Key_Escape);
  EXPECT_TRUE(state->multiSelectedIDs().isEmpty());
  EXPECT_EQ(model().previewID(), items[0].id);
  press(Qt::Key_Escape);
  EXPECT_EQ(model().previewID(), std::nullopt);
  EXPECT_EQ(model().selection(), items[0].id);
  press(Qt::Key_Escape);
  EXPECT_EQ(model().selection(), std::nullopt);
  // Nothing left: the key goes on.
  EXPECT_FALSE(keys().handleKeyPress(QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier)));

  // The detail editor open: Escape cancels the edit only.
  press(Qt::Key_Space);
  state->setDetailEditingActive(true);
  const int cancels = state->cancelDetailEditTrigger();
  press(Qt::Key_Escape);
  EXPECT_EQ(state->cancelDetailEditTrigger(), cancels + 1);
  EXPECT_EQ(model().previewID(), items[0].id);
}

// Typing into the search field hands back what the searches freed once, a second after the last
// key: every key before that starts the second again.
TEST_F(LibraryKeyboardTest, ASearchThatRestsHandsBackTheMemoryItFreedOnce) {
  QLineEdit& search = view().searchField();
  search.setFocus();
  QApplication::processEvents();
  const auto released = [this] {
    const auto queue = fake.queues->queue(QLatin1String(kQueuePrefix) + QLatin1String(kFreedMemoryQueue));
    return queue ? queue->pendingCount() : 0;
  };
  for (const QString& key : {QStringLiteral("c"), QStringLiteral("o"), QStringLiteral("p")}) {
    QTest::keyClicks(&search, key);
    fake.scheduler->advance(LibraryModel::kQueryRestSeconds * 0.9);
    EXPECT_EQ(released(), 0) << key.toStdString();
  }
  fake.scheduler->advance(LibraryModel::kQueryRestSeconds * 0.2);
  EXPECT_EQ(released(), 1);
  fake.scheduler->advance(10);
  EXPECT_EQ(released(), 1);
  EXPECT_EQ(model().query(), QStringLiteral("cop"));
}

TEST_F(LibraryKeyboardTest, CtrlDigitsPasteByPositionWhateverTheTyping) {
  QLineEdit& search = view().searchField();
  search.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(search.hasFocus());
  QTest::keyClicks(&search, QStringLiteral("copied"));
  ASSERT_EQ(model().query(), QStringLiteral("copied"));
  press(Qt::Key_Down);
  press(Qt::Key_Space);
  press(Qt::Key_C, Qt::ControlModifier);
  // The field got them: a space typed, no selection, no detail, no copy.
  EXPECT_EQ(model().query(), QStringLiteral("copied "));
  EXPECT_EQ(model().selection(), std::nullopt);
  EXPECT_EQ(model().previewID(), std::nullopt);
  EXPECT_TRUE(copies.isEmpty());

  press(Qt::Key_2, Qt::ControlModifier);
  press(Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier);
  // On an AZERTY layout the key of the 2 types "é"; by position it is still 2.
  EXPECT_TRUE(keys().handleKeyPress(QKeyEvent(QEvent::KeyPress, Qt::Key_Eacute, Qt::ControlModifier, 11, 0, 0)));
  press(Qt::Key_0, Qt::ControlModifier);
  press(Qt::Key_9, Qt::ControlModifier);                    // beyond the seven
  press(Qt::Key_3, Qt::ControlModifier | Qt::AltModifier);  // the field's
  EXPECT_EQ(pastes, (QList<Paste>{{items[1].id, false}, {items[2].id, true}, {items[1].id, false}}));
}

TEST_F(LibraryKeyboardTest, KeysCopyAndPasteBackAsTheCardsDo) {
  keys().actions = cardActions;
  model().setHoveredID(items[3].id);
  press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(fake.pasteboard->writes().last().text, items[3].plainText());
  EXPECT_EQ(state->copiedItemID(), items[3].id);
  EXPECT_TRUE(controller.isVisible());

  // Ctrl+Shift+2: the second item as plain text, the library gone, and the paste typed into the
  // application in front before, about 0.35 s later.
  press(Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(fake.pasteboard->writes().last().text, items[1].plainText());
  EXPECT_FALSE(controller.isVisible());
  EXPECT_FALSE(keys().isActive());
  fake.advanceBoth(0.4);
  EXPECT_EQ(fake.keyPoster->pastes, QStringList{"editor"});
}

TEST_F(LibraryKeyboardTest, CtrlCWithATargetThatIsGoneGoesOnToTheWindow) {
  const QUuid gone = QUuid::createUuid();
  const struct {
    const char* name;
    std::optional<QUuid> hovered, selected;
  } cases[] = {{"selected", std::nullopt, gone},
               // The card under the pointer is the target, even with a live selection.
               {"hovered", gone, items[2].id}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    model().setHoveredID(c.hovered);
    model().setSelection(c.selected);
    QKeyEvent copyKey(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
    EXPECT_FALSE(keys().handleKeyPress(copyKey));
    EXPECT_TRUE(copies.isEmpty());
  }
  // A live one copies.
  model().setHoveredID(std::nullopt);
  press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(copies, QList<QUuid>{items[2].id});
}

TEST_F(LibraryKeyboardTest, TheCategoryFormsNameKeepsItsSpacesAndEscapeStillClosesTheSurface) {
  press(Qt::Key_Down);
  QTest::mouseClick(&view().newCategoryButton(), Qt::LeftButton);
  fake.drain();
  CategoryFormView* form = window().filterSurface()->formView();
  ASSERT_NE(form, nullptr);
  QLineEdit& name = form->nameField();
  name.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(name.hasFocus());
  QTest::keyClicks(&name, QStringLiteral("Red"));
  press(Qt::Key_Space);
  press(Qt::Key_Left);
  EXPECT_EQ(name.text(), QStringLiteral("Red "));
  EXPECT_EQ(model().previewID(), std::nullopt);
  EXPECT_EQ(model().selection(), items[0].id);
  press(Qt::Key_Escape);
  EXPECT_FALSE(state->libraryFilterSurfaceOpen());
}

TEST_F(LibraryKeyboardTest, AReadOnlyTextWithTheFocusLeavesTheKeysToTheLibrary) {
  auto* viewer = new QPlainTextEdit(QStringLiteral("shown text"), &window());
  viewer->setReadOnly(true);
  viewer->show();
  viewer->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(viewer->hasFocus());
  press(Qt::Key_Down);
  press(Qt::Key_Space);
  EXPECT_EQ(model().previewID(), items[0].id);
  viewer->setReadOnly(false);
  press(Qt::Key_Space);
  EXPECT_EQ(model().previewID(), items[0].id);
  EXPECT_EQ(viewer->toPlainText(), QStringLiteral(" shown text"));
}

TEST_F(LibraryKeyboardTest, KeysOfAnotherWindowAreNeverTouched) {
  QWidget other;
  auto* field = new QLineEdit(&other);
  other.show();
  other.activateWindow();
  field->setFocus();
  QApplication::processEvents();
  QTest::keyClick(other.windowHandle(), Qt::Key_Down);
  QTest::keyClick(other.windowHandle(), Qt::Key_Space);
  QTest::keyClick(other.windowHandle(), Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(model().selection(), std::nullopt);
  EXPECT_EQ(model().previewID(), std::nullopt);
  EXPECT_TRUE(pastes.isEmpty());
  EXPECT_EQ(field->text(), QStringLiteral(" "));
}

TEST_F(LibraryKeyboardTest, CtrlWClosesTheWindowAndItsKeysGoWithIt) {
  press(Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(keys().isActive());
  press(Qt::Key_Down);
  EXPECT_EQ(model().selection(), std::nullopt);
  controller.show(*state);
  EXPECT_TRUE(keys().isActive());
  press(Qt::Key_Down);
  EXPECT_EQ(model().selection(), items[0].id);
  press(Qt::Key_M, Qt::ControlModifier);
  EXPECT_TRUE(window().isMinimized());
  int opened = 0;
  state->setOpenSettingsAction([&] { ++opened; });
  controller.show(*state);
  press(Qt::Key_Comma, Qt::ControlModifier);
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace qv
