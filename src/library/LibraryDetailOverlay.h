#pragma once
#include "items/model/ClipboardItem.h"
#include "platform/Scheduler.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <functional>
#include <memory>
#include <vector>

class QGraphicsOpacityEffect;

namespace qv {

// The bounding rectangles of the groups that `rects` form, two rectangles being in one group when
// they overlap (directly or through others of the group).
std::vector<QRect> overlappingGroups(std::vector<QRect> rects);

// What sits in the detail overlay's slot: one item's pane (LibraryDetailView), framed at exactly
// the size the host gives it (width, and availableHeight as its height). `onClose` closes the pane.
class LibraryDetailPane : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kCornerRadius = 22;

  using PaintedWidget::PaintedWidget;
  virtual void showItem(const ClipboardItem& item, double width, double availableHeight,
                        std::function<void()> onClose) = 0;
  // Whether the pane's rounded shape replaces what lies below it (a background filled, not
  // blended): nothing under it shows while the pane stands there fully opaque.
  virtual bool replacesWhatLiesBelow() const { return false; }
};

// The detail pane's place over the bottom of the library's grid: a slot of the pane's size, and
// under it, in a sibling that takes no pointer (so the cards around the pane stay clickable),
// the pane's shadow (black at 0.28, radius 20, 6 down). The pane moves in from the bottom edge
// while it fades in, and back out the same way (it only fades under reduce motion), on the
// critical spring; it is hidden once it has gone. A standing pane given another size (another
// item) moves and resizes to it on the animation of that change; under reduce motion it takes
// the new size at once and fades in.
//
// While the pane changes over a grid that stays as it is (a card hovered to retarget it, the pane
// settling), what lies under the pane and its shadow is held as a picture, shown in a sibling
// under the shadow in place of the grid: the translucent pane's frames then repaint the pane and
// its shadow over that picture instead of every card beneath. The picture is let go a second
// after the pane last changed, and at once when its owner says the grid changed under it.
class LibraryDetailOverlay : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kBottomPadding = 28;
  static constexpr double kShadowOpacity = 0.28;
  static constexpr double kShadowRadius = 20;
  static constexpr double kShadowOffsetY = 6;
  // Room around the slot for the shadow.
  static constexpr double kShadowRoom = 40;
  // How long the picture of what lies under the pane is kept after the pane last changed.
  static constexpr double kBackdropSeconds = 1.0;

  struct Props {
    bool shown = false;
    QSizeF paneSize;
    bool operator==(const Props&) const = default;
  };

  explicit LibraryDetailOverlay(InterfaceServices& context, QWidget* parent = nullptr);
  ~LibraryDetailOverlay() override;

  // Comes or goes, or changes its size, with the animation of the change that set the props.
  void setProps(const Props& props);
  const Props& props() const { return props_; }
  // Places the overlay in its parent: centred over `area`, its slot's bottom 28 points above
  // the area's bottom (further down while it moves in or out).
  void place(const QRectF& area);

  // The slot's content; the overlay takes it over.
  void setPane(LibraryDetailPane* pane);
  LibraryDetailPane* pane() const { return pane_; }
  // The slot's frame in the overlay's coordinates, as it stands now (on its way to the props'
  // size while it changes).
  QRectF slotRect() const { return QRectF(QPointF(), size_.value()); }
  // The widget the shadow is painted in (beside the overlay, under it).
  QWidget* shadow() const { return shadow_; }
  // Paints what lies under the pane and its shadow (all but them) for `region` of the overlay's
  // parent, with the painter's origin at the top left of the region's bounds.
  using BackdropPainter = std::function<void(QPainter& painter, const QRegion& region)>;
  void setBackdropPainter(BackdropPainter painter) { backdropPainter_ = std::move(painter); }
  // The pane is about to change over a grid that stays: the picture is taken at the next turn
  // (unless held already) and kept for another second.
  void holdBackdrop();
  // What lies under the pane changed: the grid shows through again.
  void dropBackdrop();
  // A part of what lies under the pane changed its look (a card's ring or lift): that part of
  // the picture is painted again, `rect` in the parent's coordinates.
  void refreshBackdrop(const QRect& rect);
  // The picture is shown; where (in the parent's coordinates).
  bool showsBackdrop() const;
  QRect backdropRect() const;
  // What the picture holds (wider than the backdrop: a growing pane stays on it); empty when none
  // is shown.
  QRect pictureRect() const { return showsBackdrop() ? pictureRect_ : QRect(); }
  QWidget* backdrop() const { return backdrop_; }
  // On its way to another size.
  bool isResizing() const { return size_.isAnimating(); }
  // 0 gone … 1 in place.
  double presence() const { return presence_.value(); }
  // How far below its place the pane stands now, in points.
  double travel() const;
  double shownOpacity() const;
  // Where the pane stands so that nothing under it shows (the parent's coordinates): the
  // picture and the shadow leave it unpainted. Empty while the pane is see-through or fading.
  QRegion hiddenByPane() const;

  QPainterPath hitShape() const override;

 protected:
  void paint(QPainter&) override {}

 private:
  void apply();
  bool reducedMotion() const;
  void takeBackdrop();
  void keepBackdrop();
  // Where the picture shows (the parent's coordinates): the backdrop's place but what the pane hides.
  QRegion pictureShown() const;
  // Paints `region` (the parent's coordinates) of the picture again.
  void repaintPicture(const QRegion& region);
  QRect shadowRect() const;

  Props props_;
  QRectF area_;
  QPointer<LibraryDetailPane> pane_;
  QGraphicsOpacityEffect* fade_ = nullptr;
  QPointer<QWidget> shadow_;
  Animated<double> presence_;
  Animated<QSizeF> size_;
  Animated<double> swap_;  // under reduce motion, the fade of a pane that changed its size
  BackdropPainter backdropPainter_;
  QPointer<QWidget> backdrop_;
  QImage picture_;     // what lay under the pane, at the device's scale
  QRect pictureRect_;  // where, in the parent's coordinates
  QRegion stale_;      // parts of it that changed beside or behind the pane since (the parent's coordinates)
  WorkItem taking_;
  WorkItem letGo_;
};

}  // namespace qv
