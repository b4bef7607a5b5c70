#pragma once
#include "panel/FilterControls.h"
#include "state/FilterTypes.h"
#include "ui/controls/PillButtons.h"
#include "ui/view/PaintedWidget.h"

#include <QHash>
#include <functional>

namespace qv {

class ChipFlow;
class PanelState;

// One filter in force: its label and a small cross on a thin-material capsule that grows a
// little while hovered. A click removes that filter.
class FilterChipView : public CapsuleChip {
  Q_OBJECT
 public:
  FilterChipView(InterfaceServices& context, ActiveFilterChip chip, QWidget* parent = nullptr);
  // A chip keeps its view while others come and go; its label and clear action follow the state.
  void setChip(ActiveFilterChip chip);
  const ActiveFilterChip& chip() const { return chip_; }
  double scale() const;

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  // The clear may take this chip away: the bar drops it later, never under this call.
  std::function<void()> tapAction() const override { return chip_.clear; }

 private:
  ActiveFilterChip chip_;
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
// its business.
class FilterStatusBarView : public QWidget {
  Q_OBJECT
 public:
  FilterStatusBarView(InterfaceServices& context, PanelState& state, QWidget* parent = nullptr);

  // Clears the type, application and date filters, the selection and the preview.
  void clearAllFilters();

  // Some filter is in force: the bar shows (in a parent) and takes room.
  bool isPresent() const { return present_; }
  std::vector<FilterChipView*> chipViews() const;
  ClearAllButton* clearAllButton() const { return clearAll_; }

 private:
  void sync();
  InterfaceServices& context_;
  PanelState& state_;
  ChipFlow* flow_;
  QHash<QString, FilterChipView*> chips_;
  ClearAllButton* clearAll_;
  bool present_ = false;
};

}  // namespace qv
