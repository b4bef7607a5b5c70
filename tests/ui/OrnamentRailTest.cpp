#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/OrnamentRail.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QHoverEvent>
#include <QTest>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

void hover(PaintedWidget& widget, QPointF at) {
  QHoverEvent move(QEvent::HoverMove, at, at, QPointF(-1, -1));
  QCoreApplication::sendEvent(&widget, &move);
}

}  // namespace

TEST(OrnamentRailButton, DisabledHoversButIgnoresClicksSelectedHasNoDotAndDoesNotGrow) {
  FakeInterfaceContext fake;
  int taps = 0;
  const OrnamentRailButton::Callbacks tap{[&] { ++taps; }};
  OrnamentRailButton button(*fake.context, {.icon = "calendar", .showsDot = true, .isEnabled = false}, tap);
  hover(button, {17, 17});
  fake.clock->advance(1);
  EXPECT_TRUE(button.isHovered());
  EXPECT_NEAR(button.faceScale(), 1.08, 1e-3);
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(17, 17));
  EXPECT_EQ(taps, 0);
  EXPECT_TRUE(button.drawsDot());
  const QImage faded = button.renderForTest(1);
  EXPECT_NEAR(qAlpha(faded.pixel(button.dotRect().center().toPoint())), 0.35 * 255, 3);

  button.setProps({.icon = "calendar", .isSelected = true, .showsDot = true}, tap);
  EXPECT_FALSE(button.drawsDot());
  EXPECT_DOUBLE_EQ(button.faceScale(), 1.0);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(17, 17));
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));  // the corner is outside the circle
  EXPECT_EQ(taps, 1);
}

TEST(OrnamentRail, TheSelectionCircleSlidesWithTheStandardSpringOrJumpsUnderReducedMotion) {
  for (const bool reduce : {false, true}) {
    FakeInterfaceContext fake;
    DesktopPreferences desktop;
    desktop.reduceMotion = reduce;
    fake.desktopAppearance->setPreferences(desktop);
    OrnamentRail rail(*fake.context);
    auto* first = rail.addButton({.icon = "textformat", .isSelected = true}, {});
    auto* second = rail.addButton({.icon = "calendar"}, {});
    rail.resize(rail.sizeHint());
    EXPECT_EQ(rail.selectionRect(), QRectF(first->geometry()));
    first->setProps({.icon = "textformat", .sharesSelection = true}, {});
    second->setProps({.icon = "calendar", .isSelected = true, .sharesSelection = true}, {});
    EXPECT_EQ(rail.isSelectionAnimating(), !reduce);
    fake.clock->advance(2);
    EXPECT_EQ(rail.selectionRect(), QRectF(second->geometry()));
    EXPECT_EQ(second->y() - first->y(), 34 + 4);
  }
}

TEST(OrnamentRail, DrawsTheSelectionCircleUnderTheSelectedButton) {
  FakeInterfaceContext fake;
  OrnamentRail rail(*fake.context);
  rail.addButton({.icon = "textformat"}, {});
  auto* selected = rail.addButton({.icon = "calendar", .isSelected = true}, {});
  rail.resize(rail.sizeHint());
  QImage image(rail.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  rail.render(&image);
  EXPECT_EQ(rail.selectionRect(), QRectF(selected->geometry()));
  EXPECT_EQ(QColor(image.pixel(selected->geometry().topLeft() + QPoint(6, 17))).rgb(), Theme::accent().rgb());
}
