#include "panel/FilterControls.h"
#include "panel/PanelTestSupport.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QHoverEvent>
#include <QTest>
#include <limits>

using namespace qv;
using qv::test::PanelHarness;

namespace {

struct FlowCase {
  const char* name;
  std::vector<QSizeF> sizes;
  double maxWidth;
  std::vector<QRectF> frames;
  double height;
};

void hover(PaintedWidget& widget, QPointF at) {
  QHoverEvent move(QEvent::HoverMove, at, at, QPointF(-1, -1));
  QCoreApplication::sendEvent(&widget, &move);
}

}  // namespace

TEST(ArrangeFlow, FillsRowsFromTheLeadingEdgeAndWraps) {
  const double inf = std::numeric_limits<double>::infinity();
  const FlowCase cases[] = {
      {"empty", {}, 100, {}, 0},
      {"exactly full stays",
       {{40, 20}, {54, 20}, {10, 20}},
       100,
       {{0, 0, 40, 20}, {46, 0, 54, 20}, {0, 26, 10, 20}},
       46},
      {"too wide stands alone",
       {{30, 20}, {150, 20}, {10, 20}},
       100,
       {{0, 0, 30, 20}, {0, 26, 150, 20}, {0, 52, 10, 20}},
       72},
      {"first too wide is not moved", {{150, 20}}, 100, {{0, 0, 150, 20}}, 20},
      {"tallest sets the row",
       {{20, 20}, {20, 24}, {70, 10}},
       100,
       {{0, 0, 20, 20}, {26, 0, 20, 24}, {0, 30, 70, 10}},
       40},
      {"no width: one row",
       {{40, 20}, {54, 20}, {500, 20}},
       inf,
       {{0, 0, 40, 20}, {46, 0, 54, 20}, {106, 0, 500, 20}},
       20},
  };
  for (const FlowCase& c : cases) {
    const FlowArrangement flow = arrangeFlow(c.sizes, c.maxWidth, 6);
    EXPECT_EQ(flow.frames, c.frames) << c.name;
    EXPECT_DOUBLE_EQ(flow.height, c.height) << c.name;
  }
}

TEST(ChipFlow, PlacesChipsAtTheirSizeAndAsksTheHeightItsWidthNeeds) {
  PanelHarness fake;
  QWidget host;
  auto* flow = new ChipFlow(6, &host);
  std::vector<FilterChip*> chips;
  for (const char* label : {"Text", "Image", "Yesterday", "Last 30 days"}) {
    chips.push_back(new FilterChip(*fake.context, {.label = label}, {}, &host));
    flow->addWidget(chips.back());
  }
  // The capsules are laid out; the widgets overhang them for their hover growth.
  const QSize capsule = chips[3]->sizeHint().shrunkBy(kChipOverhang);
  EXPECT_EQ(flow->heightForWidth(2000), capsule.height());
  host.resize(capsule.width(), flow->heightForWidth(capsule.width()));
  flow->setGeometry(host.rect());
  EXPECT_EQ(chips[3]->geometry().marginsRemoved(kChipOverhang),
            QRect(QPoint(0, host.height() - capsule.height()), capsule));
  EXPECT_EQ(chips[0]->geometry().topLeft(), QPoint(-3, -1));
}

TEST(OrnamentRailButton, DisabledHoversButIgnoresClicksSelectedHasNoDotAndDoesNotGrow) {
  PanelHarness fake;
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
    PanelHarness fake;
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

TEST(FilterChip, AnAppIconWinsOverADotWhichWinsOverASymbolAndAnOnChipDoesNotGrow) {
  PanelHarness fake;
  using L = FilterChip::Leading;
  const std::pair<FilterChip::Props, L> cases[] = {
      {{.label = "Editor", .icon = "doc", .bundleID = "org.example.Editor", .dotColor = QColor(Qt::red)}, L::appIcon},
      {{.label = "Work", .icon = "doc", .dotColor = QColor(Qt::red)}, L::dot},
      {{.label = "Text", .icon = "doc"}, L::symbol},
      {{.label = "Today"}, L::none},
  };
  for (const auto& [props, leading] : cases)
    EXPECT_EQ(FilterChip::leadingOf(props), leading) << qPrintable(props.label);

  int taps = 0;
  FilterChip chip(*fake.context, {.label = "Text", .icon = "doc"}, {[&] { ++taps; }});
  hover(chip, QRectF(chip.rect()).center());
  fake.clock->advance(1);
  EXPECT_NEAR(chip.scale(), 1.04, 1e-3);
  chip.setProps({.label = "Text", .icon = "doc", .isOn = true}, {[&] { ++taps; }});
  EXPECT_DOUBLE_EQ(chip.scale(), 1.0);
  const QImage on = chip.renderForTest(1);
  EXPECT_EQ(QColor(on.pixel(4, chip.height() / 2)).rgb() & 0xffffff, Theme::accent().rgb() & 0xffffff);
  QTest::mouseClick(&chip, Qt::LeftButton, {}, QRectF(chip.rect()).center().toPoint());
  EXPECT_EQ(taps, 1);
}

TEST(CategoryColorDot, IsTwentyFourSquareTheRingFadesInAndASelectedSwatchBrightensWithoutGrowing) {
  PanelHarness fake;
  int taps = 0;
  const CategoryColorDot::Callbacks tap{[&] { ++taps; }};
  CategoryColorDot swatch(*fake.context, {.color = QColor(0, 122, 255)}, tap);
  EXPECT_EQ(swatch.sizeHint(), QSize(24, 24));
  swatch.setProps({.color = QColor(0, 122, 255), .isSelected = true}, tap);
  fake.clock->advance(0.05);
  EXPECT_GT(swatch.ringAmount(), 0);
  EXPECT_LT(swatch.ringAmount(), 1);
  fake.clock->advance(2);
  EXPECT_NEAR(swatch.ringAmount(), 1, 1e-3);
  hover(swatch, {12, 12});
  fake.clock->advance(1);
  EXPECT_DOUBLE_EQ(swatch.dotScale(), 1.0);
  EXPECT_GT(qBlue(swatch.renderForTest(1).pixel(12, 14)), 0);
  QTest::mouseClick(&swatch, Qt::LeftButton, {}, QPoint(12, 12));
  EXPECT_EQ(taps, 1);
}

TEST(OrnamentRail, DrawsTheSelectionCircleUnderTheSelectedButton) {
  PanelHarness fake;
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
