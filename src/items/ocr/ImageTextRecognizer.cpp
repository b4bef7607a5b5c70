#include "items/ocr/ImageTextRecognizer.h"

#include "items/stores/ImageStore.h"
#include "platform/ImageDecoder.h"
#include "platform/OcrEngine.h"
#include "platform/Paths.h"
#include "platform/Scheduler.h"
#include "platform/SerialQueue.h"

#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace qv {

ImageTextRecognizer::ImageTextRecognizer(const Paths& paths, std::shared_ptr<ImageStore> images,
                                         std::shared_ptr<OcrEngine> engine, std::shared_ptr<SerialQueue> queue,
                                         std::shared_ptr<Scheduler> scheduler)
    : folder_(paths.applicationSupport(), QStringLiteral("imagetext")),
      images_(std::move(images)),
      engine_(std::move(engine)),
      queue_(std::move(queue)),
      scheduler_(std::move(scheduler)) {}

QString ImageTextRecognizer::directory() const { return folder_.ensure(); }

QString ImageTextRecognizer::textPath(const QString& id) const { return folder_.filePath(id, QStringLiteral("txt")); }

bool ImageTextRecognizer::hasStoredText(const QString& id) const { return QFileInfo(textPath(id)).isFile(); }

void ImageTextRecognizer::schedule(const QString& id, std::function<void()> completion, const QImage& captured) {
  if (hasStoredText(id)) return;
  const auto queue = queue_.lock();
  if (!queue) return;
  queue->async([weakSelf = weak_from_this(), imagePath = images_->filePath(id), captured, id,
                completion = std::move(completion)]() mutable {
    const auto self = weakSelf.lock();
    if (!self) return;
    if (captured.isNull()) self->recognize(imagePath, id, std::move(completion));
    else self->recognize(captured, id, std::move(completion));
  });
}

QSize ImageTextRecognizer::recognitionSize(const QSize& size) {
  if (!size.isValid() || size.isEmpty()) return size;
  double scale = std::min(1.0, double(kMaximumSide) / std::max(size.width(), size.height()));
  const double pixels = double(size.width()) * size.height() * scale * scale;
  if (pixels > double(kMaximumPixels)) scale *= std::sqrt(double(kMaximumPixels) / pixels);
  if (scale >= 1.0) return size;
  return QSize(std::max(1, int(size.width() * scale)), std::max(1, int(size.height() * scale)));
}

std::optional<QImage> ImageTextRecognizer::readImage(const QString& path) {
  PictureFile file(path);
  QImageReader& reader = file.reader();
  reader.setAutoTransform(true);
  useImageAllocationLimit();
  const QSize size = reader.size();
  if (const QSize scaled = recognitionSize(size); scaled != size) reader.setScaledSize(scaled);
  QImage image = reader.read();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return std::nullopt;
  return image;
}

void ImageTextRecognizer::recognize(const QString& imagePath, const QString& id, std::function<void()> completion) {
  // The image may not be stored yet: leave no text file, so a later schedule tries again.
  if (!QFileInfo(imagePath).isFile()) {
    if (completion) scheduler_->post(std::move(completion));
    return;
  }
  std::optional<QStringList> lines = QStringList();
  if (const auto image = readImage(imagePath)) lines = engine_->recognizeLines(*image);
  if (lines) store(id, lines->join(u'\n'), std::move(completion));
}

void ImageTextRecognizer::recognize(const QImage& captured, const QString& id, std::function<void()> completion) {
  std::optional<QStringList> lines = QStringList();
  if (captured.width() > 0 && captured.height() > 0) {
    const QSize size = recognitionSize(captured.size());
    const QImage image = size == captured.size()
                             ? captured
                             : captured.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    lines = engine_->recognizeLines(image);
  }
  if (lines) store(id, lines->join(u'\n'), std::move(completion));
}

void ImageTextRecognizer::store(const QString& id, const QString& text, std::function<void()> completion) {
  if (!folder_.ensure().isEmpty()) writeFileAtomically(textPath(id), text.toUtf8());
  {
    std::lock_guard lock(cacheLock_);
    cache_.remove(id);
  }
  if (completion) scheduler_->post(std::move(completion));
}

std::optional<QString> ImageTextRecognizer::text(const QString& id) {
  {
    std::lock_guard lock(cacheLock_);
    if (const auto cached = cache_.constFind(id); cached != cache_.constEnd()) return cached.value();
  }
  // A FIFO or a device in place of the text neither holds up the search nor fills the memory.
  const std::optional<QByteArray> bytes = readRegularFile(textPath(id), readLimit::kImageTextBytes);
  if (!bytes) return std::nullopt;
  QString text = QString::fromUtf8(*bytes);
  std::lock_guard lock(cacheLock_);
  cache_.insert(id, text);
  return text;
}

void ImageTextRecognizer::removeOrphans(const QSet<QString>& keepIDs) {
  folder_.removeEntries([&](const QString& name) { return isSideFileOf(name, keepIDs, {"txt"}); });
  std::lock_guard lock(cacheLock_);
  cache_.removeIf([&](const QHash<QString, QString>::iterator it) { return !keepIDs.contains(it.key()); });
}

}  // namespace qv
