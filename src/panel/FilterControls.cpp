#include "panel/FilterControls.h"

#include "cards/ViewServices.h"
#include "cards/badges/AppIconImageView.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QWidgetItem>
#include <cmath>
#include <limits>

namespace qv {

namespace {

// Scales the painter about `center`.
void scaleAbout(QPainter& painter, QPointF center, double scale) {
  painter.translate(center);
  painter.scale(scale, scale);
  painter.translate(-center);
}

}  // namespace

// ---- Flow arrangement ------------------------------------------------------------------------

FlowArrangement arrangeFlow(const std::vector<QSizeF>& sizes, double maxWidth, double spacing) {
  FlowArrangement result;
  double x = 0, y = 0, rowHeight = 0;
  for (const QSizeF& size : sizes) {
    if (x > 0 && x + size.width() > maxWidth) {
      y += rowHeight + spacing;
      x = 0;
      rowHeight = 0;
    }
    result.frames.emplace_back(x, y, size.width(), size.height());
    rowHeight = std::max(rowHeight, size.height());
    x += size.width() + spacing;
  }
  result.height = y + rowHeight;
  return result;
}

ChipFlow::ChipFlow(double spacing, QWidget* parent) : QLayout(parent), flowSpacing_(spacing) {
  setContentsMargins(0, 0, 0, 0);
}

ChipFlow::~ChipFlow() {
  for (QLayoutItem* item : items_) delete item;
}

std::optional<QPoint> ChipFlow::targetPosition(QWidget* widget) const {
  const auto glide = glides_.find(widget);
  if (glide == glides_.end()) return std::nullopt;
  return glide->second->target().toPoint();
}

void ChipFlow::place(QWidget* widget, const QRect& rect) {
  if (!context_) {
    widget->setGeometry(rect);
    return;
  }
  auto glide = glides_.find(widget);
  if (glide == glides_.end()) {
    auto position = std::make_unique<Animated<QPointF>>(*context_->frameClock, QPointF(rect.topLeft()));
    position->setOnChange([widget, value = position.get()] { widget->move(value->value().toPoint()); });
    glide = glides_.emplace(widget, std::move(position)).first;
    connect(widget, &QObject::destroyed, this, [this, widget] { glides_.erase(widget); });
    widget->setGeometry(rect);
    return;
  }
  widget->resize(rect.size());
  // A later pass over the same places leaves a glide under way alone.
  if (glide->second->target() == QPointF(rect.topLeft())) return;
  const auto& animation = Transaction::current().animation;
  if (animation && !context_->reduceMotion->isEnabled()) {
    glide->second->animateTo(QPointF(rect.topLeft()), animation);
  } else {
    glide->second->jumpTo(QPointF(rect.topLeft()));
  }
}

void ChipFlow::addItem(QLayoutItem* item) { items_.push_back(item); }

QLayoutItem* ChipFlow::itemAt(int index) const {
  return index >= 0 && index < count() ? items_[size_t(index)] : nullptr;
}

QLayoutItem* ChipFlow::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = items_[size_t(index)];
  items_.erase(items_.begin() + index);
  invalidate();
  return item;
}

FlowArrangement ChipFlow::arrange(double width) const {
  std::vector<QSizeF> sizes;
  for (QLayoutItem* item : items_)
    if (!item->isEmpty()) sizes.emplace_back(item->sizeHint().shrunkBy(kChipOverhang));
  return arrangeFlow(sizes, width, flowSpacing_);
}

QSize ChipFlow::sizeHint() const {
  const FlowArrangement row = arrange(std::numeric_limits<double>::infinity());
  const double width = row.frames.empty() ? 0 : row.frames.back().right();
  const QMargins m = contentsMargins();
  return QSize(int(std::ceil(width)) + m.left() + m.right(), int(std::ceil(row.height)) + m.top() + m.bottom());
}

QSize ChipFlow::minimumSize() const {
  QSize widest;
  for (QLayoutItem* item : items_)
    if (!item->isEmpty()) widest = widest.expandedTo(item->sizeHint().shrunkBy(kChipOverhang));
  const QMargins m = contentsMargins();
  return widest.grownBy(m);
}

int ChipFlow::heightForWidth(int width) const {
  const QMargins m = contentsMargins();
  return int(std::ceil(arrange(width - m.left() - m.right()).height)) + m.top() + m.bottom();
}

