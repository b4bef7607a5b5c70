#pragma once
#include "cards/badges/ClickableItem.h"

namespace qv {

// The round collapse button at the end of a date-section header: a chevron pointing down while
// the section is open and right while it is collapsed. The turn follows the animation of the
// change that flips `collapsed`.
class GroupChevron : public ClickableItem {
  Q_OBJECT
 public:
  static constexpr double kSize = 18;

  struct Props {
    bool collapsed = false;
    bool operator==(const Props&) const = default;
  };

  explicit GroupChevron(ViewServices& context, QGraphicsItem* parent = nullptr);
  // `callbacks.onClick` toggles the section.
  void setProps(const Props& props, Callbacks callbacks);
  bool isCollapsed() const { return props_.collapsed; }
  // Degrees: 0 pointing down, -90 pointing right.
  double rotation() const { return rotation_.value(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;

 private:
  Props props_;
  Animated<double> rotation_;
};

}  // namespace qv
