#include "ui/controls/ProgressSpinner.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/ReduceMotion.h"

#include <QCoreApplication>
#include <QPainter>
#include <cmath>

namespace qv {

ProgressSpinner::ProgressSpinner(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  if (context.reduceMotion)
    connect(context.reduceMotion.get(), &ReduceMotion::changed, this, [this] { updateSpinning(); });
}

ProgressSpinner::~ProgressSpinner() {
  if (attached_) context().frameClock->detach(this);
}

void ProgressSpinner::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  updateGeometry();
  update();
}

double ProgressSpinner::spokeOpacity(int index, int leading) {
  // Spokes behind the leader (counter-clockwise) fade to a quarter.
  const int behind = ((leading - index) % kSpokeCount + kSpokeCount) % kSpokeCount;
  return 1.0 - 0.75 * behind / (kSpokeCount - 1);
}

QSize ProgressSpinner::sizeHint() const {
  const int side = int(std::ceil(props_.diameter));
  return {side, side};
}

AccessibilityInfo ProgressSpinner::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::ProgressBar;
  info.name = QCoreApplication::translate("ProgressSpinner", "Loading");
  return info;
}

void ProgressSpinner::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  updateSpinning();
}

void ProgressSpinner::hideEvent(QHideEvent* event) {
  PaintedWidget::hideEvent(event);
  updateSpinning();
}

void ProgressSpinner::updateSpinning() {
  const bool reduced = context().reduceMotion && context().reduceMotion->isEnabled();
  const bool spin = isVisible() && !reduced;
  if (spin == attached_) return;
  attached_ = spin;
  if (spin) context().frameClock->attach(this);
  else context().frameClock->detach(this);
}

bool ProgressSpinner::frame(double now) {
  const int step = int(std::fmod(std::floor(now * kStepsPerSecond), double(kSpokeCount)));
  if (step != step_) {
    step_ = step;
    update();
  }
  return attached_;
}

void ProgressSpinner::paint(QPainter& painter) {
  const double diameter = std::min({props_.diameter, double(width()), double(height())});
  if (diameter <= 0) return;
  const QPointF centre = QRectF(rect()).center();
  const double outer = diameter / 2;
  const double inner = outer * 0.48;
  const double thickness = std::max(1.0, diameter * 0.09);
  const QColor ink = primaryColor(environment(), 0.62);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < kSpokeCount; ++i) {
    const double angle = 2 * M_PI * i / kSpokeCount;
    const QPointF direction(std::sin(angle), -std::cos(angle));
    // Round caps reach half the thickness past each end.
    const QPointF from = centre + direction * (inner + thickness / 2);
    const QPointF to = centre + direction * (outer - thickness / 2);
    painter.setPen(QPen(withAlpha(ink, ink.alphaF() * spokeOpacity(i, step_)), thickness, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
  }
  painter.restore();
}

}  // namespace qv
