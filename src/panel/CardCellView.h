#pragma once
#include "cards/ClipboardCardView.h"
#include "cards/ViewServices.h"
#include "items/model/ClipboardItem.h"
#include "items/rules/AppRule.h"
#include "items/transform/TextTransform.h"
#include "panel/CardContextMenu.h"
#include "panel/CardGesture.h"
#include "panel/CardListItems.h"
#include "panel/HostedCard.h"

#include <functional>
#include <memory>

namespace qv {

class PanelState;

// Runs a state change animated with the standard spring.
void withStandardSpring(const std::function<void()>& change);

// A card menu's application rule for the item's source (the panel's and the library's cards):
// stored under the application's name ("Nearby Device" for the nearby device); nothing for an
// item whose source is unknown.
void applyAppRuleForItem(ViewServices& context, const ClipboardItem& item, AppRule rule);

// What a card's menu shows for `item` now (the panel's and the library's cards).
CardContextMenuInputs cardMenuInputs(ViewServices& context, const PanelState& state, const ClipboardItem& item);

// One card of the panel's list: the hosted card with everything that makes it interactive.
// A click selects or deselects it, a second click on the same card within 0.35 s pastes it
// (Shift inverts "paste as plain text"), a Ctrl-click adds it to or takes it out of the
// multi-selection (an item without plain text only shakes), a left swipe deletes it and a drag
// that leaves the card drags it (or the multi-selection it belongs to) out of the program.
// Under the pointer it lifts, shows its quick actions, becomes the state's hovered item and lets
// an open preview follow it; it reports its vertical middle for placing the preview, shakes and
// shows the paste hint when the state names it, and opens its menu on a right click.
// It owns no data: it reads and changes the one PanelState. Its host says when the pointer is
// over it (pointerHovered), since only the host knows where the pointer is after a scroll, a
// relayout or a menu; a cell the host recycles starts clean (prepareForReuse). The list deletes
// cells later (deleteLater), since a cell's own click may remove its item.
class CardCellView : public HostedCard {
  Q_OBJECT
 public:
  static constexpr double kActionRowWidth = 89;
  static constexpr double kAnchorHysteresis = 8;
  static constexpr char kAlwaysPlainTextKey[] = "qv.alwaysPlainText";

  // `taps` is the list's double-click memory, shared by its cells; it outlives them.
  CardCellView(ViewServices& context, PanelState& state, CardTapMemory& taps, QGraphicsItem* parent = nullptr);
  ~CardCellView() override;

  void setItem(const ClipboardItem& item, int index);
  const ClipboardItem& item() const { return item_; }
  int index() const { return index_; }

  bool isMultiSelected() const;
  bool isSelected() const;
  bool isCellHovered() const { return hovered_; }
  // 0 resting … 1 lifted (hovered or selected).
  double liftProgress() const { return card().liftProgress(); }

  // Pointer input, in the cell's coordinates (the scene's events come here). `source` is the
  // widget a drag-out starts from.
  void pointerPressed(QPointF position);
  void pointerMoved(QPointF position, QObject* source = nullptr);
  void pointerReleased(QPointF position, Qt::KeyboardModifiers modifiers);
  // The host's word whether the pointer is over the card: the card lifts, shows its quick
  // actions and becomes the state's hovered item (what the keys act on first).
  void pointerHovered(bool hovering);
  // The host's word that the pointer itself came onto the hovered card: an open preview may
  // follow it.
  void pointerArrived();
  // Lets go of the shown item's hover, press, shake, lift, quick actions and anchor at once, so
  // that the next item starts clean.
  void prepareForReuse();
  // A double-click whose first press this card took ended on another card: it pastes this one.
  void completeDoubleTap(Qt::KeyboardModifiers modifiers);
  // Opens the card's menu at `screenPosition` for a right click at `position`; false (the click
  // goes on) when the point is outside the card or the list's viewport, or the card is hidden.
  bool openContextMenu(QPointF position, QPoint screenPosition, bool insideViewport = true);

  // What the menu shows and does for this card now.
  CardContextMenuInputs menuInputs() const;
  CardContextMenuActions menuActions();

  // Stores the card's vertical middle (global coordinates) in the state's anchors, unless the
  // stored one is within 8 points. The list calls it after every scroll and relayout.
  void reportAnchor();
  // The card's vertical middle in global coordinates (scene coordinates without a view).
  double anchorY() const;

  // The items a drag from this card carries: the multi-selection in its order when this card is
  // in one of two or more, else the item alone.
  QList<ClipboardItem> draggedItems() const;

 Q_SIGNALS:
  // The card's menu closed (chosen or dismissed); the pointer may be anywhere now.
  void contextMenuClosed();

 protected:
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
  void contextMenuEvent(QGraphicsSceneContextMenuEvent* event) override;
  QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

 private:
  // `animated` false shows the flags at once (a cell that takes another item).
  void refresh(bool animated = true);
  void handleTap(Qt::KeyboardModifiers modifiers);
  // Pastes the item for a double tap (Shift inverts "paste as plain text").
  void pasteDoubleTapped(Qt::KeyboardModifiers modifiers);
  void announceHover();
  // Where a point of the cell shows on the screen (scene coordinates without a view).
  QPointF screenPointOf(QPointF position) const;
  void toggleMultiSelection(bool isMultiSelected);
  void toggleSelection();
  void paste();
  void pastePlain();
  void pasteTransformed(TextTransform transform);
  void copyItem();
  void applyAppRule(AppRule rule);
  void switchToSourceApp();
  void startDragOut(QObject* source);
  void forgetHover();

  ViewServices& context_;
  PanelState& state_;
  CardTapMemory& taps_;
  ClipboardItem item_;
  int index_ = -1;
  bool hovered_ = false;
  CardGesture gesture_;
};

// The list's cards as card cells.
class CardCellFactory : public CardItemFactory {
 public:
  CardCellFactory(ViewServices& context, PanelState& state, CardTapMemory& taps)
      : context_(context), state_(state), taps_(taps) {}
  PaintedItem* makeCard() override;
  void showItem(PaintedItem& card, const ClipboardItem& item, int index) override {
    static_cast<CardCellView&>(card).setItem(item, index);
  }
  void setHovered(PaintedItem& card, bool hovered) override {
    static_cast<CardCellView&>(card).pointerHovered(hovered);
  }
  void followHover(PaintedItem& card) override { static_cast<CardCellView&>(card).pointerArrived(); }
  void reportAnchor(PaintedItem& card) override { static_cast<CardCellView&>(card).reportAnchor(); }
  void release(PaintedItem& card) override { static_cast<CardCellView&>(card).prepareForReuse(); }
  void doubleClicked(PaintedItem& card, Qt::KeyboardModifiers modifiers) override {
    static_cast<CardCellView&>(card).completeDoubleTap(modifiers);
  }

 private:
  ViewServices& context_;
  PanelState& state_;
  CardTapMemory& taps_;
};

}  // namespace qv
