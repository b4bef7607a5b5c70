#pragma once
#include "cards/content/CardImageLoader.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace qv {

struct ViewServices;
struct ClipboardItem;
class ProgressSpinner;

// An image item in the preview: the picture scaled to fit the view, aspect kept, never
// cropped. An image whose stored size is at most 1200 points on its longer side shows as it is
// at once; a larger one shows a spinner while a worker makes a copy of at most 1600 pixels on
// its longer side (with the picture's orientation applied, pre-scaled to where it is drawn),
// which then fades in. Another item starts again from the spinner and never shows the first
// item's picture; a picture that arrives after the view is gone is dropped. When no picture can
// be had the view says "Image unavailable"; the main thread never decodes or scales the large
// picture.
class DownsampledImageView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString itemId;    // names the image side file
    QImage image;      // the payload's picture in memory; null for an item read from the history
    QSize storedSize;  // the payload's width and height
    bool operator==(const Props& other) const {
      return itemId == other.itemId && image.cacheKey() == other.image.cacheKey() && storedSize == other.storedSize;
    }
    static Props of(const ClipboardItem& item);
  };
  enum class Shown { pending, picture, unavailable };

  // Shown as it is up to this longer side (points).
  static constexpr int kLargestSideShownAsIs = 1200;
  // The longer side of a downsampled copy (pixels).
  static constexpr int kThumbnailPixelSize = 1600;
  static constexpr char kQueueName[] = "imageDownsampling";

  explicit DownsampledImageView(ViewServices& context, QWidget* parent = nullptr);
  ~DownsampledImageView() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  Shown shown() const;
  // Whether the picture shown is a downsampled copy (false: the picture as it is).
  bool isDownsampled() const { return downsampled_; }
  // The picture drawn (the copy or the picture itself); null while none is.
  const QImage& picture() const { return loader_.image(); }
  // 0 … 1: how far the picture has faded in.
  double pictureOpacity() const { return opacity_.value(); }
  ProgressSpinner& spinner() const { return *spinner_; }
  // Where the picture is drawn now.
  QRectF pictureRect() const;
  bool isPrescaledFor(double devicePixelRatio) const;

  // The picture of an item at a bounded size, for the worker: from the picture in memory when it
  // has one, else from the side file at `path`; a longer side above 1200 is brought down to
  // `maximumPixelSize`, with the file's orientation applied. None when neither gives a picture.
  static std::optional<QImage> readPicture(const QString& path, const QImage& inMemory,
                                           int maximumPixelSize = kThumbnailPixelSize);

  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void prepare();
  void pictureArrived();

  ViewServices& services_;
  Props props_;
  bool hasProps_ = false;
  CardImageLoader loader_;
  Animated<double> opacity_;
  ProgressSpinner* spinner_;
  bool downsampled_ = false;
  bool fadeIn_ = false;  // the picture about to arrive fades in
};

}  // namespace qv
