#include "preview/DownsampledImageView.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "items/model/ClipboardItem.h"
#include "items/stores/ImageStore.h"
#include "platform/ImageDecoder.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

int longerSide(QSize size) { return std::max(size.width(), size.height()); }

QSize boundedSize(QSize size, int longest) {
  if (longerSide(size) <= longest) return size;
  return size.scaled(longest, longest, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// Where a picture of `imageSize` pixels is drawn in `bounds`, in device pixels at `scale`.
CardImageLoader::Placement placementIn(QSize imageSize, const QRectF& bounds, double scale) {
  const QRectF target = CardContentStyle::fitRect(QSizeF(imageSize), bounds);
  return {QRectF(QPointF(0, 0), QSizeF(imageSize)),
          QSize(std::max(1, int(std::lround(target.width() * scale))),
                std::max(1, int(std::lround(target.height() * scale)))),
          scale};
}

}  // namespace

DownsampledImageView::Props DownsampledImageView::Props::of(const ClipboardItem& item) {
  Props props;
  props.itemId = item.idString();
  if (const auto* image = fieldsIf<ImagePayload>(&item.payload)) {
    props.image = image->image;
    props.storedSize = QSize(int(std::clamp<qint64>(image->width, 0, INT_MAX)),
                             int(std::clamp<qint64>(image->height, 0, INT_MAX)));
  }
  return props;
}

DownsampledImageView::DownsampledImageView(ViewServices& context, QWidget* parent)
    : PaintedWidget(context, parent),
      services_(context),
      loader_(
          context, [this] { pictureArrived(); }, QLatin1String(kQueueName), CardImageLoader::Overtaken::skip),
      opacity_(*context.frameClock, 0.0),
      spinner_(new ProgressSpinner(context, this)) {
  setHoverEnabled(false);
  opacity_.setOnChange([this] { update(); });
  spinner_->hide();
}

DownsampledImageView::~DownsampledImageView() = default;

void DownsampledImageView::setProps(const Props& props) {
  if (hasProps_ && props == props_) return;
  props_ = props;
  hasProps_ = true;
  prepare();
}

std::optional<QImage> DownsampledImageView::readPicture(const QString& path, const QImage& inMemory,
                                                        int maximumPixelSize) {
  if (!inMemory.isNull() && inMemory.width() > 0 && inMemory.height() > 0) {
    QImage picture = longerSide(inMemory.size()) > kLargestSideShownAsIs
                         ? inMemory.scaled(boundedSize(inMemory.size(), maximumPixelSize), Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation)
                         : inMemory;
    if (!picture.isNull()) {
      picture.setDevicePixelRatio(1.0);
      return picture;
    }
  }
  if (path.isEmpty()) return std::nullopt;
  // A picture whose full decode would take more memory than the allocation limit is not read at all.
  PictureFile file(path);
  QImageReader& reader = file.reader();
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) return std::nullopt;
  // The size before orientation: turning it swaps the sides, not the longer one.
  if (longerSide(size) > kLargestSideShownAsIs) reader.setScaledSize(boundedSize(size, maximumPixelSize));
  QImage picture = reader.read();
  if (picture.isNull()) return std::nullopt;
  if (longerSide(size) > kLargestSideShownAsIs && longerSide(picture.size()) > maximumPixelSize)
    picture = picture.scaled(boundedSize(picture.size(), maximumPixelSize), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
  picture.setDevicePixelRatio(1.0);
  return picture;
}

void DownsampledImageView::prepare() {
  loader_.reset();
  opacity_.jumpTo(0);
  downsampled_ = false;
  const QSize stored = props_.storedSize.isEmpty() ? props_.image.size() : props_.storedSize;
  const bool inMemory = !props_.image.isNull() && props_.image.width() > 0;
  if (inMemory && !stored.isEmpty() && longerSide(stored) <= kLargestSideShownAsIs &&
      longerSide(props_.image.size()) <= kLargestSideShownAsIs) {
    // Small enough to show as it is, at once.
    loader_.setLoaded(props_.image);
    opacity_.jumpTo(1);
    spinner_->hide();
    update();
    return;
  }
  // Anything else is read and bounded on the worker: a small picture only on disk shows at once
  // when it arrives, a large one fades in.
  fadeIn_ = stored.isEmpty() || longerSide(stored) > kLargestSideShownAsIs;
  downsampled_ = fadeIn_;
  spinner_->show();
  spinner_->raise();
  const QRectF bounds = QRectF(rect());
  const double scale = devicePixelRatioF();
  loader_.request(
      [store = services_.imageStore, id = props_.itemId, image = props_.image]() -> std::optional<QImage> {
        const QString path = store && !id.isEmpty() ? store->filePath(id) : QString();
        return readPicture(path, image);
      },
      [bounds, scale](const QImage& picture) -> std::optional<CardImageLoader::Placement> {
        if (bounds.isEmpty()) return std::nullopt;
        return placementIn(picture.size(), bounds, scale);
      });
  update();
}

void DownsampledImageView::pictureArrived() {
  spinner_->hide();
  if (loader_.hasImage()) {
    if (fadeIn_) opacity_.animateTo(1, Theme::springGentle());
    else opacity_.jumpTo(1);
  }
  update();
}

DownsampledImageView::Shown DownsampledImageView::shown() const {
  switch (loader_.status()) {
    case CardImageLoader::Status::loaded: return Shown::picture;
    case CardImageLoader::Status::missing: return Shown::unavailable;
    default: return Shown::pending;
  }
}

void DownsampledImageView::setCornerRadius(double radius) {
  if (radius == cornerRadius_) return;
  cornerRadius_ = radius;
  update();
}

QRectF DownsampledImageView::pictureRect() const {
  if (!loader_.hasImage()) return {};
  return CardContentStyle::fitRect(QSizeF(loader_.image().size()), QRectF(rect()));
}

bool DownsampledImageView::isPrescaledFor(double devicePixelRatio) const {
  if (!loader_.hasImage()) return false;
  const CardImageLoader::Placement placement = placementIn(loader_.image().size(), QRectF(rect()), devicePixelRatio);
  return loader_.isPrescaled(placement.source, placement.pixels);
}

void DownsampledImageView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  const QSize spinner = spinner_->sizeHint();
  spinner_->setGeometry(QRect(QPoint((width() - spinner.width()) / 2, (height() - spinner.height()) / 2), spinner));
}

