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
// a click on an enabled one (also the chosen one) asks the `onSelect` given with the latest
// props, and the caller shows the choice with setProps.
class SegmentedPicker : public PaintedWidget {
  Q_OBJECT
 public:
  // Between the track's edge and the segments, on every side; a fixed look of the picker.
  static constexpr double kTrackPad = 2;
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
    bool operator==(const Props&) const = default;
  };

  struct Callbacks {
    std::function<void(int)> onSelect;  // the segment's index
  };

  SegmentedPicker(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  const Callbacks& callbacks() const { return callbacks_; }

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
  Callbacks callbacks_;
  Animated<QRectF> pill_;
  bool pillShown_ = false;
  std::vector<std::unique_ptr<Animated<double>>> selection_;
  int pressed_ = -1;
};

// The picker over option values: segment i stands for options[i].second and is chosen when the
// selection equals it (the first such segment when values repeat). A click asks the `onChange`
// given with the latest options for the segment's value.
template <typename Value>
class TarnSegmentedPicker : public SegmentedPicker {
 public:
  struct Options {
    std::vector<std::pair<QString, Value>> options;
    Value selection{};
    QColor activeTint = Theme::accent();
    double itemWidth = 80;
    double segmentHeight = 24;
    std::function<bool(const Value&)> isOptionDisabled;  // asked while the options are set; none: all enabled
  };
  struct Callbacks {
    std::function<void(const Value&)> onChange;
  };
  TarnSegmentedPicker(InterfaceServices& context, Options options, Callbacks callbacks, QWidget* parent = nullptr)
      : SegmentedPicker(context, {}, {}, parent) {
    setOptions(std::move(options), std::move(callbacks));
  }
  void setOptions(Options options, Callbacks callbacks) {
    options_ = std::move(options);
    callbacks_ = std::move(callbacks);
    Props props;
    props.activeTint = options_.activeTint;
    props.itemWidth = options_.itemWidth;
    props.segmentHeight = options_.segmentHeight;
    for (size_t i = 0; i < options_.options.size(); ++i) {
      const auto& [title, value] = options_.options[i];
      props.segments.push_back({title, options_.isOptionDisabled && options_.isOptionDisabled(value)});
      if (props.selectedIndex < 0 && value == options_.selection) props.selectedIndex = int(i);
    }
    setProps(props, {[this](int index) { choose(index); }});
  }
  // The same options with another selection.
  void setSelection(const Value& selection, Callbacks callbacks) {
    Options options = options_;
    options.selection = selection;
    setOptions(std::move(options), std::move(callbacks));
  }
  const Options& options() const { return options_; }
  const Callbacks& callbacks() const { return callbacks_; }

 private:
  void choose(int index) {
    // Copies: the change may hand the picker new options and callbacks under the call.
    if (!callbacks_.onChange) return;
    const auto onChange = callbacks_.onChange;
    const Value chosen = options_.options[size_t(index)].second;
    onChange(chosen);
  }

  Options options_;
  Callbacks callbacks_;
};

}  // namespace qv
