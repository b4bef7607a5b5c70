#pragma once
#include "ui/Translucency.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

class PanelState;
struct ViewServices;

// What a row shows in place of a sensitive item's content.
inline constexpr char kConcealedRowText[] = "\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";

// The panel's content until the full root view exists: the history as a column of plain rows
// on the panel's edge side, with the geometry every panel layout shares (the card column, the
// place where overlays open beside it, the band at the top of the column). Only the rows in
// view are laid out and painted, so a history of any length costs the same per frame. The top
// band shows the search query typed into the panel; a click selects a row and a double click
// picks it through the state's paste hook.
class PanelStandInView : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kRowHeight = 52;
  static constexpr double kRowSpacing = 6;
  static constexpr double kRowInset = 8;

  PanelStandInView(ViewServices& context, PanelState& state, TranslucencySupport support, QWidget* parent = nullptr);
  // A compositor came or went: the column is painted translucent or opaque from now on.
  void setTranslucency(TranslucencySupport support);
  TranslucencySupport translucency() const { return support_; }

  // The card column in this view's coordinates.
  QRectF columnRect() const;
  // The top band of the column.
  QRectF topBandRect() const;
  // Where row `index` of the list lies now (it may be out of view).
  QRectF rowRect(int index) const;
  // The rows the last paint drew: [first, first + count).
  int firstPaintedRow() const { return firstPaintedRow_; }
  int paintedRowCount() const { return paintedRowCount_; }
  int paintCount() const { return paintCount_; }
  double scrollOffset() const { return scrollOffset_; }
  void scrollTo(double offset);

  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int itemCount() const;
  double maximumScroll() const;
  bool onLeft() const;
  // The row under a point of this view, if any.
  std::optional<int> rowAt(QPointF position) const;
  void scrollToSelection();

  PanelState& state_;
  TranslucencySupport support_;
  double scrollOffset_ = 0;
  int firstPaintedRow_ = 0;
  int paintedRowCount_ = 0;
  int paintCount_ = 0;
};

}  // namespace qv
