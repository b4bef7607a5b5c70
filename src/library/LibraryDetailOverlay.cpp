#include "library/LibraryDetailOverlay.h"

#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/fx/Fx.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace qv {

std::vector<QRect> overlappingGroups(std::vector<QRect> rects) {
  // Merging two groups can make the merged one reach a third: merge until nothing overlaps.
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < rects.size(); ++i)
      for (size_t j = i + 1; j < rects.size(); ++j)
        if (rects[i].intersects(rects[j])) {
          rects[i] |= rects[j];
          rects.erase(rects.begin() + qsizetype(j));
          merged = true;
          --j;
        }
  }
  return rects;
}

// ---- Overlay ---------------------------------------------------------------------------------

namespace {

// The pane's shadow, painted at the overlay's opacity; the pointer passes through it.
class DetailShadow : public QWidget {
 public:
  DetailShadow(LibraryDetailOverlay& overlay, QWidget* parent) : QWidget(parent), overlay_(overlay) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(overlay_.shownOpacity());
    const double room = LibraryDetailOverlay::kShadowRoom;
    const QRectF pane = QRectF(rect()).adjusted(room, room, -room, -room);
    const ShadowLayer shadow{QColor::fromRgbF(0, 0, 0, LibraryDetailOverlay::kShadowOpacity),
                             LibraryDetailOverlay::kShadowRadius, 0, LibraryDetailOverlay::kShadowOffsetY};
    // A part at a time, each a rectangle: a clip of several would send every piece of the
    // shadow through the raster engine's slow path.
    for (const QRect& part : event->region() - overlay_.hiddenByPane().translated(-pos())) {
      painter.setClipRect(part);
      Fx::drawStretchedShadow(painter, pane, LibraryDetailPane::kCornerRadius, shadow, overlay_.isResizing());
    }
  }

 private:
  LibraryDetailOverlay& overlay_;
};

// The picture of what lies under the pane, in place of the grid: opaque, so that the pane's
// frames do not repaint the cards beneath.
class DetailBackdrop : public QWidget {
 public:
  DetailBackdrop(const LibraryDetailOverlay& overlay, const QImage& picture, const QRect& pictureRect, QWidget* parent)
      : QWidget(parent), overlay_(overlay), picture_(picture), pictureRect_(pictureRect) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    // Source over, not source: only then is a picture with alpha copied straight, at any scale
    // (the raster engine stretches it pixel by pixel otherwise, several milliseconds a frame).
    // The same result: the picture is opaque, or the translucent window cleared what it repaints.
    const double scale = picture_.devicePixelRatio();
    for (const QRect& dirty : event->region() - overlay_.hiddenByPane().translated(-pos())) {
      const QPoint from = geometry().topLeft() - pictureRect_.topLeft() + dirty.topLeft();
      painter.drawImage(QRectF(dirty), picture_,
                        QRectF(from.x() * scale, from.y() * scale, dirty.width() * scale, dirty.height() * scale));
    }
  }

 private:
  const LibraryDetailOverlay& overlay_;
  const QImage& picture_;
  const QRect& pictureRect_;
};

}  // namespace

LibraryDetailOverlay::LibraryDetailOverlay(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent),
      presence_(*context.frameClock, 0.0),
      size_(*context.frameClock),
      swap_(*context.frameClock, 1.0) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TranslucentBackground, true);
  presence_.setOnChange([this] { apply(); });
  size_.setOnChange([this] { apply(); });
  swap_.setOnChange([this] { apply(); });
  hide();
}

LibraryDetailOverlay::~LibraryDetailOverlay() {
  taking_.cancel();
  letGo_.cancel();
  delete backdrop_.data();
  delete shadow_.data();
}

bool LibraryDetailOverlay::reducedMotion() const {
  return context().reduceMotion && context().reduceMotion->isEnabled();
}

