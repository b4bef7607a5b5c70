#include "preview/PreviewPaneEntrance.h"

#include "ui/InterfaceServices.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <algorithm>

namespace qv {

PreviewPaneEntrance::PreviewPaneEntrance(InterfaceServices& context, std::function<void()> onPresence,
                                         std::function<void()> onStep)
    : context_(context),
      railPresence_(*context.frameClock, 1.0),
      rail_(*context.frameClock, 0.0),
      caption_(*context.frameClock, 0.0) {
  railPresence_.setOnChange(std::move(onPresence));
  for (Animated<double>* entrance : {&rail_, &caption_}) entrance->setOnChange(onStep);
}

void PreviewPaneEntrance::enter(bool compositor) {
  entered_ = true;
  // Without a compositor nothing blends: the boxes are there at once.
  if (!compositor) {
    rail_.jumpTo(1);
    caption_.jumpTo(1);
    return;
  }
  rail_.animateTo(1, Theme::springSnappy().delay(kRailDelay));
  caption_.animateTo(1, Theme::springSnappy().delay(kCaptionDelay));
}

void PreviewPaneEntrance::fadeInRail() {
  railPresence_.jumpTo(0);
  railPresence_.animateTo(1.0, Theme::springStandard());
}

PreviewPaneEntrance::Look PreviewPaneEntrance::look(double presence) const {
  const double opacity = std::clamp(presence, 0.0, 1.0);
  const bool reduced = context_.reduceMotion && context_.reduceMotion->isEnabled();
  return {reduced ? 1.0 : kScale + (1 - kScale) * presence, opacity};
}

}  // namespace qv
