#include "CardContentTestSupport.h"
#include "base/RelativeDateText.h"
#include "cards/ClipboardCardView.h"
#include "cards/badges/BadgePill.h"
#include "cards/badges/SourceBadge.h"
#include "cards/content/CardContentItem.h"
#include "items/link/OGImageCache.h"
#include "support/state/StateTestSupport.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

using namespace qv;
using qv::test::FakeCardContext;

namespace {

const QString kProse = QStringLiteral(
    "Secret plans: the launch moves to March. Priya owns the checklist and Tom the printers.");

ClipboardItem itemOf(ClipboardPayload payload, const QString& app = QStringLiteral("org.example.Editor")) {
  return ClipboardItem::make(QUuid::createUuid(), app, QDateTime(QDate(2026, 3, 14), QTime(11, 0), Qt::UTC),
                             std::move(payload));
}

struct CardFixture {
  explicit CardFixture(ColorScheme scheme = ColorScheme::light, bool reduceMotion = false) {
    fake.environment().setKeptAppearance(scheme);
    fake.desktopAppearance->setReduceMotion(reduceMotion);
    fake.desktopEntries->install({QStringLiteral("org.example.Editor"),
                                  {},
                                  QStringLiteral("Editor"),
                                  {},
                                  {},
                                  {},
                                  QStringLiteral("Application")});
    card = new ClipboardCardView(*fake.context);
    scene.addItem(card);
  }
  void show(ClipboardCardView::Props props) {
    card->setProps(props);
    settle();
  }
  void settle() {
    card->renderForTest();
    fake.drain();
    fake.clock->advanceFrames(120);
  }
  QColor pixel(const QImage& image, QPointF at) const {
    return image.pixelColor((at + card->renderOrigin()).toPoint());
  }
  FakeCardContext fake;
  QGraphicsScene scene;
  ClipboardCardView* card;
};

double luminanceVariance(const QImage& image, const QRect& area) {
  double sum = 0, squares = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const double l = qGray(image.pixel(x, y));
      sum += l;
      squares += l * l;
    }
  const double n = double(area.width()) * area.height();
  return squares / n - (sum / n) * (sum / n);
}

}  // namespace

TEST(ClipboardCardView, EveryKindIsExactly280By240AndOnlyItsShapeTakesThePointer) {
  const ClipboardPayload payloads[] = {
      ColorPayload{QStringLiteral("#FF0000"), 255, 0, 0},
      ImagePayload{test::twoTonePicture({2000, 90}, Qt::red, Qt::blue), {}, 2000, 90, {}},
      LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("example.org"), {}, {}, {}},
      CodePayload{QStringLiteral("int main() {}\n").repeated(80), QStringLiteral("c")},
      TextPayload{kProse.repeated(40)},
      FilePayload{QStringLiteral("a.pdf"), QStringLiteral("1 KB"), std::nullopt}};
  for (const ClipboardPayload& payload : payloads) {
    CardFixture f;
    f.show({itemOf(payload), true});
    EXPECT_EQ(f.card->rect(), QRectF(0, 0, 280, 240));
    EXPECT_EQ(f.card->content().size(), QSizeF(280, 240));
    EXPECT_EQ(f.card->shape().boundingRect(), QRectF(0, 0, 280, 240));
    EXPECT_TRUE(f.card->boundingRect().contains(QRectF(-12, -12, 304, 270)));  // glow and floor shadow
    EXPECT_EQ(f.scene.itemAt(QPointF(140, 120), {}), f.card);
    EXPECT_EQ(f.scene.itemAt(QPointF(0.5, 0.5), {}), nullptr);  // the rounded corner
    EXPECT_EQ(f.scene.itemAt(QPointF(-4, 120), {}), nullptr);   // the glow
  }
}

