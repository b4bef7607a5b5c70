#include "cards/content/CardImageLoader.h"

#include "cards/ViewServices.h"
#include "ui/fx/Fx.h"

#include <QPainter>
#include <cmath>

namespace qv {

CardImageLoader::CardImageLoader(ViewServices& context, std::function<void()> onChange, const QString& queueName,
                                 Overtaken overtaken)
    : context_(context), queue_(context.queue(queueName)), onChange_(std::move(onChange)), overtaken_(overtaken) {}

CardImageLoader::~CardImageLoader() = default;

void CardImageLoader::reset() {
  latest_->store(++generation_);
  status_ = Status::idle;
  image_ = QImage();
  scaled_ = {};
}

void CardImageLoader::setLoaded(const QImage& image) {
  reset();
  image_ = image;
  status_ = image.isNull() ? Status::missing : Status::loaded;
}

void CardImageLoader::request(Load load, PlacementFor placementFor) {
  reset();
  status_ = Status::pending;
  const quint64 generation = generation_;
  std::weak_ptr<int> life = life_;
  auto scheduler = context_.scheduler;
  queue_->async([this, load = std::move(load), placementFor = std::move(placementFor), generation, life, scheduler,
                 latest = latest_, skip = overtaken_ == Overtaken::skip] {
    if (skip && latest->load() != generation) return;  // a newer request is queued behind this one
    std::optional<QImage> result = load();
    std::optional<Scaled> scaled;
    if (result && !result->isNull() && placementFor) {
      if (const std::optional<Placement> placement = placementFor(*result))
        scaled = Scaled{placement->source, placement->pixels,
                        scaledCopy(*result, placement->source, placement->pixels, placement->scale)};
    }
    scheduler->post(
        [this, generation, result = std::move(result), scaled = std::move(scaled)]() mutable {
          if (generation != generation_) return;  // asked for something else since
          image_ = result ? *result : QImage();
          status_ = image_.isNull() ? Status::missing : Status::loaded;
          if (!image_.isNull() && scaled && !scaled->image.isNull()) keepScaled(std::move(*scaled));
          if (onChange_) onChange_();
        },
        Guard(life));
  });
}

QImage CardImageLoader::scaledCopy(const QImage& image, const QRectF& source, const QSize& pixels, double scale) {
  const QRect part = source.toAlignedRect();
  QImage scaled =
      (part == image.rect() ? image : image.copy(part)).scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(scale);
  return scaled;
}

bool CardImageLoader::isPrescaled(const QRectF& source, const QSize& pixels) const {
  const Scaled* match = scaledFor(source, pixels);
  return match && !match->image.isNull();
}

const CardImageLoader::Scaled* CardImageLoader::scaledFor(const QRectF& source, const QSize& pixels) const {
  for (const std::optional<Scaled>& scaled : scaled_)
    if (scaled && scaled->source == source && scaled->pixels == pixels) return &*scaled;
  return nullptr;
}

void CardImageLoader::keepScaled(Scaled scaled) {
  scaled_[1] = std::move(scaled_[0]);
  scaled_[0] = std::move(scaled);
}

void CardImageLoader::draw(QPainter& painter, const QRectF& target, const QRectF& source) {
  if (image_.isNull() || target.isEmpty()) return;
  const double scale = Fx::painterScale(painter);
  const QSize pixels(std::max(1, int(std::lround(target.width() * scale))),
                     std::max(1, int(std::lround(target.height() * scale))));
  const Scaled* match = scaledFor(source, pixels);
  if (match && !match->image.isNull()) {
    painter.drawImage(target.topLeft(), match->image);
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_, source);
  painter.restore();
  if (!match) prescale(source, pixels, scale);  // else its copy is on its way
}

void CardImageLoader::prescale(const QRectF& source, const QSize& pixels, double scale) {
  keepScaled(Scaled{source, pixels, QImage()});
  const quint64 generation = generation_;
  std::weak_ptr<int> life = life_;
  auto scheduler = context_.scheduler;
  queue_->async([this, image = image_, source, pixels, scale, generation, life, scheduler] {
    QImage scaled = scaledCopy(image, source, pixels, scale);
    scheduler->post(
        [this, source, pixels, generation, scaled = std::move(scaled)]() mutable {
          if (generation != generation_) return;
          Scaled* waiting = scaledFor(source, pixels);
          if (!waiting) return;  // two other sizes were asked for since
          waiting->image = std::move(scaled);
          if (onChange_) onChange_();
        },
        Guard(life));
  });
}

}  // namespace qv
