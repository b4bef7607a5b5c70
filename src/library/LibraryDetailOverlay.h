#pragma once
#include "items/model/ClipboardItem.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QPointer>
#include <functional>
#include <memory>

class QGraphicsOpacityEffect;

namespace qv {

// What sits in the detail overlay's slot: one item's pane, framed at exactly the size the host
// gives it (width, and availableHeight as its height). `onClose` closes the pane.
class LibraryDetailPane : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  virtual void showItem(const ClipboardItem& item, double width, double availableHeight,
                        std::function<void()> onClose) = 0;
};

// Stands in the slot until the real pane: the pane's rounded surface with the item's first line.
class LibraryDetailStandIn : public LibraryDetailPane {
  Q_OBJECT
 public:
  static constexpr double kCornerRadius = 22;

  explicit LibraryDetailStandIn(InterfaceServices& context, QWidget* parent = nullptr);
  void showItem(const ClipboardItem& item, double width, double availableHeight,
                std::function<void()> onClose) override;
  const QString& title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  InterfaceServices& context_;
  QString title_;
  std::function<void()> onClose_;
};

// The detail pane's place over the bottom of the library's grid: a slot of the pane's size, and
// under it, in a sibling that takes no pointer (so the cards around the pane stay clickable),
// the pane's shadow (black at 0.28, radius 20, 6 down). The pane moves in from the bottom edge
// while it fades in, and back out the same way (it only fades under reduce motion), on the
// critical spring; it is hidden once it has gone.
class LibraryDetailOverlay : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kBottomPadding = 28;
  static constexpr double kShadowOpacity = 0.28;
  static constexpr double kShadowRadius = 20;
  static constexpr double kShadowOffsetY = 6;
  // Room around the slot for the shadow.
  static constexpr double kShadowRoom = 40;

  struct Props {
    bool shown = false;
    QSizeF paneSize;
    bool operator==(const Props&) const = default;
  };

  explicit LibraryDetailOverlay(InterfaceServices& context, QWidget* parent = nullptr);
  ~LibraryDetailOverlay() override;

  // Comes or goes with the animation of the change that set the props.
  void setProps(const Props& props);
  const Props& props() const { return props_; }
  // Places the overlay in its parent: centred over `area`, its slot's bottom 28 points above
  // the area's bottom (further down while it moves in or out).
  void place(const QRectF& area);

  // The slot's content; the overlay takes it over (the stand-in until the real pane exists).
  void setPane(LibraryDetailPane* pane);
  LibraryDetailPane* pane() const { return pane_; }
  // The slot's frame in the overlay's coordinates.
  QRectF slotRect() const { return QRectF(QPointF(), props_.paneSize); }
  // The widget the shadow is painted in (beside the overlay, under it).
  QWidget* shadow() const { return shadow_; }
  // 0 gone … 1 in place.
  double presence() const { return presence_.value(); }
  // How far below its place the pane stands now, in points.
  double travel() const;
  double shownOpacity() const;

  QPainterPath hitShape() const override;

 protected:
  void paint(QPainter&) override {}

 private:
  void apply();
  bool reducedMotion() const;

  Props props_;
  QRectF area_;
  QPointer<LibraryDetailPane> pane_;
  QGraphicsOpacityEffect* fade_ = nullptr;
  QPointer<QWidget> shadow_;
  Animated<double> presence_;
};

}  // namespace qv