TEST(ClipboardCardView, RingGlowAndFloorShadowInBothSchemes) {
  for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    SCOPED_TRACE(scheme == ColorScheme::dark ? "dark" : "light");
    CardFixture f(scheme);
    const ClipboardItem item = itemOf(TextPayload{kProse});
    f.show({item, false});
    const QImage plain = f.card->renderForTest();
    f.show({item, true});
    const QImage selected = f.card->renderForTest();
    const QColor ring = f.pixel(selected, {1.2, 120}), glow = f.pixel(selected, {-4, 120});
    EXPECT_NEAR(ring.red(), Theme::accent().red(), 6);
    EXPECT_NEAR(ring.blue(), Theme::accent().blue(), 6);
    EXPECT_GT(glow.alpha(), 20);
    EXPECT_GT(glow.blue(), glow.red());
    EXPECT_EQ(f.pixel(plain, {-4, 120}).alpha(), 0);
    EXPECT_LT(f.pixel(plain, {1.2, 120}).blue() - f.pixel(plain, {1.2, 120}).red(), 40);
    // The floor shadow shows only as a dark band under the card, stronger in the dark.
    const QColor floor = f.pixel(plain, {140, 243});
    EXPECT_LE(floor.red(), 1);
    EXPECT_GT(floor.alpha(), scheme == ColorScheme::dark ? 40 : 12);
    EXPECT_LT(floor.alpha(), scheme == ColorScheme::dark ? 110 : 45);
    EXPECT_EQ(f.pixel(plain, {140, 258}).alpha(), 0);
  }
}

TEST(ClipboardCardView, SensitiveCardBlursItsContentAndNeverSpeaksIt) {
  CardFixture f;
  const ClipboardItem item = itemOf(TextPayload{kProse.repeated(6)});
  f.show({item});
  const QRect middle = QRectF(QPointF(30, 60) + f.card->renderOrigin(), QSizeF(220, 90)).toRect();
  const double sharp = luminanceVariance(f.card->renderForTest(), middle);
  auto* accessible = QAccessible::queryAccessibleInterface(f.card);
  EXPECT_TRUE(accessible->text(QAccessible::Name).contains(QStringLiteral("Secret plans")));
  f.show({item, true, false, true});
  EXPECT_LT(luminanceVariance(f.card->renderForTest(), middle), sharp * 0.25);
  EXPECT_EQ(accessible->text(QAccessible::Name),
            QStringLiteral("Hidden clip from Editor, ") + relativeDateText(item.capturedAt, f.fake.scheduler->now()));
  EXPECT_EQ(accessible->role(), QAccessible::Button);
  EXPECT_TRUE(accessible->state().selected);
  EXPECT_EQ(accessible->childCount(), 1);  // the badges stay reachable inside
  f.show({itemOf(TextPayload{kProse}, QString::fromLatin1(kNearbyDeviceBundleID)), false, false, true});
  EXPECT_TRUE(f.card->accessibleLabel().startsWith(QStringLiteral("Hidden clip from Nearby Device, ")));
}

TEST(ClipboardCardView, EqualityDecidesWhenTheCardRepaints) {
  const ClipboardItem item = itemOf(TextPayload{kProse});
  const CustomCategory work{QUuid::createUuid(), QStringLiteral("Work"), 2};
  const ClipboardCardView::Props base{item, false, false, false, work, {}, 89};
  using Change = std::function<void(ClipboardCardView::Props&)>;
  const std::pair<Change, bool> cases[] = {
      {[](auto& p) { p.item.id = QUuid::createUuid(); }, false},
      {[](auto& p) { p.item.contentType = ContentType::code; }, false},
      {[](auto& p) { p.item.sourceAppBundleID = QStringLiteral("org.example.Other"); }, false},
      {[](auto& p) { p.item.capturedAt = p.item.capturedAt.addSecs(1); }, false},
      {[](auto& p) { p.item.payload = TextPayload{kProse + QLatin1Char('!')}; }, false},
      {[](auto& p) { p.isSelected = true; }, false},
      {[](auto& p) { p.isPinned = true; }, false},
      {[](auto& p) { p.isSensitive = true; }, false},
      {[](auto& p) { p.category->id = QUuid::createUuid(); }, false},
      {[](auto& p) { p.category->name = QStringLiteral("Play"); }, false},  // renamed
      {[](auto& p) { p.category->colorIndex = 5; }, false},                 // recoloured
      {[](auto& p) { p.category.reset(); }, false},
      {[](auto& p) { p.activeFacets.type = true; }, false},
      {[](auto& p) { p.activeFacets.pinned = true; }, false},
      {[](auto& p) { p.activeFacets.category = true; }, false},
      {[](auto& p) { p.activeFacets.app = true; }, false},
      {[](auto& p) { p.actionRowWidth = 66; }, true},
      {[](auto&) {}, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    ClipboardCardView::Props changed = base;
    cases[i].first(changed);
    EXPECT_EQ(changed == base, cases[i].second);
    CardFixture f;
    f.show(base);
    const int requests = f.card->repaintRequests(), renders = f.card->contentRenders();
    EXPECT_EQ(f.card->setProps(changed, {[](const BadgeFilter&) {}, {}}), !cases[i].second);
    f.settle();
    if (cases[i].second) {
      EXPECT_EQ(f.card->repaintRequests(), requests);
      EXPECT_EQ(f.card->contentRenders(), renders);
    }
  }
  ClipboardCardView::Props noCategory = base, otherNoCategory = base;
  noCategory.category.reset();
  otherNoCategory.category.reset();
  EXPECT_EQ(noCategory, otherNoCategory);
}

TEST(ClipboardCardView, SelectionBlurEyeAndLiftAnimateUnlessMotionIsReduced) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    CardFixture f(ColorScheme::light, reduced);
    const ClipboardItem item = itemOf(TextPayload{kProse});
    f.show({item});
    withAnimation(Theme::springStandard(), [&] { f.card->setProps({item, true, false, true}); });
    f.card->setLifted(true);
    f.fake.clock->advance(0.06);
    EXPECT_EQ(f.card->selectionProgress() > 0.05 && f.card->selectionProgress() < 0.95, !reduced)
        << f.card->selectionProgress();
    EXPECT_EQ(f.card->blurRadius() > 1 && f.card->blurRadius() < 21, !reduced) << f.card->blurRadius();
    EXPECT_EQ(f.card->liftProgress() > 0.05 && f.card->liftProgress() < 0.95, !reduced);
    // The eye comes with the change's own animation: under reduce motion it only fades.
    EXPECT_GT(f.card->eyePresence(), 0.05);
    EXPECT_LT(f.card->eyePresence(), 0.95);
    EXPECT_EQ(f.card->eyeScale() < 0.99, !reduced);
    f.fake.clock->advanceFrames(120);
    EXPECT_DOUBLE_EQ(f.card->blurRadius(), ClipboardCardView::kSensitiveBlur);
    EXPECT_NEAR(f.card->transform().m11(), 1.025, 1e-6);
    EXPECT_NEAR(f.card->transform().dy(), -2 - 0.025 * 120, 1e-6);
  }
}

