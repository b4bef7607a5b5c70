#pragma once
#include "platform/Scheduler.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QIcon>

namespace qv {

// The program's icon with its entrance: 0.15 s after it is first shown it fades and grows in,
// at 0.5 s it lights up (brightens, saturates, and an accent glow blooms behind it), and from
// 2.5 s it floats up and down for as long as it is on screen. The floating loop drives the
// frame clock only while the view is visible. With reduced motion the icon shows at once, lit
// and still. The widget's frame is 1.18 × the icon size, room for the glow and the float.
class AnimatedAppIconView : public PaintedWidget {
  Q_OBJECT
 public:
  // `icon`: the application's icon when null.
  AnimatedAppIconView(InterfaceServices& context, double size, QIcon icon = {}, QWidget* parent = nullptr);
  ~AnimatedAppIconView() override;

  double iconSize() const { return size_; }
  // 0 … 1 progress of the three looks (the float goes back and forth).
  double appearAmount() const { return appear_.value(); }
  double litAmount() const { return lit_.value(); }
  double floatAmount() const { return float_.value(); }
  bool isFloating() const { return float_.isAnimating(); }

  // The icon's rectangle now (scaled and floated), in widget coordinates.
  QRectF iconRect() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void appear();
  void lightUp();
  void startFloating();
  void followReduceMotion();
  bool reduced() const { return environment().reduceMotion; }
  const QImage& glowImage(double dpr);
  const QImage& iconImage(double dpr);

  double size_;
  QIcon icon_;
  Animated<double> appear_;
  Animated<double> lit_;
  Animated<double> float_;
  bool started_ = false;
  bool floating_ = false;
  WorkItem steps_[3];

  // Painted once per look, not per frame (the float repaints every frame).
  struct Cached {
    QImage image;
    double key = -1;
    double dpr = 0;
  };
  Cached glow_;
  Cached icon_image_;
  QImage shadowNear_;  // the icon's silhouette blurred for the resting and floating shadows
  QImage shadowFar_;
  double shadowDpr_ = 0;
};

}  // namespace qv
