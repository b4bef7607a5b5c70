#pragma once
#include "platform/HttpClient.h"

#include <QList>
#include <QMap>

namespace qv {

class Scheduler;

// Scripted HTTP for tests: a response set for a URL is delivered through the scheduler (so it
// arrives when the test settles the context); a request to any other URL stays pending until
// the test answers it, or forever.
class FakeHttpClient : public HttpClient {
 public:
  explicit FakeHttpClient(Scheduler& scheduler);

  void respond(const QUrl& url, HttpResponse response);
  // Answers the pending requests for `url`; false when there were none.
  bool answer(const QUrl& url, HttpResponse response);

  QList<QUrl> requestedUrls() const { return requested_; }
  int pendingCount() const;

  std::shared_ptr<HttpTask> get(const HttpRequest& request, Completion completion) override;

  // A received 200 response with this body and content type.
  static HttpResponse ok(const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");

 private:
  struct Pending;
  void deliver(const std::shared_ptr<Pending>& pending, HttpResponse response);

  Scheduler& scheduler_;
  QMap<QUrl, HttpResponse> scripted_;
  QList<QUrl> requested_;
  QList<std::weak_ptr<Pending>> pending_;
};

}  // namespace qv
