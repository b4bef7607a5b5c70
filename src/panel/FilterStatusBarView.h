#pragma once
#include "panel/FilterControls.h"
#include "state/FilterTypes.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/PillButtons.h"
#include "ui/view/PaintedWidget.h"

#include <QHash>
#include <QImage>
#include <functional>

namespace qv {

class ChipFlow;
class PanelState;

// One filter in force: its label and a small cross on a thin-material capsule that grows a
// little while hovered. A click asks `onClear`.
class FilterChipView : public CapsuleChip {
  Q_OBJECT
 public:
  struct Props {
    QString label;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClear;  // runs with the standard spring
  };
  FilterChipView(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  double scale() const;

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  // The clear may take this chip away: the bar drops it later, never under this call.
  std::function<void()> tapAction() const override { return callbacks_.onClear; }

 private:
  Props props_;
  Callbacks callbacks_;
};

struct ClearAllButtonProps {
  bool operator==(const ClearAllButtonProps&) const = default;
};
// "Clear All" beside the chips: plain text that gains a faint capsule while hovered.
class ClearAllButton : public HouseButtonWith<ClearAllButtonProps> {
 public:
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override;
};

// The row under the category strip that shows every type, application and date filter in force
// as a removable chip, wrapping onto more rows as needed, with "Clear All" after them from two
// chips on. It takes no room while no such filter is set; the tab and the search query are not
// its business. It comes and goes with the animation of the change that set or cleared the
// filters: it opens its room while its chips move down from under the strip and fade in (and
// the reverse); under reduced motion the chips only fade.
class FilterStatusBarView : public QWidget {
  Q_OBJECT
 public:
  FilterStatusBarView(InterfaceServices& context, PanelState& state, QWidget* parent = nullptr);

  // Clears the type, application and date filters, the selection and the preview.
  void clearAllFilters();

  // Some filter is in force (the bar is there, or on its way in).
  bool isPresent() const { return present_; }
  // 0 … 1 (a little past 1 while a spring overshoots): how far the bar has come in.
  double presence() const { return presence_.value(); }
  // The room the bar takes in the column at `width` now: its rows' height, in proportion to how
  // far it has come (all of it under reduced motion while it shows at all).
  int shownHeight(int width) const;
  // Where the top of the chips stands now relative to the bar's top: above it while they move.
  double contentOffset() const;
  std::vector<FilterChipView*> chipViews() const;
  ClearAllButton* clearAllButton() const { return clearAll_; }
  ChipFlow& flow() const { return *flow_; }

  bool hasHeightForWidth() const override { return true; }
  // The height of all its rows (of the rows it leaves with, while it goes).
  int heightForWidth(int width) const override;

 Q_SIGNALS:
  // The room it takes changed: the column lays itself out again.
  void shownHeightChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void sync();
  // The live chips stand in the bar once it has fully come; while it moves they wait out of
  // sight and a picture of them is painted.
  void placeContent();
  bool isMoving() const;
  bool reducedMotion() const;
  void presenceChanged();

  InterfaceServices& context_;
  PanelState& state_;
  QWidget* content_;
  ChipFlow* flow_;
  QHash<QString, FilterChipView*> chips_;
  ClearAllButton* clearAll_;
  bool present_ = false;
  Animated<double> presence_;
  QImage leavingPicture_;  // the chips it leaves with
  int leavingHeight_ = 0;
};

}  // namespace qv
