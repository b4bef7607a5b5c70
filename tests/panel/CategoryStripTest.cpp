#include "panel/CategoryStrip.h"
#include "panel/CategoryStripBinding.h"
#include "panel/PanelTestSupport.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QTest>

using namespace qv;
using qv::test::PanelHarness;

namespace {

QStringList titles(const CategoryStripView& strip) {
  QStringList out;
  for (const auto& pill : strip.props().pills) out << pill.title + (pill.isActive ? "*" : "");
  return out;
}

void clickPart(CategoryStripView& strip, CategoryStripView::PartKind kind, int pill = -1) {
  for (const auto& part : strip.parts())
    if (part.kind == kind && (pill < 0 || part.pill == pill)) {
      const QPoint at = (part.rect.center() - QPointF(strip.scrollX(), 0)).toPoint();
      QTest::mouseClick(&strip, Qt::LeftButton, {}, at);
      return;
    }
  FAIL() << "no such part";
}

struct StripHarness : PanelHarness {
  StripHarness() : strip(*context, {}, {}) {
    for (const CustomCategory& category : state->customCategories()) state->deleteCategory(category.id);
    connectCategoryStrip(strip, *state);
    strip.resize(200, int(CategoryStripView::kHeight));
  }
  CategoryStripView strip;
};

}  // namespace

TEST(CategoryStrip, PillsPencilAndToggles) {
  StripHarness fake;
  EXPECT_EQ(titles(fake.strip), QStringList({"All*", "Pinned"}));
  EXPECT_EQ(fake.strip.parts().back().kind, CategoryStripView::PartKind::plus);
  const CustomCategory work = fake.state->addCategory("Work", 1);
  fake.state->addCategory("Recipes", 3);
  EXPECT_EQ(titles(fake.strip), QStringList({"All*", "Pinned", "Work", "Recipes"}));

  clickPart(fake.strip, CategoryStripView::PartKind::pill, 2);
  EXPECT_TRUE(fake.state->activeFilter().isCustom(work.id));
  EXPECT_EQ(fake.strip.props().pencilCategory, work.id);
  EXPECT_EQ(fake.strip.props().pencilHelp, "Edit “Work”");

  fake.advanceBoth(2);
  clickPart(fake.strip, CategoryStripView::PartKind::pencil);
  EXPECT_TRUE(fake.state->pendingNewCategoryRequest());
  EXPECT_EQ(fake.state->pendingEditCategoryID(), work.id);
  EXPECT_TRUE(fake.state->showFilterPanel());

  clickPart(fake.strip, CategoryStripView::PartKind::pill, 2);  // the active pill again: back to all
  EXPECT_EQ(fake.state->activeFilter(), FilterType::all());
  EXPECT_FALSE(fake.strip.props().pencilCategory);
  clickPart(fake.strip, CategoryStripView::PartKind::pill, 1);
  EXPECT_EQ(fake.state->activeFilter(), FilterType::pinned());
  fake.state->setActiveFilter(FilterType::images());  // no pill stands for it
  EXPECT_EQ(titles(fake.strip), QStringList({"All", "Pinned", "Work", "Recipes"}));
}

TEST(CategoryStrip, ScrollsTheActivePillToTheCentreAndFadesEdges) {
  StripHarness fake;
  EXPECT_FALSE(fake.strip.showsTrailingFade());
  CustomCategory last;
  for (int i = 0; i < 6; ++i) last = fake.state->addCategory(QString("Category %1").arg(i), i);
  EXPECT_FALSE(fake.strip.showsLeadingFade());
  EXPECT_TRUE(fake.strip.showsTrailingFade());

  fake.state->setActiveFilter(FilterType::custom(last.id));
  fake.advanceBoth(2);
  const auto target = fake.strip.scrollTarget(last.id);
  ASSERT_TRUE(target);
  EXPECT_NEAR(fake.strip.scrollX(), *target, 0.5);
  EXPECT_TRUE(fake.strip.showsLeadingFade());
  // The target centres the pill unless the row's end stops it.
  const double maxScroll = fake.strip.contentWidth() - fake.strip.width();
  for (const auto& part : fake.strip.parts())
    if (part.kind == CategoryStripView::PartKind::pill && fake.strip.props().pills[part.pill].id == last.id) {
      EXPECT_NEAR(*target, std::min(maxScroll, part.rect.center().x() - 100), 0.5);
    }

  fake.state->setActiveFilter(FilterType::all());
  fake.advanceBoth(2);
  EXPECT_NEAR(fake.strip.scrollX(), 0, 0.5);
  EXPECT_FALSE(fake.strip.scrollTarget(QUuid::createUuid()));
}

