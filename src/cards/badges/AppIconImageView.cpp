#include "cards/badges/AppIconImageView.h"

#include "cards/content/CardContentStyle.h"
#include "items/identity/AppIdentity.h"
#include "items/model/ClipboardItem.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <cmath>

namespace qv {

bool AppIconImageView::isNearbyDevice() const { return bundleIdentifier_ == QLatin1String(kNearbyDeviceBundleID); }

QRectF AppIconImageView::nearbyTileRect(const QRectF& frame) {
  const double side = std::min(frame.width(), frame.height());
  return {frame.center().x() - side / 2, frame.center().y() - side / 2, side, side};
}

void AppIconImageView::paintNearbyDeviceTile(QPainter& painter, const QRectF& frame) {
  const QRectF tile = nearbyTileRect(frame);
  if (tile.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(Fx::continuousRoundedRect(tile, nearbyTileCornerRadius(tile.width())), Theme::accent());
  const double glyph = 0.56 * tile.width();
  const QRectF symbol(tile.center().x() - glyph / 2, tile.center().y() - glyph / 2, glyph, glyph);
  painter.drawImage(symbol, Symbols::image(QStringLiteral("iphone.gen3"), glyph, Qt::white, Fx::painterScale(painter)));
  painter.restore();
}

void AppIconImageView::paint(QPainter& painter, const QRectF& frame, AppIdentity& identity) const {
  if (isNearbyDevice()) {
    paintNearbyDeviceTile(painter, frame);
    return;
  }
  const QIcon icon = identity.appIcon(bundleIdentifier_);
  const double scale = Fx::painterScale(painter);
  // Asked at the device size so that the theme picks its sharpest rendition; stretched to fit.
  const QSize pixels(int(std::ceil(frame.width() * scale)), int(std::ceil(frame.height() * scale)));
  if (pixels.isEmpty()) return;
  QPixmap pixmap = icon.pixmap(pixels, 1.0);
  if (pixmap.isNull()) return;
  const QRectF target = CardContentStyle::fitRect(pixmap.size(), frame);
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
  painter.restore();
}

}  // namespace qv
