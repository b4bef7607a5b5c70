#include "preview/FileThumbnailView.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"
#include "platform/SerialQueue.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <cmath>

namespace qv {

namespace {

// The thumbnail at `pixels`, its corners rounded by `radius` pixels, ready to be copied.
QImage roundedCopy(const QImage& thumbnail, QSize pixels, double radius, double devicePixelRatio) {
  const QImage scaled = thumbnail.size() == pixels
                            ? thumbnail
                            : thumbnail.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage rounded(pixels, QImage::Format_ARGB32_Premultiplied);
  rounded.fill(Qt::transparent);
  QPainter painter(&rounded);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QBrush(scaled));
  painter.drawPath(Fx::continuousRoundedRect(QRectF(QPointF(0, 0), QSizeF(pixels)), radius));
  painter.end();
  rounded.setDevicePixelRatio(devicePixelRatio);
  return rounded;
}

QSize pixelsOf(const QSizeF& size, double scale) {
  return {int(std::lround(size.width() * scale)), int(std::lround(size.height() * scale))};
}

}  // namespace

FileThumbnailView::FileThumbnailView(ViewServices& services, QWidget* parent)
    : PaintedWidget(services, parent),
      services_(services),
      opacity_(*services.frameClock, 0.0),
      spinner_(new ProgressSpinner(services, this)),
      icon_(FileIcons::shared(services)) {
  setHoverEnabled(false);
  TextStyle style{systemFont(kNameFontSize, QFont::Medium)};
  style.lineLimit = kNameLineLimit;
  style.alignment = Qt::AlignHCenter;
  name_.setStyle(style);
  opacity_.setOnChange([this] { update(); });
  placeSpinner();
}

FileThumbnailView::~FileThumbnailView() = default;

void FileThumbnailView::setProps(const Props& props) {
  if (hasProps_ && props == props_) return;
  const bool newFile = !hasProps_ || props.path != props_.path;
  const bool newSize = hasProps_ && props.renderSize != props_.renderSize;
  const bool newShape = hasProps_ && (props.inset != props_.inset || props.cornerRadius != props_.cornerRadius);
  props_ = props;
  hasProps_ = true;
  name_.setText(props.filename);
  icon_.setProps({props.filename, false});
  if (newFile) {
    startClean();
    requestThumbnail();
  } else if (newSize) {
    // The same file at another size: what is shown stays until the new thumbnail arrives.
    requestThumbnail();
  }
  if (!newFile && newShape && !thumbnail_.isNull()) prepare();
  update();
}

void FileThumbnailView::startClean() {
  request_.cancel();
  ++requestGeneration_;
  ++thumbnailGeneration_;
  thumbnail_ = QImage();
  revealed_ = false;
  failed_ = false;
  prepared_.reset();
  opacity_.jumpTo(0);
  spinner_->show();
}

void FileThumbnailView::requestThumbnail() {
  const quint64 generation = ++requestGeneration_;
  ThumbnailService* service = services_.thumbnailService.get();
  if (!service || props_.path.isEmpty()) {
    request_.cancel();
    answered(generation, std::nullopt);
    return;
  }
  request_ = service->request(
      props_.path, pixelsOf(props_.renderSize, kThumbnailScale),
      [this, generation](std::optional<QImage> picture) { answered(generation, std::move(picture)); });
}

void FileThumbnailView::answered(quint64 generation, std::optional<QImage> picture) {
  if (generation != requestGeneration_) return;
  if (picture && !picture->isNull()) {
    thumbnail_ = std::move(*picture);
    ++thumbnailGeneration_;
    prepared_.reset();
    failed_ = false;
    prepare();
    return;
  }
  // A thumbnail already shown for this file wins over a later failure.
  if (!thumbnail_.isNull()) return;
  failed_ = true;
  spinner_->hide();
  update();
}

QRectF FileThumbnailView::contentRect() const {
  const double inset = std::max(0.0, props_.inset);
  return QRectF(rect()).adjusted(inset, inset, -inset, -inset);
}

QRectF FileThumbnailView::thumbnailRect() const {
  const QRectF content = contentRect();
  if (thumbnail_.isNull() || content.width() <= 0 || content.height() <= 0) return {};
  return CardContentStyle::fitRect(QSizeF(thumbnail_.size()), content);
}

QSize FileThumbnailView::preparedPixels(double devicePixelRatio) const {
  const QRectF target = thumbnailRect();
  if (target.isEmpty()) return {};
  return pixelsOf(target.size(), devicePixelRatio).expandedTo(QSize(1, 1));
}