TEST(CategoryStrip, PillDotShowsThePreviewedColour) {
  StripHarness fake;
  const CustomCategory work = fake.state->addCategory("Work", 1);
  fake.state->setEditingCategoryFormID(work.id);
  fake.state->setPreviewCategoryColorIndex(6);
  EXPECT_EQ(fake.strip.props().pills[2].dot, categoryPaletteColor(6));
}

TEST(CategoryStrip, PillsSlideAsideAndThePencilGrowsInOrOnlyFades) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    StripHarness fake;
    fake.desktopAppearance->setReduceMotion(reduced);
    const CustomCategory work = fake.state->addCategory("Work", 1);
    const CustomCategory recipes = fake.state->addCategory("Recipes", 2);
    fake.state->setActiveFilter(FilterType::custom(work.id));
    fake.clock->advanceFrames(60);
    const QString oldPencil = "pencil:" + work.id.toString(), newPencil = "pencil:" + recipes.id.toString();
    const double recipesFrom = fake.strip.partLook(recipes.id.toString())->rect.left();

    withAnimation(Theme::springStandard(), [&] { fake.state->setActiveFilter(FilterType::custom(recipes.id)); });
    fake.clock->advance(0.06);
    const auto recipesNow = fake.strip.partLook(recipes.id.toString());
    const auto leaving = fake.strip.partLook(oldPencil);
    const auto coming = fake.strip.partLook(newPencil);
    ASSERT_TRUE(recipesNow && leaving && coming);
    EXPECT_GT(leaving->presence, 0);
    EXPECT_LT(leaving->presence, 1);
    EXPECT_GT(coming->presence, 0);
    EXPECT_LT(coming->presence, 1);
    // The accent comes in with the snappy spring, at once under reduced motion.
    if (!reduced) {
      EXPECT_LT(recipesNow->active, 1);
    }
    EXPECT_GT(recipesNow->active, 0);
    // The pill slides into the old pencil's room, unless motion is reduced.
    if (reduced) EXPECT_LT(recipesNow->rect.left(), recipesFrom - 20);
    else EXPECT_GT(recipesNow->rect.left(), recipesFrom - 20);

    fake.clock->advanceFrames(90);
    EXPECT_FALSE(fake.strip.partLook(oldPencil) && fake.strip.partLook(oldPencil)->presence > 0.001);
    EXPECT_NEAR(fake.strip.partLook(newPencil)->presence, 1, 1e-3);
    EXPECT_NEAR(fake.strip.partLook(recipes.id.toString())->active, 1, 1e-3);
  }
}

