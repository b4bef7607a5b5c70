#pragma once
#include "cards/ViewServices.h"
#include "cards/badges/ClickableItem.h"

#include <functional>

namespace qv {

// The source application's icon at the right end of a card's footer: a 28-point tile that
// toggles the list's filter by that application when clicked. With an action it grows and
// shows a faint accent ring under the pointer (and the pointing hand); while the filter is
// applied a full accent ring shows, with or without an action.
class SourceBadge : public ClickableItem {
  Q_OBJECT
 public:
  static constexpr double kSize = 28;
  static constexpr double kCornerRadius = 6;

  struct Props {
    QString bundleID;
    bool isActive = false;
    bool operator==(const Props&) const = default;
  };

  explicit SourceBadge(ViewServices& context, QGraphicsItem* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // How the badge looks at its current animated values.
  struct Look {
    double ringWidth = 0;
    double ringOpacity = 0;
    double scale = 1;
    bool hairline = false;  // the light scheme's faint edge
  };
  Look look() const;

  QPainterPath hitShape() const override;
  QMarginsF paintOverflow() const override { return {4, 4, 4, 6}; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;

 private:
  Props props_;
};

}  // namespace qv
