#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace qv {

// One asked-for thumbnail, held by whoever asked. Cancelling it, dropping it or replacing it
// with a newer request means its answer never comes, and work not yet started for it is
// skipped: whoever keeps one handle per view has the latest request win.
class ThumbnailRequest {
 public:
  ThumbnailRequest() = default;
  explicit ThumbnailRequest(std::shared_ptr<std::atomic<bool>> cancelled) : cancelled_(std::move(cancelled)) {}
  ThumbnailRequest(ThumbnailRequest&& other) noexcept : cancelled_(std::exchange(other.cancelled_, nullptr)) {}
  ThumbnailRequest& operator=(ThumbnailRequest&& other) noexcept {
    if (this != &other) {
      cancel();
      cancelled_ = std::exchange(other.cancelled_, nullptr);
    }
    return *this;
  }
  ThumbnailRequest(const ThumbnailRequest&) = delete;
  ThumbnailRequest& operator=(const ThumbnailRequest&) = delete;
  ~ThumbnailRequest() { cancel(); }

  void cancel() {
    if (cancelled_) cancelled_->store(true);
    cancelled_.reset();
  }
  bool isActive() const { return cancelled_ && !cancelled_->load(); }

 private:
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

// Thumbnails of local files for the previews: a picture of the file (a photo, a document's first
// page, whatever the desktop's thumbnailers draw) made or found off the main thread.
class ThumbnailService {
 public:
  using Answer = std::function<void(std::optional<QImage>)>;
  virtual ~ThumbnailService() = default;

  // Asks for a thumbnail of the file at `path` that covers `pixelSize` (device pixels); the
  // picture answered fits inside that size, its proportions kept. `answer` runs once on the main
  // thread, never inside this call, unless the request is cancelled first; nothing when no
  // thumbnail can be had (a type without one, an unreadable or missing file).
  [[nodiscard]] virtual ThumbnailRequest request(const QString& path, QSize pixelSize, Answer answer) = 0;

  // Files for which `isPrivate` answers true (asked on the main thread, when a thumbnail is
  // asked for) get thumbnails that are never written where other programs read them.
  using PrivacyCheck = std::function<bool(const QString& path)>;
  virtual void setPrivacyCheck(PrivacyCheck isPrivate) { (void)isPrivate; }
};

}  // namespace qv
