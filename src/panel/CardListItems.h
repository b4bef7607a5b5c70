#pragma once
#include "cards/ViewServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QUuid>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class GroupChevron;
struct ClipboardItem;
namespace cardList {
struct Layout;
}

// The double-click memory every card of a list shares: the item tapped last, and when. (A second
// press that lands on another card is its host's to hand to the first: CardHostView.)
struct CardTapMemory {
  double lastTime = -1e9;
  std::optional<QUuid> lastItemID;
};

// Makes a card host's card items and shows an item on one. The host recycles cards, so a card
// made once shows many items over its life.
class CardItemFactory {
 public:
  virtual ~CardItemFactory() = default;
  virtual PaintedItem* makeCard() = 0;
  // Shows `item`, at `index` of the host's list, on `card` (made by makeCard).
  virtual void showItem(PaintedItem& card, const ClipboardItem& item, int index) = 0;
  // The host tells a card whether the pointer is over it, after every move, scroll and relayout.
  virtual void setHovered(PaintedItem& card, bool hovered) {
    Q_UNUSED(card);
    Q_UNUSED(hovered);
  }
  // The pointer's own motion (a move, or a wheel turned under it) brought it onto `card`, which
  // is hovered now; a card that came under a still pointer is not told: what follows the hover
  // may follow now.
  virtual void followHover(PaintedItem& card) { Q_UNUSED(card); }
  // `card` may show somewhere else on the screen now (a scroll, a relayout).
  virtual void reportAnchor(PaintedItem& card) { Q_UNUSED(card); }
  // `card` leaves the list and waits to show another item: it lets go of everything of its item.
  virtual void release(PaintedItem& card) { Q_UNUSED(card); }
  // A double-click whose first press `card` took ended on another card (one that came under the
  // pointer): the double-click acts on `card`.
  virtual void doubleClicked(PaintedItem& card, Qt::KeyboardModifiers modifiers) {
    Q_UNUSED(card);
    Q_UNUSED(modifiers);
  }
  // Set by the host: to run after a card's menu closed (the pointer may be anywhere now).
  std::function<void()> onMenuClosed;
};

// A date section's header: the title in capitals, the count while collapsed, a hairline and the
// chevron. A click anywhere on it toggles the section.
class SectionHeaderItem : public PaintedItem {
  Q_OBJECT
 public:
  struct Props {
    QString title;
    int count = 0;
    bool collapsed = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onToggle;  // a click on the header or its chevron
  };

  explicit SectionHeaderItem(ViewServices& context, QGraphicsItem* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // The header spans the list's content width; the chevron ends it.
  void setWidth(double width);
  GroupChevron& chevron() const { return *chevron_; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paintItem(QPainter& painter) override;
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

 private:
  void placeChevron();

  void toggle();

  GroupChevron* chevron_;
  Props props_;
  Callbacks callbacks_;
};

// Items of a card host on their way to new places. An item is placed along an animation (from
// where it is, or retargeted mid-way), or at once, unless it is already on its way to that very
// place: a scroll or a new height re-places everything and must not cut a glide short.
class ItemGlides {
 public:
  explicit ItemGlides(FrameClock& clock) : clock_(clock) {}
  // `onFrame` runs after every step of a glide this call starts.
  void place(QGraphicsItem* item, QPointF target, const std::optional<Animation>& glide,
             const std::function<void()>& onFrame = {});
  void forget(QGraphicsItem* item) { moving_.erase(item); }
  void clear() { moving_.clear(); }

 private:
  FrameClock& clock_;
  std::map<QGraphicsItem*, std::unique_ptr<Animated<QPointF>>> moving_;
};

// The section headers a list shows: one per section in view, the headers of sections that left
// view kept hidden for the next ones, each placed at the frame its list gives it. With `glide`,
// a header that stays with its section moves to its new place along that animation (the cards
// around it move so too); the others take their places at once.
class SectionHeaders {
 public:
  SectionHeaders(ViewServices& context, QGraphicsScene& scene);
  ~SectionHeaders();
  // `shown`: the sections in view, in order; `onToggle` gets a section's title.
  void show(const std::vector<int>& shown, const cardList::Layout& layout, const std::function<QRectF(int)>& frameOf,
            const std::function<void(const QString&)>& onToggle, const std::optional<Animation>& glide = std::nullopt);
  SectionHeaderItem* header(int section) const { return shown_.value(section); }

 private:
  ViewServices& context_;
  QGraphicsScene& scene_;
  QHash<int, SectionHeaderItem*> shown_;
  std::vector<SectionHeaderItem*> spare_;
  ItemGlides glides_;
};

}  // namespace qv
