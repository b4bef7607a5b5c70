#include "library/LibraryEdges.h"

#include "ui/theme/Theme.h"

#include <algorithm>

namespace qv {

namespace {
constexpr double kGridFade = 28;
// Two fades of 28 points and a point between them.
constexpr double kGridFadeFloor = 57;
constexpr double kTabFade = 18;
constexpr double kEdgeSlack = 6;
// The opacity of the grid's fade at a quarter, half and three quarters of its depth.
constexpr double kFadeRamp[] = {0.16, 0.5, 0.84};

// A fade shown by `amount`: between no fade (1) and the full fade's opacity.
double partly(double opacity, double amount) { return 1 - amount * (1 - opacity); }
}  // namespace

std::vector<FadeStop> libraryGridFadeStops(double height, double top, double bottom) {
  const double span = std::max(height, kGridFadeFloor);
  top = std::clamp(top, 0.0, 1.0);
  bottom = std::clamp(bottom, 0.0, 1.0);
  const double t = top > 0 ? kGridFade / span : 0;
  const double b = bottom > 0 ? kGridFade / span : 0;
  return {
      {0, partly(0, top)},
      {0.25 * t, partly(kFadeRamp[0], top)},
      {0.5 * t, partly(kFadeRamp[1], top)},
      {0.75 * t, partly(kFadeRamp[2], top)},
      {t, 1},
      {1 - b, 1},
      {1 - 0.75 * b, partly(kFadeRamp[2], bottom)},
      {1 - 0.5 * b, partly(kFadeRamp[1], bottom)},
      {1 - 0.25 * b, partly(kFadeRamp[0], bottom)},
      {1, partly(0, bottom)},
  };
}

QLinearGradient fadeGradient(QPointF from, QPointF to, const std::vector<FadeStop>& stops) {
  QGradientStops gradientStops;
  for (const FadeStop& stop : stops) {
    const QColor color = QColor::fromRgbF(0, 0, 0, float(std::clamp(stop.opacity, 0.0, 1.0)));
    if (!gradientStops.isEmpty() && stop.location <= gradientStops.back().first) gradientStops.back().second = color;
    else gradientStops.append({std::clamp(stop.location, 0.0, 1.0), color});
  }
  QLinearGradient gradient(from, to);
  gradient.setStops(gradientStops);
  return gradient;
}

TabStripFades tabStripFades(double scrollX, double contentWidth, double viewportWidth) {
  scrollX = std::max(scrollX, 0.0);
  const bool moreRight = viewportWidth + 1 < contentWidth && scrollX < contentWidth - viewportWidth - 2;
  return {scrollX > 2, moreRight};
}

std::vector<FadeStop> tabStripFadeStops(double width, TabStripFades fades) {
  if (width <= 0) return {{0, 1}, {1, 1}};
  const double fade = std::min(kTabFade / width, 0.5);
  return {{0, fades.leading ? 0.0 : 1.0}, {fade, 1}, {1 - fade, 1}, {1, fades.trailing ? 0.0 : 1.0}};
}

GridScrollEdges::GridScrollEdges(FrameClock& clock) : top_(clock, 0.0), bottom_(clock, 0.0) {}

void GridScrollEdges::setOnChange(std::function<void()> onChange) {
  top_.setOnChange(onChange);
  bottom_.setOnChange(std::move(onChange));
}

void GridScrollEdges::report(double offset, double viewportHeight, double contentHeight) {
  apply(showTop_, offset > kEdgeSlack, top_);
  apply(showBottom_, offset + viewportHeight < contentHeight - kEdgeSlack, bottom_);
}

void GridScrollEdges::apply(std::optional<bool>& shown, bool now, Animated<double>& amount) {
  if (shown == now) return;
  const bool first = !shown.has_value();
  shown = now;
  if (first) amount.jumpTo(now ? 1 : 0);
  else amount.animateTo(now ? 1 : 0, Theme::easeOutQuick());
}

}  // namespace qv
