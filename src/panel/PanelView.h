#pragma once
#include "items/model/ClipboardItem.h"
#include "panel/ColumnBorder.h"
#include "panel/PanelLayout.h"
#include "panel/PanelSideSurfaces.h"
#include "platform/Compositor.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QPointer>
#include <QRegion>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class CardScrollView;
class CategoryStripView;
class CopiedToastView;
class FilterStatusBarView;
class PanelState;
class SearchBarView;
struct ViewServices;

// What a row shows in place of a sensitive item's content.
inline constexpr char kConcealedRowText[] = "\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";

// The footer under the card list: how many items the list shows, or how many are selected for
// pasting together.
QString panelCountLabel(const PanelState& state);

// The edge panel's content. On the edge side, a 320-point column on a rounded translucent
// surface: the search bar, the category strip, the filter chips, the card list and a count
// footer, with the copied toast floating over its middle. Beside the column, on the side away
// from the edge, at most one side surface, which grows out from behind the column. Everything
// shown comes from the state; the children act on it.
class PanelView : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kColumnWidth = panelLayout::kColumnWidth;
  static constexpr double kColumnMargin = 8;
  static constexpr double kCornerRadius = 22;
  static constexpr double kBorderWidth = 0.5;  // the column's hairline
  static constexpr double kSideSurfaceOffset = panelLayout::kOverlayOffset;
  static constexpr double kSideTopInset = 8;
  static constexpr double kSideBottomInset = 20;
  static constexpr double kPreviewMargin = 20;
  static constexpr double kFooterPadding = 7;

  // Makes the preview pane of an item, given the height it may take and what closes it.
  using PreviewFactory = PanelSideSurfaces::PreviewFactory;

  PanelView(ViewServices& context, PanelState& state, TranslucencySupport support, QWidget* parent = nullptr);
  ~PanelView() override;

  // A compositor came or went: the surfaces are painted translucent or opaque from now on.
  void setTranslucency(TranslucencySupport support);
  TranslucencySupport translucency() const { return support_; }
  void setPreviewFactory(PreviewFactory factory);
  // Whether an item can be previewed: a preview factory is set.
  bool hasPreviewFactory() const;

  // Geometry in this view's coordinates.
  QRectF columnRect() const;   // the column with its transparent margin
  QRectF surfaceRect() const;  // the rounded surface inside the margin
  QRectF footerRect() const;
  // The side surface's own shape now (while it comes or goes too), without the room its shadow
  // falls in; empty when there is none.
  QRectF sideSurfaceRect() const;
  // Where the panel shows something: the column's surface and the side surfaces.
  QRegion contentRegion() const;

  SearchBarView& searchBar() const { return *searchBar_; }
  CategoryStripView& categoryStrip() const { return *strip_; }
  FilterStatusBarView& filterStatusBar() const { return *statusBar_; }
  CardScrollView& list() const { return *list_; }
  CopiedToastView& toast() const { return *toast_; }
  SideSurfaceKind sideSurface() const;
  // The side surface's widget once it has fully arrived (null while absent or moving).
  QWidget* sideSurfaceWidget() const;
  // 0 … 1 (past 1 while overshooting): how far the current side surface has come in.
  double sideSurfaceProgress() const;
  QString countLabel() const;
  int paintCount() const { return paintCount_; }

  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 Q_SIGNALS:
  // The column's height or the side surfaces changed: the window's shape follows.
  void contentRegionChanged();

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  bool onLeft() const;
  double columnX() const;
  void relayout();
  void layoutColumn();
  void placeToast();
  void syncToast();
  void paintColumn(QPainter& painter);
  void contentChanged();

  ViewServices& context_;
  PanelState& state_;
  TranslucencySupport support_;
  SearchBarView* searchBar_;
  CategoryStripView* strip_;
  FilterStatusBarView* statusBar_;
  CardScrollView* list_;
  CopiedToastView* toast_;
  std::unique_ptr<PanelSideSurfaces> sides_;
  double listBottom_ = 0;
  QRegion lastRegion_;
  int paintCount_ = 0;
  ColumnBorder border_{kCornerRadius, kBorderWidth};
};

}  // namespace qv
