#pragma once
#include "library/LibraryEdges.h"
#include "panel/CardHostView.h"
#include "state/FilteredItems.h"

#include <QImage>
#include <QList>
#include <array>
#include <optional>

namespace qv {

class LibraryModel;
struct ViewServices;

// The library's grid: the narrowed history as rows of 280-point cards in date sections, with
// collapsible headers from two sections on (collapsed groups are the panel's too), a card host.
// Only the cards in and just around the visible part exist. A press on the background closes
// the detail pane and clears the selection. The keyboard's scroll target is brought to the
// middle.
//
// For its first 0.3 s on screen nothing in it animates. After that, when the number of items
// or the first item changes, the remaining cards move to their places on the standard spring,
// new cards fade in and cards whose items left are blown away; under reduce motion cards only
// fade in and out.
class LibraryGridView : public CardHostView {
  Q_OBJECT
 public:
  static constexpr double kSettleSeconds = 0.3;
  static constexpr double kBlowAwayTravel = 1;

  LibraryGridView(ViewServices& context, LibraryModel& model, QWidget* parent = nullptr);
  ~LibraryGridView() override;

  // Reads the model again: the narrowed items, their sections and what every card shows.
  void sync();

  int columns() const { return layout_.arrangement.columns; }
  const FilteredItems& items() const { return items_; }
  // The cards took new places: a scroll (a wheel step, a jump, a step of its animation) or a
  // new layout.
  Q_SIGNAL void cardsMoved();
  // The first 0.3 s on screen are over: changes animate from now on.
  bool isSettled() const { return settled_; }
  // The fades at the top and bottom edge, shown where more cards lie beyond.
  const GridScrollEdges& edges() const { return edges_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

  int itemCount() const override { return int(items_.size()); }
  const ClipboardItem& itemAt(int index) const override { return items_.at(index); }
  const FilteredItems* filteredList() const override { return &items_; }
  void letGoOfList() override { items_ = {}; }
  double reach() const override;
  QRectF headerFrame(int section) const override { return layout_.headerRect(section, width()); }
  void relayout() override { relayout(Change{}); }
  Animation changeAnimation() const override;
  // Until the grid has settled nothing in it animates.
  bool opennessAnimates() const override { return settled_; }
  void cardsPlaced() override;
  void userScrollBegan() override;
  void dayTurned() override { sync(); }

 private:
  void relayout(Change change);
  void refreshCards();
  void scrollToKeyboardTarget();
  void logFirstCard();
  struct FadedBand;
  void paintFadedBand(QPainter& painter, const QRectF& band, const std::vector<FadeStop>& stops, FadedBand& kept);

  LibraryModel& model_;
  FilteredItems items_;
  std::vector<cardList::Run> runs_;
  GridScrollEdges edges_;
  std::optional<QPoint> backgroundPress_;
  WorkItem settle_;
  bool settled_ = false;
  bool everShown_ = false;
  bool synced_ = false;
  int loggedWidth_ = -1;
  QPoint loggedFirstCard_{-1, -1};
  // The faded bands at the top and bottom: the images they are painted in, and their masks,
  // made again only when a band's place, size or stops change (scrolling near an edge).
  struct FadedBand {
    QImage image;
    QImage mask;
    QRect maskPixels;
    std::vector<FadeStop> maskStops;
  };
  std::array<FadedBand, 2> bands_;
};

}  // namespace qv
