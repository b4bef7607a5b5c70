#include "CardContentTestSupport.h"
#include "cards/badges/AppIconImageView.h"
#include "cards/badges/BadgePill.h"
#include "cards/badges/CardFacets.h"
#include "cards/badges/CardOverlay.h"
#include "cards/badges/SourceBadge.h"
#include "state/PanelState.h"
#include "support/state/StateTestSupport.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

using namespace qv;
using qv::test::FakeCardContext;

namespace {

ClipboardItem itemOf(ClipboardPayload payload, const QString& app = QStringLiteral("org.example.Editor"),
                     QDateTime at = {}) {
  return ClipboardItem::make(QUuid::createUuid(), app,
                             at.isValid() ? at : QDateTime(QDate(2026, 3, 14), QTime(11, 0), Qt::UTC),
                             std::move(payload));
}

void hover(QGraphicsScene& scene, QGraphicsItem* item, bool inside) {
  QGraphicsSceneHoverEvent event(inside ? QEvent::GraphicsSceneHoverEnter : QEvent::GraphicsSceneHoverLeave);
  event.setPos(item->boundingRect().center());
  scene.sendEvent(item, &event);
}

// A press and release in the middle of the item, as the scene delivers them: a press the item
// does not accept never reaches its release.
void click(QGraphicsScene& scene, QGraphicsItem* item) {
  if (!(item->acceptedMouseButtons() & Qt::LeftButton)) return;
  const QPointF at = item->shape().boundingRect().center();
  QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
  press.setButton(Qt::LeftButton);
  press.setPos(at);
  scene.sendEvent(item, &press);
  if (!press.isAccepted()) return;
  QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
  release.setButton(Qt::LeftButton);
  release.setPos(at);
  scene.sendEvent(item, &release);
}

struct BadgeCase {
  bool action, hovered, active;
  double ringWidth, ringOpacity, scale;
  bool pointingHand;
};

}  // namespace

TEST(SourceBadge, FollowsTheStateTable) {
  const BadgeCase cases[] = {
      {false, true, false, 1.5, 0, 1.0, false},  // no action, not active: hovering changes nothing
      {false, true, true, 2, 1, 1.0, false},     // no action, active
      {true, false, false, 1.5, 0, 1.0, false},  // action, not hovered, not active
      {true, true, false, 1.5, 0.9, 1.1, true},  // action, hovered, not active
      {true, false, true, 2, 1, 1.0, false},     // active, not hovered
      {true, true, true, 2, 1, 1.1, true},       // active, hovered
  };
  for (const BadgeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.action << c.hovered << c.active);
    FakeCardContext fake;
    QGraphicsScene scene;
    auto* badge = new SourceBadge(*fake.context);
    scene.addItem(badge);
    int clicks = 0;
    badge->setProps({QStringLiteral("org.example.Editor"), c.active},
                    {c.action ? std::function<void()>([&] { ++clicks; }) : nullptr});
    if (c.hovered) hover(scene, badge, true);
    fake.clock->advanceFrames(90);
    const SourceBadge::Look look = badge->look();
    EXPECT_NEAR(look.ringWidth, c.ringWidth, 1e-3);
    EXPECT_NEAR(look.ringOpacity, c.ringOpacity, 1e-3);
    EXPECT_NEAR(look.scale, c.scale, 1e-3);
    EXPECT_EQ(badge->hasCursor() && badge->cursor().shape() == Qt::PointingHandCursor, c.pointingHand);
    click(scene, badge);
    EXPECT_EQ(clicks, c.action ? 1 : 0);
  }
}

TEST(SourceBadge, RingThickensUnderTheSnappySpringAndHairlineOnlyInLight) {
  FakeCardContext fake;
  QGraphicsScene scene;
  auto* badge = new SourceBadge(*fake.context);
  scene.addItem(badge);
  badge->setProps({QStringLiteral("a"), false}, {[] {}});
  hover(scene, badge, true);
  fake.clock->advanceFrames(90);
  badge->setProps({QStringLiteral("a"), true}, {[] {}});
  fake.clock->advance(0.05);
  const double p = Theme::springSnappy().progress(0.05);
  EXPECT_NEAR(badge->look().ringWidth, 1.5 + 0.5 * p, 1e-3);
  EXPECT_NEAR(badge->look().scale, 1.1, 1e-3);
  EXPECT_TRUE(badge->look().hairline);
  fake.context->environment->setKeptAppearance(ColorScheme::dark);
  fake.drain();
  EXPECT_FALSE(badge->look().hairline);
}

