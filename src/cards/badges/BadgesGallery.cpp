#include "cards/badges/BadgesGallery.h"

#include "cards/ViewServices.h"
#include "cards/badges/BadgePill.h"
#include "cards/badges/CardOverlay.h"
#include "cards/badges/CardQuickActions.h"
#include "cards/badges/SourceBadge.h"
#include "cards/content/CardContentItem.h"
#include "cards/content/CardContentStyle.h"
#include "items/link/OGImageCache.h"
#include "platform/fake/FakeDesktopAppearance.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "ui/anim/FrameClock.h"
#include "ui/fx/Fx.h"
#include "ui/view/GalleryRegistry.h"

#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QPainter>

namespace qv {

// A few applications with the theme's full-colour icons, so the footers look as they will.
void installSampleApplications(ViewServices& context) {
  auto* entries = dynamic_cast<FakeDesktopEntries*>(context.desktopEntries.get());
  if (!entries) return;
  const struct {
    const char* id;
    const char* name;
    const char* icon;
  } apps[] = {{"org.gnome.TextEditor", "Text Editor", "accessories-text-editor"},
              {"org.gnome.Terminal", "Terminal", "utilities-terminal"},
              {"firefox-esr", "Firefox ESR", "web-browser"},
              {"org.gnome.Nautilus", "Files", "system-file-manager"},
              {"org.gnome.Loupe", "Image Viewer with a name long enough to be cut short", "image-viewer"},
              {"org.gnome.Settings", "Settings", ""}};
  for (const auto& app : apps) {
    entries->install({QString::fromLatin1(app.id),
                      {},
                      QString::fromUtf8(app.name),
                      QString::fromLatin1(app.icon),
                      {},
                      {},
                      QStringLiteral("Application")});
    if (*app.icon) entries->addIcon(QString::fromLatin1(app.icon), QIcon::fromTheme(QString::fromLatin1(app.icon)));
  }
}

namespace {

constexpr double kGap = 16;

struct Sample {
  Sample(ClipboardItem sampleItem, bool isPinned = false, std::optional<CustomCategory> inCategory = std::nullopt)
      : item(std::move(sampleItem)), pinned(isPinned), category(std::move(inCategory)) {}
  ClipboardItem item;
  bool pinned = false;
  std::optional<CustomCategory> category;
  CardQuickActions::Props actions{true, false, false, false, false};
  // Filters shown as applied on this card.
  std::vector<BadgeFilter> applied;
  // Which control the pointer rests on: none, the first badge, the source badge, the first button.
  enum class Hover { none, badge, source, button } hover = Hover::none;
};

ClipboardItem item(const char* app, double minutesAgo, ClipboardPayload payload, const ViewServices& context) {
  return ClipboardItem::make(QUuid::createUuid(), QString::fromLatin1(app),
                             context.scheduler->now().addSecs(qint64(-minutesAgo * 60)), std::move(payload));
}

void hover(QGraphicsScene& scene, QGraphicsItem* item) {
  QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
  enter.setPos(item->boundingRect().center());
  scene.sendEvent(item, &enter);
}

// Cards side by side: content, a plain card edge, the overlay and the quick actions.
QImage sheet(GalleryScene& scene, const std::vector<std::vector<Sample>>& rows) {
  ViewServices& context = scene.services<ViewServices>();
  size_t columns = 0;
  for (const auto& row : rows) columns = std::max(columns, row.size());
  const QSizeF card = CardContentStyle::cardSize();
  QImage image = scene.canvas(columns * (card.width() + kGap) - kGap, rows.size() * (card.height() + kGap) - kGap);

  QGraphicsScene graphics;
  struct Card {
    std::unique_ptr<CardContentItem> content;
    CardOverlay* overlay;
    CardQuickActions* actions;
  };
  std::vector<Card> cards;
  for (const auto& row : rows)
    for (const Sample& sample : row) {
      Card c{std::make_unique<CardContentItem>(context), new CardOverlay(context), new CardQuickActions(context)};
      c.content->setItem(sample.item);
      graphics.addItem(c.overlay);
      graphics.addItem(c.actions);
      const auto applied = sample.applied;
      CardOverlay::Callbacks callbacks{[](const BadgeFilter&) {},
                                       [applied](const BadgeFilter& filter) {
                                         return std::find(applied.begin(), applied.end(), filter) != applied.end();
                                       }};
      c.overlay->setProps(CardOverlay::Props::of(sample.item, sample.pinned, sample.category,
                                                 CardQuickActions::rowWidth(sample.actions.showPeek)),
                          callbacks);
      CardQuickActions::Props actions = sample.actions;
      actions.isPinned = sample.pinned;
      c.actions->setProps(actions,
                          {[] {}, [] {}, [] {}, sample.actions.showPeek ? std::function<void()>([] {}) : nullptr});
      cards.push_back(std::move(c));
    }
  if (scene.settle) scene.settle();
  auto* clock = dynamic_cast<ManualFrameClock*>(context.frameClock.get());
  if (clock) clock->advanceFrames(120);
  size_t index = 0;
  for (const auto& row : rows)
    for (const Sample& sample : row) {
      Card& c = cards[index++];
      if (sample.hover == Sample::Hover::badge) hover(graphics, c.overlay->badges().front());
      if (sample.hover == Sample::Hover::source) hover(graphics, c.overlay->sourceBadge());
      if (sample.hover == Sample::Hover::button && !c.actions->buttons().empty())
        hover(graphics, c.actions->buttons().front());
    }
  if (scene.settle) scene.settle();
  if (clock) clock->advanceFrames(120);

  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  index = 0;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t col = 0; col < rows[r].size(); ++col) {
      Card& c = cards[index++];
      const QRectF rect(QPointF(col * (card.width() + kGap), r * (card.height() + kGap)), card);
      const QPainterPath shape = Fx::continuousRoundedRect(rect, CardContentStyle::kCardCornerRadius);
      painter.save();
      painter.setClipPath(shape);
      c.content->paintContent(painter, rect, scene.environment);
      // Through the scene, as the card list paints (and caches) them.
      c.overlay->setPos(rect.topLeft());
      c.actions->setPos(rect.topLeft());
      for (const Card& other : cards) {
        other.overlay->setVisible(other.overlay == c.overlay);
        other.actions->setVisible(other.actions == c.actions);
      }
      graphics.render(&painter, rect, rect);
      painter.restore();
      Fx::strokeInnerBorder(
          painter, rect, CardContentStyle::kCardCornerRadius,
          scene.environment.isDark() ? QColor::fromRgbF(1, 1, 1, 0.09f) : QColor::fromRgbF(0, 0, 0, 0.13f), 0.5);
    }
  return image;
}

CustomCategory category(const char* name, int colorIndex) {
  return {QUuid::createUuid(), QString::fromUtf8(name), colorIndex};
}

QImage everyKind(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  installSampleApplications(context);
  const ClipboardItem linkWithImage = item(
      "firefox-esr", 3,
      LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("developer.example.com"),
                  QStringLiteral("Getting started with the layout engine"), QStringLiteral("A field guide."),
                  QStringLiteral("https://developer.example.com/og.png")},
      context);
  if (context.ogImageCache) {
    QImage preview(1200, 630, QImage::Format_RGB32);
    QPainter painter(&preview);
    painter.fillRect(preview.rect(), Fx::linearGradient(QRectF(preview.rect()), {0, 0}, {1, 1},
                                                        {{0, QColor(120, 170, 230)}, {1, QColor(240, 240, 250)}}));
    painter.end();
    context.ogImageCache->save(preview, linkWithImage.idString());
  }
  QImage picture(800, 600, QImage::Format_RGB32);
  {
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), Fx::linearGradient(QRectF(picture.rect()), {0, 0}, {0, 1},
                                                        {{0, QColor(250, 236, 200)}, {1, QColor(70, 120, 90)}}));
  }
  const Sample text{item(
      "org.gnome.TextEditor", 0.2,
      TextPayload{
          QStringLiteral("Meeting notes: move the launch to the second week of March so the translations land first.")},
      context)};
  Sample code{item("org.gnome.Terminal", 12,
                   CodePayload{QStringLiteral("for f in *.png; do\n  convert \"$f\" \"${f%.png}.jpg\"\ndone"),
                               QStringLiteral("bash")},
                   context),
              true};
  code.actions.didCopy = true;
  Sample file{item("org.gnome.Nautilus", 60 * 5,
                   FilePayload{QStringLiteral("report.pdf"), QStringLiteral("2.4 MB"), std::nullopt}, context),
              false, category("Work", 0)};
  file.actions.showPeek = true;
  Sample bareLink{item("firefox-esr", 60 * 30,
                       LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("news.example.org"),
                                   QStringLiteral("A page without a preview image"), std::nullopt, std::nullopt},
                       context),
                  true, category("Reading", 3)};
  bareLink.applied = {BadgeFilter::ofType(TypeFilter::link)};
  Sample link{linkWithImage, true, category("Research", 5)};
  link.applied = {BadgeFilter::pinned()};
  Sample imageCard{item("org.gnome.Loupe", 60 * 24 * 3,
                        ImagePayload{picture, QStringLiteral("photo.png"), 800, 600, QStringLiteral("1 MB")}, context),
                   false, category("Photos", 2)};
  imageCard.actions.showPeek = true;
  imageCard.actions.isPeeked = true;
  Sample dark{item("org.gnome.Settings", 60 * 24 * 40, ColorPayload{QStringLiteral("#585DC1"), 88, 93, 193}, context)};
  dark.applied = {BadgeFilter::ofApp(QStringLiteral("org.gnome.Settings"))};
  Sample light{item(kNearbyDeviceBundleID, 2, ColorPayload{QStringLiteral("#FFD166"), 255, 209, 102}, context), true,
               category("Palette", 6)};
  return sheet(scene, {{text, code, file, bareLink}, {link, imageCard, dark, light}});
}

