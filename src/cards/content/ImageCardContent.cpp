#include "cards/content/ImageCardContent.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/TextBlock.h"

#include <QCoreApplication>
#include <QPainter>

namespace qv {

using namespace CardContentStyle;

ImageCardContent::ImageCardContent(ViewServices& context, std::function<void()> onChange)
    : context_(context), thumbnail_(context, std::move(onChange)) {}

bool ImageCardContent::setProps(const Props& props) {
  if (props == props_) return false;
  const bool otherItem = props.itemId != props_.itemId;
  props_ = props;
  if (otherItem) startLoading();
  return true;
}

void ImageCardContent::startLoading() {
  thumbnail_.reset();
  auto thumbnails = context_.thumbnails;
  if (!thumbnails || props_.itemId.isEmpty()) return;
  if (auto hit = thumbnails->cached(props_.itemId)) {
    thumbnail_.setLoaded(*hit);
    return;
  }
  std::optional<QImage> fallback;
  if (props_.image.width() > 0) fallback = props_.image;
  thumbnail_.request([thumbnails, id = props_.itemId, fallback] { return thumbnails->thumbnailImage(id, fallback); });
}

ImageCardContent::Shown ImageCardContent::shown() const {
  if (!picture().isNull()) return Shown::picture;
  return thumbnail_.status() == CardImageLoader::Status::pending ? Shown::pending : Shown::unavailable;
}

const QImage& ImageCardContent::picture() const {
  if (thumbnail_.hasImage()) return thumbnail_.image();
  static const QImage none;
  return props_.image.width() > 0 ? props_.image : none;
}

void ImageCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  switch (shown()) {
    case Shown::picture:
      if (thumbnail_.hasImage()) {
        thumbnail_.draw(painter, rect, fillCropSource(thumbnail_.image().size(), rect.size()));
      } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, props_.image, fillCropSource(props_.image.size(), rect.size()));
      }
      break;
    case Shown::pending: painter.fillRect(rect, primary(environment, 0.06)); break;
    case Shown::unavailable: {
      painter.fillRect(rect, primary(environment, 0.06));
      const QString text = QCoreApplication::translate("ImageCardContent", "Image unavailable");
      const TextBlock label(text, TextStyle{systemFont(11)});
      const QSizeF labelSize = label.size(0);
      constexpr double symbolSize = 26, spacing = 8;
      const double top = rect.center().y() - (symbolSize + spacing + labelSize.height()) / 2;
      painter.drawImage(QPointF(rect.center().x() - symbolSize / 2, top),
                        Symbols::image(QStringLiteral("photo.badge.exclamationmark"), symbolSize,
                                       primary(environment, 0.35), Fx::painterScale(painter)));
      label.draw(painter, QPointF(rect.center().x() - labelSize.width() / 2, top + symbolSize + spacing), 0,
                 primary(environment, 0.4));
      break;
    }
  }
  // The shade lies over the picture and the placeholder alike.
  const QRectF shade(rect.left(), rect.bottom() - kShadeHeight, rect.width(), kShadeHeight);
  painter.fillRect(shade, Fx::linearGradient(shade, {0.5, 0}, {0.5, 1}, {{0, black(0)}, {1, black(0.55)}}));
  painter.restore();
}

}  // namespace qv
