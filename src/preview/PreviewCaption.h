#pragma once
#include "cards/badges/CardTimeTick.h"
#include "items/model/ClipboardItem.h"
#include "ui/view/PaintedWidget.h"

#include <QColor>
#include <QPointer>
#include <optional>

namespace qv {

struct ViewServices;
class PanelState;

// The two-line caption under a preview (and in the library's detail pane): the source
// application's icon, then a first line with the source's name, the item's category (a colour
// dot and its name), its kind and how long ago it was copied, and under it a detail line
// (dimensions, counts, size, domain). The detail line is left out while the item is sensitive
// and not peeked. It reads the category and the marks from the state and follows their changes;
// every text is made when something it shows changed, never while painting. Read-only.
class PreviewCaption : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    ClipboardItem item;
    bool operator==(const Props&) const = default;
  };

  // What the caption shows, made from the props, the state and the clock.
  struct Content {
    QString bundleID;
    QString sourceName;
    std::optional<QString> categoryName;
    QColor categoryColor;
    QString kindLabel;
    QString dateText;
    QString detailText;
    bool showsDetail = true;
    bool operator==(const Content&) const = default;
  };

  static constexpr double kIconSize = 16;
  static constexpr double kIconCornerRadius = 3.5;
  static constexpr double kIconSpacing = 8;
  static constexpr double kLineSpacing = 1;
  static constexpr double kItemSpacing = 5;
  static constexpr double kDotSize = 7;
  static constexpr double kFirstLineSize = 10;
  static constexpr double kDetailSize = 9;

  // `state` gives the category and the marks; without one the caption shows neither.
  PreviewCaption(ViewServices& context, PanelState* state, QWidget* parent = nullptr);
  ~PreviewCaption() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }
  const Content& content() const { return content_; }
  // How a host's transition draws it now: scaled about `anchor` (in its own coordinates) and
  // faded; 1 and 1 draw it as it is.
  void setTransitionLook(double scale, double opacity, QPointF anchor);
  double transitionScale() const { return transitionScale_; }
  double transitionOpacity() const { return transitionOpacity_; }

  // The first line's pieces as laid out for the current width (texts after truncation).
  struct Piece {
    enum class Kind { name, separator, dot, category, kind, date };
    Kind kind;
    QString text;  // as drawn (elided when cut)
    QRectF frame;
  };
  const std::vector<Piece>& firstLine() const;
  QString shownDetail() const;
  QRectF iconFrame() const;
  // How often the detail text was made (it is made per change of the item, not per paint).
  int detailComputations() const { return detailComputations_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void refreshFromState();
  void refreshDate();
  void apply(Content next);
  // Lays the pieces out again when the content or the size changed since the last time.
  void layOut() const;
  double textColumnHeight() const;
  void updateTickSubscription();

  ViewServices& services_;
  QPointer<PanelState> state_;
  Props props_;
  bool hasProps_ = false;
  QString detail_;  // the detail text of the current item
  Content content_;
  mutable std::vector<Piece> pieces_;
  mutable QString detailShown_;
  mutable double naturalWidth_ = 0;
  mutable std::optional<QSize> laidOutSize_;  // none: the content changed since
  int detailComputations_ = 0;
  double transitionScale_ = 1;
  double transitionOpacity_ = 1;
  QPointF transitionAnchor_;
  CardTimeTick::Subscription tick_;
};

}  // namespace qv
