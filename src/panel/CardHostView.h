#pragma once
#include "panel/CardListItems.h"
#include "panel/CardListLayout.h"
#include "panel/CardTransitions.h"
#include "panel/LiveScrollTracker.h"
#include "state/FilteredItems.h"

#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"
#include "ui/view/PointerArrival.h"

#include <QDate>
#include <QGraphicsScene>
#include <QHash>
#include <QUuid>
#include <map>
#include <memory>
#include <optional>

namespace qv {

class ClickableItem;
class PanelState;
struct ViewServices;

// The scrolling host of cards that the panel's list and the library's grid build on. It shows
// the cards of its layout (cardList::Layout) and only those within reach of the visible part,
// recycling the rest: a card taken back lets go of everything of its item (the factory's
// release) before it shows another.
//
// It decides which card is hovered: the one under the pointer's real position, re-read after
// every pointer move, scroll, relayout and card movement and when the pointer enters (a window
// shown under a resting pointer gets no move), none while the user scrolls, and
// tells the cards (the factory's setHovered). What follows a hover over time (a pane moving to
// the hovered card) follows only the pointer: the pointer's own motion (a move, or a wheel
// turned under it) that brings it onto another card makes the factory's followHover; content
// that moves under a still pointer (keys, a selection scroll, a removal) changes the hovered
// card but never that, nor does moving about within the card it brought there.
//
// It decides which press reaches the cards (PointerArrival): only one on the card the pointer
// itself moved onto (a move, a wheel turned under it). A card that came under a still pointer (one
// sliding into a removed card's place, one under a menu that closed) takes no press until the
// pointer moves. The second press of a double-click acts on the card the first press took (the
// factory's doubleClicked), never on another one, and is no double-click on a card it did not take.
//
// After every scroll and relayout it reports where the cards are (the factory's reportAnchor).
// A changed list keeps the card of every item still in view; new items come in and removed
// ones are blown away (the subclass says how and when), the others and the section headers glide
// to their new places; under reduce motion cards only fade, and nothing glides.
class CardHostView : public PaintedItemView {
  Q_OBJECT
 public:
  ~CardHostView() override;

  // Replaces the cards (the host takes ownership).
  void setCardFactory(std::unique_ptr<CardItemFactory> factory);

  const cardList::Layout& layout() const { return layout_; }
  double scrollOffset() const { return scroll_.value(); }
  double maximumScroll() const;
  // Jumps to `offset` (clamped), as a scroll-bar drag does.
  void scrollTo(double offset);
  // One wheel step of `pixels` downwards (negative: up).
  void scrollBy(double pixels);
  bool isScrolling() const { return tracker_.isScrolling(); }

  // The cards that show items now, by index into the host's list (leaving cards not included).
  const QHash<int, PaintedItem*>& realisedCards() const { return cards_; }
  PaintedItem* cardFor(const QUuid& id) const;
  // Every card item in the scene that is shown, leaving ones included.
  int cardItemCount() const;
  // Cards blown away or fading out right now.
  int leavingCardCount() const { return transitions_.leavingCount(); }
  // The header item of section `index` of the layout, when it is realised.
  SectionHeaderItem* header(int section) const { return headers_.header(section); }
  // The card the host counts as hovered; null for none.
  PaintedItem* hoveredCard() const { return hoveredCard_; }
  // Asks the screens where the pointer is and hovers the card under it (after a menu closed).
  void followPointer();
  int paintCount() const { return paintCount_; }

 protected:
  struct Change {
    bool listChanged = false;
    bool animated = false;  // new cards come in, removed ones are blown away, the others move
  };
  enum class HoverCause { content, pointer };

  // The subclass gives its cards (setCardFactory) before anything lays them out.
  CardHostView(ViewServices& context, PanelState& state, CardTransitions::Style transitions, QWidget* parent);

