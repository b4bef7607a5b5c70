#include "support/ui/FakeInterfaceContext.h"
#include "ui/Translucency.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"
#include "ui/view/PaintedItem.h"
#include "ui/view/PaintedWidget.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QGraphicsScene>
#include <QPainter>
#include <QTest>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// A round button painted inside a larger widget: the glow around it is not clickable.
class RoundButton : public PaintedWidget {
 public:
  using PaintedWidget::PaintedWidget;
  int presses = 0;
  QPainterPath hitShape() const override {
    QPainterPath path;
    path.addEllipse(QRectF(20, 20, 40, 40));
    return path;
  }
  AccessibilityInfo accessibility() const override {
    AccessibilityInfo info;
    info.role = QAccessible::Button;
    info.name = QStringLiteral("Pin");
    info.press = [this] { const_cast<RoundButton*>(this)->presses++; };
    return info;
  }

 protected:
  void paint(QPainter& painter) override {
    painter.fillRect(rect(), QColor(255, 0, 0, int(60 * hoverProgress())));  // glow
    painter.fillPath(hitShape(), Qt::blue);
  }
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class Card : public PaintedItem {
 public:
  Card(InterfaceServices& context, QString name) : PaintedItem(context), name_(std::move(name)) { setSize({100, 80}); }
  QMarginsF paintOverflow() const override { return {12, 12, 12, 12}; }
  QPainterPath hitShape() const override { return Fx::continuousRoundedRect(rect(), 12); }
  AccessibilityInfo accessibility() const override {
    AccessibilityInfo info;
    info.role = QAccessible::ListItem;
    info.name = name_;
    info.selectable = true;
    info.press = [this] { pressed = true; };
    return info;
  }
  mutable bool pressed = false;

 protected:
  void paintItem(QPainter& painter) override {
    const Fx::HoverLift lift = Fx::hoverLift(hoverProgress());
    Fx::drawShadows(painter, rect(), 12, lift.shadows);
    painter.fillPath(hitShape(), Qt::white);
  }

 private:
  QString name_;
};

}  // namespace

TEST(PaintedWidget, HoversInsideItsHitShapeWithTheSnappySpringAndAPointingHand) {
  FakeInterfaceContext fake;
  QWidget window;
  window.resize(200, 120);
  RoundButton button(*fake.context, &window);
  button.setGeometry(10, 10, 80, 80);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  QTest::mouseMove(&button, QPoint(5, 5));  // inside the widget, on the glow only
  EXPECT_FALSE(button.isHovered());
  EXPECT_NE(button.cursor().shape(), Qt::PointingHandCursor);

  QTest::mouseMove(&button, QPoint(40, 40));
  EXPECT_TRUE(button.isHovered());
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(button.hoverProgress(), 0);  // animates from here
  fake.clock->advance(0.05);
  const double early = button.hoverProgress();
  EXPECT_GT(early, 0);
  EXPECT_LT(early, 1);
  // The snappy spring: the same curve the theme token gives.
  EXPECT_NEAR(early, Theme::springSnappy().progress(0.05), 1e-6);
  fake.clock->advanceFrames(90);
  EXPECT_NEAR(button.hoverProgress(), 1, 1e-3);

  QTest::mouseMove(&window, QPoint(150, 100));  // leave
  EXPECT_FALSE(button.isHovered());
  EXPECT_NE(button.cursor().shape(), Qt::PointingHandCursor);

  // A control without an action ignores hovering.
  button.setHoverEnabled(false);
  QTest::mouseMove(&button, QPoint(40, 40));
  EXPECT_FALSE(button.isHovered());
}

TEST(PaintedWidget, PressesOutsideTheHitShapeAreNotTaken) {
  FakeInterfaceContext fake;
  QWidget window;
  window.resize(100, 100);
  RoundButton button(*fake.context, &window);
  button.setGeometry(0, 0, 80, 80);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(button.presses, 0);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(40, 40));
  EXPECT_EQ(button.presses, 1);
}