void LibraryDetailOverlay::setProps(const Props& props) {
  if (props == props_) return;
  const bool comes = props.shown != props_.shown;
  const bool standing = props_.shown && props.shown && !isHidden();
  props_ = props;
  const std::optional<Animation> animation = Transaction::current().animation;
  if (!props_.shown) {
    // A pane going keeps the size it has.
  } else if (!standing) {
    size_.jumpTo(props_.paneSize);  // and comes in at it
  } else if (animation && reducedMotion()) {
    size_.jumpTo(props_.paneSize);
    swap_.jumpTo(0);
    swap_.animateTo(1, animation);
  } else {
    // A change without an animation of its own (the window resized) keeps the curve of one under way.
    size_.animateTo(props_.paneSize, animation ? animation : size_.animation());
  }
  if (comes) presence_.setTarget(props_.shown ? 1.0 : 0.0);
  apply();
}

void LibraryDetailOverlay::setPane(LibraryDetailPane* pane) {
  if (pane_ == pane) return;
  delete pane_.data();
  pane_ = pane;
  if (!pane) return;
  pane->setParent(this);
  pane->setGeometry(QRect(QPoint(), slotRect().size().toSize()));
  pane->show();
}

double LibraryDetailOverlay::travel() const {
  if (reducedMotion()) return 0;
  // From just below the area's bottom edge.
  return (1 - std::clamp(presence_.value(), 0.0, 1.2)) * (size_.value().height() + kBottomPadding);
}

double LibraryDetailOverlay::shownOpacity() const {
  return std::clamp(presence_.value(), 0.0, 1.0) * std::clamp(swap_.value(), 0.0, 1.0);
}

void LibraryDetailOverlay::place(const QRectF& area) {
  area_ = area;
  apply();
}

void LibraryDetailOverlay::apply() {
  const double opacity = shownOpacity();
  const bool visible = props_.shown || opacity > 0.001;
  if (!shadow_ && parentWidget()) shadow_ = new DetailShadow(*this, parentWidget());
  if (!visible) {
    hide();
    if (shadow_) shadow_->hide();
    dropBackdrop();
    return;
  }
  const QSizeF pane = size_.value();
  const QPointF topLeft(area_.center().x() - pane.width() / 2,
                        area_.bottom() - kBottomPadding - pane.height() + travel());
  const QRect frame = QRectF(topLeft, pane).toAlignedRect();
  setGeometry(frame);
  if (pane_) pane_->setGeometry(QRect(QPoint(), frame.size()));
  // A whole pane with its children fades: the one place an opacity effect is worth it, and only
  // while it moves.
  if (opacity < 0.999) {
    if (!fade_) {
      fade_ = new QGraphicsOpacityEffect(this);
      setGraphicsEffect(fade_);
    }
    fade_->setOpacity(opacity);
  } else if (fade_) {
    setGraphicsEffect(nullptr);
    fade_ = nullptr;
  }
  if (shadow_) {
    const QRect shadow = shadowRect();
    // The shadow changes only with the pane's place, size and opacity.
    const bool changed = shadow_->geometry() != shadow || shadow_->isHidden() || opacity < 0.999;
    shadow_->setGeometry(shadow);
    shadow_->show();
    shadow_->stackUnder(this);
    if (changed) shadow_->update();
  }
  if (backdrop_ && backdrop_->isVisible()) {
    // The picture covers the pane's new place, or the grid shows through. While the pane moves
    // or changes it is kept, and covers wherever the pane has been since it was taken: a pane
    // that narrows uncovers a picture, not cards to paint.
    const QRect under = backdropRect();
    if (pictureRect_.contains(under)) {
      const QRect covered = backdrop_->geometry() | under;
      backdrop_->setGeometry(covered);
      repaintPicture(stale_ & pictureShown());
      keepBackdrop();
    } else {
      dropBackdrop();
    }
  }
  if (isHidden()) show();
  raise();
  if (shadow_) shadow_->stackUnder(this);
  if (backdrop_ && shadow_) backdrop_->stackUnder(shadow_);
}

QRect LibraryDetailOverlay::shadowRect() const {
  return geometry().adjusted(-int(kShadowRoom), -int(kShadowRoom), int(kShadowRoom), int(kShadowRoom));
}

QRect LibraryDetailOverlay::backdropRect() const { return shadowRect() & area_.toAlignedRect(); }

bool LibraryDetailOverlay::showsBackdrop() const { return backdrop_ && backdrop_->isVisible(); }

