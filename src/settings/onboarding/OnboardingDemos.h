#pragma once
#include "settings/SettingsServices.h"
#include "settings/onboarding/DemoLoop.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <memory>
#include <optional>

namespace qv {

// A looping decoration of the onboarding. Its loop starts over each time the view is shown and
// stops when it is hidden; it animates whatever the reduce-motion setting (it is the point of
// the page). `presence` is the view's own opacity for its entrance and exit.
class OnboardingDemo : public PaintedWidget {
  Q_OBJECT
 public:
  bool isLooping() const { return loop_ && loop_->isRunning(); }
  double presence() const { return presence_.value(); }
  // Fades in from nothing with `animation` (at once without one).
  void enter(const std::optional<Animation>& animation);
  // Stops the loop and fades out; `gone` runs once the view is invisible.
  void leave(const std::optional<Animation>& animation, std::function<void()> gone);

 protected:
  explicit OnboardingDemo(SettingsServices& context, QWidget* parent);
  void setLoop(double firstWait, std::vector<DemoLoop::Step> steps);
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::unique_ptr<DemoLoop> loop_;
  Animated<double> presence_;
  bool leaving_ = false;
};

// A miniature screen: a pointer pushes against an edge and a miniature edge panel slides in
// there, then both go back, over and over. "left" uses the left edge, "both" alternates right
// and left, starting right; anything else uses the right edge.
class EdgeFlickDemo : public OnboardingDemo {
  Q_OBJECT
 public:
  static constexpr double kScreenWidth = 286;
  static constexpr double kScreenHeight = 179;

  EdgeFlickDemo(SettingsServices& context, QString side, QWidget* parent = nullptr);

  const QString& side() const { return side_; }
  bool isOut() const { return out_; }
  // The edge of the current cycle.
  bool isPanelOnLeft() const;
  // The pointer's x offset from the centre, the panel's sideways shift and its opacity, now.
  double pointerX() const { return pointerX_.value(); }
  double pointerTargetX() const { return pointerX_.target(); }
  double panelShift() const { return panelShift_.value(); }
  double panelOpacity() const { return panelOpacity_.value(); }

  QSize sizeHint() const override { return {int(kScreenWidth), int(kScreenHeight)}; }
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  void setOut(bool out);
  void switchSides();
  double pointerXFor(bool out) const;
  double panelShiftFor(bool out) const;
  void paintPanel(QPainter& painter, const QRectF& frame) const;

  QString side_;
  bool out_ = false;
  bool bothShowingLeft_ = false;
  Animated<double> pointerX_;
  Animated<double> panelShift_;
  Animated<double> panelOpacity_;
};

// A miniature document into which a small clip flies and lands as a new accent line, over
// and over.
class PasteLandsDemo : public OnboardingDemo {
  Q_OBJECT
 public:
  static constexpr double kWidth = 220;
  static constexpr double kHeight = 96;

  explicit PasteLandsDemo(SettingsServices& context, QWidget* parent = nullptr);

  bool isFlying() const { return flying_; }
  bool hasLanded() const { return landed_; }
  QPointF clipOffset() const { return clipOffset_.value(); }
  double clipScale() const { return clipScale_.value(); }
  double clipOpacity() const { return clipOpacity_.value(); }
  double pastedLineWidth() const { return lineWidth_.value(); }

  QSize sizeHint() const override { return {int(kWidth), int(kHeight)}; }
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  void setFlying(bool flying, const std::optional<Animation>& animation);
  void setLanded(bool landed, const std::optional<Animation>& animation);
  void applyClip(const std::optional<Animation>& animation);

  bool flying_ = false;
  bool landed_ = false;
  Animated<QPointF> clipOffset_;
  Animated<double> clipScale_;
  Animated<double> clipOpacity_;
  Animated<double> lineWidth_;
  Animated<double> lineOpacity_;
};

}  // namespace qv
