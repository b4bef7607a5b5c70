#pragma once
#include "cards/ViewServices.h"
#include "items/ItemServices.h"
#include "support/ui/FakeInterfaceContext.h"

#include <QImage>
#include <QPainter>
#include <functional>

namespace qv::test {

// A fake context with the interface and item services, for card contents.
struct FakeCardContext : FakeInterfaceContextFor<ViewServices> {
  FakeCardContext() { installItemServices(*context); }
  EnvironmentValues env(ColorScheme scheme = ColorScheme::light) const {
    EnvironmentValues values;
    values.colorScheme = scheme;
    return values;
  }
  std::shared_ptr<FakeSerialQueue> cardImageQueue() {
    return queues->queue(QStringLiteral("com.tarnwick.Quorvalen.cardImages"));
  }
};

// A card-sized image painted by `paint` at `dpr`.
inline QImage renderCard(double dpr, const std::function<void(QPainter&, const QRectF&)>& paint) {
  QImage image(QSize(int(280 * dpr), int(240 * dpr)), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  paint(painter, QRectF(0, 0, 280, 240));
  return image;
}

// A solid picture whose left half is `left` and right half `right`, split along the long side.
inline QImage twoTonePicture(QSize size, QColor first, QColor second) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(first);
  QPainter painter(&image);
  if (size.width() >= size.height())
    painter.fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()), second);
  else painter.fillRect(QRect(0, size.height() / 2, size.width(), size.height() - size.height() / 2), second);
  return image;
}

}  // namespace qv::test
