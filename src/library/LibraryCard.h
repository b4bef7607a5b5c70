#pragma once
#include "cards/ClipboardCardView.h"
#include "cards/badges/CardQuickActions.h"
#include "panel/CardListItems.h"
#include "panel/HostedCard.h"

#include <QList>
#include <functional>
#include <optional>

namespace qv {

class LibraryModel;

// One card of the library's grid: the item's card, lifted while hovered or selected, with its
// quick actions while hovered and the paste hint over it while the state names its item.
//
// A click selects it; Ctrl-click adds it to the multi-selection or takes it out (a card without
// plain text only shakes); a double-click pastes it (as plain text with Shift, not at all with
// Ctrl); a drag carries it out of the program (with the multi-selection it belongs to); a right
// click asks for its menu. The grid says when the pointer is over it (setHovered) and when the
// pointer itself came onto it (pointerArrived), since only the grid knows where the pointer is
// after a scroll or a relayout; a card the grid takes back (reset) keeps nothing of its item.
class LibraryCard : public HostedCard {
  Q_OBJECT
 public:
  struct Props {
    ClipboardCardView::Props card;
    // Without isHovering, which the card keeps itself.
    CardQuickActions::Props quickActions;
    bool showsPasteHint = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onSelect;                     // a plain click
    std::function<void()> onToggleMultiSelection;       // a Ctrl-click on a card with plain text
    std::function<void(bool)> onPaste;                  // a double-click; true: as plain text
    std::function<void(bool)> onHoverChange;            // the pointer came (true) or went (false)
    std::function<void()> onPointerArrived;             // the pointer itself moved onto the hovered card
    std::function<void(QPoint)> onContextMenu;          // a right click, at this point of the screen
    std::function<QList<ClipboardItem>()> dragTargets;  // what a drag from the card carries
    CardQuickActions::Callbacks quickActions;
    ClipboardCardView::Callbacks badges;  // which badges show as applied filters
  };

  explicit LibraryCard(ViewServices& context, QGraphicsItem* parent = nullptr);
  ~LibraryCard() override;

  // The callbacks are replaced on every call; another item shows at once, without animation.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  const QUuid& itemID() const { return props_.card.item.id; }

  void setHovered(bool hovered);
  bool isCardHovered() const { return hovered_; }
  // The grid's word that the pointer itself came onto the hovered card (not the card under a
  // still pointer): what follows the hover may follow.
  void pointerArrived();
  // Back to a blank card: no hover, no callbacks, nothing moving.
  void reset();
  // Shakes the card once (a failed write, a Ctrl-click it cannot take).
  void shake() { startShake(); }
  // A double-click whose first press this card took ended on another card: it acts on this one.
  void completeDoubleClick(Qt::KeyboardModifiers modifiers) { handleDoubleTap(modifiers); }

  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
  void contextMenuEvent(QGraphicsSceneContextMenuEvent* event) override;

 private:
  void handleTap(Qt::KeyboardModifiers modifiers);
  void handleDoubleTap(Qt::KeyboardModifiers modifiers);
  void startDrag(QObject* source);
  void applyQuickActions();
  void applyLift(bool animated);

  Props props_;
  Callbacks callbacks_;
  bool hasProps_ = false;
  bool hovered_ = false;
  std::optional<QPointF> press_;  // where a left press that may become a click or a drag began
};

// The grid's cards as library cards, each showing its item as the library sees it: selected
// when it is the selection or in the multi-selection, with the state's pins, sensitive marks,
// categories and paste hint, and its badges lit for the library's scope and filters. Their
// actions end in the model's library actions (copy, transformed copy, paste-back) and in the
// state; every card shakes when the state shakes its item.
class LibraryCardFactory : public CardItemFactory {
 public:
  LibraryCardFactory(ViewServices& context, LibraryModel& model) : context_(context), model_(model) {}
  PaintedItem* makeCard() override;
  void showItem(PaintedItem& card, const ClipboardItem& item, int index) override;
  void setHovered(PaintedItem& card, bool hovered) override;
  void followHover(PaintedItem& card) override;
  void release(PaintedItem& card) override;
  void doubleClicked(PaintedItem& card, Qt::KeyboardModifiers modifiers) override {
    static_cast<LibraryCard&>(card).completeDoubleClick(modifiers);
  }

  // What a card shows for `item` now.
  LibraryCard::Props propsFor(const ClipboardItem& item) const;
  // What a drag from the card of `item` carries: the multi-selection in its order, as far as the
  // grid lists it, when the item is in one of two or more; else the item alone.
  QList<ClipboardItem> dragTargets(const ClipboardItem& item) const;

 private:
  void openMenu(const ClipboardItem& item, QPoint screenPosition);

  ViewServices& context_;
  LibraryModel& model_;
};

}  // namespace qv
