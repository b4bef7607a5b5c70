#pragma once
#include "library/LibraryEdges.h"
#include "panel/CardListItems.h"
#include "panel/CardListLayout.h"
#include "panel/LiveScrollTracker.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

#include <QGraphicsScene>
#include <QHash>
#include <QUuid>
#include <map>
#include <memory>
#include <optional>

namespace qv {

class LibraryModel;
struct ViewServices;

// The library's grid: the narrowed history as rows of 280-point cards in date sections, with
// collapsible headers from two sections on (collapsed groups are the panel's too). Only the
// cards in and just around the visible part exist; they are recycled as the grid scrolls.
//
// It decides which card is hovered: the one under the pointer's real position, after every
// pointer move, scroll and relayout, none while the user scrolls. A press on the background
// closes the detail pane and clears the selection. The keyboard's scroll target is brought to
// the middle.
//
// For its first 0.3 s on screen nothing in it animates. After that, when the number of items
// or the first item changes, the remaining cards move to their places on the standard spring,
// new cards fade in and cards whose items left are blown away; under reduce motion cards only
// fade in and out.
class LibraryGridView : public PaintedItemView {
  Q_OBJECT
 public:
  static constexpr double kSettleSeconds = 0.3;
  static constexpr double kBlowAwayTravel = 1;

  LibraryGridView(ViewServices& context, LibraryModel& model, QWidget* parent = nullptr);
  ~LibraryGridView() override;

  // Replaces the library cards (the grid takes ownership).
  void setCardFactory(std::unique_ptr<CardItemFactory> factory);
  // Reads the model again: the narrowed items, their sections and what every card shows.
  void sync();

  const cardList::Layout& layout() const { return layout_; }
  int columns() const { return layout_.arrangement.columns; }
  const FilteredItems& items() const { return items_; }
  double scrollOffset() const { return scroll_.value(); }
  double maximumScroll() const;
  // Jumps to `offset` (clamped), as a scroll-bar drag does.
  void scrollTo(double offset);
  // One wheel step of `pixels` downwards (negative: up).
  void scrollBy(double pixels);
  bool isScrolling() const { return tracker_.isScrolling(); }
  // The cards moved by a scroll (a wheel step, a jump, a step of a scroll's animation).
  Q_SIGNAL void scrolled();
  // The first 0.3 s on screen are over: changes animate from now on.
  bool isSettled() const { return settled_; }

  // The cards that show items now, by index into items() (cards on their way out not included).
  const QHash<int, PaintedItem*>& realisedCards() const { return cards_; }
  PaintedItem* cardFor(const QUuid& id) const;
  // Every card item in the scene that is shown, leaving ones included.
  int cardItemCount() const;
  // Cards blown away or fading out right now.
  int leavingCardCount() const { return int(leaving_.size()); }
  SectionHeaderItem* header(int section) const { return headers_.header(section); }
  // The card counted as hovered; null for none.
  PaintedItem* hoveredCard() const { return hoveredCard_; }
  // Asks the screens where the pointer is and hovers the card under it (after a menu closed).
  void followPointer();
  int paintCount() const { return paintCount_; }
  // The fades at the top and bottom edge, shown where more cards lie beyond.
  const GridScrollEdges& edges() const { return edges_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct Change {
    bool listChanged = false;
    bool animated = false;  // the settled grid moves, fades and blows away
  };
  void relayout() { relayout(Change{false, false}); }
  void relayout(Change change);
  void applyScroll();
  void realise() { realise(Change{false, false}); }
  void realise(Change change);
  void refreshCards();
  void collapsedGroupsChanged();
  void toggleGroup(const QString& title);
  void scrollToKeyboardTarget();
  void scheduleMidnight();
  void logFirstCard();
  void moveCard(PaintedItem* card, QPointF target, bool animated);
  void enterCard(PaintedItem* card);
  void releaseCard(PaintedItem* card);
  void blowAway(PaintedItem* card);
  void syncHover();
  void setCardHovered(PaintedItem* card, bool hovered);
  PaintedItem* cardAt(QPointF viewportPoint) const;
  Animated<double>& openness(const QString& title);
  bool reduceMotion() const;
  void paintFadedBand(QPainter& painter, const QRectF& band, const QLinearGradient& mask);

  ViewServices& context_;
  LibraryModel& model_;
  QGraphicsScene scene_;
  std::unique_ptr<CardItemFactory> factory_;
  LiveScrollTracker tracker_;
  FilteredItems items_;
  std::vector<cardList::Run> runs_;
  cardList::Layout layout_;
  std::map<QString, std::unique_ptr<Animated<double>>> openness_;
  Animated<double> scroll_;
  GridScrollEdges edges_;
  QHash<int, PaintedItem*> cards_;
  QHash<PaintedItem*, QUuid> cardIDs_;
  std::vector<PaintedItem*> spareCards_;
  SectionHeaders headers_;
  // Cards fading in, moving to their new places, and leaving, each with its animation.
  std::map<PaintedItem*, std::unique_ptr<Animated<double>>> entering_;
  std::map<PaintedItem*, std::unique_ptr<Animated<QPointF>>> moving_;
  std::map<PaintedItem*, std::unique_ptr<Animated<double>>> leaving_;
  std::optional<QPointF> pointer_;
  PaintedItem* hoveredCard_ = nullptr;
  std::optional<QPoint> backgroundPress_;
  WorkItem settle_;
  WorkItem midnight_;
  bool settled_ = false;
  bool everShown_ = false;
  bool synced_ = false;
  int paintCount_ = 0;
  int loggedWidth_ = -1;
  QPoint loggedFirstCard_{-1, -1};
};

}  // namespace qv
