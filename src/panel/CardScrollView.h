#pragma once
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

namespace qv {

class PanelState;
struct ViewServices;

// What the list shows when nothing is visible.
struct EmptyListState {
  QString symbol;
  QString title;
  QString subtitle;
  bool operator==(const EmptyListState&) const = default;
};
EmptyListState emptyListState(bool historyEmpty, const QString& searchQuery);

// The edge panel's scrolling list of cards in collapsible date sections. Only the cards within
// about a screen of the visible part exist; they are recycled as the list scrolls. The list
// fades out at its edges, keeps the selected card in the middle, and is as high as its content
// up to the room it is given. It decides which card is hovered: the one under the pointer's
// real position, after every pointer move, scroll, relayout and card menu, none while the user
// scrolls or the panel slides in; a recycled card is never hovered.
class CardScrollView : public PaintedItemView {
  Q_OBJECT
 public:
  CardScrollView(ViewServices& context, PanelState& state, QWidget* parent = nullptr);
  ~CardScrollView() override;

  // Replaces the placeholder cards (the list takes ownership).
  void setCardFactory(std::unique_ptr<CardItemFactory> factory);
  // The rectangle (in the parent's coordinates) the list may fill; it takes the top of it.
  void setAvailableRect(const QRectF& rect);

  const cardList::Layout& layout() const { return layout_; }
  double scrollOffset() const { return scroll_.value(); }
  double maximumScroll() const;
  // Jumps to `offset` (clamped), as a scroll-bar drag does.
  void scrollTo(double offset);
  // One wheel step of `pixels` downwards (negative: up).
  void scrollBy(double pixels);
  bool isScrolling() const { return tracker_.isScrolling(); }
  // The fade heights now, in points, at the top and bottom.
  double topFade() const { return topFade_.value(); }
  double bottomFade() const { return bottomFade_.value(); }
  double targetHeight() const { return height_.target(); }
  // The cards that exist now, by filtered-list index (cards leaving the list not included).
  const QHash<int, PaintedItem*>& realisedCards() const { return cards_; }
  int cardItemCount() const;
  // The header item of section `index` of the layout, when it is realised.
  SectionHeaderItem* header(int section) const { return headers_.header(section); }
  // The card the list counts as hovered; null for none.
  PaintedItem* hoveredCard() const { return hoveredCard_; }
  // Asks the screens where the pointer is and hovers the card under it (after a menu closed).
  void followPointer();
  int paintCount() const { return paintCount_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void filteredItemsChanged();
  void collapsedGroupsChanged();
  void refreshGroupsIfDayChanged();
  void relayout();
  void applyScroll();
  void realise();
  void updateFades();
  void updateInteractivity();
  void scrollToSelection();
  void clearHover();
  // Hovers the card under the pointer, and only it.
  void syncHover();
  PaintedItem* cardAt(QPointF viewportPoint) const;
  void toggleGroup(const QString& title);
  void releaseCard(PaintedItem* card, bool animated);
  void placeGeometry();
  Animated<double>& openness(const QString& title);
  void paintEmptyState(QPainter& painter);

  ViewServices& context_;
  PanelState& state_;
  QGraphicsScene scene_;
  CardTapMemory taps_;
  std::unique_ptr<CardItemFactory> factory_;
  LiveScrollTracker tracker_;
  FilteredItems items_;
  std::vector<CardGroup> groups_;
  QDate groupsDay_;
  cardList::Layout layout_;
  std::map<QString, std::unique_ptr<Animated<double>>> openness_;
  Animated<double> scroll_;
  Animated<double> topFade_;
  Animated<double> bottomFade_;
  Animated<double> height_;
  QRectF available_;
  QHash<int, PaintedItem*> cards_;
  QHash<PaintedItem*, QUuid> cardIDs_;
  std::vector<PaintedItem*> spareCards_;
  SectionHeaders headers_;
  // Cards coming in or going out, with their progress.
  std::map<PaintedItem*, std::unique_ptr<Animated<double>>> transitions_;
  WorkItem midnight_;
  // Where the pointer is in the viewport; none while it is elsewhere or not known.
  std::optional<QPointF> pointer_;
  PaintedItem* hoveredCard_ = nullptr;
  bool listChanging_ = false;
  bool shown_ = false;
  // The filtered list changed while the panel was hidden; the next show lays it out.
  bool listStale_ = false;
  int paintCount_ = 0;
};

}  // namespace qv
