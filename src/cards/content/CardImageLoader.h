#pragma once
#include <QImage>
#include <QRectF>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace qv {

struct ViewServices;
class SerialQueue;

// A picture a card content reads and decodes off the main thread (an image's thumbnail, a
// link's preview image), and a copy of it pre-scaled to where it is drawn. Only the answer to
// the latest request lands: a card given another item before an older answer arrives never
// shows it (whatever the loader fills, such as a shared cache, stays filled).
class CardImageLoader {
 public:
  enum class Status { idle, pending, loaded, missing };
  using Load = std::function<std::optional<QImage>()>;

  // `onChange` runs on the main thread whenever what the loader shows changed.
  CardImageLoader(ViewServices& context, std::function<void()> onChange);
  ~CardImageLoader();
  CardImageLoader(const CardImageLoader&) = delete;
  CardImageLoader& operator=(const CardImageLoader&) = delete;

  // Forgets the image and ignores any answer still on its way.
  void reset();
  // Takes an image already at hand (a memory-cache hit).
  void setLoaded(const QImage& image);
  // Runs `load` on the card image queue; nothing (or a null image) counts as missing.
  void request(Load load);

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

  ViewServices& context_;
  std::shared_ptr<SerialQueue> queue_;
  std::function<void()> onChange_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  quint64 generation_ = 0;
  Status status_ = Status::idle;
  QImage image_;
  struct Scaled {
    QRectF source;
    QSize pixels;
    QImage image;  // empty while being made
  };
  std::optional<Scaled> scaled_;
};

}  // namespace qv
