// An edit open in the library's detail pane, driven with real events through the window: it
// stays open, with its draft, through every way the window goes away (closing, paste-back)
// and comes back, and the window can be destroyed with it open. What the pane shows stays with
// the window as the edit does, and goes once the library closes the pane.
#include "library/LibraryCard.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeaderButton.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "preview/EditableTextView.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryDesktop.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/PillButtons.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace qv {
namespace {

const ScreenInfo kScreen{QStringLiteral("screen"), {0, 0, 1440, 900}, {0, 0, 1440, 900}};

class LibraryDetailEditKeptTest : public ::testing::Test {
 public:
  LibraryDetailEditKeptTest() {
    test::prepareLibraryDesktop(fake, kScreen);
    state = std::make_unique<PanelState>(*fake.context);
    state->setItems({first, second});
    open();
  }
  void open() {
    controller = std::make_unique<LibraryWindowController>(*fake.context);
    controller->show(*state);
    window().activateWindow();
    QApplication::processEvents();
  }
  ~LibraryDetailEditKeptTest() override {
    controller.reset();
    fake.drain();
  }

  LibraryWindow& window() const { return *controller->window(); }
  LibraryModel& model() const { return *controller->model(); }
  LibraryGridView& grid() const { return window().view()->grid(); }
  LibraryDetailView* pane() const { return window().findChild<LibraryDetailView*>(); }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window().windowHandle(), key, modifiers);
  }
  QPoint middleOf(const QUuid& id) const {
    auto* card = qobject_cast<LibraryCard*>(grid().cardFor(id));
    return grid().mapFromScene(card->mapToScene(card->rect().center()));
  }
  QString stored(const QUuid& id) const {
    for (const ClipboardItem& item : state->items())
      if (item.id == id) return item.plainText().value_or(QString());
    return {};
  }
  // The first item in the detail pane (Down, Space, unless it shows already), its Edit button
  // clicked and " edit" typed.
  void openEdit() {
    if (!pane() || !pane()->isVisible() || pane()->props().item.id != first.id) {
      press(Qt::Key_Down);
      press(Qt::Key_Space);
      fake.advanceBoth(1);
    }
    ASSERT_NE(pane(), nullptr);
    ASSERT_EQ(pane()->props().item.id, first.id);
    LibraryHeaderButton* edit = pane()->button(LibraryDetailView::Action::edit);
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(11, 11));
    fake.advanceBoth(1);
    ASSERT_NE(pane()->editor(), nullptr);
    pane()->editor()->setFocus();
    QTest::keyClicks(pane()->editor(), QStringLiteral(" edit"));
    ASSERT_EQ(pane()->draft(), QStringLiteral("first edit"));
  }

  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  std::unique_ptr<LibraryWindowController> controller;
  const ClipboardItem first = test::textItem(QStringLiteral("first"));
  const ClipboardItem second = test::textItem(QStringLiteral("second"));
};

