// A double-click on a library card pastes back once the second press is released, never before:
// the release must not land on what lies below the window, which may take the keyboard from the
// application the paste goes to. Driven through the window as the window system delivers it.
#include "library/LibraryActions.h"
#include "library/LibraryCard.h"
#include "library/LibraryGridView.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryDesktop.h"
#include "support/state/StateTestSupport.h"
#include "support/ui/WindowPointer.h"

#include <gtest/gtest.h>
#include <QTest>

namespace qv {
namespace {

const ScreenInfo kScreen{QStringLiteral("screen"), {0, 0, 1440, 900}, {0, 0, 1440, 900}};

TEST(LibraryDoubleClickPaste, TheWindowStaysUntilTheSecondPressIsReleasedThenPastes) {
  const struct {
    const char* name;
    double heldSeconds;  // the second press held this long
    bool released;       // false: the release went elsewhere (a broken grab)
  } cases[] = {
      {"released at once", 0, true},
      {"held half a second", 0.5, true},
      {"never released here", 0.5, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeLibraryContext fake;
    test::prepareLibraryDesktop(fake, kScreen);
    PanelState state(*fake.context);
    state.setItems({test::textItem("first"), test::textItem("second"), test::textItem("third")});
    auto controller = std::make_unique<LibraryWindowController>(*fake.context);
    controller->show(state);
    controller->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    fake.advanceBoth(1);
    LibraryGridView& grid = controller->window()->view()->grid();
    auto* card = qobject_cast<LibraryCard*>(grid.cardFor(state.items()[1].id));
    ASSERT_NE(card, nullptr);
    const QPoint middle = grid.mapFromScene(card->mapToScene(card->rect().center()));

    test::WindowPointer pointer(*grid.viewport());
    pointer.moveTo(middle);
    fake.advanceBoth(0.5);
    pointer.click(middle);
    pointer.press(middle, test::WindowPointer::doubleClickMs());
    fake.advanceBoth(c.heldSeconds);
    EXPECT_TRUE(controller->isVisible()) << "the second press is still down";
    EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
    if (c.released) pointer.release(middle);
    else fake.advanceBoth(LibraryActions::kReleaseWaitSeconds);
    fake.advanceBoth(0.01);
    EXPECT_FALSE(controller->isVisible());
    EXPECT_EQ(fake.pasteboard->writes().last().text, "second");
    fake.advanceBoth(0.5);
    EXPECT_EQ(fake.keyPoster->pastes, QStringList{"editor"});
    controller.reset();
    fake.drain();
  }
}

}  // namespace
}  // namespace qv