TEST(ClipboardCardView, ContentThatChangesByItselfIsPaintedAgainOnce) {
  CardFixture f;
  const ClipboardItem link = itemOf(LinkPayload{Url::fromLocalFile(QStringLiteral("/")),
                                                QStringLiteral("example.org"),
                                                QStringLiteral("Title"),
                                                {},
                                                QStringLiteral("https://example.org/og.png")});
  f.fake.context->ogImageCache->save(test::twoTonePicture({400, 200}, Qt::red, Qt::blue), link.idString());
  f.show({link});
  f.card->renderForTest();  // the arrived preview image, painted afresh
  const int renders = f.card->contentRenders();
  EXPECT_GE(renders, 2);
  f.card->renderForTest();
  EXPECT_EQ(f.card->contentRenders(), renders);
}

// A recycled card gets the same props with other callbacks, or new props: the badges and the
// source badge call the callbacks given last.
TEST(ClipboardCardView, BadgeClicksCallTheCallbacksOfTheLatestProps) {
  const ClipboardItem first = qv::test::textItem("first"), second = qv::test::textItem("second");
  const struct {
    const char* name;
    const ClipboardItem& shownAfter;
  } cases[] = {{"equal props", first}, {"another item", second}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeCardContext fake;
    QGraphicsScene scene;
    auto* card = new ClipboardCardView(*fake.context);
    scene.addItem(card);
    QStringList filtered;
    auto filtersAs = [&](const QString& owner) {
      return ClipboardCardView::Callbacks{[&filtered, owner](const BadgeFilter&) { filtered << owner; }, {}};
    };
    card->setProps({first, false, false, false}, filtersAs("A"));
    card->setProps({c.shownAfter, false, false, false}, filtersAs("B"));
    fake.clock->advanceFrames(60);
    const std::vector<BadgePill*> badges = card->overlay()->badges();
    std::vector<ClickableItem*> targets(badges.begin(), badges.end());
    targets.push_back(card->overlay()->sourceBadge());
    for (ClickableItem* target : targets) {
      const QPointF at = target->mapToScene(target->hitShape().boundingRect().center());
      for (const QEvent::Type type : {QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease}) {
        QGraphicsSceneMouseEvent event(type);
        event.setButton(Qt::LeftButton);
        event.setScenePos(at);
        event.setPos(target->mapFromScene(at));
        scene.sendEvent(target, &event);
      }
    }
    EXPECT_EQ(filtered, QStringList({"B", "B"}));
  }
}
