#pragma once
#include "cards/content/CardImageLoader.h"
#include "ui/theme/Environment.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <functional>

class QPainter;

namespace qv {

struct ViewServices;

// An image item's card body: the picture scaled to fill the card and cropped to it, under a
// dark shade along the bottom. The display thumbnail comes from the shared thumbnail cache, or
// is made off the main thread; until it arrives a drawable stored image stands in, else a bare
// placeholder. "Image unavailable" shows only once the request found nothing.
class ImageCardContent {
 public:
  struct Props {
    QString itemId;  // the id string that names the item's thumbnail and image file
    QImage image;    // the payload's image; drawable only when it has a width
    bool operator==(const Props& other) const {
      return itemId == other.itemId && image.cacheKey() == other.image.cacheKey();
    }
  };

  enum class Shown { picture, pending, unavailable };

  static constexpr double kShadeHeight = 88;

  // `onChange` runs on the main thread when a thumbnail arrives (repaint).
  ImageCardContent(ViewServices& context, std::function<void()> onChange);

  // Another item starts its thumbnail request; the same item keeps what it has.
  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  Shown shown() const;
  // The picture shown now (the thumbnail, else the drawable stored image); null for none.
  const QImage& picture() const;

  void paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

 private:
  void startLoading();

  ViewServices& context_;
  Props props_;
  CardImageLoader thumbnail_;
};

}  // namespace qv
