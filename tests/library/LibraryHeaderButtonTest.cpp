// The detail pane's round header button: its colours by role and hover, clicks only inside the
// circle, the pointing hand while hovered, and the glyph swap, with reduced motion as without.
#include "library/LibraryHeaderButton.h"
#include "support/library/FakeLibraryContext.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHoverEvent>
#include <QTest>

namespace qv {
namespace {

struct ButtonHarness {
  explicit ButtonHarness(LibraryHeaderButton::Props props, bool reduceMotion = false) {
    fake.desktopAppearance->setReduceMotion(reduceMotion);
    button = std::make_unique<LibraryHeaderButton>(*fake.context);
    button->setProps(props, {[this] { ++taps; }});
    button->setAttribute(Qt::WA_DontShowOnScreen);
    button->show();
  }
  void hover(QPointF at) {
    QHoverEvent move(QEvent::HoverMove, at, at, QPointF(-1, -1));
    QApplication::sendEvent(button.get(), &move);
  }
  void leave() {
    QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), QPointF(11, 11));
    QApplication::sendEvent(button.get(), &leave);
  }
  test::FakeLibraryContext fake;
  std::unique_ptr<LibraryHeaderButton> button;
  int taps = 0;
};

TEST(LibraryHeaderButton, ColoursByRoleAndHover) {
  const EnvironmentValues light;
  const struct {
    const char* name;
    bool active, destructive;
    QColor idle, hovered;
  } cases[] = {
      {"plain", false, false, primaryColor(light, 0.55), primaryColor(light, 0.9)},
      {"active", true, false, Theme::accent(), Theme::accent()},
      {"destructive", false, true, primaryColor(light, 0.55), systemRed(light)},
      {"destructive wins over active", true, true, primaryColor(light, 0.55), systemRed(light)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ButtonHarness h({QStringLiteral("pin"), c.active, c.destructive});
    EXPECT_EQ(h.button->foreground(), c.idle);
    EXPECT_EQ(h.button->circleFill(), primaryColor(light, 0.05));
    h.hover({11, 11});
    h.fake.advanceBoth(1);
    EXPECT_EQ(h.button->foreground(), c.hovered);
    EXPECT_EQ(h.button->circleFill(), primaryColor(light, 0.1));
    EXPECT_EQ(h.button->cursor().shape(), Qt::PointingHandCursor);
    h.leave();
    h.fake.advanceBoth(1);
    EXPECT_EQ(h.button->foreground(), c.idle);
    EXPECT_EQ(h.button->cursor().shape(), Qt::ArrowCursor);
  }
}

TEST(LibraryHeaderButton, OnlyTheCircleTakesClicks) {
  ButtonHarness h({QStringLiteral("trash"), false, true});
  EXPECT_EQ(h.button->size(), QSize(22, 22));
  QTest::mouseClick(h.button.get(), Qt::LeftButton, {}, QPoint(1, 1));  // a corner of the square
  EXPECT_EQ(h.taps, 0);
  QTest::mouseClick(h.button.get(), Qt::LeftButton, {}, QPoint(11, 11));
  EXPECT_EQ(h.taps, 1);
}

// Hover and glyph move on their springs whatever the reduced-motion flag says.
TEST(LibraryHeaderButton, HoverAndGlyphSwapAnimateWithReducedMotionToo) {
  for (const bool reduce : {false, true}) {
    SCOPED_TRACE(reduce ? "reduced motion" : "motion");
    ButtonHarness h({QStringLiteral("eye"), false, false}, reduce);
    h.hover({11, 11});
    h.fake.advanceBoth(1.0 / 60);
    EXPECT_GT(h.button->hoverAmount(), 0);
    EXPECT_LT(h.button->hoverAmount(), 1);

    EXPECT_EQ(h.button->swapProgress(), 1);
    h.button->setProps({QStringLiteral("eye.slash"), false, false}, {[] {}});
    EXPECT_EQ(h.button->previousSymbol(), "eye");
    h.fake.advanceBoth(0.1);
    EXPECT_GT(h.button->swapProgress(), 0);
    EXPECT_LT(h.button->swapProgress(), 1);
    h.fake.advanceBoth(1.5);
    EXPECT_NEAR(h.button->swapProgress(), 1, 1e-3);
    EXPECT_TRUE(h.button->previousSymbol().isEmpty());
  }
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// A window that hides under the pointer (Ctrl+W, a paste-back) takes the hover with it: shown
// again, the button is not red until the pointer comes back.
TEST(LibraryHeaderButton, AHiddenWindowTakesTheHoverWithIt) {
  ButtonHarness h({QStringLiteral("trash"), false, true});
  h.hover({11, 11});
  h.fake.advanceBoth(1);
  ASSERT_TRUE(h.button->isHovered());
  h.button->hide();
  h.button->show();
  h.fake.advanceBoth(1);
  EXPECT_FALSE(h.button->isHovered());
  EXPECT_EQ(h.button->foreground(), primaryColor(EnvironmentValues{}, 0.55));
}

}  // namespace
}  // namespace qv
