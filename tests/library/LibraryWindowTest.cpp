// The library window through its controller: where it opens, the frame it keeps, what it
// reports while shown, closed, minimised and restored, the application paste-back returns to,
// its look with and without a compositor, and the header and list driven by real events.
#include "items/ItemServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeader.h"
#include "library/LibraryModel.h"
#include "library/LibraryPlacement.h"
#include "library/LibraryStatus.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "panel/FilterPanel.h"
#include "platform/PlatformServices.h"
#include "platform/fake/FakeSerialQueue.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QGraphicsEffect>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <functional>

namespace qv {
namespace {

const ScreenInfo kLaptop{QStringLiteral("laptop"), {0, 0, 1440, 900}, {0, 25, 1440, 875}};
const ScreenInfo kLarge{QStringLiteral("large"), {1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};
const QString kFrameKey = QString::fromLatin1(libraryWindow::kSavedFrameKey);

class LibraryWindowTest : public ::testing::Test {
 protected:
  LibraryWindowTest() {
    installItemServices(*fake.context);
    state = std::make_unique<PanelState>(*fake.context);
    fake.screens->setScreens({kLaptop, kLarge});
    fake.screens->setPointer({100, 100});
    controller.onVisibilityChange = [this](bool visible) { reports << visible; };
  }
  ~LibraryWindowTest() override { fake.drain(); }

  LibraryWindow& window() const { return *controller.window(); }
  LibraryView& view() const { return *window().view(); }
  LibraryModel& model() const { return *controller.model(); }
  LibraryScopeTab* tab(const QString& title) const {
    for (LibraryScopeTab* tab : view().header().tabs())
      if (tab->props().label == title) return tab;
    return nullptr;
  }
  LibraryCard* card(const QUuid& id) const { return qobject_cast<LibraryCard*>(view().grid().cardFor(id)); }

  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  LibraryWindowController controller{*fake.context};
  QList<bool> reports;
};

TEST_F(LibraryWindowTest, OpensOnTheScreenUnderThePointerWithNothingFocused) {
  fake.screens->setPointer({2000, 500});
  controller.show(*state);
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Quorvalen"));
  EXPECT_EQ(window().minimumSize(), QSize(440, 480));
  EXPECT_EQ(window().geometry(), QRect(1799, 106, 1202, 868));
  EXPECT_FALSE(view().searchField().hasFocus());
  EXPECT_EQ(reports, QList<bool>{true});
}

// One rule for the focus: whenever the library shows, and whenever it becomes active again,
// nothing has the focus until the search field is clicked; typing then searches nothing.
TEST_F(LibraryWindowTest, EveryShowAndEveryActivationLeaveNothingFocused) {
  RunningApp editor;
  editor.pid = 42;
  editor.windowClass = QStringLiteral("editor");
  fake.workspace->addApplication(editor);
  fake.workspace->setFrontmost(editor);
  state->setItems({test::textItem(QStringLiteral("alpha")), test::textItem(QStringLiteral("beta"))});
  QWidget elsewhere;  // another window of the program, to take the activation away
  elsewhere.resize(100, 100);
  // As the window manager does when the window is clicked or shown.
  const auto activate = [](QWidget& window) {
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
  };
  const struct {
    const char* name;
    std::function<void()> awayAndBack;
  } cases[] = {
      {"closed with Ctrl+W and opened again",
       [&] {
         QTest::keyClick(window().windowHandle(), Qt::Key_W, Qt::ControlModifier);
         ASSERT_FALSE(controller.isVisible());
         controller.show(*state);
       }},
      {"pasted back and opened again",
       [&] {
         QTest::keyClick(window().windowHandle(), Qt::Key_2, Qt::ControlModifier);
         ASSERT_FALSE(controller.isVisible());
         fake.advanceBoth(1);
         fake.workspace->setFrontmost(editor);
         controller.show(*state);
       }},
      {"the field let go, another window in front, then the title bar clicked",
       [&] {
         view().searchField().clearFocus();
         elsewhere.show();
         activate(elsewhere);
         elsewhere.hide();
         activate(window());
       }},
  };
  controller.show(*state);
  activate(window());
  EXPECT_FALSE(view().searchField().hasFocus());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    activate(window());
    QTest::mouseClick(&view().searchField(), Qt::LeftButton);
    ASSERT_TRUE(view().searchField().hasFocus());
    c.awayAndBack();
    activate(window());
    EXPECT_FALSE(view().searchField().hasFocus());
    EXPECT_NE(QApplication::focusWidget(), &view().searchField());
    QTest::keyClick(window().windowHandle(), Qt::Key_B);
    EXPECT_EQ(model().query(), QString());
  }
}

// The category form's name field hiding (Escape, a press beside the surface) leaves nothing
// focused: the next letter starts no search.
TEST_F(LibraryWindowTest, TheCategoryFormsNameFieldHidingLeavesNothingFocused) {
  state->setItems({test::textItem(QStringLiteral("alpha")), test::textItem(QStringLiteral("beta"))});
  controller.show(*state);
  QApplication::setActiveWindow(&window());
  QApplication::processEvents();
  const struct {
    const char* name;
    std::function<void()> away;
  } ways[] = {
      {"Escape", [&] { QTest::keyClick(window().windowHandle(), Qt::Key_Escape); }},
      {"a press beside it",
       [&] {
         QTest::mouseClick(window().clickAwayLayer(), Qt::LeftButton, {},
                           view().grid().mapTo(&window(), QPoint(30, 30)));
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    QTest::mouseClick(&view().newCategoryButton(), Qt::LeftButton);
    fake.advanceBoth(1);
    ASSERT_TRUE(state->categoryFormOpen());
    QVTextField& name = window().filterSurface()->formView()->nameField();
    QTest::mouseClick(&name, Qt::LeftButton);
    ASSERT_TRUE(name.hasFocus());
    way.away();
    fake.advanceBoth(1);
    EXPECT_FALSE(window().filterSurface()->isVisible());
    EXPECT_FALSE(view().searchField().hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), &window());
    QTest::keyClick(window().windowHandle(), Qt::Key_B);
    EXPECT_EQ(model().query(), QString());
  }
}

// Shown again after its monitor went, a frame on no screen opens centred on the screen under the
// pointer with its size; one still on a screen stays where it was.
TEST_F(LibraryWindowTest, AFrameLeftOnAMonitorThatWentOpensWhereThePointerIs) {
  const QRect onLarge(1600, 100, 800, 600);
  const struct {
    const char* name;
    QList<ScreenInfo> screens;
    QPointF pointer;
    QRect expected;
  } cases[] = {
      {"its monitor still there", {kLaptop, kLarge}, {100, 100}, onLarge},
      {"its monitor gone", {kLaptop}, {100, 100}, {320, 163, 800, 600}},
      {"gone, the pointer on the other one",
       {kLaptop, {QStringLiteral("left"), {-1280, 0, 1280, 1024}, {-1280, 0, 1280, 1024}}},
       {-600, 300},
       {-1040, 212, 800, 600}},
  };
  controller.show(*state);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.screens->setScreens({kLaptop, kLarge});
    window().setGeometry(onLarge);
    QTest::keyClick(window().windowHandle(), Qt::Key_W, Qt::ControlModifier);
    ASSERT_FALSE(controller.isVisible());
    fake.screens->setScreens(c.screens);
    fake.screens->setPointer(c.pointer);
    controller.show(*state);
    EXPECT_EQ(window().geometry(), c.expected);
  }
}

// A tab picked (and picked again, back to All) hands its accent over on the standard spring:
// half-way through, both tabs wear part of it.
TEST_F(LibraryWindowTest, APickedTabTakesTheAccentOnTheStandardSpring) {
  const ClipboardItem pinned = test::textItem(QStringLiteral("pinned note"));
  state->setItems({pinned, test::textItem(QStringLiteral("loose note"))});
  state->togglePin(pinned.id);
  controller.show(*state);
  fake.advanceBoth(1);
  const struct {
    const char* name;
    const char* from;
    const char* to;
  } picks[] = {{"Pinned picked", "All", "Pinned"}, {"Pinned picked again", "Pinned", "All"}};
  for (const auto& pick : picks) {
    SCOPED_TRACE(pick.name);
    LibraryScopeTab* from = tab(QString::fromLatin1(pick.from));
    LibraryScopeTab* to = tab(QString::fromLatin1(pick.to));
    ASSERT_EQ(from->selectionAmount(), 1);
    QTest::mouseClick(tab(QStringLiteral("Pinned")), Qt::LeftButton);
    fake.advanceBoth(0.08);
    EXPECT_GT(to->selectionAmount(), 0.05);
    EXPECT_LT(to->selectionAmount(), 0.95);
    EXPECT_NEAR(from->selectionAmount() + to->selectionAmount(), 1, 1e-6);
    fake.advanceBoth(1.5);
    EXPECT_EQ(to->selectionAmount(), 1);
    EXPECT_EQ(from->selectionAmount(), 0);
  }
}

TEST_F(LibraryWindowTest, WithoutAnyScreenItOpensAtTheOriginInItsPreferredSize) {
  fake.screens->setScreens({});
  controller.show(*state);
  EXPECT_EQ(window().size(), QSize(1202, 868));
  EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_TRUE(controller.isVisible());
}

TEST_F(LibraryWindowTest, ItOpensAtItsSavedFrameAndKeepsTheNewOneOnceItComesToRest) {
  struct Case {
    const char* name;
    QJsonValue saved;
    QRect expected;
  };
  const std::vector<Case> cases = {
      {"saved on the large screen", QStringLiteral("1500 40 700 600 1440 0 1920 1080"), {1500, 40, 700, 600}},
      {"a string of words", QStringLiteral("bottom left"), {119, 45, 1202, 835}},
      {"a negative size", QStringLiteral("10 10 -700 -600"), {119, 45, 1202, 835}},
      // Its middle lies far right, nearest the large screen.
      {"100,000 wide", QStringLiteral("10 100 100000 600"), {1440, 100, 1920, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.context->settings->set(kFrameKey, c.saved);
    LibraryWindowController fresh(*fake.context);
    fresh.show(*state);
    EXPECT_EQ(fresh.window()->geometry(), c.expected);
    fresh.window()->close();
  }

  controller.show(*state);
  window().setGeometry(200, 150, 800, 640);
  window().setGeometry(210, 160, 800, 640);
  fake.scheduler->advance(LibraryWindowController::kFrameSaveDelaySeconds / 2);
  EXPECT_NE(fake.context->settings->stringValue(kFrameKey), QStringLiteral("210 160 800 640 0 0 1440 900"));
  fake.scheduler->advance(LibraryWindowController::kFrameSaveDelaySeconds);
  EXPECT_EQ(fake.context->settings->stringValue(kFrameKey), QStringLiteral("210 160 800 640 0 0 1440 900"));
  // Closed before the delay ran out: the frame is kept at once.
  window().setGeometry(300, 160, 800, 640);
  window().close();
  EXPECT_EQ(fake.context->settings->stringValue(kFrameKey), QStringLiteral("300 160 800 640 0 0 1440 900"));
}

TEST_F(LibraryWindowTest, ReportsEveryShowCloseMinimiseAndRestore) {
  LibraryWindow* first = nullptr;
  struct Step {
    const char* name;
    std::function<void()> act;
    bool visibleAfter;
    QList<bool> reported;
  };
  const std::vector<Step> steps = {
      {"show", [&] { controller.show(*state); }, true, {true}},
      {"show while shown", [&] { controller.show(*state); }, true, {true}},
      {"close", [&] { window().close(); }, false, {false}},
      {"show again", [&] { controller.show(*state); }, true, {true}},
      {"minimise", [&] { window().setWindowState(Qt::WindowMinimized); }, false, {false}},
      {"restored by the window manager", [&] { window().setWindowState(Qt::WindowNoState); }, true, {true}},
      {"minimise again", [&] { window().setWindowState(Qt::WindowMinimized); }, false, {false}},
      {"show while minimised", [&] { controller.show(*state); }, true, {true}},
      {"hidden", [&] { window().hide(); }, false, {false}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    reports.clear();
    step.act();
    EXPECT_EQ(reports, step.reported);
    EXPECT_EQ(controller.isVisible(), step.visibleAfter);
    EXPECT_FALSE(window().isMinimized() && step.visibleAfter);
    if (!first) first = &window();
    EXPECT_EQ(&window(), first);  // made once, shown again
  }
}

TEST_F(LibraryWindowTest, ClosingAndReopeningKeepsScopeQuerySelectionAndTheViewsState) {
  const ClipboardItem pinned = test::textItem(QStringLiteral("pinned note"));
  state->setItems({test::textItem(QStringLiteral("other")), pinned});
  state->togglePin(pinned.id);
  controller.show(*state);
  model().selectScope(LibraryScope::pinned());
  model().setQuery(QStringLiteral("note"));
  model().setSelection(pinned.id);
  LibraryModel* before = &model();
  window().close();

  // Another state is not handed to the view while the first one lives.
  test::StateHarness other;
  controller.show(*other.state);
  EXPECT_EQ(&model(), before);
  EXPECT_EQ(controller.shownState(), other.state.get());
  EXPECT_EQ(model().scope(), LibraryScope::pinned());
  EXPECT_EQ(view().props().header.query, QStringLiteral("note"));
  EXPECT_EQ(view().searchField().text(), QStringLiteral("note"));
  EXPECT_EQ(view().listedRows(), QStringList{"pinned note"});
  ASSERT_NE(card(pinned.id), nullptr);
  EXPECT_TRUE(card(pinned.id)->props().card.isSelected);
}

TEST_F(LibraryWindowTest, ChangesWhileClosedShowWhenItOpensAgain) {
  controller.show(*state);
  window().close();
  state->addItem(test::textItem(QStringLiteral("copied while closed")));
  controller.show(*state);
  EXPECT_EQ(view().listedRows(), QStringList{"copied while closed"});
  EXPECT_EQ(view().statusText(), QStringLiteral("1 item"));
}

TEST_F(LibraryWindowTest, RemembersTheApplicationInFrontButNeverItself) {
  const RunningApp editor{100, 7, QStringLiteral("Mousepad"), QStringLiteral("org.xfce.mousepad"), {}, {}};
  const RunningApp self{fake.workspace->ownPid(), 9, QStringLiteral("quorvalen"), {}, {}, {}};
  fake.workspace->setFrontmost(editor);
  controller.show(*state);
  EXPECT_EQ(controller.previousApp(), editor);
  fake.workspace->setFrontmost(self);
  controller.show(*state);
  EXPECT_EQ(controller.previousApp(), editor);
  fake.workspace->setFrontmost(std::nullopt);
  controller.show(*state);
  EXPECT_EQ(controller.previousApp(), std::nullopt);
}

TEST_F(LibraryWindowTest, TranslucentWithACompositorAndOpaqueWithout) {
  fake.compositor->setSupport({true, true});
  controller.show(*state);
  const auto cornerAlpha = [&] {
    return window().grab().toImage().pixelColor(window().width() - 3, window().height() / 2).alpha();
  };
  EXPECT_TRUE(window().translucency().compositor);
  auto* pane = window().findChild<LibraryDetailView*>();
  ASSERT_NE(pane, nullptr);
  EXPECT_TRUE(pane->translucency().compositor) << "the detail pane's material follows the window";
  EXPECT_LT(cornerAlpha(), 255);
  const auto& requests = fake.compositor->blurRequests;
  EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                          [&](const auto& request) { return request.window == window().windowHandle(); }));
  fake.compositor->setSupport({false, false});
  EXPECT_FALSE(window().translucency().compositor);
  EXPECT_FALSE(pane->translucency().compositor);
  EXPECT_EQ(cornerAlpha(), 255);
}

TEST_F(LibraryWindowTest, TextFieldsOfTheWindowTakeTextAsTyped) {
  controller.show(*state);
  auto* field = new QLineEdit(&window());
  field->show();
  window().activateWindow();
  field->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(field->hasFocus());
  EXPECT_EQ(field->inputMethodHints() & kNoTextServiceHints, kNoTextServiceHints);
  EXPECT_EQ(field->completer(), nullptr);
}

// ---- The header and the list, through real events ----------------------------------------------

TEST_F(LibraryWindowTest, TypingAndTabsNarrowTheListAndTheStatusRowFollows) {
  const CustomCategory work = state->addCategory(QStringLiteral("Work"), 1);
  const ClipboardItem budget = test::textItem(QStringLiteral("Quarterly budget"));
  const ClipboardItem agenda = test::textItem(QStringLiteral("printed agenda"));
  const ClipboardItem secret = test::textItem(QStringLiteral("hunter2 budget"));
  state->setItems({budget, agenda, secret});
  state->togglePin(agenda.id);
  state->setCategory(work.id, budget.id);
  state->toggleSensitive(secret.id);
  controller.show(*state);
  EXPECT_EQ(view().listedRows(), (QStringList{"Quarterly budget", "printed agenda", "••••••••"}));
  EXPECT_EQ(view().statusText(), QStringLiteral("3 items"));

  QTest::keyClicks(&view().searchField(), QStringLiteral("BUDGET"));
  EXPECT_EQ(model().query(), QStringLiteral("BUDGET"));
  EXPECT_EQ(view().listedRows(), (QStringList{"Quarterly budget", "••••••••"}));
  EXPECT_EQ(view().statusText(), QStringLiteral("2 of 3 items \u00B7 filtered"));
  EXPECT_EQ(tab(QStringLiteral("All"))->props().count, 3);  // counts ignore the query

  QTest::mouseClick(tab(QStringLiteral("Work")), Qt::LeftButton);
  EXPECT_EQ(model().scope(), LibraryScope::category(work.id));
  EXPECT_TRUE(tab(QStringLiteral("Work"))->props().isSelected);
  EXPECT_EQ(view().listedRows(), QStringList{"Quarterly budget"});
  ASSERT_NE(view().pencilButton(), nullptr);
  EXPECT_EQ(view().pencilButton()->toolTip(), QStringLiteral("Edit \u201CWork\u201D"));

  view().searchField().clear();
  QTest::keyClicks(&view().searchField(), QStringLiteral("zebra"));
  EXPECT_EQ(view().emptyStateText(), QStringLiteral("No Results\nNothing matches \u201Czebra\u201D."));

  QTest::mouseClick(tab(QStringLiteral("Pinned")), Qt::LeftButton);
  QTest::mouseClick(tab(QStringLiteral("Pinned")), Qt::LeftButton);
  EXPECT_EQ(model().scope(), LibraryScope::all());
  EXPECT_EQ(view().pencilButton(), nullptr);
}

// The search index is made aside when a click puts the caret into the search field, not when
// the window shows: the first key finds it made, and its search makes nothing more.
TEST_F(LibraryWindowTest, AClickIntoTheSearchFieldHasTheSearchIndexMadeBeforeTheFirstKey) {
  state->setItems({test::textItem(QStringLiteral("Quarterly budget")), test::textItem(QStringLiteral("agenda"))});
  const auto pending = [this] {
    // The queue is made when first asked for.
    const std::shared_ptr<FakeSerialQueue> search = fake.queues->queue(QLatin1String(kQueuePrefix) +
                                                                       QLatin1String("search"));
    return search ? search->pendingCount() : 0;
  };
  controller.show(*state);
  QApplication::setActiveWindow(&window());
  EXPECT_EQ(pending(), 0);
  QTest::mouseClick(&view().searchField(), Qt::LeftButton);
  ASSERT_TRUE(view().searchField().hasFocus());
  EXPECT_EQ(pending(), 1);
  fake.drain();
  QTest::keyClicks(&view().searchField(), QStringLiteral("bu"));
  EXPECT_EQ(pending(), 0);
  EXPECT_EQ(view().listedRows(), QStringList{"Quarterly budget"});
}

TEST_F(LibraryWindowTest, TheFilterSurfaceOpensUnderTheButtonThatOpenedIt) {
  state->setItems({test::textItem(QStringLiteral("a"))});
  controller.show(*state);
  FilterPanelView& surface = *window().filterSurface();
  EXPECT_FALSE(surface.isVisible());

  QTest::mouseClick(&view().filterButton(), Qt::LeftButton);
  EXPECT_TRUE(state->libraryFilterSurfaceOpen());
  EXPECT_TRUE(surface.isVisible());
  const QRect button(view().filterButton().mapTo(&window(), QPoint()), view().filterButton().size());
  EXPECT_GT(surface.geometry().top(), button.top());
  EXPECT_LE(surface.geometry().left(), button.left());

  QTest::mouseClick(&view().newCategoryButton(), Qt::LeftButton);
  EXPECT_TRUE(surface.isVisible());
  fake.drain();
  EXPECT_TRUE(state->categoryFormOpen());
  const QRect add(view().newCategoryButton().mapTo(&window(), QPoint()), view().newCategoryButton().size());
  EXPECT_LE(surface.geometry().left(), add.left());
  EXPECT_GT(surface.geometry().right(), add.left());

  QTest::mouseClick(&view().filterButton(), Qt::LeftButton);
  EXPECT_TRUE(surface.isVisible());
  QTest::mouseClick(&view().filterButton(), Qt::LeftButton);
  fake.advanceBoth(1);  // it fades out
  EXPECT_FALSE(surface.isVisible());
}

// The surface grows in from 0.85 at its cards' top-left corner on the overshoot, fading in (only
// fading under reduce motion), and fades out again before it hides. A press beside it closes
// it and goes no further; the header's filter controls keep their presses.
TEST_F(LibraryWindowTest, TheFilterSurfaceComesAndGoesOnTheOvershootAndAPressBesideItClosesIt) {
  state->setItems({test::textItem(QStringLiteral("a"))});
  controller.show(*state);
  FilterPanelView& surface = *window().filterSurface();
  QTest::mouseClick(&view().filterButton(), Qt::LeftButton);
  EXPECT_TRUE(surface.isVisible());
  EXPECT_EQ(window().filterSurfacePresence(), 0);
  ASSERT_NE(surface.graphicsEffect(), nullptr);
  EXPECT_TRUE(surface.graphicsEffect()->isEnabled());
  fake.advanceBoth(0.1);
  EXPECT_GT(window().filterSurfacePresence(), 0);
  EXPECT_LT(window().filterSurfacePresence(), 1);
  fake.advanceBoth(1);
  EXPECT_NEAR(window().filterSurfacePresence(), 1, 1e-3);
  EXPECT_FALSE(surface.graphicsEffect()->isEnabled());  // at rest it draws as it is

  // The click-away layer lies over the grid: a press there closes the surface and selects nothing.
  ClickAwayLayer& layer = *window().clickAwayLayer();
  ASSERT_TRUE(layer.isVisible());
  const QPoint onGrid = view().grid().mapTo(&window(), QPoint(30, 30));
  EXPECT_EQ(window().childAt(onGrid), &layer);
  QTest::mouseClick(&layer, Qt::LeftButton, {}, onGrid);
  EXPECT_FALSE(state->libraryFilterSurfaceOpen());
  EXPECT_FALSE(layer.isVisible());
  EXPECT_TRUE(surface.isVisible());
  fake.advanceBoth(0.1);
  EXPECT_GT(window().filterSurfacePresence(), 0);
  fake.advanceBoth(1);
  EXPECT_FALSE(surface.isVisible());
  EXPECT_EQ(model().selection(), std::nullopt);

  // Open again: the filter button and "New category" are not covered.
  QTest::mouseClick(&view().filterButton(), Qt::LeftButton);
  fake.advanceBoth(1);
  const QPoint onButton = view().filterButton().mapTo(&window(), view().filterButton().rect().center());
  EXPECT_NE(window().childAt(onButton), &layer);
  const QPoint onAdd = view().newCategoryButton().mapTo(&window(), view().newCategoryButton().rect().center());
  EXPECT_NE(window().childAt(onAdd), &layer);

  // Moved over to "New category", it glides there; its cards end 6 below the button, at its left
  // edge.
  const int from = surface.x();
  QTest::mouseClick(&view().newCategoryButton(), Qt::LeftButton);
  fake.drain();
  const QRect add(view().newCategoryButton().mapTo(&window(), QPoint()), view().newCategoryButton().size());
  const int room = FilterPanelView::kShadowRoom;
  fake.advanceBoth(0.05);
  EXPECT_GT(surface.x(), from);
  EXPECT_LT(surface.x(), add.left() - room);
  fake.advanceBoth(1);
  EXPECT_EQ(surface.pos(), QPoint(add.left() - room, add.top() + add.height() + 6 - room));
}

// Each empty state stands in the grid's place, and the grid comes back with the first item.
TEST_F(LibraryWindowTest, EachEmptyStateStandsInTheGridsPlace) {
  const CustomCategory work = state->addCategory(QStringLiteral("Work"), 1);
  const ClipboardItem note = test::textItem(QStringLiteral("a note"));
  struct Case {
    const char* name;
    std::function<void()> arrange;
    QString title;
  };
  const std::vector<Case> cases = {
      {"nothing copied", [] {}, QStringLiteral("No Items")},
      {"nothing pinned", [&] { model().selectScope(LibraryScope::pinned()); }, QStringLiteral("Nothing Pinned")},
      {"an empty category", [&] { model().selectScope(LibraryScope::category(work.id)); },
       QStringLiteral("Work Is Empty")},
      {"a filter", [&] { state->setFilterTypes({TypeFilter::image}); }, QStringLiteral("No Matches")},
      {"a query as well", [&] { model().setQuery(QStringLiteral(" zebra ")); }, QStringLiteral("No Results")},
  };
  controller.show(*state);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    EXPECT_EQ(view().emptyStateView().props().title, c.title);
    EXPECT_TRUE(view().emptyStateView().isVisible());
    EXPECT_FALSE(view().grid().isVisible());
  }
  state->setFilterTypes({});
  model().setQuery({});
  model().selectScope(LibraryScope::all());
  state->addItem(note);
  EXPECT_FALSE(view().emptyStateView().isVisible());
  EXPECT_TRUE(view().grid().isVisible());
  EXPECT_NE(view().grid().cardFor(note.id), nullptr);
}

// Clicking a card selects the item on it, also after the grid was narrowed under it.
TEST_F(LibraryWindowTest, ClickingACardSelectsThatCardsItem) {
  const ClipboardItem a = test::textItem(QStringLiteral("alpha")), b = test::textItem(QStringLiteral("beta"));
  state->setItems({a, b});
  controller.show(*state);
  QTest::keyClicks(&view().searchField(), QStringLiteral("bet"));
  LibraryGridView& grid = view().grid();
  ASSERT_NE(card(b.id), nullptr);
  const QPoint middle = grid.mapFromScene(card(b.id)->mapToScene(card(b.id)->rect().center()));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, middle);
  EXPECT_EQ(model().selection(), b.id);
  EXPECT_TRUE(card(b.id)->props().card.isSelected);
}

}  // namespace
}  // namespace qv
