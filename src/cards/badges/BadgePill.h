#pragma once
#include "cards/ViewServices.h"
#include "cards/badges/ClickableItem.h"
#include "ui/text/TextBlock.h"

#include <QColor>
#include <functional>
#include <optional>

namespace qv {

// One small capsule of a card's badge row: a category dot, a symbol and a label, each optional.
// Filled with the accent while its filter is applied; dark over a picture, faint elsewhere. With
// an action it takes clicks, grows a little and washes lighter under the pointer.
class BadgePill : public ClickableItem {
  Q_OBJECT
 public:
  struct Props {
    QString label;                        // empty: no text
    QString icon;                         // symbol before the text; empty: none
    std::optional<QColor> dot;            // a category dot shown first
    std::optional<double> maxLabelWidth;  // none: unlimited
    bool isActive = false;
    bool onImage = false;
    QString help;  // tooltip and spoken name when set
    bool operator==(const Props&) const = default;
  };

  explicit BadgePill(ViewServices& context, QGraphicsItem* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // A pill with neither label nor symbol but a dot.
  bool isDotOnly() const;

  // Colours and scale at the current animated values.
  struct Look {
    QColor background;
    QColor wash;
    QColor foreground;
    double scale = 1;
    double dotScale = 1;
  };
  Look look() const;
  // Where the dot, symbol and label sit, in item coordinates (empty when absent).
  struct Layout {
    QRectF dot, icon, label;
  };
  Layout layout() const;

  QPainterPath hitShape() const override;
  QMarginsF paintOverflow() const override { return {3, 2, 3, 2}; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;

 private:
  void relayout();
  double labelWidth() const;

  Props props_;
  TextBlock label_;
};

}  // namespace qv
