#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/theme/Theme.h"
#include "ui/view/PaintedWidget.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qv {

// A capsule track of equal segments; a gradient pill marks the chosen one and slides to the
// next choice with the standard spring, while the titles change weight and colour with the
// snappy spring. Segments are known by index. A disabled segment is faded and takes no clicks;
// a click on an enabled one (also the chosen one) asks `onSelect`, and the caller shows the
// choice with setProps.
class SegmentedPicker : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kTrackPad = 3;
  struct Segment {
    QString title;
    bool isDisabled = false;
    bool operator==(const Segment&) const = default;
  };
  struct Props {
    std::vector<Segment> segments;
    int selectedIndex = -1;  // none: no pill, every title unselected
    QColor activeTint = Theme::accent();
    double itemWidth = 80;
    double segmentHeight = 24;
    double trackPad = kTrackPad;  // between the track's edge and the segments
    bool operator==(const Props&) const = default;
  };

  SegmentedPicker(InterfaceServices& context, Props props, std::function<void(int)> onSelect,
                  QWidget* parent = nullptr);

  std::function<void(int)> onSelect;

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  QRectF segmentRect(int index) const;
  // Where the pill is now; empty when none is shown.
  QRectF pillRect() const;
  // 0 unselected … 1 selected look of a segment's title.
  double selectionAmount(int index) const;
  bool isAnimating() const;

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int segmentAt(const QPointF& point) const;
  bool isSelectable(int index) const;
  void syncSegments(int previous, bool relaidOut);

  Props props_;
  Animated<QRectF> pill_;
  bool pillShown_ = false;
  std::vector<std::unique_ptr<Animated<double>>> selection_;
  int pressed_ = -1;
};

// The picker over option values: segment i stands for options[i].second and is chosen when the
// selection equals it (the first such segment when values repeat).
template <typename Value>
class TarnSegmentedPicker : public SegmentedPicker {
 public:
  struct Options {
    std::vector<std::pair<QString, Value>> options;
    Value selection{};
    QColor activeTint = Theme::accent();
    double itemWidth = 80;
    double segmentHeight = 24;
    std::function<bool(const Value&)> isOptionDisabled;  // none: every option can be chosen
  };
  TarnSegmentedPicker(InterfaceServices& context, Options options, std::function<void(const Value&)> onChange,
                      QWidget* parent = nullptr)
      : SegmentedPicker(context, {}, {}, parent), onChange_(std::move(onChange)) {
    onSelect = [this](int index) {
      // A copy: the change may hand the picker new options, freeing the chosen one under the call.
      if (!onChange_) return;
      const Value chosen = options_.options[size_t(index)].second;
      onChange_(chosen);
    };
    setOptions(std::move(options));
  }
  void setOptions(Options options) {
    options_ = std::move(options);
    Props props;
    props.activeTint = options_.activeTint;
    props.itemWidth = options_.itemWidth;
    props.segmentHeight = options_.segmentHeight;
    props.trackPad = trackPad_;
    for (size_t i = 0; i < options_.options.size(); ++i) {
      const auto& [title, value] = options_.options[i];
      props.segments.push_back({title, options_.isOptionDisabled && options_.isOptionDisabled(value)});
      if (props.selectedIndex < 0 && value == options_.selection) props.selectedIndex = int(i);
    }
    setProps(props);
  }
  // The room between the track's edge and the segments.
  void setTrackPad(double trackPad) {
    trackPad_ = trackPad;
    setOptions(options_);
  }
  void setSelection(const Value& selection) {
    Options options = options_;
    options.selection = selection;
    setOptions(std::move(options));
  }

 private:
  Options options_;
  double trackPad_ = kTrackPad;
  std::function<void(const Value&)> onChange_;
};

}  // namespace qv