QImage states(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  installSampleApplications(context);
  auto* desktop = dynamic_cast<FakeDesktopAppearance*>(context.desktopAppearance.get());
  // With differentiate-without-colour the category badge names its category.
  DesktopPreferences before;
  if (desktop) {
    before = desktop->preferences();
    DesktopPreferences named = before;
    named.differentiateWithoutColor = true;
    desktop->setPreferences(named);
  }
  Sample named{
      item("org.gnome.TextEditor", 1, TextPayload{QStringLiteral("Category badges name their category")}, context),
      true, category("A category with a long name", 9)};
  named.hover = Sample::Hover::badge;
  Sample source{item("org.gnome.Terminal", 90,
                     CodePayload{QStringLiteral("git log --oneline | head"), QStringLiteral("bash")}, context),
                false, category("Shell", -1)};
  source.hover = Sample::Hover::source;
  source.applied = {BadgeFilter::ofCategory(source.category->id)};
  Sample button{
      item("org.gnome.Loupe", 60 * 24 * 400, ColorPayload{QStringLiteral("#9B9B9B"), 155, 155, 155}, context)};
  button.hover = Sample::Hover::button;
  button.actions.showPeek = true;
  Sample activeHover{item("org.gnome.Settings", 5, ColorPayload{QStringLiteral("#9C9C9C"), 156, 156, 156}, context),
                     true, category("Eight", 8)};
  activeHover.applied = {BadgeFilter::ofApp(QStringLiteral("org.gnome.Settings")),
                         BadgeFilter::ofType(TypeFilter::color)};
  activeHover.hover = Sample::Hover::source;
  QImage image = sheet(scene, {{named, source, button, activeHover}});
  if (desktop) desktop->setPreferences(before);
  return image;
}

}  // namespace

void addCardBadgeGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("card-badges-kinds"), everyKind);
  registry.add(QStringLiteral("card-badges-states"), states);
}

}  // namespace qv
