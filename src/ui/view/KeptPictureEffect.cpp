#include "ui/view/KeptPictureEffect.h"

#include "ui/anim/FrameClock.h"
#include "ui/fx/Fx.h"
#include "ui/view/PaintedItem.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <cmath>

namespace qv {

namespace {

bool samePhase(QPointF a, QPointF b) { return std::abs(a.x() - b.x()) < 1e-3 && std::abs(a.y() - b.y()) < 1e-3; }

QPointF floored(QPointF p) { return {std::floor(p.x()), std::floor(p.y())}; }

// The smallest rectangle that holds every pixel of `image` that is not fully clear (a pixel at
// the origin when none is).
QRect paintedArea(const QImage& image) {
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int first = 0;
    while (first < image.width() && qAlpha(row[first]) == 0) ++first;
    if (first == image.width()) continue;
    int last = image.width() - 1;
    while (qAlpha(row[last]) == 0) --last;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  if (right < 0) return QRect(0, 0, 1, 1);
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

KeptPictureEffect::KeptPictureEffect(QGraphicsItem& item, FrameClock& clock, QObject* parent)
    : ItemBlurEffect(parent), item_(item), clock_(clock) {}

// A move of the item itself tells of a new bounding rect only: the picture still holds.
void KeptPictureEffect::sourceChanged(ChangeFlags flags) {
  if (flags & (SourceAttached | SourceDetached | SourceInvalidated)) changed_ = true;
}

void KeptPictureEffect::draw(QPainter* painter) {
  // A blur, or a turn or scale of the whole item (a card blown away): painted each frame anyway.
  if (radius() > 0 || painter->worldTransform().type() > QTransform::TxTranslate) {
    picture_ = QImage();
    ItemBlurEffect::draw(painter);
    return;
  }
  if (std::exchange(changed_, false)) {
    picture_ = QImage();
    ++directPaints_;
    drawSource(painter);
    return;
  }
  const double ratio = Fx::painterScale(*painter);
  const QRectF bounds = item_.boundingRect() | item_.childrenBoundingRect();
  const QPointF origin = painter->worldTransform().map(bounds.topLeft()) * ratio;
  const QPointF phase = origin - floored(origin);
  const bool kept = !picture_.isNull() && picture_.devicePixelRatio() == ratio && pictureBounds_ == bounds;
  // Where the item rests it shows exactly as painted; while it moves its picture lands on the
  // nearest pixel, and it is painted afresh once it is still (drawn where it was drawn in the
  // frame before: a view scrolling moves it without a move of its own) or the frames stop.
  if (clock_.frames() != originFrame_) {
    still_ = origin == lastOrigin_;
    lastOrigin_ = origin;
    originFrame_ = clock_.frames();
  }
  if (!kept || (!samePhase(phase, picturePhase_) && (still_ || !clock_.isTicking())))
    makePicture(*painter, bounds, ratio, phase);
  QPointF at = floored(origin);
  if (!samePhase(phase, picturePhase_)) {
    at = floored(origin - picturePhase_ + QPointF(0.5, 0.5));
    awaitRest();
  }
  ++blits_;
  painter->save();
  painter->setWorldTransform(QTransform::fromTranslate(at.x() / ratio, at.y() / ratio));
  painter->setOpacity(item_.effectiveOpacity());
  Fx::drawImage(*painter, QPointF(pictureTrim_) / ratio, picture_);
  painter->restore();
}

void KeptPictureEffect::letGo() {
  picture_ = QImage();
  changed_ = true;
}

void KeptPictureEffect::awaitRest() {
  if (awaitingRest_) return;
  restingAt_ = item_.scenePos();
  // The first frame that leaves the item where it was (other things may go on moving; its draw
  // tells whether the view moved it), or the end of the frames.
  awaitingRest_ = connect(&clock_, &FrameClock::ticked, this, [this] {
    const QPointF at = item_.scenePos();
    if (clock_.isTicking() && at != std::exchange(restingAt_, at)) return;
    disconnect(std::exchange(awaitingRest_, {}));
    if (item_.scene()) item_.scene()->update(item_.mapRectToScene(item_.boundingRect() | item_.childrenBoundingRect()));
  });
}

void KeptPictureEffect::makePicture(const QPainter& target, const QRectF& bounds, double ratio, QPointF phase) {
  ++renders_;
  const QSize pixels(int(std::ceil(bounds.width() * ratio + phase.x())),
                     int(std::ceil(bounds.height() * ratio + phase.y())));
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(target.renderHints());
  painter.translate(phase / ratio - bounds.topLeft());
  paintItemTree(painter, &item_);
  painter.end();
  // Room for what the item paints only at times (a glow, a lift's shadows) is clear most of
  // the time: only what shows is kept and blended on every frame.
  const QRect shown = paintedArea(image);
  pictureTrim_ = shown.topLeft();
  picture_ = shown == image.rect() ? std::move(image) : image.copy(shown);
  picture_.setDevicePixelRatio(ratio);
  pictureBounds_ = bounds;
  picturePhase_ = phase;
}

}  // namespace qv
