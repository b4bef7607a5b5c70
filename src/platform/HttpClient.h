#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace qv {

struct HttpRequest {
  enum class Oversize {
    truncate,  // keep the first `maxBodyBytes` bytes and stop reading
    fail,      // the whole request fails
  };

  QUrl url;
  qint64 maxBodyBytes = 2 * 1024 * 1024;
  Oversize oversize = Oversize::truncate;
  int maxRedirects = 5;
  QByteArray accept = "*/*";
};

struct HttpResponse {
  bool received = false;  // a response arrived and its body was read (see `truncated`)
  int status = 0;
  QUrl finalUrl;  // after redirects
  QByteArray contentType;
  QByteArray body;
  bool truncated = false;
  QString error;  // why nothing was received

  bool succeeded() const { return received && status >= 200 && status < 300; }
};

// A running request; it runs as long as its holder keeps the task. Cancelling it (or dropping
// the last handle) means its completion never runs.
class HttpTask {
 public:
  virtual ~HttpTask() = default;
  virtual void cancel() = 0;
};

// Plain GET requests for outside data (link metadata). Only http and https URLs are fetched;
// redirects are followed up to the request's limit, to http or https only and never from https
// to http. The client sets no overall time limit: callers bound their wait on the scheduler and
// cancel.
class HttpClient {
 public:
  using Completion = std::function<void(const HttpResponse&)>;
  virtual ~HttpClient() = default;
  // The completion runs once, on the main thread and never inside this call, unless the task is
  // cancelled first.
  virtual std::shared_ptr<HttpTask> get(const HttpRequest& request, Completion completion) = 0;
};

bool isWebUrl(const QUrl& url);

// The real client over QNetworkAccessManager on the main thread.
class QtHttpClient : public HttpClient {
 public:
  QtHttpClient();
  ~QtHttpClient() override;
  std::shared_ptr<HttpTask> get(const HttpRequest& request, Completion completion) override;

 private:
  std::unique_ptr<QNetworkAccessManager> manager_;
};

}  // namespace qv
