#include "items/ItemServices.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "support/FifoWithDeadline.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {
namespace {

constexpr auto kID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

QImage solid(QColor color, int w = 4, int h = 3) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

TEST(ImageStore, SaveIfAbsentNeverReplaces) {
  FakeItemContext fake;
  installItemServices(*fake.context);
  const ImageStore& store = *fake.context->imageStore;
  const QString id = QString::fromLatin1(kID);
  EXPECT_TRUE(store.load(id).isNull());
  ASSERT_TRUE(store.save(solid(Qt::red), id));
  EXPECT_TRUE(store.save(solid(Qt::blue, 9, 9), id));  // exists: true, untouched
  const QImage loaded = store.load(id);
  EXPECT_EQ(loaded.size(), QSize(4, 3));
  EXPECT_EQ(loaded.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_FALSE(store.save(QImage(), QStringLiteral("00000000-0000-0000-0000-000000000000")));
  EXPECT_FALSE(ImageStore::pngData(QImage(0, 0, QImage::Format_ARGB32)));
}

TEST(ImageStore, OrphanRemovalKeepsOnlyKeptPngNames) {
  FakeItemContext fake;
  ImageStore store(*fake.context->paths);
  const QString keep = QString::fromLatin1(kID);
  const QString gone = QStringLiteral("11111111-2222-3333-4444-555555555555");
  ASSERT_TRUE(store.save(solid(Qt::green), keep));
  ASSERT_TRUE(store.save(solid(Qt::green), gone));
  QFile stray(store.directory() + QStringLiteral("/notes.txt"));
  ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
  stray.close();
  QDir(store.directory()).mkdir(QStringLiteral("sub"));
  store.removeOrphans({keep});
  EXPECT_EQ(QDir(store.directory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{keep + QStringLiteral(".png")});
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// A FIFO where a side file should be (a paste reads the rich text, a card the picture, a start
// the bookmarks) reads as no file, at once.
TEST(SideFileStores, AFifoAtASideFilesPathReadsAsNoFile) {
  FakeItemContext fake;
  installItemServices(*fake.context);
  const QString id = QString::fromLatin1(kID);
  const QString paths[] = {fake.context->imageStore->directory() + u'/' + id + QStringLiteral(".png"),
                           fake.context->richTextStore->directory() + u'/' + id + QStringLiteral(".html"),
                           fake.context->fileBookmarkStore->directory() + u'/' + id + QStringLiteral(".bookmark")};
  std::vector<std::unique_ptr<test::FifoWithDeadline>> fifos;
  for (const QString& path : paths) {
    fifos.push_back(std::make_unique<test::FifoWithDeadline>(path));
    ASSERT_TRUE(fifos.back()->isMade()) << path.toStdString();
  }
  EXPECT_TRUE(fake.context->imageStore->load(id).isNull());
  EXPECT_FALSE(fake.context->richTextStore->read(id));
  EXPECT_TRUE(
      fake.context->fileBookmarkStore->resolveAll({{id, QUrl::fromLocalFile(QStringLiteral("/tmp/x"))}}).isEmpty());
}

}  // namespace
}  // namespace qv