// The window goes away by its close button, Ctrl+W and each paste-back (a double-click and the
// menu on the edited item's own card: another card would take the pane to its item); shown
// again, the pane still edits the same draft, which Save then stores.
TEST_F(LibraryDetailEditKeptTest, AnEditOutlivesTheWindowGoingAway) {
  const struct {
    const char* name;
    std::function<void(LibraryDetailEditKeptTest&)> hide;
  } ways[] = {
      {"close button", [](LibraryDetailEditKeptTest& t) { t.window().close(); }},
      {"Ctrl+W", [](LibraryDetailEditKeptTest& t) { t.press(Qt::Key_W, Qt::ControlModifier); }},
      {"Ctrl+2", [](LibraryDetailEditKeptTest& t) { t.press(Qt::Key_2, Qt::ControlModifier); }},
      {"double-click",
       [](LibraryDetailEditKeptTest& t) {
         const QPoint at = t.middleOf(t.first.id);
         QTest::mouseDClick(t.grid().viewport(), Qt::LeftButton, {}, at);
         QTest::mouseRelease(t.grid().viewport(), Qt::LeftButton, {}, at);
       }},
      {"the menu's Paste",
       [](LibraryDetailEditKeptTest& t) {
         const QPoint at = t.middleOf(t.first.id);
         QContextMenuEvent menu(QContextMenuEvent::Mouse, at, t.grid().viewport()->mapToGlobal(at));
         QApplication::sendEvent(t.grid().viewport(), &menu);
         ASSERT_TRUE(t.fake.menuPresenter->choose(QStringLiteral("Paste")));
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    if (!pane() || !pane()->isEditing()) openEdit();
    way.hide(*this);
    fake.advanceBoth(1);
    ASSERT_FALSE(controller->isVisible());
    EXPECT_TRUE(pane()->isEditing());
    EXPECT_TRUE(state->detailEditingActive());

    controller->show(*state);
    fake.advanceBoth(1);
    ASSERT_TRUE(pane()->isVisible());
    EXPECT_EQ(pane()->props().item.id, first.id);
    ASSERT_TRUE(pane()->isEditing());
    EXPECT_EQ(pane()->draft(), QStringLiteral("first edit"));
    ASSERT_NE(pane()->editor(), nullptr);
    EXPECT_EQ(pane()->editor()->toPlainText(), QStringLiteral("first edit"));
    EXPECT_TRUE(state->detailEditingActive());
    EXPECT_EQ(stored(first.id), QStringLiteral("first"));
  }
  QTest::mouseClick(pane()->saveButton(), Qt::LeftButton, {}, pane()->saveButton()->rect().center());
  fake.advanceBoth(1);
  EXPECT_FALSE(pane()->isEditing());
  EXPECT_FALSE(state->detailEditingActive());
  EXPECT_EQ(stored(first.id), QStringLiteral("first edit"));
  EXPECT_EQ(stored(second.id), QStringLiteral("second"));
}

// Shown again with the edit open, the editor has the keys once more: what is typed goes into the
// draft, not into the search.
TEST_F(LibraryDetailEditKeptTest, ShownAgainTheOpenEditTakesTheKeys) {
  const struct {
    const char* name;
    std::function<void(LibraryDetailEditKeptTest&)> hide;
    QString draft;
  } ways[] = {
      {"Ctrl+W", [](LibraryDetailEditKeptTest& t) { t.press(Qt::Key_W, Qt::ControlModifier); },
       QStringLiteral("first edit!")},
      {"close button", [](LibraryDetailEditKeptTest& t) { t.window().close(); }, QStringLiteral("first edit!!")},
  };
  openEdit();
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    way.hide(*this);
    fake.advanceBoth(1);
    ASSERT_FALSE(controller->isVisible());
    controller->show(*state);
    window().activateWindow();
    QApplication::processEvents();
    fake.advanceBoth(1);
    ASSERT_NE(pane()->editor(), nullptr);
    EXPECT_TRUE(pane()->editor()->hasFocus());
    press(Qt::Key_Exclam, Qt::ShiftModifier);
    EXPECT_EQ(pane()->draft(), way.draft);
    EXPECT_EQ(model().query(), QString());
  }
}

// Escape still drops the draft; a pane closed by the library (the item went) ends its edit.
TEST_F(LibraryDetailEditKeptTest, EscapeAndTheItemGoingStillEndTheEdit) {
  openEdit();
  press(Qt::Key_Escape);
  fake.advanceBoth(1);
  EXPECT_FALSE(pane()->isEditing());
  EXPECT_FALSE(state->detailEditingActive());
  EXPECT_EQ(stored(first.id), QStringLiteral("first"));

  ASSERT_NO_FATAL_FAILURE(openEdit());
  state->removeItem(first.id);
  fake.advanceBoth(1);
  EXPECT_EQ(model().previewID(), std::nullopt);
  EXPECT_FALSE(state->detailEditingActive());
  EXPECT_FALSE(pane()->isEditing());
}

// The controller goes away with the edit open, shown or hidden: nothing is made on the way out,
// and the state's editing flag is given back. At quit the state goes first (closed at quit, the
// window keeps the edit), and the window after it must not reach for it.
TEST_F(LibraryDetailEditKeptTest, TheWindowIsDestroyedWithAnEditOpen) {
  const struct {
    const char* name;
    std::function<void(LibraryDetailEditKeptTest&)> before;
  } cases[] = {
      {"shown", [](LibraryDetailEditKeptTest&) {}},
      {"closed", [](LibraryDetailEditKeptTest& t) { t.press(Qt::Key_W, Qt::ControlModifier); }},
      {"minimised", [](LibraryDetailEditKeptTest& t) { t.window().setWindowState(Qt::WindowMinimized); }},
      {"closed at quit, the state gone first",
       [](LibraryDetailEditKeptTest& t) {
         t.window().hide();
         t.state.reset();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!controller) open();
    ASSERT_NO_FATAL_FAILURE(openEdit());
    c.before(*this);
    controller.reset();
    fake.drain();
    if (!state) continue;
    EXPECT_FALSE(state->detailEditingActive());
    EXPECT_EQ(stored(first.id), QStringLiteral("first"));
  }
}

// A JSON file's text laid out in the pane: kept while the window goes away and comes back, let
// go of once Escape closes the pane, and read and laid out again when Space opens it again.
TEST_F(LibraryDetailEditKeptTest, AClosedPaneLetsGoOfTheDocumentItShowed) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("items.json"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  for (int i = 0; i < 400; ++i) file.write(R"({"id":)" + QByteArray::number(i) + R"(,"tags":["red","blue"]},)");
  file.close();
  state->setItems({test::fileItem(path), first, second});
  // The characters laid out in the pane's text documents, once a pane's leftovers are gone.
  const auto laidOut = [this] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qsizetype characters = 0;
    for (const QTextDocument* document : pane()->findChildren<QTextDocument*>())
      characters += document->characterCount() - 1;
    return characters;
  };
  press(Qt::Key_Down);
  press(Qt::Key_Space);
  fake.advanceBoth(1);
  ASSERT_NE(pane(), nullptr);
  const qsizetype shown = laidOut();
  EXPECT_GT(shown, 400 * 30);

  window().close();
  fake.advanceBoth(1);
  EXPECT_EQ(laidOut(), shown);
  controller->show(*state);
  fake.advanceBoth(1);
  EXPECT_EQ(laidOut(), shown);

  press(Qt::Key_Escape);
  fake.advanceBoth(1);
  EXPECT_FALSE(pane()->isVisible());
  EXPECT_EQ(laidOut(), 0);
  EXPECT_EQ(pane()->content(), nullptr);

  press(Qt::Key_Space);
  fake.advanceBoth(1);
  EXPECT_TRUE(pane()->isVisible());
  EXPECT_EQ(laidOut(), shown);
}

}  // namespace
}  // namespace qv
