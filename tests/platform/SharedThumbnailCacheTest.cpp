#include "platform/SharedThumbnailCache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

namespace qv {
namespace {

int modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
  return int(info.st_mode & 0777);
}

QImage picture(QSize size, QColor color = QColor(200, 60, 40)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

// An entry as another program would write it: the picture with whatever keys it was given.
void writeEntry(const QString& path, const QImage& image, const QMap<QString, QString>& keys) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QImage tagged = image;
  for (auto it = keys.begin(); it != keys.end(); ++it) tagged.setText(it.key(), it.value());
  ASSERT_TRUE(tagged.save(path, "png"));
}

TEST(SharedThumbnailCacheNames, FileUrisKeepOnlyThePathCharactersAndHashToTheirEntryName) {
  const struct {
    QString path;
    QByteArray uri;
  } cases[] = {
      {"/home/jens/photos/me.png", "file:///home/jens/photos/me.png"},
      {"/tmp/a b/c.txt", "file:///tmp/a%20b/c.txt"},
      {"/x/it's (1)!$&+,=:@~_.-", "file:///x/it's%20(1)!$&+,=:@~_.-"},
      {"/x/a;b#c?d%e[f]", "file:///x/a%3Bb%23c%3Fd%25e%5Bf%5D"},
      {"/x/\"quoted\"\nline", "file:///x/%22quoted%22%0Aline"},
      {QString::fromUtf8("/x/caf\u00e9"), "file:///x/caf%C3%A9"},
  };
  for (const auto& c : cases) EXPECT_EQ(SharedThumbnailCache::fileUri(c.path), c.uri) << c.path.toStdString();
  // The standard's own example.
  EXPECT_EQ(SharedThumbnailCache::entryName("file:///home/jens/photos/me.png"),
            QStringLiteral("c6ee772d9e49320e97ec29a7eb5b1697.png"));
}

TEST(SharedThumbnailCacheNames, TheSmallestSizeThatCoversTheRequestIsChosen) {
  const struct {
    QSize request;
    QString folder;
  } cases[] = {
      {{100, 40}, "normal"},   {{128, 128}, "normal"},   {{129, 10}, "large"},
      {{300, 512}, "x-large"}, {{840, 640}, "xx-large"}, {{4000, 3000}, "xx-large"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(QLatin1String(SharedThumbnailCache::sizeCovering(c.request).folder), c.folder)
        << c.request.width() << "x" << c.request.height();
}

struct SharedThumbnailCacheFixture : ::testing::Test {
  QTemporaryDir home;
  SharedThumbnailCache cache{home.path() + QStringLiteral("/cache/thumbnails")};
  QByteArray uri = SharedThumbnailCache::fileUri(QStringLiteral("/data/photo.jpg"));
  qint64 mtime = 1700000000;
  const SharedThumbnailCache::Size& xxLarge = SharedThumbnailCache::kSizes[3];
  const SharedThumbnailCache::Size& large = SharedThumbnailCache::kSizes[1];
};

TEST_F(SharedThumbnailCacheFixture, AWrittenEntryIsFoundAgainPrivateAndTagged) {
  ASSERT_TRUE(cache.store(uri, mtime, picture({2000, 1000}), xxLarge, QStringLiteral("image/jpeg")));
  const QString entry = cache.entryPath(uri, xxLarge);
  EXPECT_EQ(modeOf(entry), 0600);
  EXPECT_EQ(modeOf(QFileInfo(entry).absolutePath()), 0700);
  const QImage written(entry);
  EXPECT_EQ(written.size(), QSize(1024, 512));  // brought down to its folder's size
  EXPECT_EQ(written.text("Thumb::URI"), QString::fromLatin1(uri));
  EXPECT_EQ(written.text("Thumb::MTime"), QStringLiteral("1700000000"));
  EXPECT_EQ(written.text("Thumb::Mimetype"), QStringLiteral("image/jpeg"));
  EXPECT_EQ(written.text("Software"), QStringLiteral("Quorvalen"));
  const std::optional<QImage> found = cache.find(uri, mtime, xxLarge);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->size(), QSize(1024, 512));
  // A smaller request takes the larger entry when its own size has none.
  EXPECT_TRUE(cache.find(uri, mtime, large));
}

TEST_F(SharedThumbnailCacheFixture, EntriesThatDoNotStandForTheFileAsItIsAreRefused) {
  const QString path = cache.entryPath(uri, large);
  const QString mtimeText = QString::number(mtime);
  const struct {
    const char* name;
    QMap<QString, QString> keys;
    QSize size;
    bool taken;
  } cases[] = {
      {"matching", {{"Thumb::URI", QString::fromLatin1(uri)}, {"Thumb::MTime", mtimeText}}, {256, 100}, true},
      {"fractional mtime",
       {{"Thumb::URI", QString::fromLatin1(uri)}, {"Thumb::MTime", mtimeText + ".5"}},
       {256, 100},
       true},
      {"older file", {{"Thumb::URI", QString::fromLatin1(uri)}, {"Thumb::MTime", "1600000000"}}, {256, 100}, false},
      {"another file", {{"Thumb::URI", "file:///data/other.jpg"}, {"Thumb::MTime", mtimeText}}, {256, 100}, false},
      {"no mtime", {{"Thumb::URI", QString::fromLatin1(uri)}}, {256, 100}, false},
      {"no uri", {{"Thumb::MTime", mtimeText}}, {256, 100}, false},
      {"too large for its folder",
       {{"Thumb::URI", QString::fromLatin1(uri)}, {"Thumb::MTime", mtimeText}},
       {300, 100},
       false},
  };
  for (const auto& c : cases) {
    writeEntry(path, picture(c.size), c.keys);
    EXPECT_EQ(cache.find(uri, mtime, large).has_value(), c.taken) << c.name;
  }
}

TEST_F(SharedThumbnailCacheFixture, CorruptOrOversizedEntriesAreRefusedWithoutDecodingThem) {
  const QString path = cache.entryPath(uri, large);
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QByteArray corrupt[] = {
      QByteArray(),
      QByteArray("\x89PNG\r\n\x1a\nnot a picture"),
      QByteArray("plain text"),
      QByteArray(SharedThumbnailCache::kMaximumFileBytes + 1, 'x'),
  };
  for (const QByteArray& bytes : corrupt) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    EXPECT_FALSE(cache.find(uri, mtime, large)) << bytes.size();
  }
  // A good entry replaces the corrupt one.
  ASSERT_TRUE(cache.store(uri, mtime, picture({100, 50}), large));
  EXPECT_TRUE(cache.find(uri, mtime, large));
}

TEST_F(SharedThumbnailCacheFixture, ModificationTimesAreWholeSecondsAndFilesInsideTheCacheAreKnown) {
  const QString file = home.filePath(QStringLiteral("doc.txt"));
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.close();
  utimbuf times{1234567890, 1234567890};
  ASSERT_EQ(::utime(QFile::encodeName(file).constData(), &times), 0);
  EXPECT_EQ(SharedThumbnailCache::modificationTime(file), 1234567890);
  EXPECT_FALSE(SharedThumbnailCache::modificationTime(home.filePath(QStringLiteral("missing"))));
  EXPECT_TRUE(cache.contains(cache.root() + QStringLiteral("/large/x.png")));
  EXPECT_FALSE(cache.contains(file));
  EXPECT_FALSE(cache.contains(cache.root() + QStringLiteral("-other/x.png")));
}

}  // namespace
}  // namespace qv
