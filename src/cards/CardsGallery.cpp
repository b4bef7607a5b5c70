#include "cards/CardsGallery.h"

#include "cards/ClipboardCardView.h"
#include "cards/badges/BadgesGallery.h"
#include "cards/badges/CardQuickActions.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentItem.h"
#include "cards/content/CardContentStyle.h"
#include "items/link/OGImageCache.h"
#include "items/stores/ImageStore.h"
#include "platform/fake/FakeDesktopAppearance.h"
#include "ui/anim/FrameClock.h"
#include "ui/anim/Transaction.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"
#include "ui/view/GalleryRegistry.h"

#include <QLinearGradient>
#include <QPainter>

namespace qv {

namespace {

constexpr double kGap = 16;

ClipboardItem sampleItem(ClipboardPayload payload) {
  return ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                             QDateTime::currentDateTimeUtc(), std::move(payload));
}

// A picture with structure to see the crop by: sky, a sun, hills and a frame.
QImage samplePicture(QSize size, QColor sky, QColor ground) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, size.height());
  gradient.setColorAt(0, sky.lighter(140));
  gradient.setColorAt(1, sky);
  painter.fillRect(image.rect(), gradient);
  painter.setBrush(QColor(255, 214, 90));
  painter.setPen(Qt::NoPen);
  const double unit = std::min(size.width(), size.height());
  painter.drawEllipse(QPointF(size.width() * 0.5, size.height() * 0.35), unit * 0.12, unit * 0.12);
  painter.setBrush(ground);
  QPainterPath hills;
  hills.moveTo(0, size.height());
  for (int x = 0; x <= size.width(); x += std::max(1, size.width() / 40))
    hills.lineTo(x, size.height() * (0.7 + 0.08 * std::sin(x * 12.0 / size.width())));
  hills.lineTo(size.width(), size.height());
  painter.drawPath(hills);
  painter.setPen(QPen(Qt::red, unit * 0.02));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(image.rect()).adjusted(unit * 0.01, unit * 0.01, -unit * 0.01, -unit * 0.01));
  return image;
}

// Cards side by side in rows, each clipped to the card's rounded shape.
// Items in `late` are shown only after the background work settled: still loading.
QImage sheet(GalleryScene& scene, const std::vector<std::vector<ClipboardItem>>& rows, const QSet<QUuid>& late = {}) {
  const double dpr = scene.devicePixelRatio;
  size_t columns = 0;
  for (const auto& row : rows) columns = std::max(columns, row.size());
  const QSizeF card = CardContentStyle::cardSize();
  const QSizeF total(columns * (card.width() + kGap) - kGap, rows.size() * (card.height() + kGap) - kGap);
  QImage image(QSize(int(total.width() * dpr), int(total.height() * dpr)), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);

  std::vector<std::unique_ptr<CardContentItem>> contents;
  for (const auto& row : rows)
    for (const auto& item : row) {
      contents.push_back(std::make_unique<CardContentItem>(scene.services<ViewServices>()));
      if (!late.contains(item.id)) contents.back()->setItem(item);
    }
  if (scene.settle) scene.settle();
  if (auto* clock = dynamic_cast<ManualFrameClock*>(scene.context.frameClock.get())) clock->advanceFrames(120);
  if (scene.settle) scene.settle();
  size_t next = 0;
  for (const auto& row : rows)
    for (const auto& item : row) {
      if (late.contains(item.id)) contents[next]->setItem(item);
      ++next;
    }

  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  size_t index = 0;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const QRectF rect(QPointF(c * (card.width() + kGap), r * (card.height() + kGap)), card);
      painter.save();
      painter.setClipPath(Fx::continuousRoundedRect(rect, CardContentStyle::kCardCornerRadius));
      contents[index++]->paintContent(painter, rect, scene.environment);
      painter.restore();
    }
  return image;
}

