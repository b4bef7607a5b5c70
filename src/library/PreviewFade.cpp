#include "library/PreviewFade.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextViewers.h"
#include "ui/theme/Theme.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QWidget>
#include <algorithm>

namespace qv {

namespace {

QColor black(double alpha) { return QColor::fromRgbF(0, 0, 0, float(std::clamp(alpha, 0.0, 1.0))); }

}  // namespace

std::vector<Fx::GradientStop> PreviewFade::stops(double topAmount, double bottomAmount, double depth, double height) {
  const double f = depth / std::max(height, 1.0);
  return {{0, black(1 - topAmount)},
          {topAmount * f, black(1)},
          {1 - bottomAmount * f, black(1)},
          {1, black(1 - bottomAmount)}};
}

std::vector<Fx::GradientStop> PreviewFade::gradientStops(double topAmount, double bottomAmount, double depth,
                                                         double height) {
  std::vector<Fx::GradientStop> result = stops(topAmount, bottomAmount, depth, height);
  for (Fx::GradientStop& stop : result) stop.location = std::clamp(stop.location, 0.0, 1.0);
  double& topInner = result[1].location;
  double& bottomInner = result[2].location;
  if (topInner > bottomInner) topInner = bottomInner = (topInner + bottomInner) / 2;
  return result;
}

PreviewFade::PreviewFade(InterfaceServices& context, QWidget* target)
    : QObject(target), target_(target), top_(*context.frameClock, 0.0), bottom_(*context.frameClock, 0.0) {
  if (auto* viewer = qobject_cast<QVTextViewer*>(target)) viewer_ = viewer;
  else if (auto* code = qobject_cast<QVCodeViewer*>(target)) viewer_ = &code->textViewer();
  top_.setOnChange([this] { apply(); });
  bottom_.setOnChange([this] { apply(); });
  target->installEventFilter(this);
  apply();
}

PreviewFade::~PreviewFade() {
  if (target_) target_->removeEventFilter(this);
}

void PreviewFade::setProps(const Props& props) {
  if (props == props_) return;
  const Props previous = std::exchange(props_, props);
  // Not the reduced-motion flag: the fade eases in and out the same way whatever it says.
  // Once an edge settles, a fade that came to rest clear drops its mask.
  const auto settled = [this](bool) { apply(); };
  if (props.top != previous.top) top_.animateTo(props.top ? 1.0 : 0.0, Theme::easeOutQuick(), settled);
  if (props.bottom != previous.bottom) bottom_.animateTo(props.bottom ? 1.0 : 0.0, Theme::easeOutQuick(), settled);
  apply();
}

bool PreviewFade::isMasking() const {
  return viewer_ ? !viewer_->edgeMask().isEmpty() : effect_ && effect_->isEnabled();
}

QLinearGradient PreviewFade::mask() const {
  const double height = target_ ? target_->height() : 0;
  QLinearGradient gradient(QPointF(0, 0), QPointF(0, std::max(height, 1.0)));
  for (const Fx::GradientStop& stop : gradientStops(top_.value(), bottom_.value(), props_.depth, height))
    gradient.setColorAt(stop.location, stop.color);
  return gradient;
}

void PreviewFade::apply() {
  if (!target_) return;
  const bool clear = top_.value() <= 0 && bottom_.value() <= 0 && !top_.isAnimating() && !bottom_.isAnimating();
  if (viewer_) {
    QGradientStops stops;
    if (!clear)
      for (const Fx::GradientStop& stop :
           gradientStops(top_.value(), bottom_.value(), props_.depth, double(target_->height())))
        stops.append({stop.location, stop.color});
    viewer_->setEdgeMask(stops);
    return;
  }
  if (clear) {
    // All four stops opaque: no offscreen pass for the viewer.
    if (effect_) effect_->setEnabled(false);
    return;
  }
  if (!effect_) {
    effect_ = new QGraphicsOpacityEffect(target_);
    effect_->setOpacity(1);  // the mask alone decides what shows
    target_->setGraphicsEffect(effect_);
  }
  effect_->setOpacityMask(mask());
  effect_->setEnabled(true);
}

bool PreviewFade::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_ && event->type() == QEvent::Resize) apply();
  return QObject::eventFilter(watched, event);
}

}  // namespace qv
