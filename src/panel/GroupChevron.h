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

  explicit GroupChevron(ViewServices& context, QGraphicsItem* parent = nullptr);
  void setCollapsed(bool collapsed);
  bool isCollapsed() const { return collapsed_; }
  // Degrees: 0 pointing down, -90 pointing right.
  double rotation() const { return rotation_.value(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;

 private:
  bool collapsed_ = false;
  Animated<double> rotation_;
};

}  // namespace qv
