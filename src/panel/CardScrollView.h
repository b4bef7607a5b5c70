#pragma once
#include "panel/CardHostView.h"

#include "state/FilteredItems.h"

#include <QDate>

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

// The edge panel's scrolling list of cards in collapsible date sections, a card host. Only the
// cards within about a screen of the visible part exist. The list fades out at its edges, keeps
// the selected card in the middle, and is as high as its content up to the room it is given.
// No card is hovered while the panel slides in. New cards come in by blur-scale (beneath the
// cards gliding to make room) and removed ones are blown away; the empty state comes and goes by
// blur-scale; under reduce motion all of them only fade. Changes made while the panel was hidden
// are in place when it shows.
class CardScrollView : public CardHostView {
  Q_OBJECT
 public:
  CardScrollView(ViewServices& context, PanelState& state, QWidget* parent = nullptr);
  ~CardScrollView() override;

  // The rectangle (in the parent's coordinates) the list may fill; it takes the top of it.
  void setAvailableRect(const QRectF& rect);

  // The fade heights now, in points, at the top and bottom.
  double topFade() const { return topFade_.value(); }
  double bottomFade() const { return bottomFade_.value(); }
  double targetHeight() const { return height_.target(); }
  // How far the empty state has come in: 0 gone … 1 shown.
  double emptyStatePresence() const { return emptyPresence_.value(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

  int itemCount() const override { return int(items_.size()); }
  const ClipboardItem& itemAt(int index) const override { return items_.at(index); }
  const FilteredItems* filteredList() const override { return &items_; }
  void letGoOfList() override;
  double reach() const override { return std::max(1, height()); }
  QRectF headerFrame(int section) const override;
  void relayout() override { relayout(false); }
  Animation changeAnimation() const override;
  bool acceptsHover() const override;
  void cardsPlaced() override;
  void userScrollBegan() override;
  void userScrollChanged() override { updateInteractivity(); }
  void dayTurned() override;

 private:
  void filteredItemsChanged();
  void relayout(bool listChanged);
  void updateFades();
  void updateInteractivity();
  void scrollToSelection();
  void placeGeometry();
  // Fits the list's geometry to its height and the room given; true when it changed.
  bool fitGeometry();
  void paintEmptyState(QPainter& painter);

  CardTapMemory taps_;
  FilteredItems items_;
  std::vector<CardGroup> groups_;
  cardList::HistoryGroups historyGroups_;
  QDate groupsDay_;
  Animated<double> topFade_;
  Animated<double> bottomFade_;
  Animated<double> height_;
  Animated<double> emptyPresence_;
  QRectF available_;
  // What the empty state says: set while the list is empty, kept while the state leaves.
  EmptyListState emptyState_;
  bool shown_ = false;
  bool relayingOut_ = false;
  // The filtered list changed while the panel was hidden; the next show lays it out, settled.
  bool listStale_ = false;
  bool settling_ = false;
};

}  // namespace qv
