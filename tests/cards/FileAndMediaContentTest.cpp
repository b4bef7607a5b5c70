#include "CardContentTestSupport.h"
#include "cards/content/CardContentItem.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"
#include "items/link/OGImageCache.h"
#include "items/stores/ImageStore.h"
#include "items/thumbnails/ThumbnailCache.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::FakeCardContext;
using qv::test::renderCard;
using qv::test::twoTonePicture;

TEST(FileCardContent, TagAndIconComeFromTheNameAlone) {
  FakeCardContext fake;
  auto applications = std::make_shared<FakeDesktopEntries>();
  applications->install({QStringLiteral("org.example.Editor"),
                         {},
                         QStringLiteral("Editor"),
                         QStringLiteral("editor-icon"),
                         {},
                         {},
                         QStringLiteral("Application")});
  applications->addIcon(QStringLiteral("editor-icon"), Qt::green);
  FileIcons icons(applications);
  struct Case {
    const char* name;
    bool isDirectory;
    const char* tag;
    const char* icon;  // the theme name (or application) the icon came from
  };
  const Case cases[] = {
      {"report.pdf", false, "PDF", "x-office-document"},      // application-pdf is not in the theme
      {"archive.tar.gz", false, "GZ", "package-x-generic"},   // the last extension only
      {"Makefile", false, "", "application-x-generic"},       // no extension: generic data
      {"Photos.bundle", true, "BUNDLE", "inode-directory"},   // a folder always has the folder icon
      {"", false, "", "application-x-generic"},               //
      {"", true, "", "inode-directory"},                      //
      {".bashrc", false, "", "application-x-generic"},        // a leading dot is no extension
      {"notes.TXT", false, "TXT", "text-x-generic"},          //
      {"data.qqzz", false, "QQZZ", "application-x-generic"},  // unknown extension
      {"org.example.Editor.desktop", false, "DESKTOP", "desktop:org.example.Editor"},
      {"org.example.Missing.desktop", false, "DESKTOP", "text-x-generic"},  // not installed: by type
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileCardContent::extensionTag(QString::fromUtf8(c.name)), QString::fromUtf8(c.tag));
    const FileIcons::Resolved& resolved = icons.icon(QString::fromUtf8(c.name), c.isDirectory);
    EXPECT_EQ(resolved.source, QString::fromUtf8(c.icon));
    EXPECT_FALSE(resolved.icon.isNull());
  }
  // Two items with the same name share one look-up; a folder of that name is another key.
  const int lookups = icons.lookupCount();
  icons.icon(QStringLiteral("report.pdf"), false);
  EXPECT_EQ(icons.lookupCount(), lookups);
  EXPECT_EQ(FileIcons::key(QStringLiteral("report.pdf"), true), QStringLiteral("dir:report.pdf"));
}

TEST(FileCardContent, BlockIsCentredAndReCentresWithoutASizeLine) {
  FileIcons icons;
  FileCardContent content(icons);
  const QRectF card(0, 0, 280, 240);
  content.setProps({QStringLiteral("report.pdf"), QStringLiteral("2.4 MB"), false});
  const auto withSize = content.layout(card);
  EXPECT_EQ(withSize.icon.size(), QSizeF(64, 64));
  EXPECT_NEAR(withSize.icon.top() - card.top(), card.bottom() - withSize.size.bottom(), 0.01);
  EXPECT_NEAR(withSize.tag.top(), withSize.icon.bottom() + 10, 0.01);
  EXPECT_NEAR(withSize.name.top(), withSize.tag.bottom() + 6, 0.01);
  content.setProps({QStringLiteral("Makefile"), QString(), false});
  const auto bare = content.layout(card);
  EXPECT_TRUE(bare.tag.isEmpty());
  EXPECT_TRUE(bare.size.isEmpty());
  EXPECT_NEAR(bare.icon.top() - card.top(), card.bottom() - bare.name.bottom(), 0.01);
}

TEST(ImageCardContent, FillCropCutsTheLongerSideEqually) {
  using CardContentStyle::fillCropSource;
  // A panorama thumbnail fills the height and loses its sides; a tall one loses top and bottom.
  EXPECT_EQ(fillCropSource({720, 180}, {280, 240}), QRectF(255, 0, 210, 180));
  const QRectF tall = fillCropSource({206, 720}, {280, 240});
  EXPECT_DOUBLE_EQ(tall.left(), 0);
  EXPECT_DOUBLE_EQ(tall.width(), 206);
  EXPECT_NEAR(tall.height(), 206 * 240.0 / 280, 1e-9);
  EXPECT_NEAR(tall.top(), (720 - tall.height()) / 2, 1e-9);
  EXPECT_EQ(fillCropSource({560, 480}, {280, 240}), QRectF(0, 0, 560, 480));
}

