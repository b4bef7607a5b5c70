#pragma once
#include "cards/ClipboardCardView.h"
#include "panel/CardListItems.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

#include <functional>

namespace qv {

class LibraryModel;
class PasteHintBadge;

// One card of the library's grid: the item's card, lifted while hovered or selected, with the
// paste hint over it while the state names its item. A press selects it. The grid says when
// the pointer is over it (setHovered), since only the grid knows where the pointer is after a
// scroll or a relayout; a card the grid takes back (reset) keeps nothing of its item.
class LibraryCard : public PaintedItem {
  Q_OBJECT
 public:
  struct Props {
    ClipboardCardView::Props card;
    bool showsPasteHint = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onSelect;           // a press on the card
    std::function<void(bool)> onHoverChange;  // the pointer came (true) or went (false)
    ClipboardCardView::Callbacks badges;      // which badges show as applied filters
  };

  explicit LibraryCard(ViewServices& context, QGraphicsItem* parent = nullptr);
  ~LibraryCard() override;

  // The callbacks are replaced on every call; another item shows at once, without animation.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  const QUuid& itemID() const { return props_.card.item.id; }

  void setHovered(bool hovered);
  bool isCardHovered() const { return hovered_; }
  // Back to a blank card: no hover, no callbacks, nothing moving.
  void reset();

  ClipboardCardView& card() const { return *card_; }
  PasteHintBadge& pasteHint() const { return *pasteHint_; }
  double pasteHintPresence() const { return hintPresence_.value(); }

  QPainterPath hitShape() const override;
  QMarginsF paintOverflow() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter&) override {}
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;

 private:
  void applyLift(bool animated);
  static void forgetHoverBelow(QGraphicsItem& item);

  Props props_;
  Callbacks callbacks_;
  bool hasProps_ = false;
  bool hovered_ = false;
  ClipboardCardView* card_;
  PasteHintBadge* pasteHint_;
  Animated<double> hintPresence_;
};

// The grid's cards as library cards, each showing its item as the library sees it: selected
// when it is the selection or in the multi-selection, with the state's pins, sensitive marks,
// categories and paste hint, and its badges lit for the library's scope and filters.
class LibraryCardFactory : public CardItemFactory {
 public:
  LibraryCardFactory(ViewServices& context, LibraryModel& model) : context_(context), model_(model) {}
  PaintedItem* makeCard() override;
  void showItem(PaintedItem& card, const ClipboardItem& item, int index) override;
  void setHovered(PaintedItem& card, bool hovered) override;
  void release(PaintedItem& card) override;

  // What a card shows for `item` now.
  LibraryCard::Props propsFor(const ClipboardItem& item) const;

 private:
  ViewServices& context_;
  LibraryModel& model_;
};

}  // namespace qv
