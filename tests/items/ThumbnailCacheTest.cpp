#include "items/ItemServices.h"
#include "items/stores/ImageStore.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "support/SideFileHelpers.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QThread>

namespace qv {
namespace {

const QString kID = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
const QString kOther = QStringLiteral("11111111-2222-3333-4444-555555555555");

QImage solid(int w, int h, QColor color = Qt::red) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

struct ThumbnailCacheTest : ::testing::Test {
  FakeItemContext fake;
  ThumbnailCache& cache() { return *fake.context->thumbnails; }
  ImageStore& images() { return *fake.context->imageStore; }
  void SetUp() override { installItemServices(*fake.context); }
};

TEST_F(ThumbnailCacheTest, FileThumbnailIsBoundedAndCached) {
  ASSERT_TRUE(images().save(solid(2000, 1000), kID));
  const auto first = cache().thumbnailImage(kID);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), QSize(720, 360));
  EXPECT_EQ(first->devicePixelRatio(), 1.0);

  ASSERT_TRUE(QFile::remove(images().filePath(kID)));
  const auto second = cache().thumbnailImage(kID);  // from memory: the file is not read again
  ASSERT_TRUE(second);
  EXPECT_EQ(second->size(), QSize(720, 360));

  ASSERT_TRUE(images().save(solid(300, 200), kOther));
  EXPECT_EQ(cache().thumbnailImage(kOther)->size(), QSize(300, 200));  // never scaled up
}

TEST_F(ThumbnailCacheTest, NothingWithoutFileOrFallbackAndALaterRequestRetries) {
  EXPECT_FALSE(cache().thumbnailImage(kID));
  EXPECT_FALSE(cache().contains(kID));
  ASSERT_TRUE(images().save(solid(10, 10, Qt::green), kID));
  const auto later = cache().thumbnailImage(kID);
  ASSERT_TRUE(later);
  EXPECT_EQ(later->pixelColor(5, 5), QColor(Qt::green));
}

TEST_F(ThumbnailCacheTest, FallbackAbove900PointsIsDownsampledOtherwiseUsedAsIs) {
  const auto wide = cache().thumbnailImage(kID, solid(901, 10));
  ASSERT_TRUE(wide);
  EXPECT_LE(std::max(wide->width(), wide->height()), 720);
  EXPECT_EQ(wide->width(), 720);

  QImage square = solid(900, 900, Qt::blue);
  const auto same = cache().thumbnailImage(kOther, square);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->size(), QSize(900, 900));
  EXPECT_EQ(same->cacheKey(), square.cacheKey());  // not re-encoded

  // A 1800-pixel image at 2x is 900 points: used as it is.
  QImage retina = solid(1800, 1800);
  retina.setDevicePixelRatio(2.0);
  EXPECT_EQ(cache().thumbnailImage(QStringLiteral("22222222-2222-3333-4444-555555555555"), retina)->size(),
            QSize(1800, 1800));

  EXPECT_FALSE(cache().thumbnailImage(QStringLiteral("33333333-2222-3333-4444-555555555555"), QImage()));
}

TEST_F(ThumbnailCacheTest, PurgeDropsOnlyIdsOutsideTheKeptSet) {
  ASSERT_TRUE(images().save(solid(10, 10), kID));
  ASSERT_TRUE(images().save(solid(10, 10), kOther));
  ASSERT_TRUE(cache().thumbnailImage(kID));
  ASSERT_TRUE(cache().thumbnailImage(kOther));

  cache().purgeThumbnails({kID, kOther});
  EXPECT_TRUE(cache().contains(kID));
  EXPECT_TRUE(cache().contains(kOther));

  cache().purgeThumbnails({kID});
  EXPECT_TRUE(cache().contains(kID));
  EXPECT_FALSE(cache().contains(kOther));
  ASSERT_TRUE(QFile::remove(images().filePath(kOther)));
  EXPECT_FALSE(cache().thumbnailImage(kOther));  // the file is read again, and it is gone

  cache().purgeThumbnails({});
  EXPECT_FALSE(cache().contains(kID));
}

TEST_F(ThumbnailCacheTest, KeepsAtMost120) {
  for (int i = 0; i < 130; ++i) ASSERT_TRUE(cache().thumbnailImage(QStringLiteral("ID-%1").arg(i), solid(2, 2)));
  int held = 0;
  for (int i = 0; i < 130; ++i) held += cache().contains(QStringLiteral("ID-%1").arg(i)) ? 1 : 0;
  EXPECT_EQ(held, ThumbnailCache::kCountLimit);
}

TEST_F(ThumbnailCacheTest, BadFilesGiveNothingAndHugeFilesStayBounded) {
  ASSERT_TRUE(test::writeTestFile(images().filePath(kID), "garbage"));
  EXPECT_FALSE(cache().thumbnailImage(kID));
  ASSERT_TRUE(test::writeTestFile(images().filePath(kOther), QByteArray()));
  EXPECT_FALSE(cache().thumbnailImage(kOther));

  const QString huge = QStringLiteral("22222222-2222-3333-4444-555555555555");
  ASSERT_TRUE(test::writeHugePng(images().filePath(huge)));
  EXPECT_FALSE(cache().thumbnailImage(huge));  // beyond the decoding bound: unreadable
  EXPECT_FALSE(cache().contains(huge));
}

TEST_F(ThumbnailCacheTest, ConcurrentRequestsAndPurges) {
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(images().save(solid(50, 40), QStringLiteral("ID-%1").arg(i)));
  std::vector<std::unique_ptr<QThread>> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back(QThread::create([this, t] {
      for (int round = 0; round < 50; ++round) {
        const auto image = cache().thumbnailImage(QStringLiteral("ID-%1").arg((round + t) % 8));
        EXPECT_TRUE(image && image->size() == QSize(50, 40));
        if (round % 10 == t) cache().purgeThumbnails({QStringLiteral("ID-0")});
      }
    }));
    threads.back()->start();
  }
  for (auto& thread : threads) thread->wait();
}

}  // namespace
}  // namespace qv
