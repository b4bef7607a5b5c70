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
  scaled_.reset();
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
          if (!image_.isNull() && scaled && !scaled->image.isNull()) scaled_ = std::move(scaled);
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
  return scaled_ && scaled_->source == source && scaled_->pixels == pixels && !scaled_->image.isNull();
}

void CardImageLoader::draw(QPainter& painter, const QRectF& target, const QRectF& source) {
  if (image_.isNull() || target.isEmpty()) return;
  const double scale = Fx::painterScale(painter);
  const QSize pixels(std::max(1, int(std::lround(target.width() * scale))),
                     std::max(1, int(std::lround(target.height() * scale))));
  if (isPrescaled(source, pixels)) {
    painter.drawImage(target.topLeft(), scaled_->image);
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_, source);
  painter.restore();
  if (!scaled_ || scaled_->source != source || scaled_->pixels != pixels) prescale(source, pixels, scale);
}

void CardImageLoader::prescale(const QRectF& source, const QSize& pixels, double scale) {
  scaled_ = Scaled{source, pixels, QImage()};
  const quint64 generation = generation_;
  std::weak_ptr<int> life = life_;
  auto scheduler = context_.scheduler;
  queue_->async([this, image = image_, source, pixels, scale, generation, life, scheduler] {
    QImage scaled = scaledCopy(image, source, pixels, scale);
    scheduler->post(
        [this, source, pixels, generation, scaled = std::move(scaled)]() mutable {
          if (generation != generation_ || !scaled_ || scaled_->source != source || scaled_->pixels != pixels) return;
          scaled_->image = std::move(scaled);
          if (onChange_) onChange_();
        },
        Guard(life));
  });
}

}  // namespace qv
