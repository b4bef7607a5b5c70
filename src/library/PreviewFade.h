#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/TextViewers.h"
#include "ui/fx/Fx.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QGraphicsOpacityEffect;
class QWidget;

namespace qv {

struct InterfaceServices;

// Fades the top edge, the bottom edge or both edges of a scrolling viewer into the background,
// so that text running on beyond an edge dissolves instead of being cut hard. The viewer is
// masked by a vertical gradient over its whole height: a faded edge ramps from invisible at the
// edge to fully visible `depth` points inside, an edge that is not faded shows everything up to
// it. Switching an edge on or off eases out over 0.2 s, with reduced motion too. A text or code
// viewer fades its own edges (only the faded bands go through a layer); any other view is masked
// whole, and only while an edge is faded.
class PreviewFade : public QObject {
  Q_OBJECT
 public:
  struct Props {
    bool top = false;
    bool bottom = false;
    double depth = 22;
    bool operator==(const Props&) const = default;
  };

  // The gradient stops for a view `height` points high, top (0) to bottom (1), in this order:
  // the top edge, where the top ramp ends, where the bottom ramp starts, the bottom edge. Alpha
  // is what shows. `topAmount` and `bottomAmount` (0 … 1) are how far each edge has faded in.
  // The locations are as the fade computes them: the inner two cross when the ramps overlap.
  static std::vector<Fx::GradientStop> stops(double topAmount, double bottomAmount, double depth, double height);
  // The same stops as a gradient takes them: Qt drops stops outside 0 … 1 and sorts the rest,
  // so each location is clamped into 0 … 1, and inner stops that cross meet halfway between them.
  static std::vector<Fx::GradientStop> gradientStops(double topAmount, double bottomAmount, double depth,
                                                     double height);

  // Masks `target` for as long as both live.
  PreviewFade(InterfaceServices& context, QWidget* target);
  ~PreviewFade() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }
  // How far each edge is faded now (0 … 1).
  double topAmount() const { return top_.value(); }
  double bottomAmount() const { return bottom_.value(); }
  // Whether a mask is applied now (not while both edges are clear: the view paints directly).
  bool isMasking() const;
  // The text viewer that fades its own edges; null for another view.
  QVTextViewer* viewer() const { return viewer_; }
  // The mask as applied now, in the target's coordinates.
  QLinearGradient mask() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void apply();

  QPointer<QWidget> target_;
  QPointer<QVTextViewer> viewer_;
  QPointer<QGraphicsOpacityEffect> effect_;
  Props props_;
  Animated<double> top_;
  Animated<double> bottom_;
};

}  // namespace qv
