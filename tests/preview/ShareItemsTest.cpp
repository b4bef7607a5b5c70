#include "PreviewTestSupport.h"
#include "items/model/ClipboardItem.h"
#include "items/stores/ImageStore.h"
#include "preview/ShareItems.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::PreviewContext;

ClipboardItem itemOf(ClipboardPayload payload) {
  return ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                             QDateTime::currentDateTimeUtc(), std::move(payload));
}

TEST(ShareItems, EachKindGoesAsTheDesktopTakesIt) {
  PreviewContext context;
  const ImageStore& images = *context.services->imageStore;
  const QUrl page(QStringLiteral("https://example.org/a?b=1"));
  const QUrl file = QUrl::fromLocalFile(QStringLiteral("/home/me/report \"final\".pdf"));
  const std::pair<ClipboardPayload, QList<ShareItem>> cases[] = {
      {ColorPayload{"#5A5DC1", 90, 93, 193}, {ShareItem::ofText("#5A5DC1")}},
      {TextPayload{"hello\r\nworld"}, {ShareItem::ofText("hello\r\nworld")}},
      {CodePayload{"let a = 1", "Swift"}, {ShareItem::ofText("let a = 1")}},
      {LinkPayload{Url::fromQUrl(page), "example.org", {}, {}, {}}, {ShareItem::ofLink(page)}},
      {FilePayload{"report.pdf", "1 MB", Url::fromQUrl(file)}, {ShareItem::ofFile(file)}},
      {FilePayload{"report.pdf", "1 MB", std::nullopt}, {ShareItem::ofText("report.pdf")}},
      {ImagePayload{QImage(), "gone.png", 10, 10, ""}, {}},
  };
  for (const auto& [payload, expected] : cases) EXPECT_EQ(shareItems(itemOf(payload), images), expected);
}

TEST(ShareItems, AnImageGoesFromMemoryOrAsItsStoredFileWithoutDecodingIt) {
  PreviewContext context;
  const ImageStore& images = *context.services->imageStore;
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::red);
  const ClipboardItem fresh = itemOf(ImagePayload{picture, "shot.png", 40, 30, ""});
  EXPECT_EQ(shareItems(fresh, images), QList<ShareItem>{ShareItem::ofImage(picture)});
  ASSERT_TRUE(images.save(picture, fresh.idString()));
  const ClipboardItem loaded = ClipboardItem::make(fresh.id, fresh.sourceAppBundleID, fresh.capturedAt,
                                                   ImagePayload{QImage(), "shot.png", 40, 30, ""});
  const QList<ShareItem> shared = shareItems(loaded, images);
  ASSERT_EQ(shared.size(), 1);
  EXPECT_TRUE(shared.first().image.isNull());
  EXPECT_EQ(shared.first().imageFile, images.filePath(fresh.idString()));
}

}  // namespace
}  // namespace qv