void ChipFlow::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const QRect inner = rect.marginsRemoved(contentsMargins());
  const FlowArrangement flow = arrange(inner.width());
  size_t frame = 0;
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    const QRectF f = flow.frames[frame++];
    const QRect place(QPoint(inner.left() + int(f.x()), inner.top() + int(f.y())), f.size().toSize());
    // Straight onto the widget: a layout item would clip the overhang at the layout's edge.
    if (QWidget* widget = item->widget()) this->place(widget, place.marginsAdded(kChipOverhang));
    else item->setGeometry(place);
  }
}

// ---- Tapped controls ------------------------------------------------------------------------

void TapControl::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton && acceptsTap();
  event->accept();
}

void TapControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool tap = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  if (tap && acceptsTap()) tapped();
}

// ---- Rail button -----------------------------------------------------------------------------

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

// ---- Filter chip -----------------------------------------------------------------------------

namespace {

constexpr double kChipPaddingV = 6;
constexpr double kChipGap = 6;

const QFont& chipFont() {
  static const QFont font = systemFont(11, QFont::Medium);
  return font;
}

double leadingWidth(FilterChip::Leading leading) {
  switch (leading) {
    case FilterChip::Leading::appIcon: return 15;
    case FilterChip::Leading::dot: return 9;
    case FilterChip::Leading::symbol: return 10;
    case FilterChip::Leading::none: return 0;
  }
  return 0;
}

}  // namespace

QRectF CapsuleChip::capsule() const { return QRectF(QRect(QPoint(0, 0), sizeHint()).marginsRemoved(kChipOverhang)); }

QPainterPath CapsuleChip::hitShape() const {
  const QRectF shape = capsule();
  return Fx::continuousRoundedRect(shape, shape.height() / 2);
}

void CapsuleChip::tapped() {
  // A copy: the action may take this chip away.
  if (const auto action = tapAction()) withAnimation(Theme::springStandard(), action);
}

void CapsuleChip::scaleAboutCapsule(QPainter& painter, double scale) const {
  scaleAbout(painter, capsule().center(), scale);
}

FilterChip::FilterChip(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : CapsuleChip(context, parent),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      presence_(*context.frameClock, 1) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  presence_.setOnChange([this] { update(); });
  resize(sizeHint());
}

void FilterChip::fade(bool in, const std::optional<Animation>& animation, AnimationCompletion done) {
  if (in && !animation) {
    presence_.jumpTo(1);
    if (done) done(true);
    return;
  }
  if (in && !presence_.isAnimating() && presence_.value() >= 1) presence_.jumpTo(0);
  presence_.animateTo(in ? 1 : 0, animation, std::move(done));
}

void FilterChip::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const bool resized = props.label != props_.label || leadingOf(props) != leading();
  props_ = props;
  if (resized) {
    updateGeometry();
    resize(sizeHint());
  }
  update();
}

FilterChip::Leading FilterChip::leadingOf(const Props& props) {
  if (!props.bundleID.isEmpty()) return Leading::appIcon;
  if (props.dotColor) return Leading::dot;
  if (!props.icon.isEmpty()) return Leading::symbol;
  return Leading::none;
}

double FilterChip::scale() const { return props_.isOn ? 1.0 : lerp(1, 1.04, hoverProgress()); }

QSize FilterChip::sizeHint() const {
  const QFontMetricsF metrics(chipFont());
  const double lead = leadingWidth(leading());
  const double content = std::ceil(metrics.horizontalAdvance(props_.label)) + (lead > 0 ? lead + kChipGap : 0);
  const double height = std::max(std::ceil(metrics.height()), lead);
  return QSize(int(std::ceil(content + 2 * kPaddingH)), int(std::ceil(height + 2 * kChipPaddingV)))
      .grownBy(kChipOverhang);
}

AccessibilityInfo FilterChip::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::CheckBox;
  info.name = props_.label;
  info.value = props_.isOn ? QStringLiteral("on") : QStringLiteral("off");
  info.press = [this] { const_cast<FilterChip*>(this)->tapped(); };
  return info;
}

