#include "items/thumbnails/ThumbnailCache.h"

#include "items/stores/ImageStore.h"
#include "platform/ImageDecoder.h"

#include <QFileInfo>
#include <QImageReader>

namespace qv {

namespace {
QSize boundedSize(QSize size, int longest) {
  if (std::max(size.width(), size.height()) <= longest) return size;
  return size.scaled(longest, longest, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}
}  // namespace

ThumbnailCache::ThumbnailCache(std::shared_ptr<ImageStore> images) : images_(std::move(images)), cache_(kCountLimit) {}

std::optional<QImage> ThumbnailCache::thumbnailOfFile(const QString& path) {
  return scaledImageOfFile(path, kMaximumPixelSize);
}

std::optional<QImage> ThumbnailCache::scaledImageOfFile(const QString& path, int maximumPixelSize) {
  if (maximumPixelSize < 1) return std::nullopt;
  PictureFile file(path);
  QImageReader& reader = file.reader();
  reader.setAutoTransform(true);
  QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) return std::nullopt;
  // The size before orientation: a transposing orientation swaps it, which does not change
  // the longer side that the bound applies to.
  const QSize target = boundedSize(size, maximumPixelSize);
  if (target != size) reader.setScaledSize(target);
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  if (std::max(image.width(), image.height()) > maximumPixelSize)
    image = image.scaled(maximumPixelSize, maximumPixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  image.setDevicePixelRatio(1.0);
  return image;
}

std::optional<QImage> ThumbnailCache::downsampled(const QImage& image) {
  if (image.isNull()) return std::nullopt;
  QImage result = image.scaled(boundedSize(image.size(), kMaximumPixelSize), Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
  if (result.isNull()) return std::nullopt;
  result.setDevicePixelRatio(1.0);
  return result;
}

std::optional<QImage> ThumbnailCache::cached(const QString& id) const {
  std::lock_guard lock(cacheMutex_);
  if (const QImage* image = cache_.object(id)) return *image;
  return std::nullopt;
}

bool ThumbnailCache::contains(const QString& id) const {
  std::lock_guard lock(cacheMutex_);
  return cache_.contains(id);
}

void ThumbnailCache::store(const QString& id, const QImage& image) {
  {
    std::lock_guard lock(cacheMutex_);
    cache_.insert(id, new QImage(image), 1);
  }
  std::lock_guard lock(idsLock_);
  cachedIDs_.insert(id);
}

std::optional<QImage> ThumbnailCache::thumbnailImage(const QString& id, const std::optional<QImage>& fallback) {
  if (auto hit = cached(id)) return hit;
  std::optional<QImage> result = thumbnailOfFile(images_->filePath(id));
  if (!result && fallback && !fallback->isNull()) {
    // Sizes in points: the fallback's device pixel ratio turns pixels into points.
    const QSizeF points = fallback->deviceIndependentSize();
    if (std::max(points.width(), points.height()) > kFallbackPassThroughSize) result = downsampled(*fallback);
    else result = *fallback;
  }
  if (!result) return std::nullopt;
  store(id, *result);
  return result;
}

void ThumbnailCache::purgeThumbnails(const QSet<QString>& keepIDs) {
  QSet<QString> dropped;
  {
    std::lock_guard lock(idsLock_);
    dropped = cachedIDs_ - keepIDs;
    cachedIDs_ &= keepIDs;
  }
  std::lock_guard lock(cacheMutex_);
  for (const QString& id : std::as_const(dropped)) cache_.remove(id);
}

}  // namespace qv
