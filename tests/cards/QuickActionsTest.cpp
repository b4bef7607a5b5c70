#include "CardContentTestSupport.h"
#include "cards/badges/CardQuickActions.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

using namespace qv;
using qv::test::FakeCardContext;

namespace {
QStringList icons(const CardQuickActions& row) {
  QStringList result;
  for (const QuickActionButton* button : row.buttons()) result << button->props().icon;
  return result;
}
}  // namespace

TEST(CardQuickActions, WidthsButtonsAndPlaceForThreeAndFour) {
  const struct {
    bool showPeek, hasPeek;
    double width;
    QStringList icons;
  } cases[] = {
      {false, true, 66, {"doc.on.doc", "pin", "trash"}},
      {true, true, 89, {"eye", "doc.on.doc", "pin", "trash"}},
      {true, false, 89, {"doc.on.doc", "pin", "trash"}},  // keeps the width, buttons centred
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    FakeCardContext fake;
    CardQuickActions row(*fake.context);
    int peeks = 0;
    row.setProps({true, false, false, c.showPeek, false},
                 {[] {}, [] {}, [] {}, c.hasPeek ? std::function<void()>([&] { ++peeks; }) : nullptr});
    EXPECT_DOUBLE_EQ(CardQuickActions::rowWidth(c.showPeek), c.width);
    EXPECT_EQ(row.rowRect(), QRectF(280 - 10 - c.width, 10, c.width, 20));
    EXPECT_EQ(icons(row), c.icons);
    const auto buttons = row.buttons();
    const double content = buttons.size() * 20 + (buttons.size() - 1) * 3;
    EXPECT_DOUBLE_EQ(buttons.front()->x(), row.rowRect().left() + (c.width - content) / 2);
    EXPECT_DOUBLE_EQ(buttons.back()->x() + 20, row.rowRect().left() + (c.width + content) / 2);
  }
}

TEST(CardQuickActions, CopyMorphsIntoACheckMarkAndBack) {
  FakeCardContext fake;
  CardQuickActions row(*fake.context);
  CardQuickActions::Callbacks callbacks{[] {}, [] {}, [] {}, {}};
  row.setProps({true, false, false, false, false}, callbacks);
  fake.clock->advanceFrames(60);
  EXPECT_NEAR(row.rowOpacity(), 1, 1e-3);
  QuickActionButton* copy = row.buttons()[0];
  row.setProps({true, false, true, false, false}, callbacks);
  EXPECT_EQ(row.buttons()[0], copy);
  EXPECT_EQ(copy->props().icon, QStringLiteral("checkmark"));
  EXPECT_EQ(copy->previousIcon(), QStringLiteral("doc.on.doc"));
  fake.clock->advance(0.1);
  EXPECT_NEAR(copy->swapProgress(), Theme::springStandard().progress(0.1), 1e-3);
  fake.clock->advanceFrames(120);
  EXPECT_TRUE(copy->previousIcon().isEmpty());
  row.setProps({true, false, false, false, false}, callbacks);
  EXPECT_EQ(copy->previousIcon(), QStringLiteral("checkmark"));
  EXPECT_EQ(copy->props().icon, QStringLiteral("doc.on.doc"));

  // Pinning swaps the pin symbol and its help text.
  row.setProps({true, true, false, false, false}, callbacks);
  EXPECT_EQ(row.buttons()[1]->props().icon, QStringLiteral("pin.slash"));
  EXPECT_EQ(row.buttons()[1]->toolTip(), QStringLiteral("Unpin"));

  // Leaving fades the row out and then drops its buttons.
  row.setProps({false, true, false, false, false}, callbacks);
  fake.clock->advance(0.05);
  EXPECT_GT(row.rowOpacity(), 0);
  EXPECT_FALSE(row.buttons()[0]->hasAction());
  fake.clock->advanceFrames(90);
  EXPECT_TRUE(row.buttons().empty());
}

TEST(QuickActionButton, IncreasedContrastDrawsFullTintAndAStrongerBorder) {
  FakeCardContext fake;
  QuickActionButton button(*fake.context);
  button.setProps({QStringLiteral("trash"), QStringLiteral("Delete")}, {[] {}});
  EXPECT_NEAR(button.look().symbol.alphaF(), 0.62, 0.01);
  EXPECT_NEAR(button.look().borderWidth, 0.5, 1e-9);
  fake.desktopAppearance->setPreferences({false, DesktopColorScheme::noPreference, true, false, false});
  fake.drain();
  EXPECT_NEAR(button.look().symbol.alphaF(), 1.0, 0.01);
  EXPECT_NEAR(button.look().border.alphaF(), 0.45, 0.01);
  EXPECT_NEAR(button.look().borderWidth, 1.0, 1e-9);
}

// A recycled card's row gets the same flags with another item's callbacks: a click must reach
// the callbacks given last, whether the props changed with them or not.
TEST(CardQuickActions, AClickCallsTheCallbacksOfTheLatestProps) {
  const struct {
    const char* name;
    CardQuickActions::Props first, second;
  } cases[] = {
      {"equal props", {true, false, false, true, false}, {true, false, false, true, false}},
      {"changed props", {true, false, false, true, false}, {true, true, true, true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeCardContext fake;
    QGraphicsScene scene;
    auto* row = new CardQuickActions(*fake.context);
    scene.addItem(row);
    QStringList calls;
    auto callbacksOf = [&](const QString& item) {
      return CardQuickActions::Callbacks{
          [&calls, item] { calls << "copy " + item; }, [&calls, item] { calls << "pin " + item; },
          [&calls, item] { calls << "delete " + item; }, [&calls, item] { calls << "peek " + item; }};
    };
    row->setProps(c.first, callbacksOf("A"));
    fake.clock->advanceFrames(60);
    row->setProps(c.second, callbacksOf("B"));
    for (QuickActionButton* button : row->buttons()) {
      const QPointF at = button->mapToScene(button->rect().center());
      for (const QEvent::Type type : {QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease}) {
        QGraphicsSceneMouseEvent event(type);
        event.setButton(Qt::LeftButton);
        event.setScenePos(at);
        event.setPos(button->mapFromScene(at));
        scene.sendEvent(button, &event);
      }
    }
    EXPECT_EQ(calls, QStringList({"peek B", "copy B", "pin B", "delete B"}));
  }
}