TEST(PaintedWidget, ReducedMotionHoversAtOnceAndRendersForTests) {
  FakeInterfaceContext fake;
  fake.desktopAppearance->setReduceMotion(true);
  RoundButton button(*fake.context);
  button.resize(80, 80);
  button.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  QTest::mouseMove(&button, QPoint(40, 40));
  EXPECT_EQ(button.hoverProgress(), 1);

  const QImage image = button.renderForTest(2);
  EXPECT_EQ(image.size(), QSize(160, 160));
  EXPECT_EQ(QColor(image.pixel(80, 80)), QColor(Qt::blue));
  EXPECT_GT(qAlpha(image.pixel(4, 4)), 0);  // the glow, hovered
}

TEST(PaintedWidget, SpeaksThroughTheAccessibilityBridge) {
  FakeInterfaceContext fake;
  RoundButton button(*fake.context);
  QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(&button);
  ASSERT_NE(a11y, nullptr);
  EXPECT_EQ(a11y->role(), QAccessible::Button);
  EXPECT_EQ(a11y->text(QAccessible::Name), QStringLiteral("Pin"));
  ASSERT_NE(a11y->actionInterface(), nullptr);
  EXPECT_TRUE(a11y->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  a11y->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(button.presses, 1);
}

namespace {
// A row of painted tabs with no widgets of their own, each named and pressable.
class TabRow : public PaintedWidget {
 public:
  using PaintedWidget::PaintedWidget;
  QStringList names;
  QString pressed;
  std::vector<AccessiblePart> accessibleParts() const override {
    std::vector<AccessiblePart> parts;
    for (int i = 0; i < names.size(); ++i) {
      AccessiblePart part;
      part.rect = QRectF(i * 40, 0, 40, 20);
      part.info.role = QAccessible::PageTab;
      part.info.name = names[i];
      part.info.press = [this, name = names[i]] { const_cast<TabRow*>(this)->pressed = name; };
      parts.push_back(part);
    }
    return parts;
  }

 protected:
  void paint(QPainter&) override {}
};
}  // namespace

TEST(PaintedWidget, PaintedPartsAreChildrenThatFollowTheWidget) {
  FakeInterfaceContext fake;
  auto row = std::make_unique<TabRow>(*fake.context);
  row->names = {"One", "Two", "Three"};
  row->resize(80, 20);  // the third tab lies outside
  QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(row.get());
  ASSERT_EQ(a11y->childCount(), 3);
  QAccessibleInterface* third = a11y->child(2);
  EXPECT_EQ(third->text(QAccessible::Name), QStringLiteral("Three"));
  EXPECT_EQ(third->role(), QAccessible::PageTab);
  EXPECT_TRUE(third->state().offscreen);
  EXPECT_FALSE(a11y->child(0)->state().offscreen);
  EXPECT_EQ(a11y->child(1), a11y->child(1));  // one interface a part
  a11y->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(row->pressed, QStringLiteral("Two"));

  // A part that went away is no child any more; its interface says it is gone.
  row->names = {"One"};
  EXPECT_EQ(a11y->childCount(), 1);
  EXPECT_FALSE(third->isValid());
  EXPECT_EQ(a11y->indexOfChild(third), -1);
  EXPECT_EQ(a11y->child(2), nullptr);
  // The parts' interfaces go with the widget's.
  const QAccessible::Id first = QAccessible::uniqueId(a11y->child(0));
  row.reset();
  EXPECT_EQ(QAccessible::accessibleInterface(first), nullptr);
}

TEST(PaintedItem, HoversByItsHitShapeNotItsOverflowAndShowsAPointingHand) {
  FakeInterfaceContext fake;
  QGraphicsScene scene(0, 0, 300, 200);
  Card card(*fake.context, QStringLiteral("First"));
  card.setPos(50, 50);
  scene.addItem(&card);
  PaintedItemView view(&scene);
  view.resize(300, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_EQ(card.boundingRect(), QRectF(-12, -12, 124, 104));

  QTest::mouseMove(view.viewport(), QPoint(44, 90));  // on the shadow overflow
  EXPECT_FALSE(card.isHovered());
  QTest::mouseMove(view.viewport(), QPoint(51, 51));  // the rectangle's corner, outside the squircle
  EXPECT_FALSE(card.isHovered());
  QTest::mouseMove(view.viewport(), QPoint(100, 90));
  EXPECT_TRUE(card.isHovered());
  EXPECT_EQ(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
  fake.clock->advanceFrames(90);
  EXPECT_NEAR(card.hoverProgress(), 1, 1e-3);

  // Lifted, the shadow shows in the overflow below the card.
  const QImage lifted = card.renderForTest(1);
  EXPECT_EQ(lifted.size(), QSize(124, 104));
  EXPECT_GT(qAlpha(lifted.pixel(int(card.renderOrigin().x()) + 50, int(card.renderOrigin().y()) + 84)), 0);

  QTest::mouseMove(view.viewport(), QPoint(250, 180));
  EXPECT_FALSE(card.isHovered());
  EXPECT_NE(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
  fake.clock->advanceFrames(90);
  const QImage resting = card.renderForTest(1);
  EXPECT_EQ(qAlpha(resting.pixel(int(card.renderOrigin().x()) + 50, int(card.renderOrigin().y()) + 84)), 0);
}

TEST(PaintedItem, TheHostListsItsItemsToAccessibilityInReadingOrder) {
  FakeInterfaceContext fake;
  QGraphicsScene scene;
  Card second(*fake.context, QStringLiteral("Second"));
  Card first(*fake.context, QStringLiteral("First"));
  second.setPos(0, 100);
  first.setPos(0, 0);
  scene.addItem(&second);
  scene.addItem(&first);
  PaintedItemView view(&scene);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&view);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->role(), QAccessible::List);
  ASSERT_EQ(list->childCount(), 2);
  EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("First"));
  EXPECT_EQ(list->child(1)->text(QAccessible::Name), QStringLiteral("Second"));
  EXPECT_EQ(list->child(1)->role(), QAccessible::ListItem);
  EXPECT_TRUE(list->child(1)->state().selectable);
  EXPECT_EQ(list->indexOfChild(list->child(1)), 1);
  EXPECT_EQ(list->child(0)->parent(), list);
  list->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(second.pressed);
  second.hide();
  EXPECT_EQ(list->childCount(), 1);
}

TEST(Translucency, FallsBackToAnOpaqueThemedBackgroundWithoutACompositor) {
  const TranslucencySupport none;

  EnvironmentValues light, dark;
  dark.colorScheme = ColorScheme::dark;
  EXPECT_EQ(Translucency::backgroundColor(Material::panel, light, none).alpha(), 255);
  EXPECT_EQ(Translucency::backgroundColor(Material::menu, dark, none).alpha(), 255);
  EXPECT_LT(Translucency::backgroundColor(Material::panel, dark, none).lightness(), 80);
  EXPECT_GT(Translucency::backgroundColor(Material::panel, light, none).lightness(), 200);

  const TranslucencySupport blurring{true, true}, plain{true, false};
  EXPECT_LT(Translucency::backgroundColor(Material::panel, light, blurring).alpha(), 255);
  // Without blur behind it stays more opaque than with it.
  EXPECT_GT(Translucency::backgroundColor(Material::panel, light, plain).alpha(),
            Translucency::backgroundColor(Material::panel, light, blurring).alpha());
  EnvironmentValues reduced = light;
  reduced.reduceTransparency = true;
  EXPECT_EQ(Translucency::backgroundColor(Material::panel, reduced, blurring).alpha(), 255);
  EXPECT_GT(Translucency::hairlineColor(reduced).alpha(), Translucency::hairlineColor(light).alpha());

  // Painting replaces what lay below (no stale pixels through a translucent fill).
  QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::red);
  QPainter painter(&image);
  QPainterPath shape;
  shape.addRect(0, 0, 40, 40);
  Translucency::paintBackground(painter, shape, Material::panel, light, blurring);
  painter.end();
  const QColor middle = image.pixelColor(20, 20);
  EXPECT_LT(middle.alpha(), 255);
  EXPECT_NEAR(middle.red(), middle.green(), 3);

  // A window can show either way: a compositor may come or go while it lives.
  QWidget window;
  Translucency::prepareWindow(&window);
  EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
}