namespace {
ClipboardItem imageItem(const QImage& image = {}) {
  return ClipboardItem::make(
      QUuid::createUuid(), QStringLiteral("app"), QDateTime::currentDateTimeUtc(),
      ImagePayload{image, QStringLiteral("p.png"), image.width(), image.height(), QStringLiteral("1 KB")});
}
ClipboardItem linkItem(bool withImage) {
  std::optional<QString> og;
  if (withImage) og = QStringLiteral("https://example.com/og.png");
  return ClipboardItem::make(
      QUuid::createUuid(), QStringLiteral("app"), QDateTime::currentDateTimeUtc(),
      LinkPayload{
          Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("example.com"),
          QStringLiteral("A title long enough to wrap over several lines of the card, and then some more words, "
                         "and more words still, so that it never fits in four lines"),
          QStringLiteral("A description long enough to wrap over several lines of the card as well, on and on"), og});
}
}  // namespace

TEST(ImageCardContent, ShowsTheBarePlaceholderWhilePendingAndUnavailableOnlyWhenNothingWasFound) {
  FakeCardContext fake;
  // Stored on disk: a panorama, red on the left and blue on the right.
  const ClipboardItem stored = imageItem();
  fake.context->imageStore->save(twoTonePicture({1600, 400}, Qt::red, Qt::blue), stored.idString());
  CardContentItem card(*fake.context);
  card.setItem(stored);
  auto& content = std::get<ImageCardContent>(card.content());
  EXPECT_EQ(content.shown(), ImageCardContent::Shown::pending);
  fake.drain();
  EXPECT_EQ(content.shown(), ImageCardContent::Shown::picture);
  EXPECT_LE(content.picture().width(), ThumbnailCache::kMaximumPixelSize);
  // Cropped to the middle: red left of the centre, blue right of it, both up to the edges.
  QImage image = renderCard(2, [&](QPainter& p, const QRectF& r) { card.paintContent(p, r, fake.env()); });
  EXPECT_GT(image.pixelColor(20, 40).red(), 200);
  EXPECT_GT(image.pixelColor(540, 40).blue(), 200);
  // The next paint copies the pre-scaled picture: the same pixels.
  fake.drain();
  const QImage again = renderCard(2, [&](QPainter& p, const QRectF& r) { card.paintContent(p, r, fake.env()); });
  EXPECT_GT(again.pixelColor(20, 40).red(), 200);
  EXPECT_GT(again.pixelColor(540, 40).blue(), 200);

  // Nothing stored and nothing drawable: unavailable once the request answered.
  card.setItem(imageItem());
  EXPECT_EQ(content.shown(), ImageCardContent::Shown::pending);
  fake.drain();
  EXPECT_EQ(content.shown(), ImageCardContent::Shown::unavailable);
  // The shade darkens the lower 88 points over the placeholder.
  image = renderCard(1, [&](QPainter& p, const QRectF& r) { card.paintContent(p, r, fake.env()); });
  EXPECT_LT(image.pixelColor(140, 20).alpha(), 40);
  EXPECT_GT(image.pixelColor(140, 236).alpha(), 120);

  // A cached thumbnail shows at once and starts no background work.
  const ClipboardItem cached = imageItem(twoTonePicture({300, 200}, Qt::green, Qt::green));
  fake.context->thumbnails->thumbnailImage(cached.idString(), std::get<ImagePayload>(cached.payload)->image);
  card.setItem(cached);
  EXPECT_EQ(content.shown(), ImageCardContent::Shown::picture);
  EXPECT_EQ(fake.cardImageQueue()->pendingCount(), 0);
}