void LibraryDetailOverlay::keepBackdrop() {
  letGo_.cancel();
  letGo_ = context().scheduler->after(
      kBackdropSeconds, [this] { dropBackdrop(); }, this);
}

void LibraryDetailOverlay::holdBackdrop() {
  if (!backdropPainter_ || !parentWidget() || !props_.shown || isHidden()) return;
  keepBackdrop();
  if (showsBackdrop() || taking_.isPending()) return;
  taking_ = context().scheduler->after(
      0, [this] { takeBackdrop(); }, this);
}

void LibraryDetailOverlay::takeBackdrop() {
  if (!props_.shown || isHidden() || !parentWidget()) return;
  // A pane still moving in would leave a picture taken now behind: it is taken once it rests.
  if (presence_.isAnimating()) {
    if (letGo_.isPending())
      taking_ = context().scheduler->after(
          1.0 / 60, [this] { takeBackdrop(); }, this);
    return;
  }
  // The whole grid: a retarget to a wider or taller pane (a note to a document) stays on the
  // picture; a change beside the pane is painted into it only once the pane grows over it.
  const QRect band = area_.toAlignedRect();
  const QRect under = backdropRect();
  if (band.isEmpty() || !band.contains(under)) return;
  const double scale = parentWidget()->devicePixelRatioF();
  picture_ = QImage((QSizeF(band.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  picture_.setDevicePixelRatio(scale);
  picture_.fill(Qt::transparent);
  {
    QPainter painter(&picture_);
    backdropPainter_(painter, band);
  }
  pictureRect_ = band;
  stale_ = QRegion();
  if (!backdrop_) backdrop_ = new DetailBackdrop(*this, picture_, pictureRect_, parentWidget());
  backdrop_->setGeometry(under);
  backdrop_->show();
  if (shadow_) backdrop_->stackUnder(shadow_);
}

void LibraryDetailOverlay::refreshBackdrop(const QRect& rect) {
  const QRect changed = rect & pictureRect();
  if (changed.isEmpty()) return;
  // Beside the pane the grid shows itself, and behind it nothing does: those parts of the
  // picture are painted again only once they show.
  const QRegion shown = pictureShown() & changed;
  stale_ += QRegion(changed) - shown;
  repaintPicture(shown);
}

QRegion LibraryDetailOverlay::hiddenByPane() const {
  if (!pane_ || !pane_->replacesWhatLiesBelow() || shownOpacity() < 0.999 || isHidden()) return {};
  // The straight middle of each side, a pixel in from the edge (antialiased there); the rounded
  // corners blend.
  const QRect frame = pane_->geometry().translated(pos());
  const int corner = int(std::ceil(LibraryDetailPane::kCornerRadius * Fx::kContinuousCornerExtent)) + 1;
  return QRegion(frame.adjusted(corner, 1, -corner, -1)) + QRegion(frame.adjusted(1, corner, -1, -corner));
}

QRegion LibraryDetailOverlay::pictureShown() const { return QRegion(backdrop_->geometry()) - hiddenByPane(); }

void LibraryDetailOverlay::repaintPicture(const QRegion& region) {
  if (region.isEmpty()) return;
  const QRect bounds = region.boundingRect();
  {
    QPainter painter(&picture_);
    painter.setClipRegion(region.translated(-pictureRect_.topLeft()));
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(bounds.translated(-pictureRect_.topLeft()), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setClipping(false);
    painter.translate(bounds.topLeft() - pictureRect_.topLeft());
    // Once for all its parts: each pass over the grid costs the same setting up.
    backdropPainter_(painter, region);
  }
  stale_ -= region;
  backdrop_->update(region.translated(-backdrop_->pos()));
}

void LibraryDetailOverlay::dropBackdrop() {
  taking_.cancel();
  letGo_.cancel();
  if (backdrop_ && backdrop_->isVisible()) backdrop_->hide();
  picture_ = QImage();
  stale_ = QRegion();
}

QPainterPath LibraryDetailOverlay::hitShape() const {
  QPainterPath path;
  path.addRect(slotRect());
  return path;
}

}  // namespace qv
