#include "ui/controls/SegmentedPicker.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

SegmentedPicker::SegmentedPicker(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), pill_(*context.frameClock) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  pill_.setOnChange([this] { update(); });
  setProps(props, std::move(callbacks));
}

void SegmentedPicker::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_ && selection_.size() == props.segments.size()) return;
  const int previous = props_.selectedIndex;
  const bool geometryChanged = props.itemWidth != props_.itemWidth || props.segmentHeight != props_.segmentHeight ||
                               props.segments.size() != props_.segments.size();
  props_ = props;
  if (geometryChanged) updateGeometry();
  syncSegments(previous, geometryChanged);
  update();
}

void SegmentedPicker::syncSegments(int previous, bool relaidOut) {
  const bool reduce = environment().reduceMotion;
  const int count = int(props_.segments.size());
  const int selected = props_.selectedIndex >= 0 && props_.selectedIndex < count ? props_.selectedIndex : -1;
  const bool fresh = int(selection_.size()) != count;
  if (fresh) {
    selection_.clear();
    for (int i = 0; i < count; ++i) {
      selection_.push_back(std::make_unique<Animated<double>>(*context().frameClock, i == selected ? 1.0 : 0.0));
      selection_.back()->setOnChange([this] { update(); });
    }
  }
  for (int i = 0; i < count; ++i) {
    const double target = i == selected ? 1.0 : 0.0;
    if (reduce || fresh) selection_[size_t(i)]->jumpTo(target);
    else selection_[size_t(i)]->animateTo(target, Theme::springSnappy());
  }
  // The pill glides from the old segment to the new one; it appears and goes at once, and
  // follows new segment sizes at once.
  if (selected < 0) {
    pillShown_ = false;
  } else if (!pillShown_ || fresh || reduce || relaidOut || previous < 0) {
    pill_.jumpTo(segmentRect(selected));
    pillShown_ = true;
  } else {
    pill_.animateTo(segmentRect(selected), Theme::springStandard());
  }
}

QRectF SegmentedPicker::segmentRect(int index) const {
  return QRectF(kTrackPad + index * props_.itemWidth, kTrackPad, props_.itemWidth, props_.segmentHeight);
}

QRectF SegmentedPicker::pillRect() const { return pillShown_ ? pill_.value() : QRectF(); }

double SegmentedPicker::selectionAmount(int index) const {
  return index >= 0 && index < int(selection_.size()) ? selection_[size_t(index)]->value() : 0;
}

bool SegmentedPicker::isAnimating() const {
  if (pill_.isAnimating()) return true;
  for (const auto& amount : selection_)
    if (amount->isAnimating()) return true;
  return false;
}

QSize SegmentedPicker::sizeHint() const {
  return QSize(int(std::ceil(props_.segments.size() * props_.itemWidth + 2 * kTrackPad)),
               int(std::ceil(props_.segmentHeight + 2 * kTrackPad)));
}

AccessibilityInfo SegmentedPicker::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::PageTabList;
  const int selected = props_.selectedIndex;
  if (selected >= 0 && selected < int(props_.segments.size())) info.value = props_.segments[size_t(selected)].title;
  return info;
}

bool SegmentedPicker::isSelectable(int index) const {
  return index >= 0 && index < int(props_.segments.size()) && !props_.segments[size_t(index)].isDisabled;
}

int SegmentedPicker::segmentAt(const QPointF& point) const {
  for (int i = 0; i < int(props_.segments.size()); ++i) {
    const QRectF segment = segmentRect(i);
    if (Fx::continuousRoundedRect(segment, segment.height() / 2).contains(point)) return i;
  }
  return -1;
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton ? segmentAt(event->position()) : -1;
  event->accept();
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent* event) {
  const int segment = segmentAt(event->position());
  const bool tap = pressed_ >= 0 && segment == pressed_ && event->button() == Qt::LeftButton;
  pressed_ = -1;
  event->accept();
  if (!tap || !isSelectable(segment) || !callbacks_.onSelect) return;
  const auto onSelect = callbacks_.onSelect;  // the call may hand the picker new props
  onSelect(segment);
}

void SegmentedPicker::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const bool dark = env.isDark();
  const QRectF track(0, 0, props_.segments.size() * props_.itemWidth + 2 * kTrackPad,
                     props_.segmentHeight + 2 * kTrackPad);
  const double trackRadius = track.height() / 2;
  painter.fillPath(Fx::continuousRoundedRect(track, trackRadius), primaryColor(env, dark ? 0.085 : 0.055));
  const std::vector<Fx::GradientStop> rim = dark
                                                ? std::vector<Fx::GradientStop>{{0, QColor::fromRgbF(1, 1, 1, 0.14f)},
                                                                                {0.35, QColor::fromRgbF(1, 1, 1, 0)},
                                                                                {0.65, QColor::fromRgbF(1, 1, 1, 0)},
                                                                                {1, QColor::fromRgbF(1, 1, 1, 0.14f)}}
                                                : std::vector<Fx::GradientStop>{{0, QColor::fromRgbF(0, 0, 0, 0.18f)},
                                                                                {0.3, QColor::fromRgbF(0, 0, 0, 0.04f)},
                                                                                {0.7, QColor::fromRgbF(0, 0, 0, 0.04f)},
                                                                                {1, QColor::fromRgbF(0, 0, 0, 0.18f)}};
  Fx::strokeInnerBorder(painter, track, trackRadius, Fx::linearGradient(track, {0, 0}, {0, 1}, rim), 0.75);

  if (pillShown_) {
    const QRectF pill = pill_.value();
    const int selected = props_.selectedIndex;
    painter.save();
    painter.setOpacity(isSelectable(selected) ? 1 : 0.55);
    const double radius = pill.height() / 2;
    const QColor tint = props_.activeTint;
    Fx::drawShadow(painter, pill, radius, ShadowLayer{withAlpha(tint, 0.28), 6, 0, 2});
    Fx::drawShadow(painter, pill, radius, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.1f), 1, 0, 0.5});
    painter.fillPath(Fx::continuousRoundedRect(pill, radius),
                     Fx::linearGradient(pill, {0, 0}, {0, 1}, {{0, withAlpha(tint, 0.92)}, {1, tint}}));
    painter.restore();
  }

  for (int i = 0; i < int(props_.segments.size()); ++i) {
    const Segment& segment = props_.segments[size_t(i)];
    const double amount = unitClamped(selectionAmount(i));
    const QColor resting = primaryColor(env, segment.isDisabled ? 0.16 : 0.5);
    painter.save();
    painter.setOpacity(segment.isDisabled ? 0.55 : 1);
    painter.setFont(systemFont(11, amount > 0.5 ? QFont::DemiBold : QFont::Normal));
    painter.setPen(mixColors(resting, Qt::white, amount));
    painter.drawText(segmentRect(i), Qt::AlignCenter, segment.title);
    painter.restore();
  }
}

}  // namespace qv
