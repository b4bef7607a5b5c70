#pragma once
#include "platform/Scheduler.h"

#include <QImage>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {

class HttpClient;
class HttpTask;
class OGImageCache;
class SerialQueue;
struct HttpResponse;

// The outcome of one fetch. A failed fetch has neither a title nor an image.
struct LinkMetadata {
  std::optional<QString> title;
  QImage image;              // the preview image; null when none could be loaded
  QUrl imageUrl;             // where the image came from (empty when none was tried)
  QString previewReference;  // "cached:<UUID>" once the image lies in the cache, else empty

  bool hasImage() const { return !image.isNull(); }
};

// Fetches a web page's title and preview image: the title from og:title, else <title>; the
// image from og:image or twitter:image, else the page's icon, resolved against the page. The
// image is decoded and stored in the preview-image cache under the item's id off the main
// thread. Each fetch ends within `kTimeoutSeconds` (on the scheduler) and reports exactly once,
// on the main thread.
class LinkMetadataFetcher {
 public:
  using Completion = std::function<void(const LinkMetadata&)>;

  static constexpr double kTimeoutSeconds = 10.0;
  static constexpr qint64 kMaxPageBytes = 2 * 1024 * 1024;  // the head is at the front
  static constexpr qint64 kMaxImageBytes = 8 * 1024 * 1024;
  static constexpr qint64 kMaxImagePixels = 40'000'000;
  static constexpr int kMaxImageSide = 16384;
  static constexpr int kMaxRedirects = 5;

  // `client` may be null (no network): every fetch then reports an empty result.
  LinkMetadataFetcher(std::shared_ptr<HttpClient> client, std::shared_ptr<Scheduler> scheduler,
                      std::shared_ptr<SerialQueue> worker, std::shared_ptr<OGImageCache> cache);
  ~LinkMetadataFetcher();
  LinkMetadataFetcher(const LinkMetadataFetcher&) = delete;
  LinkMetadataFetcher& operator=(const LinkMetadataFetcher&) = delete;

  // Starts an independent request; `done` runs once on the main thread unless the guard died.
  // Only http and https pages are fetched; any other URL reports an empty result.
  void fetch(const QUrl& url, const QString& itemID, Completion done, Guard guard = {});

  // Requests started and not yet reported.
  int inFlightCount() const;

  // Decodes image bytes within the size limits; a null image when they do not hold one.
  static QImage decodeImage(const QByteArray& bytes);

 private:
  struct Request;
  void onPage(const QUuid& id, const HttpResponse& response);
  void onParsed(const QUuid& id, std::optional<QString> title, QList<QUrl> images);
  void onImage(const QUuid& id, const HttpResponse& response);
  std::shared_ptr<Request> find(const QUuid& id) const;
  void onTimeout(const QUuid& id);
  void runOffMain(std::function<void()> work);
  void finish(const QUuid& id, LinkMetadata result);

  std::shared_ptr<HttpClient> client_;
  std::shared_ptr<Scheduler> scheduler_;
  std::shared_ptr<SerialQueue> worker_;
  std::shared_ptr<OGImageCache> cache_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  // Every running request by its own id; completions and the worker reach a request only
  // through this table, under its lock, so that it reports once however its steps race. Shared
  // with work still queued on the worker, which may outlive the fetcher.
  struct InFlightTable {
    mutable std::mutex lock;
    std::map<QUuid, std::shared_ptr<Request>> requests;
    bool contains(const QUuid& id) const {
      std::lock_guard guard(lock);
      return requests.count(id) != 0;
    }
  };
  std::shared_ptr<InFlightTable> inFlight_ = std::make_shared<InFlightTable>();
};

}  // namespace qv
