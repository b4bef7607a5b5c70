#include "items/thumbnails/ThumbnailCache.h"
#include "platform/SharedThumbnailCache.h"
#include "preview/DownsampledImageView.h"
#include "support/PathSwappedForFifo.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <functional>

namespace qv {
namespace {

// Every reader of a picture at a path it does not own (a copied file, an entry of the desktop's
// shared thumbnail cache) opens it without blocking and reads what it opened: a FIFO put there,
// for good or between a look at the path and its opening, holds up no queue.
struct PictureReader {
  const char* name;
  std::function<bool(const QString& path)> read;  // whether a picture came back
};

void PrintTo(const PictureReader& reader, std::ostream* out) { *out << reader.name; }

class PictureFileReaders : public ::testing::TestWithParam<PictureReader> {};

// With the keys the shared cache names its entries' files by.
QByteArray smallPng() {
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(Qt::red);
  picture.setText(QStringLiteral("Thumb::URI"), QStringLiteral("file:///a.png"));
  picture.setText(QStringLiteral("Thumb::MTime"), QStringLiteral("1"));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return bytes;
}

TEST_P(PictureFileReaders, ReadAPictureAndNeverBlockOnAFifo) {
  QTemporaryDir folder;
  const QString picture = folder.filePath(QStringLiteral("picture.png"));
  QFile file(picture);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(smallPng());
  file.close();
  EXPECT_TRUE(GetParam().read(picture));
  test::PathSwappedForFifo swapped(folder.path(), smallPng());
  EXPECT_TRUE(swapped.readsWithoutBlocking([&] { GetParam().read(swapped.path()); }, 5'000))
      << "a read blocked on a FIFO put at the path";
}

INSTANTIATE_TEST_SUITE_P(
    Readers, PictureFileReaders,
    ::testing::Values(
        PictureReader{"file_thumbnail",
                      [](const QString& path) { return ThumbnailCache::scaledImageOfFile(path, 64).has_value(); }},
        PictureReader{"downsampled_picture",
                      [](const QString& path) { return DownsampledImageView::readPicture(path, {}, 64).has_value(); }},
        PictureReader{"shared_cache_entry",
                      [](const QString& path) {
                        return SharedThumbnailCache::readEntry(path, "file:///a.png", 1, 64).has_value();
                      }}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace qv
