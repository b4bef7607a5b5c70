#include "platform/HttpClient.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace qv {

bool isWebUrl(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return false;
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

namespace {

constexpr qint64 kReadAheadBytes = 256 * 1024;

class QtHttpTask : public HttpTask, public std::enable_shared_from_this<QtHttpTask> {
 public:
  QtHttpTask(HttpRequest request, HttpClient::Completion completion)
      : request_(std::move(request)), completion_(std::move(completion)) {}
  ~QtHttpTask() override { stop(); }

  void start(QNetworkAccessManager& manager) {
    QNetworkRequest request(request_.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(request_.maxRedirects);
    request.setRawHeader("Accept", request_.accept);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla/5.0 (compatible; Quorvalen)"));
    reply_ = manager.get(request);
    // The network thread reads no further ahead than this, so a body past its cap is not
    // pulled in while the abort is on its way.
    reply_->setReadBufferSize(kReadAheadBytes);
    std::weak_ptr<QtHttpTask> weak = weak_from_this();
    QObject::connect(reply_, &QNetworkReply::redirected, &receiver_, [weak](const QUrl& target) {
      if (auto self = weak.lock()) self->onRedirect(target);
    });
    QObject::connect(reply_, &QNetworkReply::metaDataChanged, &receiver_, [weak] {
      if (auto self = weak.lock()) self->onMetaData();
    });
    QObject::connect(reply_, &QNetworkReply::readyRead, &receiver_, [weak] {
      if (auto self = weak.lock()) self->onReadyRead();
    });
    QObject::connect(reply_, &QNetworkReply::finished, &receiver_, [weak] {
      if (auto self = weak.lock()) self->onFinished();
    });
  }

  // Fails at the next turn of the event loop (the completion never runs inside `get`).
  void failSoon(QObject* context, const QString& error) {
    std::weak_ptr<QtHttpTask> weak = weak_from_this();
    QTimer::singleShot(0, context, [weak, error] {
      if (auto self = weak.lock()) self->finish(false, error);
    });
  }

  void cancel() override {
    completion_ = nullptr;
    stop();
  }

 private:
  void onRedirect(const QUrl& target) {
    const QUrl current = reply_->url();
    const bool fromHttps = current.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const bool toHttp = target.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0;
    if (!isWebUrl(target) || (fromHttps && toHttp) || ++redirects_ > request_.maxRedirects) {
      finish(false, QStringLiteral("redirect refused"));
    }
  }

  void onMetaData() {
    if (request_.oversize != HttpRequest::Oversize::fail) return;
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool isRedirect = status >= 300 && status < 400;
    if (!isRedirect && length.isValid() && length.toLongLong() > request_.maxBodyBytes) {
      truncated_ = true;
      finish(false, QStringLiteral("body too large"));
    }
  }

  void onReadyRead() {
    if (!reply_) return;
    const qint64 room = request_.maxBodyBytes - body_.size();
    if (room > 0) body_ += reply_->read(room);
    if (reply_ && reply_->bytesAvailable() > 0) {
      truncated_ = true;
      if (request_.oversize == HttpRequest::Oversize::fail) finish(false, QStringLiteral("body too large"));
      else finish(true, QString());
    }
  }

  void onFinished() {
    if (!reply_) return;
    onReadyRead();
    if (!reply_) return;
    const bool failed = reply_->error() != QNetworkReply::NoError &&
                        reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).isNull();
    finish(!failed, failed ? reply_->errorString() : QString());
  }

  void finish(bool received, const QString& error) {
    HttpResponse response;
    response.received = received;
    response.error = error;
    response.truncated = truncated_;
    if (reply_) {
      response.status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
      response.finalUrl = reply_->url();
      response.contentType = reply_->rawHeader("Content-Type");
    }
    if (received) response.body = std::move(body_);
    stop();
    if (auto completion = std::exchange(completion_, nullptr)) completion(response);
  }

  void stop() {
    if (!reply_) return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    // Only this task's own connections go: the reply's link to the network thread must stay, or
    // the abort never reaches the connection and the transfer runs on.
    QObject::disconnect(reply, nullptr, &receiver_, nullptr);
    reply->abort();
    reply->deleteLater();
  }

  HttpRequest request_;
  HttpClient::Completion completion_;
  QObject receiver_;  // the context of the reply's connections to this task
  QPointer<QNetworkReply> reply_;
  QByteArray body_;
  bool truncated_ = false;
  int redirects_ = 0;
};

}  // namespace

QtHttpClient::QtHttpClient() : manager_(std::make_unique<QNetworkAccessManager>()) {
  manager_->setAutoDeleteReplies(false);
}

QtHttpClient::~QtHttpClient() = default;

std::shared_ptr<HttpTask> QtHttpClient::get(const HttpRequest& request, Completion completion) {
  auto task = std::make_shared<QtHttpTask>(request, std::move(completion));
  if (!isWebUrl(request.url)) task->failSoon(manager_.get(), QStringLiteral("not a web address"));
  else task->start(*manager_);
  return task;
}

}  // namespace qv
