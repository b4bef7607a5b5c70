#pragma once
#include "platform/Compositor.h"
#include "platform/Scheduler.h"

#include <QImage>
#include <QObject>
#include <QPointer>

namespace qv {

struct InterfaceServices;
class PreviewConcealCover;

// Keeps a sensitive item's content out of sight in the preview pane's content box. While the
// item is concealed the cover stands over the content with a blurred picture of it, drawn again
// (at most 20 times a second) whenever the content paints, resizes or the environment changes;
// the content under it says nothing to screen readers. The box's hairline stays above the cover.
class PreviewConcealment : public QObject {
 public:
  // How often at most a concealed content's picture is drawn again while the content changes.
  static constexpr double kPictureInterval = 1.0 / 20;
  static constexpr double kSensitiveBlur = 30;

  // The cover goes into `box`, under `frame`.
  PreviewConcealment(InterfaceServices& context, QWidget* box, QWidget* frame);

  bool isConcealed() const { return concealed_; }
  void setConcealed(bool concealed);
  // The box's content from now on: watched for its paints, and kept from screen readers while
  // concealed. Null while there is none.
  void setContent(QWidget* content);
  void setTranslucency(TranslucencySupport support);
  // The cover's frame in the box.
  void setGeometry(const QRect& rect);
  // Draws the content's picture now (while concealed), or at most kPictureInterval from now.
  void drawPicture();
  void schedulePicture();
  // The blurred picture over a concealed item's content (null otherwise).
  const QImage& picture() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watch(QObject* object);

  InterfaceServices& context_;
  QWidget* frame_;
  PreviewConcealCover* cover_;
  QPointer<QWidget> content_;
  bool concealed_ = false;
  bool drawingPicture_ = false;
  WorkItem pictureWork_;
};

}  // namespace qv
