#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <functional>

namespace qv {

class QVTextField;
class PanelState;

// The filter icon's colour: the accent while filtering is in force (lighter in the dark scheme),
// otherwise primary ink, stronger under the pointer. `filtering` and `hover` run from 0 to 1
// while they animate.
QColor searchFilterColor(const EnvironmentValues& environment, double filtering, double hover);
// The dots icon's colour: the accent while the quick-actions menu is open, otherwise primary ink,
// stronger under the pointer. `menuOpen` and `hover` run from 0 to 1 while they animate.
QColor searchDotsColor(const EnvironmentValues& environment, double menuOpen, double hover);
// The circle under the dots: primary ink at 0.07, 0.1 under the pointer, 0.12 while the menu is open.
QColor searchDotsCircle(const EnvironmentValues& environment, double menuOpen, double hover);

// A round icon button of the search bar: a symbol (optionally on a circle), a click that runs
// `onPress`, hover with the snappy spring and the pointing hand. The bar makes its buttons once,
// with a look and a press that read the bar's current props and callbacks.
class SearchBarButton : public PaintedWidget {
  Q_OBJECT
 public:
  struct Look {
    QString symbol;
    double pointSize = 12;
    QColor color;
    double scale = 1;
    double opacity = 1;
    double rotation = 0;  // degrees, about the centre
    QColor circle;        // invalid: no circle
  };
  using LookOf = std::function<Look(const SearchBarButton&)>;
  SearchBarButton(InterfaceServices& context, QString accessibleName, LookOf look, std::function<void()> onPress,
                  QWidget* parent = nullptr);

  Look look() const { return look_(*this); }
  AccessibilityInfo accessibility() const override;
  void click();

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString accessibleName_;
  LookOf look_;
  std::function<void()> onPress_;
};

// The top row of the panel column: a capsule with the magnifier, the search field (a plain
// "Search" placeholder while the panel is hidden), the clear button and the filter button, and
// beside it the dots button of the quick-actions menu. It edits the query through its callbacks,
// takes the focus on each new expand trigger and gives it up on each new resign trigger, and on
// hiding clears the query and gives up the focus.
class SearchBarView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString query;
    bool panelVisible = false;
    bool showFilterPanel = false;
    bool showDotsMenu = false;
    // A type, app or date filter is set, or a tab other than "All" is chosen.
    bool filtersInForce = false;
    int expandSearchTrigger = 0;
    int resignSearchFocusTrigger = 0;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onQueryChange;
    std::function<void(bool)> onFocusChange;
    std::function<void()> onToggleFilterPanel;
    std::function<void()> onToggleDotsMenu;
  };

  static constexpr double kRowHeight = 30;

  SearchBarView(InterfaceServices& context, const Props& props, Callbacks callbacks, QWidget* parent = nullptr);
  ~SearchBarView() override;

  // The callbacks replace the previous ones, whatever the props.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // Whether the filter icon shows the active colour.
  bool filterIconActive() const { return props_.showFilterPanel || props_.filtersInForce; }
  // 0 … 1: how far the filter icon has turned to the active colour (on the snappy spring).
  double filterIconActivity() const { return filterActive_.value(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

  // Parts, for hosts and tests.
  QVTextField* field() const { return field_; }  // null while the panel is hidden
  SearchBarButton& clearButton() const { return *clear_; }
  SearchBarButton& filterButton() const { return *filter_; }
  SearchBarButton& dotsButton() const { return *dots_; }
  QRectF capsuleRect() const;
  // 0 without a query, 1 with one; the clear button's scale and fade follow it.
  double clearPresence() const { return clearPresence_.value(); }
  // 0 while the quick-actions menu is closed, 1 while it is open; the dots' colours follow it.
  double dotsMenuProgress() const { return dotsOpen_.value(); }

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutParts();
  void syncField();
  void reportFieldFocus(bool focused);

  Props props_;
  Callbacks callbacks_;
  int focusToken_ = 0;
  int resignToken_ = 0;
  bool fieldFocused_ = false;  // as the field reported last
  QVTextField* field_ = nullptr;
  SearchBarButton* clear_;
  SearchBarButton* filter_;
  SearchBarButton* dots_;
  Animated<double> clearPresence_;
  Animated<double> dotsOpen_;
  Animated<double> filterActive_;
};

// The search bar's props from the state.
SearchBarView::Props searchBarProps(const PanelState& state);
// What the bar's edits, focus and buttons do to the state.
SearchBarView::Callbacks searchBarCallbacks(PanelState& state);
// Keeps the bar on the state: props on every change of what it reads; its edits, focus and
// buttons go to the state (the filter panel and the dots menu open with the overshoot curve).
void connectSearchBar(SearchBarView& bar, PanelState& state);

}  // namespace qv