TEST(AppIconImageView, DrawsTheIconTheIdentityFindsOrThePhoneTile) {
  FakeCardContext fake;
  fake.desktopEntries->install({QStringLiteral("org.example.Red"),
                                {},
                                QStringLiteral("Red"),
                                QStringLiteral("red-icon"),
                                {},
                                {},
                                QStringLiteral("Application")});
  fake.desktopEntries->install(
      {QStringLiteral("org.example.NoIcon"), {}, QStringLiteral("Plain"), {}, {}, {}, QStringLiteral("Application")});
  fake.desktopEntries->addIcon(QStringLiteral("red-icon"), Qt::red);
  const struct {
    const char* id;
    QColor centre;
  } cases[] = {{"org.example.Red", Qt::red},
               {"org.example.NoIcon", Qt::gray},   // the generic application icon
               {"org.example.Missing", Qt::blue},  // the file manager's icon
               {kNearbyDeviceBundleID, Theme::accent()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    QImage image(28, 28, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    AppIconImageView(QString::fromLatin1(c.id)).paint(painter, QRectF(0, 0, 28, 28), *fake.context->appIdentity);
    painter.end();
    // The phone symbol sits in the middle of the tile: sample beside it.
    EXPECT_EQ(image.pixelColor(4, 14), c.centre);
  }
  EXPECT_NEAR(AppIconImageView::nearbyTileCornerRadius(28), 6.16, 1e-9);
  EXPECT_EQ(AppIconImageView::nearbyTileRect(QRectF(0, 0, 40, 28)), QRectF(6, 0, 28, 28));
}

TEST(CardFacets, AsksThePredicateInOrder) {
  const ClipboardItem item = itemOf(TextPayload{QStringLiteral("x")}, QStringLiteral("org.example.App"));
  const QUuid category = QUuid::createUuid();
  std::vector<BadgeFilter> asked;
  auto predicate = [&](const BadgeFilter& filter) {
    asked.push_back(filter);
    return filter.kind != BadgeFilter::Kind::type;
  };
  EXPECT_EQ(CardFacets(item, category, predicate), CardFacets(false, true, true, true));
  EXPECT_EQ(asked, (std::vector<BadgeFilter>{BadgeFilter::ofType(TypeFilter::text), BadgeFilter::pinned(),
                                             BadgeFilter::ofCategory(category),
                                             BadgeFilter::ofApp(QStringLiteral("org.example.App"))}));
  asked.clear();
  EXPECT_EQ(CardFacets(item, std::nullopt, predicate), CardFacets(false, true, false, true));
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_EQ(CardFacets(item, category, {}), CardFacets());
}

TEST(CardOverlay, AsksWhatCardFacetsAsksSoBothApplyOneRule) {
  FakeCardContext fake;
  auto overlay = std::make_unique<CardOverlay>(*fake.context);
  const ClipboardItem item = itemOf(TextPayload{QStringLiteral("x")}, QStringLiteral("org.example.App"));
  const CustomCategory work{QUuid::createUuid(), QStringLiteral("Work"), 1};
  for (const bool pinned : {false, true}) {
    for (const bool withCategory : {false, true}) {
      SCOPED_TRACE(testing::Message() << "pinned " << pinned << ", category " << withCategory);
      std::vector<BadgeFilter> askedByOverlay, askedByFacets;
      const std::optional<CustomCategory> category = withCategory ? std::optional(work) : std::nullopt;
      overlay->setProps(CardOverlay::Props::of(item, pinned, category, 0), {{}, [&](const BadgeFilter& f) {
                                                                              askedByOverlay.push_back(f);
                                                                              return f == BadgeFilter::pinned();
                                                                            }});
      CardFacets(item, withCategory ? std::optional(work.id) : std::nullopt, [&](const BadgeFilter& f) {
        askedByFacets.push_back(f);
        return f == BadgeFilter::pinned();
      });
      EXPECT_EQ(askedByOverlay, askedByFacets);
      // Only a pinned card has the badge that shows the pinned filter applied.
      const auto badges = overlay->badges();
      const bool showsPinned = std::any_of(badges.begin(), badges.end(), [](const BadgePill* b) {
        return b->props().label == QStringLiteral("Pinned") && b->props().isActive;
      });
      EXPECT_EQ(showsPinned, pinned);
    }
  }
}

TEST(CardOverlay, OverAPictureFollowsThePayload) {
  const Url url = Url::fromLocalFile(QStringLiteral("/"));
  const struct {
    ClipboardPayload payload;
    bool over;
  } cases[] = {
      {ImagePayload{QImage(), QStringLiteral("a.png"), 0, 0, QString()}, true},
      {LinkPayload{url, QStringLiteral("d"), {}, {}, QStringLiteral("https://d/og.png")}, true},
      {LinkPayload{url, QStringLiteral("d"), {}, {}, std::nullopt}, false},
      {ColorPayload{QStringLiteral("#9B9B9B"), 155, 155, 155}, true},
      {ColorPayload{QStringLiteral("#9C9C9C"), 156, 156, 156}, false},
      {TextPayload{QStringLiteral("t")}, false},
      {CodePayload{QStringLiteral("c"), QStringLiteral("swift")}, false},
      {FilePayload{QStringLiteral("f"), QString(), std::nullopt}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CardOverlay::isOverImage(c.payload), c.over) << CardOverlay::typeLabel(c.payload).toStdString();
}

TEST(CardOverlay, BadgesInOrderEachReportingItsFilter) {
  FakeCardContext fake;
  QGraphicsScene scene;
  auto* overlay = new CardOverlay(*fake.context);
  scene.addItem(overlay);
  const CustomCategory work{QUuid::createUuid(), QStringLiteral("Work"), 8};
  const ClipboardItem item = itemOf(ColorPayload{QStringLiteral("#000000"), 0, 0, 0},
                                    QStringLiteral("org.example.Paint"));
  std::vector<BadgeFilter> reported;
  int asked = 0;
  CardOverlay::Callbacks callbacks{[&](const BadgeFilter& f) { reported.push_back(f); },
                                   [&](const BadgeFilter& f) {
                                     ++asked;
                                     return f == BadgeFilter::pinned();
                                   }};
  overlay->setProps(CardOverlay::Props::of(item, true, work, 66), callbacks);
  EXPECT_EQ(asked, 4);  // three badges and the source badge

  const auto badges = overlay->badges();
  ASSERT_EQ(badges.size(), 3u);
  EXPECT_EQ(badges[0]->props().label, QStringLiteral("Color"));
  EXPECT_EQ(badges[1]->props().label, QStringLiteral("Pinned"));
  EXPECT_TRUE(badges[1]->props().isActive);
  EXPECT_EQ(badges[1]->look().background, Theme::accent());  // a card built applied shows it at once
  EXPECT_FALSE(badges[0]->props().isActive);
  // A dark swatch counts as a picture.
  EXPECT_TRUE(badges[0]->props().onImage);
  // Index 8 wraps to the palette's first colour; without differentiate-without-colour, a bare dot.
  EXPECT_EQ(badges[2]->props().dot, categoryPalette()[0]);
  EXPECT_TRUE(badges[2]->isDotOnly());
  EXPECT_EQ(badges[2]->size(), QSizeF(14 + 9, 8 + 9));
  EXPECT_EQ(badges[2]->toolTip(), QStringLiteral("Work"));
  EXPECT_LT(badges[0]->x(), badges[1]->x());
  EXPECT_LT(badges[1]->x(), badges[2]->x());
  EXPECT_DOUBLE_EQ(badges[0]->x(), 10);
  EXPECT_DOUBLE_EQ(badges[1]->x(), 10 + badges[0]->size().width() + 5);

  for (BadgePill* badge : badges) click(scene, badge);
  click(scene, overlay->sourceBadge());
  EXPECT_EQ(reported, (std::vector<BadgeFilter>{BadgeFilter::ofType(TypeFilter::color), BadgeFilter::pinned(),
                                                BadgeFilter::ofCategory(work.id),
                                                BadgeFilter::ofApp(QStringLiteral("org.example.Paint"))}));

  // Without onFilter nothing takes a click; applied filters still show.
  reported.clear();
  overlay->setProps(CardOverlay::Props::of(item, true, work, 66), {{}, callbacks.isFilterActive});
  for (BadgePill* badge : overlay->badges()) {
    EXPECT_FALSE(badge->hasAction());
    click(scene, badge);
  }
  click(scene, overlay->sourceBadge());
  EXPECT_TRUE(reported.empty());
  EXPECT_TRUE(overlay->badges()[1]->props().isActive);

  // Negative indices wrap from the end.
  overlay->setProps(CardOverlay::Props::of(item, false, CustomCategory{work.id, work.name, -1}, 66), callbacks);
  EXPECT_EQ(overlay->badges().back()->props().dot, categoryPalette()[7]);
}

TEST(CardOverlay, NearbyDeviceFooterTakesNoFilterAction) {
  FakeCardContext fake;
  auto overlay = std::make_unique<CardOverlay>(*fake.context);
  overlay->setProps(
      CardOverlay::Props::of(itemOf(TextPayload{QStringLiteral("x")}, QString::fromLatin1(kNearbyDeviceBundleID)),
                             false, std::nullopt, 66),
      {[](const BadgeFilter&) {}, {}});
  EXPECT_EQ(overlay->appName(), QStringLiteral("Nearby Device"));
  EXPECT_FALSE(overlay->sourceBadge()->hasAction());
  EXPECT_TRUE(overlay->badges().front()->hasAction());
  EXPECT_EQ(overlay->sourceBadge()->pos(), QPointF(242, overlay->footerLayout().badge.top()));
  EXPECT_TRUE(overlay->footerLayout().scrim.isEmpty());
}

TEST(CardOverlay, SourceBadgeOffersAFilterOnlyForAnApplication) {
  FakeCardContext fake;
  auto overlay = std::make_unique<CardOverlay>(*fake.context);
  const struct {
    QString source;
    bool offersFilter;
  } cases[] = {
      {QStringLiteral("org.example.App"), true},
      {QString(), false},  // no application to filter by, as the card menu offers none
      {QString::fromLatin1(kNearbyDeviceBundleID), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source.toStdString());
    overlay->setProps(
        CardOverlay::Props::of(itemOf(TextPayload{QStringLiteral("x")}, c.source), false, std::nullopt, 66),
        {[](const BadgeFilter&) {}, {}});
    EXPECT_EQ(overlay->sourceBadge()->hasAction(), c.offersFilter);
    EXPECT_EQ(isApplicationSource(c.source), c.offersFilter);
  }
}

TEST(CardOverlay, CategoryBadgeNamesItsCategoryWithoutColour) {
  FakeCardContext fake;
  fake.desktopAppearance->setPreferences({false, DesktopColorScheme::noPreference, false, false, true});
  fake.drain();
  auto overlay = std::make_unique<CardOverlay>(*fake.context);
  overlay->setProps(
      CardOverlay::Props::of(itemOf(TextPayload{QStringLiteral("x")}), false,
                             CustomCategory{QUuid::createUuid(), QStringLiteral("A rather long category name"), 2}, 0),
      {});
  const BadgePill* category = overlay->badges().back();
  EXPECT_FALSE(category->isDotOnly());
  EXPECT_EQ(category->props().label, QStringLiteral("A rather long category name"));
  EXPECT_LE(category->layout().label.width(), 70);
  EXPECT_EQ(category->layout().dot.size(), QSizeF(7, 7));
}

TEST(CardOverlay, BadgeClicksToggleTheStateFilters) {
  test::StateHarness harness;
  FakeCardContext fake;
  QGraphicsScene scene;
  auto* overlay = new CardOverlay(*fake.context);
  scene.addItem(overlay);
  const ClipboardItem item = itemOf(TextPayload{QStringLiteral("x")}, QStringLiteral("org.example.App"));
  const auto callbacks = CardOverlay::filtersOf(*harness.state);
  overlay->setProps(CardOverlay::Props::of(item, false, std::nullopt, 0), callbacks);
  click(scene, overlay->sourceBadge());
  EXPECT_TRUE(harness.state->isBadgeFilterActive(BadgeFilter::ofApp(QStringLiteral("org.example.App"))));
  overlay->setProps(CardOverlay::Props::of(item, false, std::nullopt, 0), callbacks);
  EXPECT_TRUE(overlay->sourceBadge()->props().isActive);
  harness.state.reset();
  EXPECT_FALSE(callbacks.isFilterActive(BadgeFilter::pinned()));
}

TEST(CardOverlay, CaptureTimeRefreshesOnOneSharedTickWhileShown) {
  FakeCardContext fake;
  const QDateTime now = fake.scheduler->now();
  QGraphicsScene scene;
  PaintedItemView view(&scene);
  view.show();
  auto* first = new CardOverlay(*fake.context);
  auto* second = new CardOverlay(*fake.context);
  first->setProps(
      CardOverlay::Props::of(itemOf(TextPayload{QStringLiteral("a")}, {}, now.addSecs(-50)), false, std::nullopt, 0),
      {});
  second->setProps(
      CardOverlay::Props::of(itemOf(TextPayload{QStringLiteral("b")}, {}, now.addSecs(-3590)), false, std::nullopt, 0),
      {});
  CardTimeTick& tick = CardTimeTick::shared(*fake.context);
  EXPECT_FALSE(tick.isRunning());
  scene.addItem(first);
  scene.addItem(second);
  EXPECT_EQ(tick.listenerCount(), 2);
  EXPECT_TRUE(tick.isRunning());
  EXPECT_EQ(first->timeText(), QStringLiteral("50 sec. ago"));
  EXPECT_EQ(second->timeText(), QStringLiteral("59 min. ago"));

  fake.scheduler->advance(9);  // 59 s: no tick yet
  EXPECT_EQ(first->timeText(), QStringLiteral("50 sec. ago"));
  fake.scheduler->advance(6);  // 65 s: the tick at 15 s
  EXPECT_EQ(first->timeText(), QStringLiteral("1 min. ago"));
  EXPECT_EQ(second->timeText(), QStringLiteral("1 hr. ago"));

  // A hidden card stops listening (also when its card hides); with none shown the tick stops;
  // shown again, it catches up.
  auto* card = new QGraphicsRectItem(0, 0, 280, 240);
  scene.addItem(card);
  second->setParentItem(card);
  EXPECT_EQ(tick.listenerCount(), 2);
  card->setVisible(false);
  EXPECT_EQ(tick.listenerCount(), 1);
  scene.removeItem(first);
  EXPECT_FALSE(tick.isRunning());
  fake.scheduler->advance(120);
  EXPECT_EQ(first->timeText(), QStringLiteral("1 min. ago"));
  scene.addItem(first);
  EXPECT_EQ(first->timeText(), QStringLiteral("3 min. ago"));
  EXPECT_TRUE(tick.isRunning());

  // Cards in a window that is hidden (the panel after it was built or shown) do not listen.
  view.hide();
  EXPECT_EQ(tick.listenerCount(), 0);
  EXPECT_FALSE(tick.isRunning());
  fake.scheduler->advance(60);
  view.show();
  EXPECT_EQ(first->timeText(), QStringLiteral("4 min. ago"));
  EXPECT_TRUE(tick.isRunning());
  delete first;
  delete card;
  EXPECT_FALSE(tick.isRunning());
}

TEST(CardOverlay, CardsNoViewShowsNeverListen) {
  FakeCardContext fake;
  QGraphicsScene scene;
  PaintedItemView view(&scene);  // built, never shown: the panel before its first show
  auto* overlay = new CardOverlay(*fake.context);
  scene.addItem(overlay);
  QGraphicsScene viewless;
  auto* alone = new CardOverlay(*fake.context);
  viewless.addItem(alone);
  EXPECT_FALSE(CardTimeTick::shared(*fake.context).isRunning());
}

TEST(CardOverlay, PinningBringsTheBadgeInWithScaleAndFade) {
  FakeCardContext fake;
  QGraphicsScene scene;
  auto* overlay = new CardOverlay(*fake.context);
  scene.addItem(overlay);
  const ClipboardItem item = itemOf(TextPayload{QStringLiteral("x")});
  const CustomCategory category{QUuid::createUuid(), QStringLiteral("C"), 1};
  overlay->setProps(CardOverlay::Props::of(item, false, category, 0), {});
  const double categoryX = overlay->badges()[1]->x();
  overlay->setProps(CardOverlay::Props::of(item, true, category, 0), {});
  BadgePill* pinned = overlay->badges()[1];
  EXPECT_EQ(pinned->props().label, QStringLiteral("Pinned"));
  fake.clock->advance(0.1);
  const double p = Theme::springStandard().progress(0.1);
  EXPECT_NEAR(pinned->opacity(), p, 1e-3);
  EXPECT_NEAR(pinned->scale(), 0.6 + 0.4 * p, 1e-3);
  // The category badge slides to make room.
  const double target = 10 + overlay->badges()[0]->size().width() + 5 + pinned->size().width() + 5;
  EXPECT_NEAR(overlay->badges()[2]->x(), categoryX + (target - categoryX) * p, 1e-3);
  fake.clock->advanceFrames(120);
  EXPECT_NEAR(overlay->badges()[2]->x(), target, 1e-3);

  // Under reduce motion it only fades.
  fake.desktopAppearance->setReduceMotion(true);
  fake.drain();
  overlay->setProps(CardOverlay::Props::of(item, false, category, 0), {});
  fake.clock->advanceFrames(120);
  overlay->setProps(CardOverlay::Props::of(item, true, category, 0), {});
  fake.clock->advance(0.1);
  EXPECT_DOUBLE_EQ(overlay->badges()[1]->scale(), 1.0);
  EXPECT_LT(overlay->badges()[1]->opacity(), 1.0);
}
