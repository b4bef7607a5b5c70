#pragma once
#include "platform/Scheduler.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QPointer>

class QAbstractScrollArea;

namespace qv {

// A vertical scroller that lies over the right edge of a scroll area instead of taking room
// beside it: a slim rounded knob that appears while the content scrolls (or the pointer rests
// on it) and fades out a second after, and that can be dragged. Nothing shows while everything
// fits. The scroll area's own vertical bar stays hidden and keeps the position.
class OverlayScroller : public PaintedWidget {
  Q_OBJECT
 public:
  // Lies over `area` (as its child) and follows its vertical bar.
  OverlayScroller(InterfaceServices& context, QAbstractScrollArea& area);

  static constexpr double kWidth = 11;
  static constexpr double kKnobWidth = 6;
  static constexpr double kMinimumKnobLength = 24;
  static constexpr double kInset = 2;
  static constexpr double kHideDelay = 1.0;

  // 0 … 1: how much of the knob shows.
  double visibility() const { return visibility_.value(); }
  bool isScrollable() const;
  // The knob in the scroller's own coordinates; empty while nothing scrolls.
  QRectF knobRect() const;

 protected:
  void paint(QPainter& painter) override;
  QPainterPath hitShape() const override;
  void hoverChanged(bool hovered) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void place();
  void reveal();
  void scheduleHide();

  QPointer<QAbstractScrollArea> area_;
  // Compared, never used: events still arrive while the area is torn down to a plain widget.
  const QObject* watchedArea_;
  Animated<double> visibility_;
  WorkItem hide_;
  std::optional<double> dragOffset_;  // pointer's distance from the knob's top while dragging
};

}  // namespace qv