bool FileThumbnailView::isPrepared(double devicePixelRatio) const {
  return prepared_ && !prepared_->image.isNull() && prepared_->pixels == preparedPixels(devicePixelRatio);
}

void FileThumbnailView::prepare() {
  const double scale = devicePixelRatioF();
  const QSize pixels = preparedPixels(scale);
  if (pixels.isEmpty()) {
    // Not laid out yet: shown as it is until a size gives it a prepared copy.
    prepared_.reset();
    if (!revealed_) reveal();
    return;
  }
  if (prepared_ && prepared_->pixels == pixels) return;
  const double radius = std::max(0.0, props_.cornerRadius) * scale;
  prepared_ = Prepared{pixels, radius, QImage()};
  const quint64 generation = thumbnailGeneration_;
  std::weak_ptr<int> life = life_;
  auto scheduler = services_.scheduler;
  services_.queue(QLatin1String(kQueueName))
      ->async([this, thumbnail = thumbnail_, pixels, radius, scale, generation, life, scheduler] {
        QImage rounded = roundedCopy(thumbnail, pixels, radius, scale);
        scheduler->post(
            [this, pixels, generation, rounded = std::move(rounded)]() mutable {
              if (generation != thumbnailGeneration_ || !prepared_ || prepared_->pixels != pixels) return;
              prepared_->image = std::move(rounded);
              if (!revealed_) reveal();
              else update();
            },
            Guard(life));
      });
}

void FileThumbnailView::reveal() {
  revealed_ = true;
  spinner_->hide();
  opacity_.animateTo(1, Theme::springGentle());
  update();
}

FileThumbnailView::Shown FileThumbnailView::shown() const {
  if (revealed_ && !thumbnail_.isNull()) return Shown::thumbnail;
  if (failed_) return Shown::fallback;
  return Shown::pending;
}

void FileThumbnailView::placeSpinner() {
  const QSize size = spinner_->sizeHint();
  spinner_->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void FileThumbnailView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeSpinner();
  if (!thumbnail_.isNull()) prepare();
}

QRectF FileThumbnailView::iconRect() const {
  const double nameWidth = std::max(0.0, width() - 2 * kNamePadding);
  const double nameHeight = nameBlock().size(nameWidth).height();
  const double stack = kIconSide + kStackSpacing + nameHeight;
  const QRectF bounds(rect());
  return {bounds.center().x() - kIconSide / 2, bounds.center().y() - stack / 2, kIconSide, kIconSide};
}

QRectF FileThumbnailView::nameRect() const {
  const double nameWidth = std::max(0.0, width() - 2 * kNamePadding);
  const QRectF icon = iconRect();
  return {kNamePadding, icon.bottom() + kStackSpacing, nameWidth, nameBlock().size(nameWidth).height()};
}

QStringList FileThumbnailView::nameLines() const {
  return nameBlock().lines(std::max(0.0, width() - 2 * kNamePadding));
}

AccessibilityInfo FileThumbnailView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Graphic;
  info.name = props_.filename;
  return info;
}

void FileThumbnailView::paint(QPainter& painter) {
  switch (shown()) {
    case Shown::pending: break;  // the spinner shows
    case Shown::thumbnail: {
      const QRectF target = thumbnailRect();
      if (target.isEmpty()) break;
      const double scale = Fx::painterScale(painter);
      painter.save();
      painter.setOpacity(unitClamped(thumbnailOpacity()));
      if (isPrepared(scale)) {
        // On whole device pixels, so that the copy is a copy.
        const QPointF at(std::round(target.x() * scale) / scale, std::round(target.y() * scale) / scale);
        painter.drawImage(at, prepared_->image);
      } else {
        // Drawn as it is until a worker made the copy for this size.
        if (!prepared_ || prepared_->pixels != preparedPixels(scale)) prepare();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setClipPath(Fx::continuousRoundedRect(target, std::max(0.0, props_.cornerRadius)));
        painter.drawImage(target, thumbnail_);
      }
      painter.restore();
      break;
    }
    case Shown::fallback: {
      const EnvironmentValues environment = this->environment();
      icon_.paint(painter, iconRect());
      const QRectF name = nameRect();
      nameBlock().draw(painter, name.topLeft(), name.width(), primaryColor(environment, kNameOpacity));
      break;
    }
  }
}

}  // namespace qv
