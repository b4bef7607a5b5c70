#pragma once
#include "library/LibraryScope.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/PillButtons.h"
#include "ui/text/NumericText.h"
#include "ui/view/PaintedWidget.h"

#include <QColor>
#include <QPointer>
#include <QUuid>
#include <functional>
#include <optional>
#include <vector>

namespace qv {
struct TabStripFades;
}

namespace qv {

class QVTextField;
class SearchBarButton;

// Room the header's capsules leave around themselves for their hover growth. The header's
// spacings count from the capsules, so its layout takes this room back.
inline constexpr double kGrowthRoom = 2;

struct LibraryScopeTabProps {
  QString label;
  qsizetype count = 0;
  QString icon;  // a symbol; empty for none
  QColor dot;    // a category's colour; invalid for none
  bool isSelected = false;
  bool operator==(const LibraryScopeTabProps&) const = default;
};

// A capsule tab of the scope row: an icon or a category dot, the label, and the count from 1
// on, which scales in from 0.6 and fades (fades only under reduce motion) as it comes and goes.
// The selected tab is filled with the accent; an unselected one grows a little under the
// pointer, and a tab without items is dimmed.
class LibraryScopeTab : public HouseButtonWith<LibraryScopeTabProps> {
  Q_OBJECT
 public:
  static constexpr double kCountEnterScale = 0.6;

  explicit LibraryScopeTab(InterfaceServices& context, QWidget* parent = nullptr);
  // The first props show at once; later ones bring the count in or out.
  void setProps(const Props& props, Callbacks callbacks);

  AccessibilityInfo accessibility() const override;
  // The capsule, centred in the widget (which leaves room for the hover growth).
  QRectF capsuleRect() const { return buttonRect(); }
  // The label's colour now.
  QColor textColor() const;
  // 0 … 1: how far the count has come in; its opacity and (unless motion is reduced) its scale
  // from 0.6 follow.
  double countPresence() const { return countPresence_.value(); }
  double countScale() const;
  // 0 … 1: how far the tab has turned to its selected look (with the change that picked it).
  double selectionAmount() const { return selection_.value(); }
  // The count as drawn now, rolling to a new number.
  const NumericText& count() const { return count_; }

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override { return {kGrowthRoom, kGrowthRoom, kGrowthRoom, kGrowthRoom}; }
  void paint(QPainter& painter) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  double contentWidth() const;
  void logFrame() const;

  Animated<double> countPresence_;
  Animated<double> selection_;
  qsizetype shownCount_ = 0;  // the count drawn, kept while it fades out
  NumericText count_;
  bool hasProps_ = false;
};

struct LibraryIconPillProps {
  QString symbol;
  QString help;
  bool operator==(const LibraryIconPillProps&) const = default;
};

// The round icon button of the header ("pencil", "plus"): the symbol on a faint capsule that
// darkens and grows a little under the pointer; its help is the tooltip and the spoken name.
class LibraryIconPill : public HouseButtonWith<LibraryIconPillProps> {
  Q_OBJECT
 public:
  static constexpr double kEnterScale = 0.7;

  explicit LibraryIconPill(InterfaceServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);

  AccessibilityInfo accessibility() const override;
  QRectF capsuleRect() const { return buttonRect(); }

  // Comes in from nothing and goes out again with a fade, growing from 0.7 at its leading edge
  // (the fade alone under reduced motion), with `animation` or at once. A pill on its way out
  // takes no clicks; `onGone` runs once it has gone.
  void appear(const std::optional<Animation>& animation);
  void disappear(const std::optional<Animation>& animation, std::function<void()> onGone);
  // 0 … 1: how far it has come in; its opacity and (unless motion is reduced) its scale follow.
  double presence() const { return presence_.value(); }
  double presenceScale() const;

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override { return {kGrowthRoom, kGrowthRoom, kGrowthRoom, kGrowthRoom}; }
  void paint(QPainter& painter) override;

 private:
  Animated<double> presence_;
};

// The search capsule, 260 points wide: the magnifier, the search field, the clear button (while
// there is a query; it fades in and out, growing from 0.8 unless motion is reduced) and the
// filter button, tinted with the accent while the filter surface is open or a filter is in force.
class LibrarySearchPill : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString query;
    bool filterAccented = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onQueryChange;
    std::function<void()> onFilterButton;
  };
  static constexpr double kWidth = 260;

  explicit LibrarySearchPill(InterfaceServices& context, QWidget* parent = nullptr);
  ~LibrarySearchPill() override;

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  QVTextField& field() const { return *field_; }
  SearchBarButton& clearButton() const { return *clear_; }
  SearchBarButton& filterButton() const { return *filter_; }
  // 0 without a query, 1 with one; the clear button's fade and scale follow it.
  double clearPresence() const { return clearPresence_.value(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutParts();

  Props props_;
  Callbacks callbacks_;
  bool hasProps_ = false;
  QVTextField* field_;
  SearchBarButton* clear_;
  SearchBarButton* filter_;
  Animated<double> clearPresence_;
};

// The library's header row: the search capsule, then the scope tabs (All, Pinned, each
// category; the selected category's pencil after its tab; "New category" last) in a strip that
// scrolls sideways when they do not fit.
class LibraryHeaderView : public QWidget {
  Q_OBJECT
 public:
  struct Tab {
    QString title;
    qsizetype count = 0;
    LibraryScope scope;
    bool selected = false;
    QColor dot;  // a category's colour; invalid for "All" and "Pinned"
    bool operator==(const Tab&) const = default;
  };
  struct Props {
    QString query;
    bool filterAccented = false;
    std::vector<Tab> tabs;
    // The selected category, whose pencil stands after its tab.
    std::optional<QUuid> editableCategory;
    QString editableCategoryName;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onQueryChange;
    std::function<void()> onFilterButton;
    std::function<void(const LibraryScope&)> onSelectScope;
    std::function<void(const QUuid&)> onEditCategory;
    std::function<void()> onNewCategory;
  };

  explicit LibraryHeaderView(InterfaceServices& context, QWidget* parent = nullptr);
  ~LibraryHeaderView() override;

  // The callbacks are replaced every time; the rest is applied only when it changed.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  LibrarySearchPill& searchPill() const { return *search_; }
  const std::vector<LibraryScopeTab*>& tabs() const { return tabs_; }
  // The selected category's pencil; null while no category is selected (one on its way out
  // is not it).
  LibraryIconPill* pencil() const { return pencil_; }
  LibraryIconPill& newCategoryButton() const { return *add_; }
  // How far the tab strip is scrolled sideways, and which of its edges fade.
  double tabsOffset() const;
  TabStripFades tabsFades() const;
  // Scrolls the tab strip sideways by `delta` points (clamped), as the wheel does.
  void scrollTabs(double delta);

 private:
  void applyTabs();
  void syncPencil(int after);

  InterfaceServices& context_;
  Props props_;
  Callbacks callbacks_;
  bool hasProps_ = false;
  LibrarySearchPill* search_;
  class TabStrip* strip_;
  class TabRow* tabRow_;
  std::vector<LibraryScopeTab*> tabs_;
  QPointer<LibraryIconPill> pencil_;
  std::optional<QUuid> pencilCategory_;
  LibraryIconPill* add_;
};

// Where the filter surface's cards stand under the control that opened it (`anchor`, in the
// window's coordinates): at the control's left edge and 6 points below it, kept 12 points from
// both window edges once the cards' width (`surfaceWidth`) and the window's are known.
QPointF libraryFilterSurfacePosition(const QRectF& anchor, double surfaceWidth, double containerWidth);

}  // namespace qv