  // The list the layout indexes.
  virtual int itemCount() const = 0;
  virtual const ClipboardItem& itemAt(int index) const = 0;
  // The same list when it is a filtered history: a changed list then finds the items that left
  // by their places in the history, without a look at every item. Null by default.
  virtual const FilteredItems* filteredList() const { return nullptr; }
  // The history is about to change in place (PanelState::itemsAboutToChange): the subclass lets
  // go of its list, and reads the new one when told of the change (clearing listLetGo_). Until
  // then no card is placed.
  virtual void letGoOfList() {}
  bool listLetGo_ = false;
  // How far beyond the visible part, above and below, cards are made.
  virtual double reach() const = 0;
  // Where the header of section `index` lies in the content.
  virtual QRectF headerFrame(int section) const = 0;
  // Lays the list out again (from the openness of the sections) and places the cards.
  virtual void relayout() = 0;
  // The animation a changed list's cards follow.
  virtual Animation changeAnimation() const = 0;
  // Whether changes of the sections' openness animate now.
  virtual bool opennessAnimates() const { return true; }
  // Whether a card may be hovered now (besides the pointer being over it).
  virtual bool acceptsHover() const { return isVisible() && !tracker_.isScrolling(); }
  // After the cards took their places for a new scroll offset or layout: fades, edges.
  virtual void cardsPlaced() {}
  // A scroll by the user began.
  virtual void userScrollBegan() {}
  // The user's scrolling began or ended.
  virtual void userScrollChanged() {}
  // The day turned (the date sections change even when the list does not).
  virtual void dayTurned() = 0;

  // Places the cards for the current layout and scroll offset (clamped quietly), then the
  // hover and the anchors.
  void placeCards(Change change);
  void placeCards() { placeCards(Change{}); }
  // The openness of each section now, by title.
  QHash<QString, double> opennessValues();
  void collapsedGroupsChanged();
  void toggleGroup(const QString& title);
  // Runs dayTurned() a second after the midnight after `today`.
  void scheduleDayTurn(QDate today);
  // Animates the scroll offset to `offset` (clamped); none jumps.
  void animateScroll(double offset, const std::optional<Animation>& animation);
  void syncHover(HoverCause cause = HoverCause::content);
  // Where the pointer was says nothing about where it is now (the host hid).
  void forgetPointer() { pointer_.reset(); }
  // Asks the screens where the pointer is now (the host moved under a pointer that may rest) and
  // returns it; the pointer counts as over the list only where nothing of the window covers it.
  QPointF locatePointer();
  bool reduceMotion() const;

  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

  ViewServices& context_;
  PanelState& state_;
  QGraphicsScene scene_;
  std::unique_ptr<CardItemFactory> factory_;
  LiveScrollTracker tracker_;
  cardList::Layout layout_;
  Animated<double> scroll_;
  int paintCount_ = 0;

 private:
  void realise(Change change);
  // Which of the items that had cards before the list changed (by id, with the index each had
  // then) are not in the list now.
  QSet<QUuid> itemsGone(const QHash<QUuid, int>& before) const;
  Animated<double>& openness(const QString& title);
  PaintedItem* cardAt(QPointF viewportPoint) const;
  // What lies at a point as the pointer rule names it: a card with its item, a header, or nothing.
  PointerTarget targetAt(QPointF viewportPoint) const;
  // Whether the press at the point falls on the card itself rather than a control on it.
  // The badge or button of a card at a point of the viewport; none on a card's body or beside the cards.
  const ClickableItem* controlAt(QPointF viewportPoint) const;
  // Whether a left press goes on to the cards; a double-click's press on another card than its
  // first is handed to the first (or held). A press that does not go on is held with its release.
  bool admitPress(QMouseEvent* event);
  void setCardHovered(PaintedItem* card, bool hovered);
  void reportAnchors();
  void blowAway(PaintedItem* card);
  void releaseCard(PaintedItem* card);
  // The card lets go of its item and of every transition but its leaving.
  void letGo(PaintedItem* card);
  // Back to the spares, at rest and hidden.
  void putAway(PaintedItem* card);

  std::map<QString, std::unique_ptr<Animated<double>>> openness_;
  QHash<int, PaintedItem*> cards_;
  QHash<PaintedItem*, QUuid> cardIDs_;
  // The filtered list the cards were last placed for (see filteredList()).
  FilteredItems placedList_;
  std::vector<PaintedItem*> spareCards_;
  SectionHeaders headers_;
  // Cards coming in and leaving, and moving to their new places.
  CardTransitions transitions_;
  ItemGlides cardGlides_;
  WorkItem dayTurn_;
  // Where the pointer is in the viewport; none while it is elsewhere or not known.
  std::optional<QPointF> pointer_;
  PaintedItem* hoveredCard_ = nullptr;
  // The user's scroll is a wheel turned under the pointer.
  bool wheelScroll_ = false;
  // Which presses reach the cards.
  PointerArrival arrival_{PointerArrival::applicationDoubleClickInterval()};
  bool heldPress_ = false;
  bool firstPressOnCardBody_ = false;
};

}  // namespace qv
