#pragma once
#include "panel/CategoryForm.h"
#include "panel/FilterControls.h"
#include "panel/FilterTabs.h"
#include "platform/Compositor.h"
#include "state/FilterTypes.h"
#include "ui/anim/AnimatedValue.h"

#include <QLabel>
#include <QScrollArea>
#include <QWidget>
#include <map>

namespace qv {

class PanelState;
class OrnamentRail;
class OrnamentRailButton;
class FilterChip;
class ChipFlow;

// The floating filter surface: a rail with one button per tab (and reset while anything is
// set) beside a card with the chips of the chosen tab, both on the menu material with the low
// shadow. The rail stands on the side of the screen edge the panel is on. The category tab
// carries the category form. Rebuilt from the state on every change it reads; the chips glide
// to their new places, come and go with a fade, and the card follows its content's height.
//
// The cards stand kShadowRoom inside the widget's edges, where their shadow falls: a host
// lining the cards up with something places the widget that much further out.
class FilterPanelView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kCardWidth = 320;
  static constexpr int kMaxContentHeight = 420;
  static constexpr int kRailWidth = 46;
  static constexpr int kGap = 10;
  static constexpr int kShadowRoom = 14;
  FilterPanelView(InterfaceServices& context, PanelState& state, FilterSurface surface = FilterSurface::panel,
                  QWidget* parent = nullptr);

  // Translucent while a compositor can show it so; opaque otherwise.
  void setTranslucency(TranslucencySupport support);
  TranslucencySupport translucency() const { return translucency_; }
  // Rail and card width and the content's settled height (up to the card's greatest), with the
  // shadow room around them.
  QSize sizeHint() const override;
  // The two cards now, in the widget's coordinates (they grow and shrink while animating).
  QRectF railCardRect() const;
  QRectF contentCardRect() const;
  // Both cards' rounded shapes: what the panel shows and takes clicks on.
  QPainterPath surfaceShape() const;
  bool railLeads() const;
  // 0 … 1: how far the category form and the reset button have come in.
  double formPresence() const { return formPresence_.value(); }
  double resetPresence() const { return resetPresence_.value(); }

  FilterTab tab() const { return tab_; }
  void selectTab(FilterTab tab);
  CategoryForm& form() { return form_; }
  OrnamentRail& rail() const { return *rail_; }
  OrnamentRailButton* resetButton() const { return reset_; }
  // The chips of the current tab, in order.
  const std::vector<FilterChip*>& chips() const { return chips_; }
  CategoryFormView* formView() const { return formView_; }
  // The rail button tooltip of a tab.
  QString railHelp(FilterTab tab) const;
  // A category's chip menu deletes through here: one that holds items asks first (an alert that
  // names how many).
  void deleteCategoryAsking(const QUuid& categoryID);

 Q_SIGNALS:
  void surfaceShapeChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void rebuild();
  void rebuildRail();
  void rebuildContent();
  // Keeps the chip with this identity (or makes it) with these props and action, in order.
  void keepChip(const QString& key, const FilterChip::Props& props, std::function<void()> action);
  void layoutCards();
  double railCardHeight(double resetPresence) const;
  double cardHeight(double formPresence, double flowHeight) const;
  double formSpace(double presence) const;

  InterfaceServices& context_;
  PanelState& state_;
  FilterTab tab_ = FilterTab::type;
  CategoryForm form_;
  TranslucencySupport translucency_;
  QWidget* railCard_;
  OrnamentRail* rail_ = nullptr;
  OrnamentRailButton* reset_ = nullptr;
  QWidget* card_;
  QLabel* header_;
  QScrollArea* scroll_;
  QWidget* content_;
  QWidget* flowHost_;
  ChipFlow* flow_;
  CategoryFormView* formView_ = nullptr;
  class FormSnapshot;
  FormSnapshot* formSnapshot_;
  std::vector<FilterChip*> chips_;
  std::map<QString, FilterChip*> chipsByKey_;
  Animated<double> resetPresence_;
  Animated<double> formPresence_;
  Animated<double> flowHeight_;
  bool formWasOpen_ = false;
};

}  // namespace qv
