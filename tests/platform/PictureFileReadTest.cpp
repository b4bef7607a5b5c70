// A copied picture file is read into memory of the program's own, within a bound: another
// program changing it while it is read (an editor saving over it, a download restarted) gives a
// clear outcome, never a fault.
#include "platform/ImageDecoder.h"
#include "support/PeakMemory.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>

namespace qv {
namespace {

// Noise, so that the file is as large as the picture (some 900 KB).
QByteArray noisePng() {
  QImage image(640, 480, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, random.generate());
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

bool resize(const QString& path, qint64 size) { return QFile::resize(path, size); }

TEST(PictureFileRead, AFileChangedAfterItWasOpenedIsReadAsItWasOrNotAtAll) {
  const QByteArray png = noisePng();
  ASSERT_GT(png.size(), 256 * 1024);
  const struct {
    const char* change;
    std::function<bool(const QString&)> apply;
    bool pictureRead;
  } rows[] = {
      {"cut to 4 KB", [](const QString& path) { return resize(path, 4096); }, false},
      {"cut to nothing", [](const QString& path) { return resize(path, 0); }, false},
      {"cut by one byte", [&png](const QString& path) { return resize(path, png.size() - 1); }, false},
      {"grown at its end",
       [](const QString& path) {
         QFile file(path);
         return file.open(QIODevice::Append) && file.write(QByteArray(8192, 'x')) == 8192;
       },
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.change);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(png) == png.size());
    file.close();
    bool changed = false;
    const std::optional<DecodedImageFile> decoded = decodeImageFile(path, kLargestCopiedPixels,
                                                                    [&] { changed = row.apply(path); });
    ASSERT_TRUE(changed);
    ASSERT_EQ(decoded.has_value(), row.pictureRead);
    if (decoded) {
      EXPECT_EQ(decoded->image.size(), QSize(640, 480));
    }
  }
}

// Above the bound a file is not read at all: a 600 MB file named like a picture takes no memory.
TEST(PictureFileRead, AFileAboveThePictureBoundIsNotRead) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("huge.png"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(noisePng()) > 0 && file.resize(qint64(600) << 20));
  file.close();
  const test::PeakMemory memory;
  EXPECT_FALSE(decodeImageFile(path));
  if (memory.isAvailable()) {
    EXPECT_LT(memory.growthBytes(), qint64(64 << 20) * test::kSanitizerMemoryFactor);
  }
}

}  // namespace
}  // namespace qv