TEST(CardContentItem, AnImageOrPreviewArrivingAfterTheCardMovedOnIsCachedButNotShown) {
  for (const bool link : {false, true}) {
    SCOPED_TRACE(link ? "link" : "image");
    FakeCardContext fake;
    const ClipboardItem first = link ? linkItem(true) : imageItem();
    if (link) fake.context->ogImageCache->save(twoTonePicture({280, 146}, Qt::red, Qt::red), first.idString());
    else fake.context->imageStore->save(twoTonePicture({300, 200}, Qt::red, Qt::red), first.idString());
    CardContentItem card(*fake.context);
    int changes = 0;
    QObject::connect(&card, &CardContentItem::contentChanged, [&] { ++changes; });
    card.setItem(first);
    // Given another item before the first answer arrives: one that needs no request (a
    // cached green thumbnail, a link without a preview image), so the old answer comes last.
    const ClipboardItem second = link ? linkItem(false) : imageItem();
    if (!link)
      fake.context->thumbnails->thumbnailImage(second.idString(), twoTonePicture({300, 200}, Qt::green, Qt::green));
    card.setItem(second);
    fake.drain();
    fake.clock->advanceFrames(120);
    if (link) {
      EXPECT_FALSE(std::get<LinkCardContent>(card.content()).hasPreviewImage());
      EXPECT_EQ(std::get<LinkCardContent>(card.content()).imageProgress(), 0);
    } else {
      EXPECT_TRUE(fake.context->thumbnails->contains(first.idString()));
    }
    EXPECT_EQ(changes, 0);
    const QImage image = renderCard(1, [&](QPainter& p, const QRectF& r) { card.paintContent(p, r, fake.env()); });
    EXPECT_GT(image.pixelColor(140, 60).green(), 150);  // never the first item's red picture
  }
}

TEST(LinkCardContent, BandsAndLineLimitsWithAndWithoutThePreviewImage) {
  FakeCardContext fake;
  const ClipboardItem item = linkItem(true);
  fake.context->ogImageCache->save(twoTonePicture({560, 292}, Qt::red, Qt::blue), item.idString());
  CardContentItem card(*fake.context);
  card.setItem(item);
  auto& content = std::get<LinkCardContent>(card.content());
  const QRectF rect(0, 0, 280, 240);
  auto before = content.layout(rect);
  EXPECT_EQ(before.band, QRectF(0, 0, 280, 40));
  EXPECT_NEAR(before.favicon.center().y(), 40 + std::max(16.0, before.domain.height()) / 2, 0.01);
  EXPECT_EQ(before.favicon.size(), QSizeF(16, 16));
  EXPECT_EQ(before.favicon.left(), 14);
  EXPECT_EQ(before.domain.left(), 36);
  EXPECT_EQ(before.titleLines, 4);
  EXPECT_GE(before.descriptionLines, 2);
  EXPECT_LE(before.description.bottom(), 240 - 46);

  fake.drain();
  ASSERT_TRUE(content.hasPreviewImage());
  fake.clock->advanceFrames(3);
  const double early = content.imageProgress();
  EXPECT_GT(early, 0);
  EXPECT_LT(early, 1);  // springs in
  fake.clock->advanceFrames(120);
  fake.drain();
  auto after = content.layout(rect);
  EXPECT_EQ(after.band, QRectF(0, 0, 280, 146));
  EXPECT_NEAR(after.favicon.center().y(), 154 + std::max(16.0, after.domain.height()) / 2, 0.01);
  EXPECT_EQ(after.titleLines, 1);        // two allowed; one fits above the free bottom
  EXPECT_EQ(after.descriptionLines, 0);  // no line fits above the free bottom
  const QImage image = renderCard(1, [&](QPainter& p, const QRectF& r) { card.paintContent(p, r, fake.env()); });
  EXPECT_GT(image.pixelColor(40, 60).red(), 200);
  EXPECT_LT(image.pixelColor(240, 60).red(), 60);
  EXPECT_GT(image.pixelColor(240, 144).red(), 200);  // faded out at the band's bottom

  // Under reduce motion the band is there at once.
  fake.reduceMotion().startObserving();
  fake.desktopAppearance->setReduceMotion(true);
  card.setItem(linkItem(true));
  fake.context->ogImageCache->save(twoTonePicture({10, 10}, Qt::red, Qt::blue),
                                   std::get<LinkCardContent>(card.content()).props().itemId);
  fake.drain();
  EXPECT_EQ(content.imageProgress(), 1);
}

TEST(CardContentItem, ChoosesTheViewByPayloadAndRepaintsOnlyOnChange) {
  FakeCardContext fake;
  CardContentItem card(*fake.context);
  ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("app"), QDateTime::currentDateTimeUtc(),
                                           ColorPayload{QStringLiteral("#112233"), 17, 34, 51});
  item.contentType = ContentType::text;  // the payload decides
  EXPECT_TRUE(card.setItem(item));
  EXPECT_TRUE(std::holds_alternative<ColorCardContent>(card.content()));
  EXPECT_FALSE(card.setItem(item));
  item.payload = FilePayload{QStringLiteral("Photos"), QString(),
                             Url::fromLocalFile(QStringLiteral("/home/me/Photos/"))};
  EXPECT_TRUE(card.setItem(item));
  EXPECT_TRUE(std::get<FileCardContent>(card.content()).props().isDirectory);
  EXPECT_EQ(card.size(), QSizeF(280, 240));
}
