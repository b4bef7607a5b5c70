#include "ui/controls/OrnamentRail.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace qv {

namespace {

// Scales the painter about `center`.
void scaleAbout(QPainter& painter, QPointF center, double scale) {
  painter.translate(center);
  painter.scale(scale, scale);
  painter.translate(-center);
}

}  // namespace

OrnamentRailButton::OrnamentRailButton(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : TapControl(context, parent), props_(std::move(props)), callbacks_(std::move(callbacks)) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  resize(sizeHint());
}

void OrnamentRailButton::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const bool selectionMoved = props.isSelected != props_.isSelected;
  props_ = props;
  update();
  if (selectionMoved) Q_EMIT selectionChanged();
}

void OrnamentRailButton::setTransitionLook(double scale, double opacity) {
  if (scale == transitionScale_ && opacity == transitionOpacity_) return;
  transitionScale_ = scale;
  transitionOpacity_ = opacity;
  update();
}

double OrnamentRailButton::faceScale() const { return props_.isSelected ? 1.0 : lerp(1, 1.08, hoverProgress()); }

QRectF OrnamentRailButton::dotRect() const { return QRectF(kFace - 6 - 2, 2, 6, 6); }

QPainterPath OrnamentRailButton::hitShape() const {
  QPainterPath circle;
  circle.addEllipse(QRectF(0, 0, kFace, kFace));
  return circle;
}

AccessibilityInfo OrnamentRailButton::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::PageTab;
  info.name = toolTip();
  if (props_.isEnabled) info.press = [this] { const_cast<OrnamentRailButton*>(this)->tapped(); };
  return info;
}

void OrnamentRailButton::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF face(0, 0, kFace, kFace);
  painter.setOpacity((props_.isEnabled ? 1.0 : 0.35) * unitClamped(transitionOpacity_));
  scaleAbout(painter, face.center(), transitionScale_);
  painter.save();
  scaleAbout(painter, face.center(), faceScale());
  if (props_.isSelected && !props_.sharesSelection) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::accent());
    painter.drawEllipse(face);
  }
  const QColor ink = props_.isSelected ? QColor(Qt::white) : primaryColor(env, lerp(0.5, 0.95, hoverProgress()));
  const QImage glyph = Symbols::image(props_.icon, 13, ink, painter.device()->devicePixelRatioF());
  if (!glyph.isNull()) {
    const QSizeF size = glyph.deviceIndependentSize();
    painter.drawImage(QPointF(face.center().x() - size.width() / 2, face.center().y() - size.height() / 2), glyph);
  }
  painter.restore();
  if (drawsDot()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::accent());
    painter.drawEllipse(dotRect());
  }
}

void OrnamentRailButton::tapped() {
  if (const auto onTap = callbacks_.onTap) onTap();
}

OrnamentRail::OrnamentRail(InterfaceServices& context, QWidget* parent)
    : QWidget(parent), context_(context), circle_(*context.frameClock) {
  circle_.setOnChange([this] { update(); });
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(int(kSpacing));
  stack->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

OrnamentRailButton* OrnamentRail::addButton(OrnamentRailButton::Props props, OrnamentRailButton::Callbacks callbacks) {
  props.sharesSelection = true;
  auto* button = new OrnamentRailButton(context_, std::move(props), std::move(callbacks), this);
  layout()->addWidget(button);
  buttons_.push_back(button);
  connect(button, &OrnamentRailButton::selectionChanged, this, &OrnamentRail::selectionChanged);
  // The circle needs the buttons' places: taken once the layout has placed them.
  layout()->activate();
  syncSelection(false);
  return button;
}

void OrnamentRail::syncSelection(bool animate) {
  layout()->activate();
  // The button selected last wins while a host moves the selection one button at a time.
  const OrnamentRailButton* selected = nullptr;
  if (auto* changed = qobject_cast<const OrnamentRailButton*>(sender()); changed && changed->props().isSelected)
    selected = changed;
  for (const OrnamentRailButton* button : buttons_)
    if (!selected && button->props().isSelected) selected = button;
  if (!selected) {
    shown_ = false;
    update();
    return;
  }
  // It glides from where it was last, also across a moment without a selection.
  const QRectF target = QRectF(selected->geometry());
  if (!animate || !placed_ || context_.environment->values().reduceMotion) circle_.jumpTo(target);
  else circle_.animateTo(target, Theme::springStandard());
  shown_ = placed_ = true;
  update();
}

void OrnamentRail::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The buttons moved with the layout: the circle stands under the selected one again.
  syncSelection(false);
}

void OrnamentRail::paintEvent(QPaintEvent*) {
  if (!shown_) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Theme::accent());
  painter.drawEllipse(circle_.value());
}

}  // namespace qv
