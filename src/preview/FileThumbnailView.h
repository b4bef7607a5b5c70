#pragma once
#include "cards/content/FileIconView.h"
#include "platform/ThumbnailService.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <memory>

namespace qv {

struct ViewServices;
class ProgressSpinner;

// A file whose kind has no richer renderer, shown by its thumbnail (ThumbnailService): a small
// spinner while the thumbnail is made, then the thumbnail scaled to fit inside the inset,
// proportions kept, in a rounded clip, fading in with the gentle spring; when none can be made,
// the file's icon (72 × 72) above its name (up to six centred lines), without animation. The
// preview pane, the rich document preview and the library's detail pane use it.
//
// Each file starts clean: given another file, the view drops the earlier thumbnail and its
// failure at once and waits for the new one, so it never shows one file's picture for another.
// The main thread only places the picture: a worker brings it to the drawn size and rounds its
// corners before it is shown.
class FileThumbnailView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString path;      // the file; what the thumbnail is asked for
    QString filename;  // the name shown, and the name the fallback icon is chosen by
    double inset = 16;
    double cornerRadius = 10;
    QSizeF renderSize{420, 320};  // points; asked for at 2 pixels per point
    bool operator==(const Props&) const = default;
  };
  enum class Shown { pending, thumbnail, fallback };

  static constexpr double kThumbnailScale = 2.0;
  static constexpr double kIconSide = 72;
  static constexpr double kStackSpacing = 10;
  static constexpr double kNameFontSize = 13;
  static constexpr double kNameOpacity = 0.85;
  static constexpr int kNameLineLimit = 6;
  static constexpr double kNamePadding = 24;
  static constexpr char kQueueName[] = "fileThumbnails";

  explicit FileThumbnailView(ViewServices& services, QWidget* parent = nullptr);
  ~FileThumbnailView() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  Shown shown() const;
  // The thumbnail as it was answered (null while none is).
  const QImage& thumbnail() const { return thumbnail_; }
  // 0 … 1: how far the thumbnail has faded in.
  double thumbnailOpacity() const { return opacity_.value(); }
  // Where the thumbnail is drawn, and whether that is a plain copy of a prepared picture.
  QRectF thumbnailRect() const;
  bool isPrepared(double devicePixelRatio) const;
  // The fallback's pieces.
  QRectF iconRect() const;
  QRectF nameRect() const;
  QStringList nameLines() const;
  const FileIconView& icon() const { return icon_; }
  ProgressSpinner& spinner() const { return *spinner_; }

  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Prepared {
    QSize pixels;
    double radius = 0;
    QImage image;  // null while being made
  };
  void startClean();
  void requestThumbnail();
  void answered(quint64 generation, std::optional<QImage> picture);
  void prepare();
  void reveal();
  QSize preparedPixels(double devicePixelRatio) const;
  QRectF contentRect() const;
  void placeSpinner();
  const TextBlock& nameBlock() const { return name_; }

  ViewServices& services_;
  Props props_;
  bool hasProps_ = false;
  ThumbnailRequest request_;
  quint64 requestGeneration_ = 0;    // the answer that counts
  quint64 thumbnailGeneration_ = 0;  // the thumbnail a prepared copy is made of
  TextBlock name_;
  QImage thumbnail_;
  bool revealed_ = false;  // the thumbnail is shown (its prepared copy was ready, or it had to be drawn as is)
  bool failed_ = false;
  std::optional<Prepared> prepared_;
  Animated<double> opacity_;
  ProgressSpinner* spinner_;
  FileIconView icon_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace qv
