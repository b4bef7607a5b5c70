#pragma once
#include "panel/QuickActions.h"
#include "platform/Compositor.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <array>
#include <functional>
#include <memory>

namespace qv {

class PanelState;

// The quick-actions menu that floats beside the panel column: the six quick actions as rows on a
// menu surface 180 wide with the low shadow. A row is hovered and clicked anywhere in its rounded
// highlight. The actions go through the state's hooks (see perform); the panel's root view
// decides where the rail stands and how it comes and goes.
//
// The surface stands kShadowRoom inside the widget's edges, where its shadow falls.
class DotsMenuRailView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    bool isMonitoringPaused = false;
    TranslucencySupport translucency;
    bool operator==(const Props&) const = default;
  };
  static constexpr double kWidth = 180;
  static constexpr double kPadding = 5;
  static constexpr double kRowSpacing = 2;
  static constexpr double kCornerRadius = 16;
  static constexpr int kShadowRoom = 14;

  struct Callbacks {
    std::function<void()> onQuit;  // the quit row; the other rows go through the state's hooks
  };

  DotsMenuRailView(InterfaceServices& context, PanelState& state, QWidget* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // Runs one action. Those that open a window close the menu first and call their hook on a
  // later turn of the event loop (looked up then); pause/resume and clear-all call their hook at
  // once and close the menu after it returned; quit leaves the menu open.
  void perform(PanelQuickAction action);

  static double rowHeight();
  // The menu surface, kShadowRoom inside the widget's edges.
  QRectF surfaceRect() const;
  QRectF rowRect(int index) const;
  int hoveredRow() const { return hoveredRow_; }
  // 0 … 1: how far row `index` shows its hovered look.
  double rowHoverAmount(int index) const { return rowHover_[size_t(index)]->value(); }

  QSize sizeHint() const override;
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void hoverChanged(bool hovered) override;
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int rowAt(const QPointF& point) const;
  void setHoveredRow(int row);

  PanelState& state_;
  Props props_;
  Callbacks callbacks_;
  std::array<std::unique_ptr<Animated<double>>, kAllPanelQuickActions.size()> rowHover_;
  int hoveredRow_ = -1;
  int pressedRow_ = -1;
};

}  // namespace qv