QImage textCards(GalleryScene& scene) {
  const QString prose = QStringLiteral(
      "Meeting notes, Tuesday. We agreed to move the launch to the second week of March so that the "
      "translations can land first. Priya owns the release checklist; Tom follows up with the printers "
      "about the box art. Open questions: do we ship the dark theme by default, and who writes the "
      "migration guide for people coming from the old version? Next meeting in two weeks.");
  const QString code = QStringLiteral(
      "// Sums the sizes of every file under a folder.\n"
      "func totalSize(of folder: URL) throws -> Int64 {\n"
      "    var total: Int64 = 0\n"
      "    let keys: [URLResourceKey] = [.fileSizeKey]\n"
      "    for case let url as URL in FileManager.default.enumerator(at: folder, includingPropertiesForKeys: keys)! {\n"
      "        total += Int64(try url.resourceValues(forKeys: Set(keys)).fileSize ?? 0)\n"
      "    }\n"
      "    return total\n"
      "}\n");
  return sheet(
      scene, {{sampleItem(TextPayload{prose}), sampleItem(TextPayload{QStringLiteral("Short line of text")}),
               sampleItem(TextPayload{QString()})},
              {sampleItem(CodePayload{code, QStringLiteral("swift")}),
               sampleItem(CodePayload{QStringLiteral("SELECT id, name FROM users WHERE active = 1 ORDER BY name;"),
                                      QStringLiteral("sql")}),
               sampleItem(TextPayload{QStringLiteral("https://example.org\n\n\nline after blank lines\n") + prose})}});
}

QImage colorCards(GalleryScene& scene) {
  auto color = [](const char* hex, int r, int g, int b) {
    return sampleItem(ColorPayload{QLatin1String(hex), r, g, b});
  };
  return sheet(scene, {{color("#ff0000", 255, 0, 0), color("#585dc1", 88, 93, 193), color("#9b9b9b", 155, 155, 155)},
                       {color("#ffffff", 255, 255, 255), color("#000000", 0, 0, 0), color("#9c9c9c", 156, 156, 156)}});
}

QImage fileCards(GalleryScene& scene) {
  auto file = [](const char* name, const char* size, const char* url = nullptr) {
    std::optional<Url> location;
    if (url) location = Url::fromLocalFile(QLatin1String(url));
    return sampleItem(FilePayload{QLatin1String(name), QLatin1String(size), location});
  };
  return sheet(
      scene, {{file("report.pdf", "2.4 MB"), file("archive.tar.gz", "18.7 MB"), file("Makefile", "")},
              {file("Photos.bundle", "Folder", "/home/me/Photos.bundle/"),
               file("A very long file name that goes on and on and on, well beyond the two lines the card gives it.txt",
                    "12 KB"),
               file("", "")}});
}

QImage imageCards(GalleryScene& scene) {
  auto image = [](const QImage& picture) {
    return sampleItem(ImagePayload{picture, QStringLiteral("picture.png"), picture.width(), picture.height(),
                                   QStringLiteral("1 MB")});
  };
  const ClipboardItem panorama = image(samplePicture({1600, 400}, QColor(70, 130, 200), QColor(60, 140, 80)));
  const ClipboardItem tall = image(samplePicture({400, 1400}, QColor(200, 110, 70), QColor(90, 70, 50)));
  const ClipboardItem missing = image(QImage());
  // One whose thumbnail request is still under way when the picture is taken.
  const ClipboardItem pending = image(QImage());
  return sheet(scene, {{panorama, tall}, {missing, pending}}, {pending.id});
}

QImage linkCards(GalleryScene& scene) {
  auto link = [](const char* domain, const char* title, const char* description, bool image) {
    std::optional<QString> og;
    if (image) og = QStringLiteral("https://%1/og.png").arg(QString::fromUtf8(domain));
    return sampleItem(LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QString::fromUtf8(domain),
                                  title ? std::optional<QString>(QString::fromUtf8(title)) : std::nullopt,
                                  description ? std::optional<QString>(QString::fromUtf8(description)) : std::nullopt,
                                  og});
  };
  const ClipboardItem withImage = link(
      "developer.example.com", "Getting started with the new layout engine: a field guide for the impatient",
      "Everything you need to know to move your app over in an afternoon, with examples.", true);
  const ClipboardItem wideImage = link("news.example.org", "Short title",
                                       "One line of description that runs long enough to be cut.", true);
  const ClipboardItem textOnly = link(
      "abc", "A page without a preview image shows up to four lines of title, and the description below it",
      "The description also gets up to four lines when there is no image band above the domain row, so "
      "longer summaries have room to breathe before the card's footer takes over.",
      false);
  const ClipboardItem bare = link(
      "\xC3\xBC"
      "bersetzung.example",
      nullptr, nullptr, false);
  if (scene.services<ViewServices>().ogImageCache) {
    scene.services<ViewServices>().ogImageCache->save(
        samplePicture({1200, 630}, QColor(88, 93, 193), QColor(40, 44, 120)), withImage.idString());
    scene.services<ViewServices>().ogImageCache->save(
        samplePicture({1200, 300}, QColor(20, 150, 140), QColor(10, 90, 80)), wideImage.idString());
  }
  return sheet(scene, {{withImage, wideImage}, {textOnly, bare}});
}

