#pragma once
#include "ui/anim/FrameClock.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

// The indeterminate progress spinner of loading states (previews reading or scaling their
// content): twelve spokes around a centre whose brightest spoke steps around once a second.
// It drives the frame clock only while it is shown, and repaints only when the step changes.
// With reduced motion the spokes stand still.
class ProgressSpinner : public PaintedWidget, private FrameClient {
  Q_OBJECT
 public:
  struct Props {
    double diameter = kSmallDiameter;
    bool operator==(const Props&) const = default;
  };

  // The small control size.
  static constexpr double kSmallDiameter = 16;
  static constexpr int kSpokeCount = 12;
  static constexpr double kStepsPerSecond = 12;

  explicit ProgressSpinner(InterfaceServices& context, QWidget* parent = nullptr);
  ~ProgressSpinner() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  // The spoke drawn brightest now (0 … 11, clockwise from the top).
  int leadingSpoke() const { return step_; }
  bool isSpinning() const { return attached_; }
  // How bright spoke `index` is drawn while `leading` leads: 1 for the leader, fading behind it.
  static double spokeOpacity(int index, int leading);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  bool frame(double now) override;
  void updateSpinning();

  Props props_;
  int step_ = 0;
  bool attached_ = false;
};

}  // namespace qv
