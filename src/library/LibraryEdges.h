#pragma once
#include "ui/anim/AnimatedValue.h"

#include <QLinearGradient>

#include <functional>
#include <optional>
#include <vector>

namespace qv {

// One stop of a fade mask: where along the masked length (0 … 1) and how much shows (0 … 1).
struct FadeStop {
  double location = 0;
  double opacity = 1;
  bool operator==(const FadeStop&) const = default;
};

// The grid's vertical mask over a scroll area `height` high: 28-point fades at the edges that
// have more content behind them, each reaching in by `top` and `bottom` (0 none … 1 full; in
// between while a fade comes or goes). Below 57 points the fades are measured against 57, so
// the two never overlap.
std::vector<FadeStop> libraryGridFadeStops(double height, double top, double bottom);

// A mask of black at the stops' opacities from `from` to `to`; stops on the same spot keep
// the last one.
QLinearGradient fadeGradient(QPointF from, QPointF to, const std::vector<FadeStop>& stops);

// The scope tab strip's mask across its visible width: an 18-point fade at the left once it is
// scrolled more than 2 points, and at the right while more tabs lie beyond it.
struct TabStripFades {
  bool leading = false;
  bool trailing = false;
  bool operator==(const TabStripFades&) const = default;
};
TabStripFades tabStripFades(double scrollX, double contentWidth, double viewportWidth);
std::vector<FadeStop> tabStripFadeStops(double width, TabStripFades fades);

// Watches a scroll area's edges: the top fade shows once the content is scrolled more than 6
// points down, the bottom one while more than 6 points lie below the visible part. The first
// report of each edge sets it at once; later changes fade over 0.2 s (ease out).
class GridScrollEdges {
 public:
  explicit GridScrollEdges(FrameClock& clock);

  void report(double offset, double viewportHeight, double contentHeight);
  bool showTop() const { return showTop_.value_or(false); }
  bool showBottom() const { return showBottom_.value_or(false); }
  // 0 … 1: how far each fade has come in.
  double top() const { return top_.value(); }
  double bottom() const { return bottom_.value(); }
  bool isAnimating() const { return top_.isAnimating() || bottom_.isAnimating(); }
  // Runs whenever either amount moved.
  void setOnChange(std::function<void()> onChange);

 private:
  static void apply(std::optional<bool>& shown, bool now, Animated<double>& amount);
  std::optional<bool> showTop_;
  std::optional<bool> showBottom_;
  Animated<double> top_;
  Animated<double> bottom_;
};

}  // namespace qv
