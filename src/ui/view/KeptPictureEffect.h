#pragma once
#include "ui/fx/ItemBlurEffect.h"

#include <QImage>
#include <QPainter>

class QGraphicsItem;

namespace qv {

class FrameClock;

// Keeps the picture of a graphics item with its children between frames, so that an item that
// only moves (a card gliding to its new place) costs one blit a frame instead of painting its
// whole tree. Anything that changes in the item (an update of it or of a child: content, hover,
// selection, a lift, a theme) lets the picture go. An item that changed since its last frame is
// painted as it is (a fade or a lift under way gains nothing from a picture made every frame);
// one unchanged since is drawn from the picture, made at the device's pixel ratio and sub-pixel
// position, so that it looks as painted directly. While the item moves (gliding over sub-pixel
// positions) the picture lands on the nearest device pixel; once it stops, or the frames stop,
// it is painted afresh where it rests.
// While a transition blurs the item it blurs as ItemBlurEffect does.
class KeptPictureEffect : public Fx::ItemBlurEffect {
  Q_OBJECT
 public:
  // `item` wears the effect (setGraphicsEffect); it and the clock outlive it.
  KeptPictureEffect(QGraphicsItem& item, FrameClock& clock, QObject* parent = nullptr);

  bool hasPicture() const { return !picture_.isNull(); }
  // Frees the picture; the item's next frame paints it and makes a new one.
  void letGo();
  // How often the picture was made, drawn from, and the item painted directly.
  int pictureRenders() const { return renders_; }
  int pictureBlits() const { return blits_; }
  int directPaints() const { return directPaints_; }

 protected:
  void draw(QPainter* painter) override;
  void sourceChanged(ChangeFlags flags) override;

 private:
  void makePicture(const QPainter& target, const QRectF& bounds, double ratio, QPointF phase);
  // Paints the item afresh once the frames stop.
  void awaitRest();

  QGraphicsItem& item_;
  FrameClock& clock_;
  QMetaObject::Connection awaitingRest_;
  QImage picture_;        // what of the item shows: its picture cut to the pixels it paints
  QPoint pictureTrim_;    // where that lies within the whole picture, in device pixels
  QRectF pictureBounds_;  // the part of the item it shows, in item coordinates
  QPointF picturePhase_;  // where its top-left lies within a device pixel
  QPointF restingAt_;     // where the item lay at the last frame, while awaiting its rest
  bool changed_ = true;
  QPointF lastOrigin_;       // where the item was drawn in the frame `originFrame_`
  quint64 originFrame_ = 0;  // (device pixels; frames as the clock counts them)
  bool still_ = false;       // drawn in the same place in that frame as in the one before
  int renders_ = 0;
  int blits_ = 0;
  int directPaints_ = 0;
};

}  // namespace qv