// Every pill grows by 6 % under the pointer, the active one too, with the snappy spring (at once
// while motion is reduced).
TEST(CategoryStrip, HoveredPillsGrowActiveOrNot) {
  for (const bool reduced : {false, true}) {
    for (const bool active : {true, false}) {
      SCOPED_TRACE(std::string(reduced ? "reduce motion, " : "full motion, ") + (active ? "active" : "inactive"));
      StripHarness fake;
      fake.desktopAppearance->setReduceMotion(reduced);
      fake.state->setActiveFilter(active ? FilterType::all() : FilterType::pinned());
      fake.clock->advanceFrames(60);
      const QString key = CategoryStripView::allPillID().toString();
      const QRectF pill = fake.strip.partLook(key)->rect;
      // The leftmost pixel of the pill's middle row (at twice the pixels) painted at least half as
      // strongly as the pill's body beside its title.
      const auto leftEdge = [&] {
        const QImage image = fake.strip.renderForTest(2);
        const int y = int(pill.center().y() * 2);
        const int body = image.pixelColor(int((pill.left() + 4) * 2), y).alpha();  // in the padding
        int x = 0;
        while (x < image.width() && image.pixelColor(x, y).alpha() * 2 < body) ++x;
        return x;
      };
      const int resting = leftEdge();
      QMouseEvent move(QEvent::MouseMove, pill.center(), pill.center(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&fake.strip, &move);
      fake.clock->advance(0.04);
      const double early = fake.strip.partLook(key)->scale;
      if (reduced) {
        EXPECT_DOUBLE_EQ(early, 1.06);
      } else {
        EXPECT_GT(early, 1.001);
        EXPECT_LT(early, 1.06);
      }
      fake.clock->advanceFrames(90);
      EXPECT_NEAR(fake.strip.partLook(key)->scale, 1.06, 1e-3);

      // The painted capsule reaches past its resting edge by 3 % of its width (measured on the
      // solid accent fill; a plain pill's edge is a thin hairline).
      if (active) {
        EXPECT_NEAR(resting - leftEdge(), 2 * 0.03 * pill.width(), 1.01);
      }
    }
  }
}

// An inactive pill lies on the ultra-thin material (a light veil, with faint ink in the light
// appearance) and its hairline runs inside its edge, never past it.
TEST(CategoryStrip, InactivePillsWearTheMaterialAndAHairlineInsideTheirEdge) {
  const struct {
    const char* name;
    bool dark;
    int minimumBodyAlpha;  // over nothing, on 255
  } looks[] = {{"light", false, 130}, {"dark", true, 15}};
  for (const auto& look : looks) {
    SCOPED_TRACE(look.name);
    StripHarness fake;
    fake.context->environment->setKeptAppearance(look.dark ? ColorScheme::dark : ColorScheme::light);
    fake.state->setActiveFilter(FilterType::pinned());
    fake.clock->advanceFrames(60);
    const QRectF pill = fake.strip.partLook(CategoryStripView::allPillID().toString())->rect;
    const QImage image = fake.strip.renderForTest(2);
    const int x = int(pill.center().x() * 2);
    EXPECT_GE(qAlpha(image.pixel(int((pill.left() + 4) * 2), int(pill.center().y() * 2))), look.minimumBodyAlpha);
    // The pixel rows just outside the top and bottom edges stay (all but) empty: a stroke centred
    // on the edge would lay half its width there (some 15 to 25 of 255); the first rows inside
    // carry the hairline over the material.
    EXPECT_LT(qAlpha(image.pixel(x, int(pill.top() * 2) - 1)), 8);
    EXPECT_LT(qAlpha(image.pixel(x, int(pill.bottom() * 2))), 8);
    EXPECT_GT(qAlpha(image.pixel(x, int(pill.top() * 2))), qAlpha(image.pixel(x, int(pill.top() * 2) + 3)));
  }
}

TEST(CategoryStrip, PillsPencilAndPlusAreNamedByTheirHelpText) {
  StripHarness fake;
  fake.strip.show();
  const CustomCategory work = fake.state->addCategory("Work", 1);
  fake.state->setActiveFilter(FilterType::custom(work.id));
  fake.advanceBoth(1);
  QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(&fake.strip);
  ASSERT_NE(strip, nullptr);
  auto names = [&] {
    QStringList out;
    for (int i = 0; i < strip->childCount(); ++i) out << strip->child(i)->text(QAccessible::Name);
    return out;
  };
  EXPECT_EQ(names(), QStringList({"All", "Pinned", "Work", "Edit “Work”", "New category"}));
  for (int i = 0; i < strip->childCount(); ++i) {
    QAccessibleInterface* part = strip->child(i);
    SCOPED_TRACE(part->text(QAccessible::Name).toStdString());
    EXPECT_EQ(part->role(), QAccessible::Button);
    EXPECT_EQ(part->parent(), strip);
    EXPECT_EQ(strip->indexOfChild(part), i);
    // A part scrolled out of the strip says so.
    EXPECT_EQ(part->state().offscreen, !part->rect().intersects(strip->rect()));
    EXPECT_EQ(part->state().checked, i == 2);  // the active pill
  }

  // Pressed through assistive technology, the plus asks for a new category as a click does.
  QAccessibleInterface* plus = strip->child(strip->childCount() - 1);
  ASSERT_NE(plus->actionInterface(), nullptr);
  plus->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(fake.state->pendingNewCategoryRequest());

  // Without an active category there is no pencil.
  fake.state->setActiveFilter(FilterType::all());
  fake.advanceBoth(1);
  EXPECT_EQ(names(), QStringList({"All", "Pinned", "Work", "New category"}));
}
