#pragma once
#include "ui/theme/Environment.h"
#include "ui/view/Accessibility.h"
#include "ui/view/HoverState.h"

#include <QImage>
#include <QPainterPath>
#include <QWidget>

class QMouseEvent;
#include <vector>

namespace qv {

struct InterfaceServices;

// The widget and its children on a transparent image at the widget's pixel ratio, for a view
// that moves or fades a picture of it (grab() lays the window colour under a widget that paints
// no background of its own).
QImage widgetPicture(QWidget& widget);

// Base of the controls that sit in layouts and paint themselves. Subclasses implement
// `paint`, reading only their props, `environment()` and animated values (such as
// `hoverProgress()`). Hover: while the pointer is inside the hit shape the control is hovered
// (animated with the snappy spring) and shows the pointing-hand cursor; presses outside the
// hit shape go to whatever lies below. A press on a control that came to lie under a resting
// pointer counts as `ControlPointerArrival` says; one it holds back, its release goes nowhere either.
class PaintedWidget : public QWidget {
  Q_OBJECT
 public:
  explicit PaintedWidget(InterfaceServices& context, QWidget* parent = nullptr);

  InterfaceServices& context() const { return context_; }
  EnvironmentValues environment() const;

  // A control without an action ignores hovering (default: hovering is on).
  void setHoverEnabled(bool enabled);
  bool isHoverEnabled() const { return hover_.isEnabled(); }
  bool isHovered() const { return hover_.isHovered(); }
  double hoverProgress() const { return hover_.progress(); }

  // Where the control takes the pointer, in its own coordinates. Default: its rectangle.
  virtual QPainterPath hitShape() const;
  bool hits(const QPointF& point) const { return hitShape().contains(point); }

  virtual AccessibilityInfo accessibility() const;
  // The painted parts that act on their own (the pills of a row), in order: assistive
  // technology sees them as the widget's children, after its child widgets. Asked afresh on
  // every query, so a part's action is the one the widget holds then.
  virtual std::vector<AccessiblePart> accessibleParts() const { return {}; }

  // The control painted alone on a transparent image at `devicePixelRatio`.
  QImage renderForTest(double devicePixelRatio = 1.0);

  // The control acts otherwise from now on (a reused button given another action): under a
  // resting pointer it waits as a control that has just come there. How often it did so.
  void actsAnew() { ++targetVersion_; }
  quint64 targetVersion() const { return targetVersion_; }
  // The control removes, replaces, copies or pastes an item: under a resting pointer it waits for
  // the pointer to move, however long it has been there (others take a press once a double-click
  // can no longer begin with it).
  void setActsOnItem(bool actsOnItem) { actsOnItem_ = actsOnItem; }
  bool actsOnItem() const { return actsOnItem_; }

 protected:
  virtual void paint(QPainter& painter) = 0;
  virtual void hoverChanged(bool hovered) { Q_UNUSED(hovered); }

  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void updateHover(const QPointF& position, bool inside);
  bool admitsPress(const QMouseEvent& event) const;

  InterfaceServices& context_;
  HoverState hover_;
  quint64 targetVersion_ = 0;
  bool actsOnItem_ = false;
  bool heldPress_ = false;  // a press that did not count: its release goes nowhere either
};

}  // namespace qv
