#pragma once
#include "ui/Translucency.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

class CardListView;
class PanelState;
struct ViewServices;

// What a row shows in place of a sensitive item's content.
inline constexpr char kConcealedRowText[] = "\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";

// The panel's content until the full root view exists: the card list in a column on the panel's
// edge side, with the geometry every panel layout shares (the card column, the place where
// overlays open beside it, the band at the top of the column). The top band shows the search
// query typed into the panel.
class PanelStandInView : public PaintedWidget {
  Q_OBJECT
 public:
  PanelStandInView(ViewServices& context, PanelState& state, TranslucencySupport support, QWidget* parent = nullptr);
  // A compositor came or went: the column is painted translucent or opaque from now on.
  void setTranslucency(TranslucencySupport support);
  TranslucencySupport translucency() const { return support_; }

  // The card column in this view's coordinates.
  QRectF columnRect() const;
  // The top band of the column.
  QRectF topBandRect() const;
  CardListView& list() const { return *list_; }
  int paintCount() const { return paintCount_; }

  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool onLeft() const;
  void placeList();

  PanelState& state_;
  TranslucencySupport support_;
  CardListView* list_;
  int paintCount_ = 0;
};

}  // namespace qv
