#pragma once
#include "platform/SharedThumbnailCache.h"
#include "platform/ThumbnailService.h"
#include "platform/Thumbnailers.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace qv {

class Paths;
class Scheduler;
class SerialQueue;

// The program's thumbnails of files, made the way the desktop makes them: from the shared
// thumbnail cache when an entry of the smallest size that covers the request (or a larger one)
// still matches the file's modification time; else made here, for pictures (read scaled, never
// at full size) and PDF documents (their first page); else by an installed thumbnailer for the
// file's type (or a parent type), the type known from the name and the content. What is made is
// written back into the shared cache, except for files the privacy check names (those of items
// marked sensitive). A file for which no thumbnail could be made is not tried again until it
// changes (its size or modification time); a thumbnailer ended at its time limit or that could
// not start says nothing about the file, and the next request tries again. All of it runs on
// one serial queue; a request that is no longer wanted when the queue reaches it is skipped. A
// thumbnailer that nobody wants any more runs on while nothing else waits (a preview closed and
// opened again takes its picture) and is killed as soon as other work does.
class DesktopThumbnailService : public ThumbnailService {
 public:
  // Page one of a PDF document fitted into `pixelSize`; nothing when it cannot be read or is no
  // longer wanted (`cancelled`, which may be empty, answers true). Called on the queue.
  using RenderPdf = std::function<std::optional<QImage>(const QString& path, QSize pixelSize,
                                                        const std::function<bool()>& cancelled)>;
  // Runs a thumbnailer (runThumbnailer, unless a test stands in for the process). Called on the queue.
  using RunThumbnailer = std::function<ThumbnailerRun(
      const Thumbnailer& thumbnailer, const QString& path, const QByteArray& uri, int size,
      const QString& temporaryFolder, const ThumbnailerLimits& limits, const std::function<bool()>& cancelled)>;
  struct Options {
    QString cacheRoot;  // $XDG_CACHE_HOME/thumbnails
    QStringList thumbnailerFolders;
    QString temporaryFolder;  // where thumbnailers get their private folders
    RenderPdf renderPdf;      // none: PDF documents go to the thumbnailers (the program's: firstPageOf)
    ThumbnailerLimits limits{};
    RunThumbnailer runThumbnailer;  // none: runThumbnailer
  };
  // Where the program's tiers look, from the environment, with the program's PDF renderer.
  static Options optionsFor(const Paths& paths);
  // The program's PDF tier: page one of the document drawn on white paper, fitted into
  // `pixelSize`.
  static std::optional<QImage> firstPageOf(const QString& path, QSize pixelSize,
                                           const std::function<bool()>& cancelled = {});

  // Where a thumbnail came from.
  enum class Source { none, cache, picture, pdf, thumbnailer };
  struct Made {
    std::optional<QImage> picture;  // at most the covering size's pixels
    Source source = Source::none;
    QString mimeType;
    bool keptPrivate = false;  // never written to the shared cache
    // No answer about the file itself (a thumbnailer out of time or that could not start): not
    // remembered as a failure.
    bool unsettled = false;
  };

  DesktopThumbnailService(std::shared_ptr<Scheduler> scheduler, std::shared_ptr<SerialQueue> queue, Options options);
  ~DesktopThumbnailService() override;

  ThumbnailRequest request(const QString& path, QSize pixelSize, Answer answer) override;
  void setPrivacyCheck(PrivacyCheck isPrivate) override { isPrivate_ = std::move(isPrivate); }

  // The tiers for one file, on the calling thread, without writing anything.
  Made make(const QString& path, QSize pixelSize, const std::function<bool()>& cancelled = {}) const;
  // Writes what `make` made into the shared cache (nothing for a cache hit or a file inside the
  // cache); false when nothing was written.
  // Files whose thumbnails failed are remembered, by version, up to this many.
  static constexpr int kRememberedFailures = 4096;
  bool keep(const QString& path, const Made& made, QSize pixelSize) const;
  // `picture` brought down to fit inside `pixelSize`, its proportions kept; never enlarged.
  static QImage fitted(const QImage& picture, QSize pixelSize);

  const SharedThumbnailCache& cache() const { return cache_; }

 private:
  struct Shared;
  std::shared_ptr<Scheduler> scheduler_;
  std::shared_ptr<SerialQueue> queue_;
  Options options_;
  SharedThumbnailCache cache_;
  std::shared_ptr<Shared> shared_;
  PrivacyCheck isPrivate_;
};

}  // namespace qv
