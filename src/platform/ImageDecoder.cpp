#include "platform/ImageDecoder.h"

#include "base/Log.h"
#include "platform/Paths.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace qv {

void useImageAllocationLimit() {
  // A function-local static: the first caller sets it, every other waits until it is set.
  static const bool set = [] {
    QImageReader::setAllocationLimit(kImageAllocationLimitMB);
    return true;
  }();
  Q_UNUSED(set);
}

namespace {

bool transposes(QImageIOHandler::Transformations transformation) {
  return transformation & QImageIOHandler::TransformationRotate90;
}

std::optional<DecodedImageFile> readImage(QImageReader& reader, qint64 largestPixels) {
  useImageAllocationLimit();
  reader.setAutoTransform(true);
  // The size before orientation: scaling applies to the picture as stored.
  const QSize stored = reader.size();
  QSize fileSize = stored;
  if (stored.isValid() && !stored.isEmpty()) {
    const double pixels = double(stored.width()) * stored.height();
    if (pixels > double(largestPixels)) {
      // In eighths, the steps a JPEG decodes at directly (any finer size is decoded larger and
      // scaled after): a 48-megapixel photo is read at half size, with nothing scaled twice.
      const int eighths = std::max(1, int(std::floor(8 * std::sqrt(double(largestPixels) / pixels))));
      const auto side = [eighths](int length) { return std::max(1, (length * eighths + 7) / 8); };
      reader.setScaledSize(QSize(side(stored.width()), side(stored.height())));
    }
    if (transposes(reader.transformation())) fileSize.transpose();
  }
  QImage image = reader.read();
  if (image.isNull() || image.width() < 1) return std::nullopt;
  if (!fileSize.isValid() || fileSize.isEmpty()) fileSize = image.size();
  return DecodedImageFile{std::move(image), fileSize};
}

}  // namespace

std::optional<DecodedImageFile> decodeImageFile(const QString& path, qint64 largestPixels) {
  return decodeImageFile(path, largestPixels, {});
}

std::optional<DecodedImageFile> decodeImageFile(const QString& path, qint64 largestPixels,
                                                const std::function<void()>& opened) {
  // Opened without blocking and checked through the descriptor: a FIFO named like a picture
  // must not hold up the queue.
  QString error;
  const RegularFile regular = RegularFile::open(path, readLimit::kPictureFileBytes, &error);
  if (!regular.isOpen() || regular.size() == 0) {
    if (regular.isOpen() || !error.isEmpty()) qCInfo(lcPlatform).noquote() << "Picture file not read:" << path << error;
    return std::nullopt;
  }
  if (opened) opened();
  // A private copy, never a mapping: the file is another program's, and pages of a mapping that
  // program cuts short (an editor saving over it, a download restarted) fault when read.
  const std::optional<QByteArray> copy = regular.readAll();
  if (!copy) {
    qCInfo(lcPlatform).noquote() << "Picture file changed while it was read:" << path;
    return std::nullopt;
  }
  QByteArray bytes = *copy;
  // Read by its content, then by the type its extension names when the content alone does not tell.
  std::optional<DecodedImageFile> image;
  for (const QByteArray& format : {QByteArray(), QFileInfo(path).suffix().toLower().toLatin1()}) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    if ((image = readImage(reader, largestPixels))) break;
    if (format.isEmpty() && QFileInfo(path).suffix().isEmpty()) break;
  }
  return image;
}

PictureFile::PictureFile(const QString& path, qint64 maximumBytes)
    : file_(RegularFile::open(path, maximumBytes)), device_(path) {
  // The device keeps the path as its name: the reader takes the extension as a hint it then
  // checks against the content (a format set outright would not be checked).
  if (file_.isOpen() && device_.open(file_.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    reader_.setDevice(&device_);
  useImageAllocationLimit();
}

}  // namespace qv