// ---- Whole cards ------------------------------------------------------------------------------

// Room around each card for its glow and shadows.
constexpr double kCardPitchX = 280 + 40;
constexpr double kCardPitchY = 240 + 44;

// One sample of each kind, as the card matrix shows them.
std::vector<ClipboardItem> everyKindOfCard(ViewServices& context) {
  auto at = [&](const char* app, double minutesAgo, ClipboardPayload payload) {
    return ClipboardItem::make(QUuid::createUuid(), QString::fromLatin1(app),
                               context.scheduler->now().addSecs(qint64(-minutesAgo * 60)), std::move(payload));
  };
  const QImage picture = samplePicture({900, 600}, QColor(70, 130, 200), QColor(60, 140, 80));
  const ClipboardItem link = at(
      "firefox-esr", 8,
      LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("developer.example.com"),
                  QStringLiteral("Getting started with the new layout engine"),
                  QStringLiteral("Everything you need to move your app over in an afternoon."),
                  QStringLiteral("https://developer.example.com/og.png")});
  if (context.ogImageCache)
    context.ogImageCache->save(samplePicture({1200, 630}, QColor(88, 93, 193), QColor(40, 44, 120)), link.idString());
  return {at("org.gnome.TextEditor", 1,
             TextPayload{
                 QStringLiteral("Meeting notes, Tuesday. We agreed to move the launch to the second week of March so "
                                "that the translations can land first. Priya owns the release checklist.")}),
          at("org.gnome.Terminal", 12,
             CodePayload{
                 QStringLiteral("for f in *.png; do\n  convert \"$f\" \"${f%.png}.jpg\"\ndone\necho \"converted $#\""),
                 QStringLiteral("bash")}),
          at("org.gnome.Settings", 40, ColorPayload{QStringLiteral("#585DC1"), 88, 93, 193}),
          at("org.gnome.Nautilus", 60 * 5,
             FilePayload{QStringLiteral("quarterly-report.pdf"), QStringLiteral("2.4 MB"), std::nullopt}),
          at("org.gnome.Loupe", 60 * 24 * 2,
             ImagePayload{picture, QStringLiteral("photo.png"), 900, 600, QStringLiteral("1 MB")}),
          link};
}

struct CardSample {
  CardSample(ClipboardItem sampleItem, bool isSelected = false, bool isSensitive = false)
      : item(std::move(sampleItem)), selected(isSelected), sensitive(isSensitive) {}
  ClipboardItem item;
  bool selected = false;
  bool sensitive = false;
  bool pinned = false;
  std::optional<CustomCategory> category;
  bool lifted = false;
  // The host's quick actions over the card, hovered; peek is offered on sensitive items.
  std::optional<CardQuickActions::Props> actions;
};

// Cards in rows, each painted with everything it overflows into, after its animations and
// background loading settled.
QImage cardSheet(GalleryScene& scene, const std::vector<std::vector<CardSample>>& rows,
                 const std::function<void(ClipboardCardView&, const CardSample&)>& afterSettling = {}) {
  ViewServices& context = scene.services<ViewServices>();
  auto* clock = dynamic_cast<ManualFrameClock*>(context.frameClock.get());
  size_t columns = 0;
  for (const auto& row : rows) columns = std::max(columns, row.size());
  QImage image = scene.canvas(columns * kCardPitchX, rows.size() * kCardPitchY);
  std::vector<std::unique_ptr<ClipboardCardView>> cards;
  for (const auto& row : rows)
    for (const CardSample& sample : row) {
      auto card = std::make_unique<ClipboardCardView>(context);
      card->setProps({sample.item,
                      sample.selected,
                      sample.pinned,
                      sample.sensitive,
                      sample.category,
                      {},
                      CardQuickActions::rowWidth(sample.actions && sample.actions->showPeek)},
                     {[](const BadgeFilter&) {}, [](const BadgeFilter&) { return false; }});
      card->setLifted(sample.lifted);
      if (sample.actions) {
        auto* actions = new CardQuickActions(context, card.get());
        actions->setZValue(ClipboardCardView::kHostOverlayZ);
        actions->setProps(*sample.actions, {[] {}, [] {}, [] {}, [] {}});
      }
      cards.push_back(std::move(card));
    }
  for (int round = 0; round < 2; ++round) {
    // Content painted once starts its loading; then the loads land and animate in.
    for (auto& card : cards) card->renderForTest(scene.devicePixelRatio);
    if (scene.settle) scene.settle();
    if (clock) clock->advanceFrames(120);
  }
  QPainter painter(&image);
  size_t index = 0;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) {
      ClipboardCardView& card = *cards[index++];
      if (afterSettling) afterSettling(card, rows[r][c]);
      const QPointF origin(c * kCardPitchX + (kCardPitchX - 280) / 2, r * kCardPitchY + (kCardPitchY - 240) / 2 - 4);
      painter.drawImage(origin - card.renderOrigin(), card.renderForTest(scene.devicePixelRatio));
    }
  return image;
}

