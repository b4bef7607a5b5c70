#include "cards/content/CardImageLoader.h"

#include "cards/ViewServices.h"
#include "ui/fx/Fx.h"

#include <QPainter>
#include <cmath>

namespace qv {

namespace {
constexpr char kQueueName[] = "cardImages";
}

CardImageLoader::CardImageLoader(ViewServices& context, std::function<void()> onChange)
    : context_(context), queue_(context.queue(QLatin1String(kQueueName))), onChange_(std::move(onChange)) {}

CardImageLoader::~CardImageLoader() = default;

void CardImageLoader::reset() {
  ++generation_;
  status_ = Status::idle;
  image_ = QImage();
  scaled_.reset();
}

void CardImageLoader::setLoaded(const QImage& image) {
  reset();
  image_ = image;
  status_ = image.isNull() ? Status::missing : Status::loaded;
}

void CardImageLoader::request(Load load) {
  reset();
  status_ = Status::pending;
  const quint64 generation = generation_;
  std::weak_ptr<int> life = life_;
  auto scheduler = context_.scheduler;
  queue_->async([this, load = std::move(load), generation, life, scheduler] {
    std::optional<QImage> result = load();
    scheduler->post(
        [this, generation, result = std::move(result)] {
          if (generation != generation_) return;  // asked for something else since
          image_ = result ? *result : QImage();
          status_ = image_.isNull() ? Status::missing : Status::loaded;
          if (onChange_) onChange_();
        },
        Guard(life));
  });
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
    QImage scaled = image.copy(source.toAlignedRect()).scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(scale);
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