AccessibilityInfo DownsampledImageView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Graphic;
  info.name = shown() == Shown::unavailable ? QCoreApplication::translate("ImageCardContent", "Image unavailable")
                                            : QCoreApplication::translate("DownsampledImageView", "Image");
  return info;
}

void DownsampledImageView::paint(QPainter& painter) {
  const EnvironmentValues environment = this->environment();
  const QRectF bounds(rect());
  switch (shown()) {
    case Shown::pending: break;  // the spinner shows
    case Shown::picture: {
      const QRectF target = pictureRect();
      if (target.isEmpty()) break;
      painter.save();
      painter.setOpacity(unitClamped(pictureOpacity()));
      if (cornerRadius_ > 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(Fx::continuousRoundedRect(target, cornerRadius_), Qt::IntersectClip);
      }
      loader_.draw(painter, target, QRectF(QPointF(0, 0), QSizeF(loader_.image().size())));
      painter.restore();
      break;
    }
    case Shown::unavailable: {
      // The card's placeholder words, centred under the missing-picture symbol.
      const QString text = QCoreApplication::translate("ImageCardContent", "Image unavailable");
      const TextBlock label(text, TextStyle{systemFont(11)});
      const QSizeF labelSize = label.size(0);
      constexpr double symbolSize = 26, spacing = 8;
      const double top = bounds.center().y() - (symbolSize + spacing + labelSize.height()) / 2;
      painter.drawImage(QPointF(bounds.center().x() - symbolSize / 2, top),
                        Symbols::image(QStringLiteral("photo.badge.exclamationmark"), symbolSize,
                                       CardContentStyle::primary(environment, 0.35), Fx::painterScale(painter)));
      label.draw(painter, QPointF(bounds.center().x() - labelSize.width() / 2, top + symbolSize + spacing), 0,
                 CardContentStyle::primary(environment, 0.4));
      break;
    }
  }
}

}  // namespace qv
