#pragma once
#include "cards/ViewServices.h"
#include "cards/badges/CardFacets.h"
#include "items/model/ClipboardItem.h"
#include "state/CustomCategory.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

#include <functional>
#include <memory>
#include <optional>

namespace qv {

// The card a cell hosts, as the cell sees it: a painted item of the card's size that takes the
// card's inputs, reports its badge clicks and lifts when told. The cell adds everything
// interactive around it and lays its overlays over the card as child items at `kOverlayZ` or
// above, so that they lift with it.
class HostedCard {
 public:
  struct Props {
    ClipboardItem item;
    bool isSelected = false;
    bool isPinned = false;
    bool isSensitive = false;  // drawn concealed: marked sensitive and not peeked at
    std::optional<CustomCategory> category;
    CardFacets activeFacets;
    double actionRowWidth = 0;  // room the badges leave for the hover row of quick actions
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    BadgeFilterAction onFilter;
    BadgeFilterPredicate isFilterActive;
  };

  static constexpr double kOverlayZ = 10;

  virtual ~HostedCard() = default;
  virtual PaintedItem& graphicsItem() = 0;
  virtual void setCardProps(const Props& props, Callbacks callbacks) = 0;
  // The lift of a hovered or selected card, animated by the card.
  virtual void setLifted(bool lifted) = 0;
  virtual double liftProgress() const = 0;
};

using HostedCardFactory = std::function<std::unique_ptr<HostedCard>(ViewServices& context)>;

// A plain stand-in card: the kind, the first lines of the text, the selection ring and the lift.
class PlaceholderCard : public PaintedItem, public HostedCard {
  Q_OBJECT
 public:
  explicit PlaceholderCard(ViewServices& context, QGraphicsItem* parent = nullptr);
  PaintedItem& graphicsItem() override { return *this; }
  void setCardProps(const Props& props, Callbacks callbacks) override;
  void setLifted(bool lifted) override;
  double liftProgress() const override { return lift_.value(); }
  const Props& props() const { return props_; }
  QMarginsF paintOverflow() const override;

 protected:
  void paintItem(QPainter& painter) override;

 private:
  Props props_;
  Animated<double> lift_;
};

}  // namespace qv
