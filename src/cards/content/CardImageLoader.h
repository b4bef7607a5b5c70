#pragma once
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QPainter;

namespace qv {

struct ViewServices;
class SerialQueue;

// A picture a card content or a preview reads and decodes off the main thread (an image's
// thumbnail, a link's preview image, a preview's downsampled image), and a copy of it pre-scaled
// to where it is drawn. Only the answer to the latest request lands: a view given another item
// before an older answer arrives never shows it. By default an older request still runs, so
// that whatever it fills (a shared cache) stays filled for later; a loader made to skip them
// leaves out a request that is no longer the latest when the queue reaches it.
class CardImageLoader {
 public:
  enum class Status { idle, pending, loaded, missing };
  using Load = std::function<std::optional<QImage>()>;
  // Where a loaded image will be drawn: the part of it (image pixels) and the device pixels
  // that part fills. Made on the worker from the loaded image, so that the first draw is a
  // plain copy; none: decided at the first draw.
  struct Placement {
    QRectF source;
    QSize pixels;
    double scale = 1;
  };
  using PlacementFor = std::function<std::optional<Placement>(const QImage&)>;

  static constexpr char kCardQueue[] = "cardImages";

  // Whether a request overtaken while queued still runs.
  enum class Overtaken { run, skip };

  // `onChange` runs on the main thread whenever what the loader shows changed. The work runs
  // on the named queue (cards share one).
  CardImageLoader(ViewServices& context, std::function<void()> onChange,
                  const QString& queueName = QLatin1String(kCardQueue), Overtaken overtaken = Overtaken::run);
  ~CardImageLoader();
  CardImageLoader(const CardImageLoader&) = delete;
  CardImageLoader& operator=(const CardImageLoader&) = delete;

  // Forgets the image and ignores any answer still on its way.
  void reset();
  // Takes an image already at hand (a memory-cache hit).
  void setLoaded(const QImage& image);
  // Runs `load` on the loader's queue; nothing (or a null image) counts as missing. With
  // `placementFor`, the pre-scaled copy is made there too.
  void request(Load load, PlacementFor placementFor = {});

  Status status() const { return status_; }
  const QImage& image() const { return image_; }
  bool hasImage() const { return status_ == Status::loaded; }

  // Draws the part `source` (image pixels) of the image into `target`: straight from the
  // pre-scaled copy when one matches, else scaled now while the copy is made off the main thread.
  void draw(QPainter& painter, const QRectF& target, const QRectF& source);
  // Whether a draw of `source` into `pixels` device pixels is a plain copy (for tests).
  bool isPrescaled(const QRectF& source, const QSize& pixels) const;

 private:
  void prescale(const QRectF& source, const QSize& pixels, double scale);
  static QImage scaledCopy(const QImage& image, const QRectF& source, const QSize& pixels, double scale);

  ViewServices& context_;
  std::shared_ptr<SerialQueue> queue_;
  std::function<void()> onChange_;
  Overtaken overtaken_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  quint64 generation_ = 0;
  // The latest generation, for the worker to skip requests that became stale while queued.
  std::shared_ptr<std::atomic<quint64>> latest_ = std::make_shared<std::atomic<quint64>>(0);
  Status status_ = Status::idle;
  QImage image_;
  struct Scaled {
    QRectF source;
    QSize pixels;
    QImage image;  // empty while being made
  };
  const Scaled* scaledFor(const QRectF& source, const QSize& pixels) const;
  Scaled* scaledFor(const QRectF& source, const QSize& pixels) {
    return const_cast<Scaled*>(std::as_const(*this).scaledFor(source, pixels));
  }
  void keepScaled(Scaled scaled);
  // The two latest sizes, newest first: a view painted at two ratios (on screen, and rendered
  // into a picture at another) keeps a copy for each instead of making them again in turn forever.
  std::array<std::optional<Scaled>, 2> scaled_;
};

}  // namespace qv
