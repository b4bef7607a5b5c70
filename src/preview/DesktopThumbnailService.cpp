#include "preview/DesktopThumbnailService.h"

#include "base/NativePath.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "platform/Paths.h"
#include "platform/PdfRenderer.h"
#include "platform/RegularFile.h"
#include "platform/Scheduler.h"
#include "platform/SerialQueue.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <algorithm>
#include <mutex>
#include <vector>

namespace qv {

// What the queued work needs, kept alive by the work itself: the service may go first.
struct DesktopThumbnailService::Shared {
  explicit Shared(Options kept) : options(std::move(kept)), cache(options.cacheRoot) {}

  Options options;
  SharedThumbnailCache cache;
  std::mutex thumbnailersLock;
  std::optional<QList<Thumbnailer>> thumbnailers;  // read on first need
  // The version of each file whose thumbnail could not be made.
  struct Version {
    qint64 size = -1;
    qint64 modified = -1;  // nanoseconds
    bool operator==(const Version&) const = default;
  };
  std::mutex failuresLock;
  QHash<QString, Version> failures;

  static std::optional<Version> versionOf(const QString& path) {
    struct stat info {};
    if (::stat(nativePath(path).constData(), &info) != 0) return std::nullopt;
    return Version{qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
  }
  bool failedBefore(const QString& path, const Version& version) {
    std::lock_guard lock(failuresLock);
    const auto found = failures.constFind(path);
    return found != failures.constEnd() && *found == version;
  }
  void remember(const QString& path, const Version& version, bool failed) {
    std::lock_guard lock(failuresLock);
    if (!failed) {
      failures.remove(path);
      return;
    }
    if (failures.size() >= kRememberedFailures) failures.clear();
    failures.insert(path, version);
  }

  // Requests for one file share one run: a view that asks again at another size, or two views of
  // the same file, never start the thumbnailer twice. A run waiting in the queue takes every
  // request for its file (and makes the largest size asked for); one under way takes those its
  // picture covers, also after all of its own were dropped (a preview closed and opened again).
  // Keyed by the path as asked for; entries live only while their run is pending.
  struct Waiter {
    QSize pixelSize;
    std::shared_ptr<std::atomic<bool>> cancelled;
    bool keptPrivate = false;
    Answer answer;
  };
  struct Run {
    QSize pixelSize;
    bool started = false;
    std::vector<Waiter> waiters;
  };
  std::mutex runsLock;
  QHash<QString, std::shared_ptr<Run>> runs;
  int queuedRuns = 0;                // runs in `runs` not yet started
  std::atomic<bool> closed = false;  // the service is gone: nothing more will join a run

  // Joins the file's run, or opens a new one (returned: the caller queues it).
  std::shared_ptr<Run> enlist(const QString& path, Waiter waiter) {
    std::lock_guard lock(runsLock);
    if (const auto found = runs.constFind(path); found != runs.constEnd()) {
      Run& run = **found;
      const bool covered = SharedThumbnailCache::sizeCovering(waiter.pixelSize).pixels <=
                           SharedThumbnailCache::sizeCovering(run.pixelSize).pixels;
      if (!run.started || covered) {
        if (!run.started) run.pixelSize = run.pixelSize.expandedTo(waiter.pixelSize);
        run.waiters.push_back(std::move(waiter));
        return nullptr;
      }
    }
    // A run under way for a smaller size ends for its own waiters; this one follows it.
    auto run = std::make_shared<Run>();
    run->pixelSize = waiter.pixelSize;
    run->waiters.push_back(std::move(waiter));
    runs.insert(path, run);
    ++queuedRuns;
    return run;
  }
  bool isUnwanted(const Run& run) {
    std::lock_guard lock(runsLock);
    return std::all_of(run.waiters.begin(), run.waiters.end(), [](const Waiter& w) { return w.cancelled->load(); });
  }
  // A run under way that nobody wants any more ends only when other work waits for the queue:
  // until then a request its picture covers may still come and join it.
  bool isGivenUp(const Run& run) {
    if (closed.load()) return true;
    std::lock_guard lock(runsLock);
    return queuedRuns > 0 &&
           std::all_of(run.waiters.begin(), run.waiters.end(), [](const Waiter& w) { return w.cancelled->load(); });
  }
  // Called on the queue: makes the file's thumbnail once and answers every request of the run.
  void serve(const QString& path, const std::shared_ptr<Run>& run, Scheduler& scheduler) {
    {
      std::lock_guard lock(runsLock);
      run->started = true;
      --queuedRuns;
    }
    // Overtaken while queued: a newer request of the same view waits behind this one.
    Made made;
    if (!isUnwanted(*run)) made = make(path, run->pixelSize, [this, run] { return isGivenUp(*run); });
    std::vector<Waiter> waiters;
    {
      std::lock_guard lock(runsLock);
      if (runs.value(path) == run) runs.remove(path);
      waiters = std::move(run->waiters);
    }
    for (Waiter& waiter : waiters) {
      made.keptPrivate = made.keptPrivate || waiter.keptPrivate;
      if (waiter.cancelled->load()) continue;
      std::optional<QImage> picture;
      if (made.picture) picture = fitted(*made.picture, waiter.pixelSize);
      scheduler.post(
          [cancelled = waiter.cancelled, answer = std::move(waiter.answer), picture = std::move(picture)]() mutable {
            if (!cancelled->load() && answer) answer(std::move(picture));
          });
    }
    // Written after the answers are on their way: the views do not wait for the disk.
    keep(path, made, run->pixelSize);
  }

  // By hand for an absolute path: QFileInfo would lose the bytes of a name that is not UTF-8.
  static QString absolutePathOf(const QString& path) {
    return path.startsWith(u'/') ? QDir::cleanPath(path) : QFileInfo(path).absoluteFilePath();
  }

  QList<Thumbnailer> installedThumbnailers() {
    std::lock_guard lock(thumbnailersLock);
    if (!thumbnailers) thumbnailers = readThumbnailers(options.thumbnailerFolders);
    return *thumbnailers;
  }

  Made make(const QString& path, QSize pixelSize, const std::function<bool()>& cancelled) {
    // Gone, or a folder, a device or a pipe: nothing to picture.
    if (pathKind(path) != PathKind::file) return {};
    const QString absolute = absolutePathOf(path);
    const std::optional<Version> version = versionOf(absolute);
    // A file whose thumbnail failed is not asked for again until it changes.
    if (!version || failedBefore(absolute, *version)) return {};
    Made made = makeAnew(absolute, pixelSize, cancelled);
    if (!(cancelled && cancelled()) && !made.unsettled) remember(absolute, *version, !made.picture);
    return made;
  }

  Made makeAnew(const QString& absolute, QSize pixelSize, const std::function<bool()>& cancelled) {
    Made made;
    const std::optional<qint64> mtime = SharedThumbnailCache::modificationTime(absolute);
    if (!mtime) return made;
    const QByteArray uri = SharedThumbnailCache::fileUri(absolute);
    const SharedThumbnailCache::Size& size = SharedThumbnailCache::sizeCovering(pixelSize);
    if (!cache.contains(absolute)) {
      if (std::optional<QImage> hit = cache.find(uri, *mtime, size)) {
        made.picture = std::move(hit);
        made.source = Source::cache;
        return made;
      }
    }
    if (cancelled && cancelled()) return made;
    if (std::optional<QImage> picture = ThumbnailCache::scaledImageOfFile(absolute, size.pixels)) {
      made.picture = std::move(picture);
      made.source = Source::picture;
    }
    const QMimeType type = mimeTypeOfFile(absolute);
    made.mimeType = type.isValid() && !type.isDefault() ? type.name() : QString();
    if (made.picture) return made;
    if (cancelled && cancelled()) return made;
    if (options.renderPdf && type.inherits(QStringLiteral("application/pdf"))) {
      if (std::optional<QImage> page = options.renderPdf(absolute, QSize(size.pixels, size.pixels), cancelled)) {
        made.picture = std::move(page);
        made.source = Source::pdf;
        return made;
      }
    }
    if (!type.isValid() || type.isDefault()) return made;
    if (const std::optional<Thumbnailer> thumbnailer = thumbnailerFor(installedThumbnailers(), type.name())) {
      const RunThumbnailer run = options.runThumbnailer ? options.runThumbnailer : RunThumbnailer(runThumbnailer);
      ThumbnailerRun ran = run(*thumbnailer, absolute, uri, size.pixels, options.temporaryFolder, options.limits,
                               cancelled);
      if (ran.picture) {
        made.picture = std::move(ran.picture);
        made.source = Source::thumbnailer;
      }
      made.unsettled = ran.end == ThumbnailerRun::End::outOfTime || ran.end == ThumbnailerRun::End::notStarted;
    }
    return made;
  }

  bool keep(const QString& path, const Made& made, QSize pixelSize) const {
    if (!made.picture || made.source == Source::cache || made.source == Source::none || made.keptPrivate) return false;
    const QString absolute = absolutePathOf(path);
    if (cache.contains(absolute)) return false;
    const std::optional<qint64> mtime = SharedThumbnailCache::modificationTime(absolute);
    if (!mtime) return false;
    return cache.store(SharedThumbnailCache::fileUri(absolute), *mtime, *made.picture,
                       SharedThumbnailCache::sizeCovering(pixelSize), made.mimeType);
  }
};

std::optional<QImage> DesktopThumbnailService::firstPageOf(const QString& path, QSize pixelSize,
                                                           const std::function<bool()>& cancelled) {
  // Opened here and dropped here: a document belongs to the thread that opened it.
  const std::unique_ptr<PdfDocument> document = PdfDocument::open(path);
  if (!document) return std::nullopt;
  QImage page = document->renderPage(0, pixelSize, cancelled);
  if (page.isNull()) return std::nullopt;
  return page;
}

DesktopThumbnailService::Options DesktopThumbnailService::optionsFor(const Paths& paths) {
  Options options;
  options.cacheRoot = paths.cacheHome() + QStringLiteral("/thumbnails");
  options.thumbnailerFolders = thumbnailerFoldersFromEnvironment();
  options.temporaryFolder = paths.temp();
  options.renderPdf = [](const QString& path, QSize pixelSize, const std::function<bool()>& cancelled) {
    return firstPageOf(path, pixelSize, cancelled);
  };
  return options;
}

DesktopThumbnailService::DesktopThumbnailService(std::shared_ptr<Scheduler> scheduler,
                                                 std::shared_ptr<SerialQueue> queue, Options options)
    : scheduler_(std::move(scheduler)),
      queue_(std::move(queue)),
      options_(options),
      cache_(options.cacheRoot),
      shared_(std::make_shared<Shared>(options)) {}

DesktopThumbnailService::~DesktopThumbnailService() { shared_->closed = true; }

QImage DesktopThumbnailService::fitted(const QImage& picture, QSize pixelSize) {
  if (picture.isNull() || pixelSize.isEmpty()) return picture;
  if (picture.width() <= pixelSize.width() && picture.height() <= pixelSize.height()) return picture;
  QImage result = picture.scaled(pixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  result.setDevicePixelRatio(1.0);
  return result;
}

DesktopThumbnailService::Made DesktopThumbnailService::make(const QString& path, QSize pixelSize,
                                                            const std::function<bool()>& cancelled) const {
  return shared_->make(path, pixelSize, cancelled);
}

bool DesktopThumbnailService::keep(const QString& path, const Made& made, QSize pixelSize) const {
  return shared_->keep(path, made, pixelSize);
}

ThumbnailRequest DesktopThumbnailService::request(const QString& path, QSize pixelSize, Answer answer) {
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  const bool keptPrivate = isPrivate_ && isPrivate_(path);
  if (std::shared_ptr<Shared::Run> run = shared_->enlist(path, {pixelSize, cancelled, keptPrivate, std::move(answer)}))
    queue_->async([shared = shared_, scheduler = scheduler_, path, run] { shared->serve(path, run, *scheduler); });
  return ThumbnailRequest(cancelled);
}

}  // namespace qv
