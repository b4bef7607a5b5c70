#pragma once
#include "ui/anim/AnimatedValue.h"

#include <functional>

namespace qv {

struct InterfaceServices;

// How the preview pane's rail and caption come in after its content box: the rail 0.05 s and
// the caption 0.08 s later, each growing from 0.9 while it fades in, on the snappy spring (only
// fading with reduced motion; at once without a compositor). Also how the rail's buttons fade in
// anew when the editor opens or closes (their presence), on the standard spring.
class PreviewPaneEntrance {
 public:
  static constexpr double kScale = 0.9;
  static constexpr double kRailDelay = 0.05;
  static constexpr double kCaptionDelay = 0.08;

  // The scale and opacity a box entering at `presence` is drawn with.
  struct Look {
    double scale = 1;
    double opacity = 1;
  };

  // onPresence runs as the rail's buttons fade in; onStep as the rail or the caption moves on.
  PreviewPaneEntrance(InterfaceServices& context, std::function<void()> onPresence, std::function<void()> onStep);

  // The first showing: the rail and the caption come in (at once without a compositor).
  void enter(bool compositor);
  bool hasEntered() const { return entered_; }
  void fadeInRail();

  // 0 … 1: how far the rail and the caption have come in, and the rail's buttons faded in.
  double rail() const { return rail_.value(); }
  double caption() const { return caption_.value(); }
  double railPresence() const { return railPresence_.value(); }
  bool isEntering() const { return rail_.isAnimating() || caption_.isAnimating(); }
  Look look(double presence) const;

 private:
  InterfaceServices& context_;
  Animated<double> railPresence_;
  Animated<double> rail_;
  Animated<double> caption_;
  bool entered_ = false;
};

}  // namespace qv
