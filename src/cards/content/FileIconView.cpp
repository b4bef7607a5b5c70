#include "cards/content/FileIconView.h"

#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"
#include "ui/fx/Fx.h"

#include <QPainter>
#include <cmath>

namespace qv {

bool FileIconView::setProps(const Props& props) {
  props_ = props;
  const QString key = FileIcons::key(props.filename, props.isDirectory);
  if (key_ == key) return false;
  key_ = key;
  // Resolved now, so that a paint only renders; the cache keeps it for every other view.
  icons_.icon(props.filename, props.isDirectory);
  image_ = QImage();
  imagePixels_ = 0;
  return true;
}

const QImage& FileIconView::imageFor(const QRectF& frame, double scale) {
  const double side = std::min(frame.width(), frame.height());
  const int pixels = int(std::lround(side * scale));
  if (pixels != imagePixels_) {
    imagePixels_ = pixels;
    image_ = side > 0 ? icons_.image(props_.filename, props_.isDirectory, side, scale) : QImage();
  }
  return image_;
}

QRectF FileIconView::iconRect(const QRectF& frame) const {
  const double side = std::min(frame.width(), frame.height());
  // The theme's icons are square; one that is not keeps its proportions when painted.
  const QSizeF size = image_.isNull() ? QSizeF(side, side) : image_.deviceIndependentSize();
  return CardContentStyle::fitRect(size, frame);
}

void FileIconView::paint(QPainter& painter, const QRectF& frame) {
  // A view never given props shows what its first props (an empty name) would.
  if (!key_) setProps(props_);
  const QImage& icon = imageFor(frame, Fx::painterScale(painter));
  if (icon.isNull()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(iconRect(frame), icon);
  painter.restore();
}

}  // namespace qv
