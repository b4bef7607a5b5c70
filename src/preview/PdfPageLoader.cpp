#include "preview/PdfPageLoader.h"

#include "base/NativePath.h"
#include "platform/PdfRenderer.h"
#include "platform/PlatformServices.h"

#include <sys/stat.h>
#include <QFile>
#include <optional>

namespace qv {

namespace {

// What tells one version of a file from another.
struct FileVersion {
  qint64 size = -1;
  qint64 modified = -1;  // nanoseconds
  bool operator==(const FileVersion&) const = default;
};

FileVersion versionOf(const QString& path) {
  struct stat info {};
  if (::stat(nativePath(path).constData(), &info) != 0) return {};
  return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace

// What the queue keeps between requests: the document opened last, or the version of the file
// that did not open. Touched only on the queue (the count excepted).
struct PdfPageLoader::Session {
  QString path;
  std::unique_ptr<PdfDocument> document;
  std::optional<FileVersion> failedVersion;
  std::atomic<int> attempts = 0;
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

int PdfPageLoader::openAttempts() const { return session_ ? session_->attempts.load() : 0; }

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
    if (session->path != path) {
      session->path = path;
      session->document.reset();
      session->failedVersion.reset();
    }
    if (!session->document) {
      // A file that did not open is tried again only once it has changed.
      const FileVersion version = versionOf(path);
      if (session->failedVersion != version) {
        ++session->attempts;
        session->document = PdfDocument::open(path);
        if (session->document) session->failedVersion.reset();
        else session->failedVersion = version;
      }
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
