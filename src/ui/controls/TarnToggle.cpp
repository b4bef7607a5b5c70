#include "ui/controls/TarnToggle.h"

#include "base/Log.h"
#include "platform/LoginItem.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kTrackWidth = 34;
constexpr double kTrackHeight = 20;
constexpr double kKnob = 14;
constexpr double kKnobTravel = 7;
constexpr double kSpacing = 8;  // between the label column and the switch
constexpr double kRowPadding = 2;
constexpr double kSublabelGap = 1;

const Animation& switchSpring() {
  static const Animation spring = Animation::spring(0.3, 0.7, 0);
  return spring;
}

TextStyle titleStyle() { return TextStyle{systemFont(13)}; }
TextStyle sublabelStyle() { return TextStyle{systemFont(10)}; }

}  // namespace

TarnToggle::TarnToggle(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), on_(*context.frameClock, props.isOn ? 1.0 : 0.0) {
  setHoverEnabled(false);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  on_.setOnChange([this] { update(); });
  title_.setStyle(titleStyle());
  sublabel_.setStyle(sublabelStyle());
  props_.isOn = props.isOn;
  setProps(props, std::move(callbacks), false);
}

void TarnToggle::setProps(const Props& props, Callbacks callbacks, bool animated) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const bool moved = props.isOn != props_.isOn;
  props_ = props;
  title_.setText(props_.title);
  sublabel_.setText(props_.style.sublabel.value_or(QString()));
  setEnabled(props_.isEnabled);
  if (moved) {
    const double target = props_.isOn ? 1.0 : 0.0;
    if (animated && !environment().reduceMotion) on_.animateTo(target, switchSpring());
    else on_.jumpTo(target);
  }
  updateGeometry();
  update();
}

double TarnToggle::labelWidth(double width) const { return std::max(1.0, width - kSpacing - kTrackWidth); }

QSize TarnToggle::sizeHint() const {
  double label = title_.size(0).width();
  if (props_.style.sublabel) label = std::max(label, sublabel_.size(0).width());
  const int width = int(std::ceil(label + kSpacing + kTrackWidth));
  return {width, heightForWidth(width)};
}

int TarnToggle::heightForWidth(int width) const {
  const double label = labelWidth(width);
  double column = title_.size(label).height();
  if (props_.style.sublabel) column += kSublabelGap + sublabel_.size(label).height();
  return int(std::ceil(std::max(column, kTrackHeight) + 2 * kRowPadding));
}

QRectF TarnToggle::trackRect() const {
  return QRectF(width() - kTrackWidth, (height() - kTrackHeight) / 2, kTrackWidth, kTrackHeight);
}

QPointF TarnToggle::knobCenter() const {
  return trackRect().center() + QPointF(lerp(-kKnobTravel, kKnobTravel, on_.value()), 0);
}

AccessibilityInfo TarnToggle::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::CheckBox;
  info.name = props_.title;
  info.description = props_.style.sublabel.value_or(QString());
  info.checkable = true;
  info.checked = props_.isOn;
  info.focusable = true;
  if (props_.isEnabled) info.press = [this] { const_cast<TarnToggle*>(this)->toggle(); };
  return info;
}

void TarnToggle::toggle() {
  if (!props_.isEnabled || !callbacks_.onToggle) return;
  const auto onToggle = callbacks_.onToggle;  // the call may hand the toggle new props
  onToggle(!props_.isOn);
}

void TarnToggle::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double on = unitClamped(on_.value());
  painter.save();
  painter.setOpacity(props_.isEnabled ? 1 : 0.4);

  // Label column.
  const double label = labelWidth(width());
  double column = title_.size(label).height();
  if (props_.style.sublabel) column += kSublabelGap + sublabel_.size(label).height();
  double y = (height() - column) / 2;
  title_.draw(painter, QPointF(0, y), label, primaryColor(env, 0.85));
  if (props_.style.sublabel) {
    y += title_.size(label).height() + kSublabelGap;
    sublabel_.draw(painter, QPointF(0, y), label, primaryColor(env, 0.28));
  }

  // Track.
  const QRectF track = trackRect();
  const QPainterPath capsule = Fx::continuousRoundedRect(track, kTrackHeight / 2);
  painter.fillPath(capsule, mixColors(primaryColor(env, 0.08), withAlpha(props_.style.tint, 0.35), on));
  const double rim = lerp(0.16, 0, on);
  const QColor edge = withAlpha(Qt::black, rim);  // the spring's overshoot takes `rim` below 0
  const QColor clear = QColor::fromRgbF(0, 0, 0, 0);
  Fx::strokeInnerBorder(painter, track, kTrackHeight / 2,
                        Fx::linearGradient(track, {0, 0}, {0, 1}, {{0, edge}, {0.3, clear}, {0.7, clear}, {1, edge}}),
                        0.75);

  // Knob.
  const QPointF centre = knobCenter();
  const QRectF knob(centre.x() - kKnob / 2, centre.y() - kKnob / 2, kKnob, kKnob);
  QPainterPath circle;
  circle.addEllipse(knob);
  // A capsule as wide as it is tall is the circle; its shadows come from the cache.
  Fx::drawShadow(painter, knob, kKnob / 2, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.12f), 2, 0, 0.5});
  Fx::drawShadow(painter, knob, kKnob / 2, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.06f), 0.5, 0, 0});
  painter.fillPath(circle, mixColors(primaryColor(env, 0.25), props_.style.tint, on));
  painter.fillPath(circle,
                   Fx::linearGradient(knob, {0.5, 0}, {0.5, 0.5},
                                      {{0, QColor::fromRgbF(1, 1, 1, 0.28f)}, {1, QColor::fromRgbF(1, 1, 1, 0)}}));
  painter.restore();
}

void TarnToggle::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void TarnToggle::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) toggle();
}

void TarnToggle::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    toggle();
    return;
  }
  PaintedWidget::keyPressEvent(event);
}

// ---- LaunchAtLoginToggle -------------------------------------------------------------------

LaunchAtLoginToggle::LaunchAtLoginToggle(InterfaceServices& context, QWidget* parent)
    : TarnToggle(context, Props{QStringLiteral("Launch at login"), false, true, TarnSwitchStyle{Theme::accent(), {}}},
                 {}, parent),
      loginItem_(*context.loginItem) {
  showState(false, false);
}

void LaunchAtLoginToggle::refresh() { showState(loginItem_.isEnabled(), false); }

void LaunchAtLoginToggle::showState(bool on, bool animated) {
  Props shown = props();
  shown.isOn = on;
  setProps(shown, {[this](bool wanted) { change(wanted); }}, animated);
}

void LaunchAtLoginToggle::showEvent(QShowEvent* event) {
  TarnToggle::showEvent(event);
  refresh();
}

void LaunchAtLoginToggle::change(bool on) {
  showState(on, true);
  QString error;
  const bool done = on ? loginItem_.registerItem(&error) : loginItem_.unregisterItem(&error);
  if (done) return;
  qCWarning(lcUi).noquote() << (on ? "Launch at login could not be turned on:"
                                   : "Launch at login could not be turned off:")
                            << error;
  showState(!on, true);
}

}  // namespace qv
