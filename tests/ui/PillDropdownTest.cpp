#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/PillDropdown.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QTest>
#include <cmath>

using namespace qv;
using qv::test::FakeInterfaceContext;

TEST(PillDropdown, AClickOpensAFreshMenuOverThePillAndAChoiceRunsOnce) {
  FakeInterfaceContext fake;
  std::vector<QString> ran;
  const QStringList titles = {"Newest first", "Oldest first"};
  auto items = [&](const QString& checked) {
    std::vector<QVDropdownItem> result;
    for (const QString& title : titles) result.push_back({title, title == checked});
    return result;
  };
  const PillDropdown::Callbacks record{[&](int index) { ran.push_back(titles[index]); }};
  PillDropdown pill(*fake.context, {"Sort", items("Newest first")}, record);
  pill.resize(pill.sizeHint());
  pill.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&pill));
  const QRectF shape = pill.pillRect();
  EXPECT_EQ(shape.height(), 26);

  QTest::mouseMove(&pill, shape.center().toPoint());
  fake.clock->advance(0.05);
  EXPECT_NEAR(pill.hoverProgress(), Theme::springSnappy().progress(0.05), 1e-6);

  // On the chevron, at the padding: every spot of the pill opens the menu, 4 above its corner.
  QTest::mouseClick(&pill, Qt::LeftButton, {}, QPoint(int(shape.right()) - 4, int(shape.center().y())));
  ASSERT_EQ(fake.menuPresenter->popUps(), 1);
  EXPECT_EQ(fake.menuPresenter->lastPosition, pill.mapToGlobal(shape.topLeft().toPoint() - QPoint(0, 4)));
  auto* menu = static_cast<PanelMenu*>(fake.menuPresenter->lastMenu());
  EXPECT_EQ(pill.trigger().openMenu(), menu);
  const double widest = std::ceil(QFontMetricsF(menuRowFont()).horizontalAdvance("Newest first")) + 25;
  EXPECT_EQ(menuRowFittingSize(menu->rowActions()[0]->row()).width(), int(widest));
  EXPECT_TRUE(menu->rowActions()[0]->isChecked());

  // Open, a new check mark rebuilds the rows in place.
  pill.setProps({"Sort", items("Oldest first")}, record);
  EXPECT_TRUE(menu->rowTitled("Oldest first")->row().isChecked);
  EXPECT_FALSE(menu->rowTitled("Newest first")->row().isChecked);

  EXPECT_TRUE(fake.menuPresenter->choose("Oldest first"));
  EXPECT_EQ(pill.trigger().openMenu(), nullptr);
  fake.drain();
  EXPECT_EQ(ran, (std::vector<QString>{"Oldest first"}));

  // Closed, the same change rebuilds nothing; the next click builds a new menu.
  PanelMenuRowView* old = menu->rowTitled("Newest first");
  pill.setProps({"Sort", items("Newest first")}, record);
  EXPECT_EQ(menu->rowTitled("Newest first"), old);
  QTest::mouseClick(&pill, Qt::LeftButton, {}, shape.center().toPoint());
  EXPECT_EQ(fake.menuPresenter->popUps(), 2);
  EXPECT_NE(fake.menuPresenter->lastMenu(), menu);
}

// The entries stay the same while the menu is open but what they do changes (the host's item
// changed): the row chosen runs what the pill was given last, not what it was opened with.
TEST(PillDropdown, AChoiceRunsTheCallbacksGivenLastNotThoseItOpenedWith) {
  FakeInterfaceContext fake;
  QStringList ran;
  auto recordAs = [&](const QString& owner) {
    return PillDropdown::Callbacks{[&ran, owner](int index) { ran << owner + QString::number(index); }};
  };
  const PillDropdown::Props props{"Sort", {{"Newest first", true}, {"Oldest first", false}}};
  PillDropdown pill(*fake.context, props, recordAs("A"));
  pill.resize(pill.sizeHint());
  pill.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&pill));
  QTest::mouseClick(&pill, Qt::LeftButton, {}, pill.pillRect().center().toPoint());
  ASSERT_EQ(fake.menuPresenter->popUps(), 1);
  pill.setProps(props, recordAs("B"));
  EXPECT_TRUE(fake.menuPresenter->choose("Oldest first"));
  fake.drain();
  EXPECT_EQ(ran, QStringList{"B1"});
}