// Every kind, down; across: plain, selected, sensitive, selected and sensitive.
QImage cardMatrix(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  installSampleApplications(context);
  std::vector<std::vector<CardSample>> rows;
  for (const ClipboardItem& item : everyKindOfCard(context)) {
    std::vector<CardSample> row;
    for (int column = 0; column < 4; ++column) row.push_back({item, column == 1 || column == 3, column >= 2});
    rows.push_back(row);
  }
  return cardSheet(scene, rows);
}

// Lifted under the pointer with the host's quick actions, peeked, a blur on its way in, and
// reduce transparency (plain and selected).
QImage cardStates(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  installSampleApplications(context);
  const std::vector<ClipboardItem> kinds = everyKindOfCard(context);
  const CustomCategory work{QUuid::createUuid(), QStringLiteral("Work"), 3};
  CardSample hovered{kinds[0]};
  hovered.pinned = true;
  hovered.category = work;
  hovered.lifted = true;
  hovered.actions = CardQuickActions::Props{true, true, false, false, false};
  CardSample hiddenHovered{kinds[1], true, true};
  hiddenHovered.lifted = true;
  hiddenHovered.actions = CardQuickActions::Props{true, false, false, true, false};
  // Revealed: the host shows it unblurred and offers to hide it again.
  CardSample peeked{kinds[1]};
  peeked.actions = CardQuickActions::Props{true, false, true, true, true};
  CardSample blurring{kinds[4]};
  blurring.category = work;
  QImage top = cardSheet(scene, {{hovered, hiddenHovered, peeked, blurring}},
                         [&](ClipboardCardView& card, const CardSample& sample) {
                           if (sample.item.id != blurring.item.id) return;
                           // A fifth of a second into hiding it, with the eye fading in on the same spring.
                           ClipboardCardView::Props props = card.props();
                           props.isSensitive = true;
                           withAnimation(Theme::springStandard(), [&] { card.setProps(props); });
                           if (auto* clock = dynamic_cast<ManualFrameClock*>(context.frameClock.get()))
                             clock->advance(0.08);
                         });

  auto* desktop = dynamic_cast<FakeDesktopAppearance*>(context.desktopAppearance.get());
  QImage bottom;
  if (desktop) {
    const DesktopPreferences before = desktop->preferences();
    DesktopPreferences solid = before;
    solid.reduceTransparency = true;
    desktop->setPreferences(solid);
    bottom = cardSheet(scene, {{{kinds[0]}, {kinds[0], true}, {kinds[4]}, {kinds[3], true, true}}});
    desktop->setPreferences(before);
  }
  QImage image = scene.canvas(top.deviceIndependentSize().width(), top.deviceIndependentSize().height() * 2);
  QPainter painter(&image);
  painter.drawImage(QPointF(0, 0), top);
  if (!bottom.isNull()) painter.drawImage(QPointF(0, top.deviceIndependentSize().height()), bottom);
  return image;
}
}  // namespace

void addCardsGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("card-content-text"), textCards);
  registry.add(QStringLiteral("card-content-color"), colorCards);
  registry.add(QStringLiteral("card-content-file"), fileCards);
  registry.add(QStringLiteral("card-content-image"), imageCards);
  registry.add(QStringLiteral("card-content-link"), linkCards);
  registry.add(QStringLiteral("card-shell-matrix"), cardMatrix);
  registry.add(QStringLiteral("card-shell-states"), cardStates);
}

}  // namespace qv
