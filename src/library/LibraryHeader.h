#pragma once
#include "library/LibraryIconPill.h"
#include "library/LibraryScope.h"
#include "library/LibraryScopeTab.h"
#include "library/LibrarySearchPill.h"

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
    std::function<void()> onSearchFocus;  // the search field took the keys
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
