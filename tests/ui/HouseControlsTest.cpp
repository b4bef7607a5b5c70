#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/PillButtons.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

struct ButtonCase {
  const char* name;
  std::function<std::unique_ptr<HouseButton>(InterfaceServices&, std::function<void()>)> make;
  double paddingH, paddingV;
  double hoveredScale;
  std::optional<double> fixedWidth;
};

const ButtonCase kButtons[] = {
    {"confirm",
     [](InterfaceServices& c, auto a) {
       return std::make_unique<ConfirmPillButton>(c, ConfirmPillButton::Props{"Cancel", false},
                                                  HouseButton::Callbacks{a});
     },
     12,
     5,
     1.04,
     {}},
    {"accent",
     [](InterfaceServices& c, auto a) {
       return std::make_unique<AccentPillButton>(c, AccentPillButton::Props{"Go", {}, true}, HouseButton::Callbacks{a});
     },
     22,
     6,
     1.04,
     {}},
    {"accentFixed",
     [](InterfaceServices& c, auto a) {
       return std::make_unique<AccentPillButton>(c, AccentPillButton::Props{"Go", 160.0, true},
                                                 HouseButton::Callbacks{a});
     },
     0, 6, 1.04, 160.0},
    {"about",
     [](InterfaceServices& c, auto a) {
       return std::make_unique<AboutActionButton>(c, AboutActionButton::Props{"Website", "safari"},
                                                  HouseButton::Callbacks{a});
     },
     14,
     6,
     1.03,
     {}},
    {"toolbar",
     [](InterfaceServices& c, auto a) {
       return std::make_unique<ToolbarPillButton>(c, ToolbarPillButton::Props{"Select", true},
                                                  HouseButton::Callbacks{a});
     },
     14,
     5,
     1.03,
     {}},
};

class HouseButtons : public ::testing::TestWithParam<ButtonCase> {};

}  // namespace

TEST_P(HouseButtons, SizeHoverScaleAndOneActionPerClick) {
  const ButtonCase& c = GetParam();
  FakeInterfaceContext fake;
  int runs = 0;
  auto button = c.make(*fake.context, [&] { ++runs; });
  button->resize(button->sizeHint());
  button->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(button.get()));

  const HouseButtonLook look = button->currentLook();
  const QFontMetricsF metrics(look.font);
  double label = metrics.horizontalAdvance(look.title);
  if (!look.symbol.isEmpty()) label += metrics.height() + 6;
  const QRectF shape = button->buttonRect();
  EXPECT_NEAR(shape.width(), c.fixedWidth.value_or(std::ceil(label)) + 2 * c.paddingH, 1e-6);
  EXPECT_NEAR(shape.height(), std::ceil(metrics.height()) + 2 * c.paddingV, 1e-6);
  EXPECT_TRUE(QRectF(button->rect()).contains(shape));

  const QPoint centre = shape.center().toPoint();
  QTest::mouseMove(button.get(), centre);
  EXPECT_TRUE(button->isHovered());
  EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
  fake.clock->advance(0.05);
  EXPECT_NEAR(button->currentLook().scale, 1 + (c.hoveredScale - 1) * Theme::springSnappy().progress(0.05), 1e-6);
  fake.clock->advanceFrames(90);
  EXPECT_NEAR(button->currentLook().scale, c.hoveredScale, 1e-3);

  QTest::mouseClick(button.get(), Qt::LeftButton, {}, centre);
  EXPECT_EQ(runs, 1);
  // A press that ends outside the shape is no click.
  QTest::mousePress(button.get(), Qt::LeftButton, {}, centre);
  QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(runs, 1);

  QTest::mouseMove(button.get(), QPoint(1, 1));
  fake.clock->advanceFrames(90);
  EXPECT_NEAR(button->currentLook().scale, 1, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(All, HouseButtons, ::testing::ValuesIn(kButtons),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(AccentPillButton, DisabledIsFadedInertAndNeverHovered) {
  FakeInterfaceContext fake;
  int runs = 0;
  const HouseButton::Callbacks run{[&] { ++runs; }};
  AccentPillButton button(*fake.context, {"Continue", {}, true}, run);
  button.resize(button.sizeHint());
  button.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  const QPoint centre = button.buttonRect().center().toPoint();
  QTest::mouseMove(&button, centre);
  fake.clock->advanceFrames(90);
  ASSERT_TRUE(button.isHovered());

  button.setProps({"Continue", {}, false}, run);  // disabled while hovered
  EXPECT_FALSE(button.isHovered());
  EXPECT_NE(button.cursor().shape(), Qt::PointingHandCursor);
  fake.clock->advanceFrames(90);
  const HouseButtonLook look = button.currentLook();
  EXPECT_EQ(look.opacity, 0.6);
  EXPECT_NEAR(look.scale, 1, 1e-3);
  ASSERT_TRUE(look.shadow);
  EXPECT_NEAR(look.shadow->radius, 3, 1e-3);  // the resting shadow
  QTest::mouseClick(&button, Qt::LeftButton, {}, centre);
  EXPECT_EQ(runs, 0);
}

TEST(ConfirmPillButton, DestructiveRestsRedSemiboldWithoutBorder) {
  FakeInterfaceContext fake;
  ConfirmPillButton button(*fake.context, {"Erase", true}, {[] {}});
  const HouseButtonLook look = button.currentLook();
  EXPECT_EQ(look.font.weight(), QFont::DemiBold);
  EXPECT_NEAR(look.foreground.alphaF(), 0.85, 0.01);
  EXPECT_GT(look.foreground.red(), 200);
  EXPECT_EQ(look.border.alpha(), 0);
}

TEST(CategoryDot, IsACircleOrACapsuleWithItsRim) {
  struct Case {
    CategoryDot dot;
    QSizeF frame;
  };
  const Case cases[] = {{{Qt::red, false, 7, {}}, {7, 7}}, {{Qt::red, false, 8, 14.0}, {14, 8}}};
  for (const Case& c : cases) EXPECT_EQ(c.dot.frameSize(), c.frame);

  // Painted at 10×: the centre is the colour, the rim white on an accent background.
  QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.scale(10, 10);
  CategoryDot{Qt::red, true, 8, 14.0}.paint(painter, QRectF(0, 1, 20, 8));
  painter.end();
  EXPECT_EQ(QColor(image.pixel(100, 50)), QColor(Qt::red));
  const QColor rim(image.pixel(100, 15));  // 0.5 points inside the top edge
  EXPECT_GT(rim.green(), 180);
  EXPECT_EQ(qAlpha(image.pixel(20, 50)), 0);  // left of the 14-point capsule
}
