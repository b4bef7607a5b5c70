#pragma once
#include "cards/ViewServices.h"
#include "ui/view/PaintedItem.h"

#include <functional>
#include <optional>

namespace qv {

class GroupChevron;
struct ClipboardItem;

// The double-click memory every card of a list shares: the card tapped last and when.
struct CardTapMemory {
  std::optional<int> lastIndex;
  double lastTime = -1e9;
};

// Makes the list's card items and shows an item on one. The list recycles cards, so a card made
// once shows many items over its life.
class CardItemFactory {
 public:
  virtual ~CardItemFactory() = default;
  virtual PaintedItem* makeCard() = 0;
  // Shows `item`, at `index` of the filtered list, on `card` (made by makeCard).
  virtual void showItem(PaintedItem& card, const ClipboardItem& item, int index) = 0;
};

// A date section's header: the title in capitals, the count while collapsed, a hairline and the
// chevron. A click anywhere on it toggles the section.
class SectionHeaderItem : public PaintedItem {
  Q_OBJECT
 public:
  explicit SectionHeaderItem(ViewServices& context, QGraphicsItem* parent = nullptr);
  void setSection(const QString& title, int count, bool collapsed, std::function<void()> toggle);
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

  GroupChevron* chevron_;
  QString title_;
  int count_ = 0;
  bool collapsed_ = false;
  std::function<void()> toggle_;
};

}  // namespace qv
