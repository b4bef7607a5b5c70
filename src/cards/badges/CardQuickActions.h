#pragma once
#include "cards/ViewServices.h"
#include "cards/badges/ClickableItem.h"
#include "ui/anim/AnimatedValue.h"

#include <functional>
#include <memory>
#include <vector>

namespace qv {

// One round 20-point button of a card's hover row: a symbol on a frosted disc that brightens,
// grows and shows the pointing hand under the pointer. When its symbol changes (copy turning
// into a check mark, pin into unpin) the old one shrinks away as the new one grows in.
class QuickActionButton : public ClickableItem {
  Q_OBJECT
 public:
  static constexpr double kSize = 20;

  struct Props {
    QString icon;
    QString help;  // tooltip and spoken name
    bool operator==(const Props&) const = default;
  };

  explicit QuickActionButton(ViewServices& context, QGraphicsItem* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  struct Look {
    QColor symbol;
    QColor hoverFill;
    QColor border;
    double borderWidth = 0;
    double scale = 1;
  };
  Look look() const;
  // The symbol being replaced while the swap runs (empty otherwise) and the swap's progress
  // (1 when none runs).
  const QString& previousIcon() const { return previousIcon_; }
  double swapProgress() const { return swap_.value(); }
  // Ends a running swap.
  void settle();

  QPainterPath hitShape() const override;
  QMarginsF paintOverflow() const override { return {2, 2, 2, 2}; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;

 private:
  Props props_;
  QString previousIcon_;
  Animated<double> swap_;
};

// The row of quick actions in a card's top-right corner while the pointer is over the card:
// peek (only for a sensitive card that can be revealed), copy, pin and delete. The host passes
// the flags and runs the actions; the row decides nothing. A click calls the callback passed
// with the latest props, so a recycled card's row acts on the item it shows now. It covers the
// card but takes no pointer itself, only its buttons do.
class CardQuickActions : public PaintedItem {
  Q_OBJECT
 public:
  static constexpr double kSpacing = 3;
  static constexpr double kInset = 10;

  struct Props {
    bool isHovering = false;
    bool isPinned = false;
    bool didCopy = false;
    bool showPeek = false;
    bool isPeeked = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onCopy;
    std::function<void()> onPin;
    std::function<void()> onDelete;
    std::function<void()> onPeek;  // none: no peek button, though the row keeps its width
  };

  // The row's width for three buttons, or four when peek is offered: 66 or 89 points.
  static double rowWidth(bool showPeek);

  explicit CardQuickActions(ViewServices& context, QGraphicsItem* parent = nullptr);
  ~CardQuickActions() override;

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // Ends the running fade and symbol swaps where they are heading, so that a recycled card's
  // row shows nothing of its previous item.
  void settle();

  // The row's frame in item coordinates, pinned to the top-right corner.
  QRectF rowRect() const;
  // The buttons shown, left to right (none while the row is gone).
  std::vector<QuickActionButton*> buttons() const;
  double rowOpacity() const { return opacity_.value(); }

  QPainterPath hitShape() const override { return {}; }

 protected:
  void paintItem(QPainter&) override {}

 private:
  void layoutButtons();
  // Calls the current callback of a button.
  void run(std::function<void()> Callbacks::*callback);
  void retireButtons();

  Props props_;
  Callbacks callbacks_;
  std::vector<std::unique_ptr<QuickActionButton>> buttons_;
  std::vector<std::unique_ptr<QuickActionButton>> retired_;
  Animated<double> opacity_;
};

}  // namespace qv