void FilterChip::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF shape = capsule();
  const double presence = unitClamped(presence_.value());
  if (presence <= 0.001) return;
  painter.setOpacity(presence);
  scaleAboutCapsule(painter, scale());
  const QColor fill = props_.isOn ? Theme::accent() : primaryColor(env, lerp(0.06, 0.11, hoverProgress()));
  painter.fillPath(Fx::continuousRoundedRect(shape, shape.height() / 2), fill);

  double x = shape.left() + kPaddingH;
  const double middle = shape.center().y();
  const Leading lead = leading();
  const double leadWidth = leadingWidth(lead);
  if (lead == Leading::appIcon) {
    const QRectF tile(x, middle - 7.5, 15, 15);
    if (const auto& identity = viewServices(context()).appIdentity) {
      painter.save();
      painter.setClipPath(Fx::continuousRoundedRect(tile, 3.5));
      AppIconImageView(props_.bundleID).paint(painter, tile, *identity);
      painter.restore();
    }
  } else if (lead == Leading::dot) {
    CategoryDot{*props_.dotColor, props_.isOn, 9, std::nullopt}.paint(painter, QRectF(x, middle - 4.5, 9, 9));
  } else if (lead == Leading::symbol) {
    const QColor ink = props_.isOn ? QColor::fromRgbF(1, 1, 1, 0.9f) : primaryColor(env, 0.45);
    const QImage glyph = Symbols::image(props_.icon, 10, ink, painter.device()->devicePixelRatioF());
    if (!glyph.isNull()) painter.drawImage(QPointF(x, middle - glyph.deviceIndependentSize().height() / 2), glyph);
  }
  if (leadWidth > 0) x += leadWidth + kChipGap;
  painter.setFont(chipFont());
  painter.setPen(props_.isOn ? QColor(Qt::white) : primaryColor(env, 0.8));
  painter.drawText(QRectF(x, shape.top(), shape.right() - x, shape.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, props_.label);
}

// ---- Category colour swatch ------------------------------------------------------------------

CategoryColorDot::CategoryColorDot(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : TapControl(context, parent),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      ring_(*context.frameClock, props_.isSelected ? 1.0 : 0.0) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  ring_.setOnChange([this] { update(); });
  resize(sizeHint());
}

void CategoryColorDot::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  const double target = props_.isSelected ? 1.0 : 0.0;
  if (environment().reduceMotion) ring_.jumpTo(target);
  else ring_.animateTo(target, Theme::springSnappy());
  update();
}

double CategoryColorDot::dotScale() const { return props_.isSelected ? 1.0 : lerp(1, 1.12, hoverProgress()); }

QPainterPath CategoryColorDot::hitShape() const {
  QPainterPath circle;
  circle.addEllipse(QRectF(0, 0, kOuterSize, kOuterSize));
  return circle;
}

void CategoryColorDot::paint(QPainter& painter) {
  const QRectF outer(0, 0, kOuterSize, kOuterSize);
  const QPointF center = outer.center();
  const double ring = ringAmount();
  if (ring > 0.001) {
    painter.save();
    scaleAbout(painter, center, lerp(0.82, 1, ring));
    painter.setPen(QPen(withAlpha(props_.color, unitClamped(ring) * props_.color.alphaF()), kRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(outer.adjusted(kRingWidth / 2, kRingWidth / 2, -kRingWidth / 2, -kRingWidth / 2));
    painter.restore();
  }
  const QRectF dot(center.x() - kDotSize / 2, center.y() - kDotSize / 2, kDotSize, kDotSize);
  painter.save();
  scaleAbout(painter, center, dotScale());
  QPainterPath circle;
  circle.addEllipse(dot);
  Fx::drawShadow(painter, circle, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.14f), 2, 0, 0.75});
  Fx::drawShadow(painter, circle, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.06f), 0.5, 0, 0});
  // Hovering brightens the colour a little.
  const double brighten = 0.06 * hoverProgress();
  const auto lift = [brighten](const QColor& c) {
    return QColor::fromRgbF(float(std::min(1.0, c.redF() + brighten)), float(std::min(1.0, c.greenF() + brighten)),
                            float(std::min(1.0, c.blueF() + brighten)), c.alphaF());
  };
  const QColor base = lift(props_.color.toRgb());
  painter.fillPath(circle,
                   Fx::linearGradient(dot, {0, 0}, {0, 1}, {{0, base}, {1, withAlpha(base, 0.94 * base.alphaF())}}));
  painter.fillPath(circle,
                   Fx::linearGradient(dot, {0, 0}, {0, 0.5},
                                      {{0, QColor::fromRgbF(1, 1, 1, 0.1f)}, {1, QColor::fromRgbF(1, 1, 1, 0)}}));
  Fx::strokeInnerBorder(painter, dot, kDotSize / 2, QColor::fromRgbF(0, 0, 0, 0.1f), 0.5);
  painter.restore();
}

void CategoryColorDot::tapped() {
  if (const auto onTap = callbacks_.onTap) onTap();
}

}  // namespace qv
