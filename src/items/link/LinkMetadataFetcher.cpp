#include "items/link/LinkMetadataFetcher.h"

#include "base/Log.h"
#include "items/link/HtmlMetadata.h"
#include "items/link/OGImageCache.h"
#include "platform/HttpClient.h"
#include "platform/ImageDecoder.h"
#include "platform/SerialQueue.h"

#include <QBuffer>
#include <QImageReader>

namespace qv {

struct LinkMetadataFetcher::Request {
  QUrl url;
  QString itemID;
  Completion done;
  Guard guard;
  WorkItem timeout;
  std::shared_ptr<HttpTask> task;
  std::optional<QString> title;
  QUrl imageUrl;
};

namespace {

bool looksLikeHtml(const QByteArray& contentType) {
  return contentType.isEmpty() || contentType.toLower().contains("html");
}

}  // namespace

LinkMetadataFetcher::LinkMetadataFetcher(std::shared_ptr<HttpClient> client, std::shared_ptr<Scheduler> scheduler,
                                         std::shared_ptr<SerialQueue> worker, std::shared_ptr<OGImageCache> cache)
    : client_(std::move(client)),
      scheduler_(std::move(scheduler)),
      worker_(std::move(worker)),
      cache_(std::move(cache)) {}

LinkMetadataFetcher::~LinkMetadataFetcher() {
  std::map<QUuid, std::shared_ptr<Request>> running;
  {
    std::lock_guard lock(inFlight_->lock);
    running.swap(inFlight_->requests);
  }
  for (auto& [id, request] : running) {
    request->timeout.cancel();
    if (request->task) request->task->cancel();
  }
}

void LinkMetadataFetcher::runOffMain(std::function<void()> work) {
  if (worker_) worker_->async(std::move(work));
  else work();
}

int LinkMetadataFetcher::inFlightCount() const {
  std::lock_guard lock(inFlight_->lock);
  return int(inFlight_->requests.size());
}

std::shared_ptr<LinkMetadataFetcher::Request> LinkMetadataFetcher::find(const QUuid& id) const {
  std::lock_guard lock(inFlight_->lock);
  const auto found = inFlight_->requests.find(id);
  return found == inFlight_->requests.end() ? nullptr : found->second;
}

void LinkMetadataFetcher::fetch(const QUrl& url, const QString& itemID, Completion done, Guard guard) {
  const QUuid id = QUuid::createUuid();
  auto request = std::make_shared<Request>();
  request->url = url;
  request->itemID = itemID;
  request->done = std::move(done);
  request->guard = std::move(guard);
  {
    std::lock_guard lock(inFlight_->lock);
    inFlight_->requests[id] = request;
  }
  if (!client_ || !isWebUrl(url)) {
    scheduler_->post([this, id] { finish(id, {}); }, Guard(alive_));
    return;
  }
  request->timeout = scheduler_->after(
      kTimeoutSeconds, [this, id] { onTimeout(id); }, Guard(alive_));
  HttpRequest page;
  page.url = url;
  page.maxBodyBytes = kMaxPageBytes;
  page.oversize = HttpRequest::Oversize::truncate;
  page.maxRedirects = kMaxRedirects;
  page.accept = "text/html,application/xhtml+xml;q=0.9,*/*;q=0.5";
  request->task = client_->get(page, [this, id](const HttpResponse& response) { onPage(id, response); });
}

void LinkMetadataFetcher::onPage(const QUuid& id, const HttpResponse& response) {
  if (!inFlight_->contains(id)) return;
  if (!response.succeeded() || !looksLikeHtml(response.contentType)) {
    finish(id, {});
    return;
  }
  const QUrl pageUrl = response.finalUrl.isEmpty() ? find(id)->url : response.finalUrl;
  std::weak_ptr<int> alive = alive_;
  auto scheduler = scheduler_;
  runOffMain([this, id, alive, scheduler, pageUrl, body = response.body, contentType = response.contentType] {
    const HtmlMetadata metadata = parseHtmlMetadata(decodeHtmlBody(body, contentType));
    QUrl base = pageUrl;
    if (!metadata.baseHref.isEmpty()) {
      const QUrl declared = pageUrl.resolved(QUrl(metadata.baseHref));
      if (isWebUrl(declared)) base = declared;
    }
    QList<QUrl> images;
    for (const QString& reference : metadata.imageReferences()) images << base.resolved(QUrl(reference));
    scheduler->post([this, id, title = metadata.pageTitle(), images] { onParsed(id, title, images); }, Guard(alive));
  });
}

void LinkMetadataFetcher::onParsed(const QUuid& id, std::optional<QString> title, QList<QUrl> images) {
  const auto request = find(id);
  if (!request) return;
  request->title = std::move(title);
  // Only web images are fetched: a file:, data: or javascript: reference is passed over.
  const auto usable = std::find_if(images.cbegin(), images.cend(), isWebUrl);
  if (usable == images.cend()) {
    finish(id, {request->title, {}, {}, {}});
    return;
  }
  request->imageUrl = *usable;
  HttpRequest image;
  image.url = *usable;
  image.maxBodyBytes = kMaxImageBytes;
  image.oversize = HttpRequest::Oversize::fail;
  image.maxRedirects = kMaxRedirects;
  image.accept = "image/*";
  request->task = client_->get(image, [this, id](const HttpResponse& response) { onImage(id, response); });
}

void LinkMetadataFetcher::onImage(const QUuid& id, const HttpResponse& response) {
  const auto request = find(id);
  if (!request) return;
  request->task.reset();
  if (!response.succeeded() || response.truncated) {
    finish(id, {request->title, {}, request->imageUrl, {}});
    return;
  }
  std::weak_ptr<int> alive = alive_;
  auto scheduler = scheduler_;
  auto cache = cache_;
  auto table = inFlight_;
  LinkMetadata partial{request->title, {}, request->imageUrl, {}};
  runOffMain([this, id, alive, scheduler, cache, table, partial, itemID = request->itemID, body = response.body] {
    LinkMetadata result = partial;
    result.image = decodeImage(body);
    // A request that already timed out writes nothing.
    if (result.hasImage() && cache && table->contains(id) && cache->save(result.image, itemID))
      result.previewReference = OGImageCache::cachedReference(itemID);
    scheduler->post([this, id, result] { finish(id, result); }, Guard(alive));
  });
}

void LinkMetadataFetcher::onTimeout(const QUuid& id) {
  const auto request = find(id);
  if (!request) return;
  qCInfo(lcItems) << "Link metadata timed out:" << request->url.host();
  // Once the page was read, its title stands; only the image is given up.
  finish(id, {request->title, {}, request->imageUrl, {}});
}

void LinkMetadataFetcher::finish(const QUuid& id, LinkMetadata result) {
  std::shared_ptr<Request> request;
  {
    std::lock_guard lock(inFlight_->lock);
    const auto found = inFlight_->requests.find(id);
    if (found == inFlight_->requests.end()) return;
    request = std::move(found->second);
    inFlight_->requests.erase(found);
  }
  request->timeout.cancel();
  if (request->task) request->task->cancel();
  if (request->done && request->guard.alive()) request->done(result);
}

QImage LinkMetadataFetcher::decodeImage(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer);
  useImageAllocationLimit();
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kMaxImageSide || size.height() > kMaxImageSide ||
                         qint64(size.width()) * size.height() > kMaxImagePixels))
    return {};
  QImage image = reader.read();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
  if (image.width() > kMaxImageSide || image.height() > kMaxImageSide ||
      qint64(image.width()) * image.height() > kMaxImagePixels)
    return {};
  return image;
}

}  // namespace qv
