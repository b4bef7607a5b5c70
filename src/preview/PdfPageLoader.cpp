#include "preview/PdfPageLoader.h"

#include "platform/PdfRenderer.h"
#include "platform/PlatformServices.h"

namespace qv {

// What the queue keeps between requests: the document opened last. Touched only on the queue.
struct PdfPageLoader::Session {
  QString path;
  std::unique_ptr<PdfDocument> document;
};

PdfPageLoader::PdfPageLoader(PlatformServices& context, Answer onAnswer)
    : context_(context),
      onAnswer_(std::move(onAnswer)),
      queue_(context.queue(QLatin1String(kQueueName))),
      session_(std::make_shared<Session>()) {}

PdfPageLoader::~PdfPageLoader() {
  cancel();
  // The document is closed on the queue that used it, after any page it is still drawing.
  queue_->async([session = std::move(session_)]() mutable { session.reset(); });
}

void PdfPageLoader::cancel() {
  latest_->fetch_add(1);
  pending_ = false;
}

void PdfPageLoader::request(const QString& path, int index, QSize pixels) {
  const quint64 generation = latest_->fetch_add(1) + 1;
  pending_ = true;
  std::shared_ptr<Scheduler> scheduler = context_.scheduler;
  const std::weak_ptr<int> life = life_;
  queue_->async([session = session_, latest = latest_, scheduler, life, generation, path, index, pixels, this] {
    const auto abandoned = [&latest, generation] { return latest->load() != generation; };
    if (abandoned()) return;
    if (session->path != path || !session->document) {
      // A file that did not open is not tried again for the same path.
      const bool triedAlready = session->path == path;
      session->path = path;
      if (!triedAlready) session->document = PdfDocument::open(path);
    }
    Page page;
    if (const PdfDocument* document = session->document.get()) {
      page.pageCount = document->pageCount();
      page.index = index >= 0 && index < page.pageCount ? index : 0;
      if (!pixels.isEmpty()) {
        page.image = document->renderPage(page.index, pixels, abandoned);
        if (page.image.isNull() && abandoned()) return;
      }
    }
    scheduler->post(
        [this, latest, generation, page = std::move(page)] {
          if (latest->load() != generation) return;
          pending_ = false;
          if (onAnswer_) onAnswer_(page);
        },
        life);
  });
}

}  // namespace qv
