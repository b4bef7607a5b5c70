#include "platform/fake/FakeHttpClient.h"

#include "platform/Scheduler.h"

namespace qv {

struct FakeHttpClient::Pending : HttpTask {
  HttpRequest request;
  Completion completion;
  void cancel() override { completion = nullptr; }
};

FakeHttpClient::FakeHttpClient(Scheduler& scheduler) : scheduler_(scheduler) {}

void FakeHttpClient::respond(const QUrl& url, HttpResponse response) { scripted_.insert(url, std::move(response)); }

HttpResponse FakeHttpClient::ok(const QByteArray& body, const QByteArray& contentType) {
  HttpResponse response;
  response.received = true;
  response.status = 200;
  response.body = body;
  response.contentType = contentType;
  return response;
}

int FakeHttpClient::pendingCount() const {
  int count = 0;
  for (const auto& weak : pending_) {
    const auto pending = weak.lock();
    if (pending && pending->completion) ++count;
  }
  return count;
}

std::shared_ptr<HttpTask> FakeHttpClient::get(const HttpRequest& request, Completion completion) {
  requested_.push_back(request.url);
  auto pending = std::make_shared<Pending>();
  pending->request = request;
  pending->completion = std::move(completion);
  const auto scripted = scripted_.constFind(request.url);
  if (!isWebUrl(request.url)) {
    HttpResponse failure;
    failure.error = QStringLiteral("not a web address");
    deliver(pending, failure);
  } else if (scripted != scripted_.constEnd()) {
    deliver(pending, *scripted);
  } else {
    pending_.push_back(pending);
  }
  return pending;
}

bool FakeHttpClient::answer(const QUrl& url, HttpResponse response) {
  bool any = false;
  for (const auto& weak : std::exchange(pending_, {})) {
    const auto pending = weak.lock();
    if (!pending || !pending->completion) continue;
    if (pending->request.url == url) {
      deliver(pending, response);
      any = true;
    } else {
      pending_.push_back(pending);
    }
  }
  return any;
}

void FakeHttpClient::deliver(const std::shared_ptr<Pending>& pending, HttpResponse response) {
  if (response.finalUrl.isEmpty()) response.finalUrl = pending->request.url;
  std::weak_ptr<Pending> weak = pending;
  scheduler_.post([weak, response] {
    const auto alive = weak.lock();
    if (!alive) return;
    if (auto completion = std::exchange(alive->completion, nullptr)) completion(response);
  });
}

}  // namespace qv
