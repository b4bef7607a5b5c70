#pragma once
#include <QCache>
#include <QImage>
#include <QSet>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {

class ImageStore;

// Display thumbnails of image items (at most 720 pixels on the longer side), at most 120 kept
// in memory for the life of the process. Any thread may ask; several may ask at once.
class ThumbnailCache {
 public:
  static constexpr int kCountLimit = 120;
  static constexpr int kMaximumPixelSize = 720;
  // An in-memory fallback up to this size is used as it is.
  static constexpr int kFallbackPassThroughSize = 900;

  explicit ThumbnailCache(std::shared_ptr<ImageStore> images);

  // The item's thumbnail from the cache, else from its stored PNG, else from the fallback.
  // Nothing (and nothing cached) when none of them gives an image.
  std::optional<QImage> thumbnailImage(const QString& id, const std::optional<QImage>& fallback = std::nullopt);
  // Drops every cached thumbnail whose id is not kept.
  void purgeThumbnails(const QSet<QString>& keepIDs);

  // A thumbnail of the image file; nothing when it cannot be read.
  static std::optional<QImage> thumbnailOfFile(const QString& path);
  // The picture of an image file (its type known by its content, else its name), read at most
  // `maximumPixelSize` on its longer side and never decoded at full size when larger (a JPEG is
  // decoded at a fraction of its size), with its stored orientation applied. Nothing when the
  // file holds no picture. Any thread.
  static std::optional<QImage> scaledImageOfFile(const QString& path, int maximumPixelSize);
  // A downsampled copy (nothing for a null image).
  static std::optional<QImage> downsampled(const QImage& image);

  // Whether the memory cache holds the id now (for tests and diagnostics).
  bool contains(const QString& id) const;
  // The memory cache's thumbnail for the id, without touching any file: safe on the main thread.
  std::optional<QImage> cached(const QString& id) const;

 private:
  void store(const QString& id, const QImage& image);

  std::shared_ptr<ImageStore> images_;
  mutable std::mutex cacheMutex_;  // the memory cache's own lock
  QCache<QString, QImage> cache_;
  std::mutex idsLock_;  // guards cachedIDs_; never held during a cache call
  QSet<QString> cachedIDs_;
};

}  // namespace qv
