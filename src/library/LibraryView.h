#pragma once
#include "items/model/ClipboardItem.h"
#include "library/LibraryScope.h"
#include "library/LibraryTexts.h"

#include <QColor>
#include <QList>
#include <QSet>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QListView;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QHBoxLayout;

namespace qv {

struct InterfaceServices;
class LibraryModel;
class LibraryRows;
class QVTextField;

// The library's content: a header with the search field, the filter button and the scope tabs
// (with counts, the selected category's pencil and "New category"), the narrowed history as a
// list, or the empty state in its place, and the status row. Everything it shows comes in its
// props; what the user does goes out through the callbacks of the latest props.
class LibraryView : public QWidget {
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
    QList<ClipboardItem> items;
    QSet<QUuid> concealed;  // shown as dots instead of their content
    std::optional<QUuid> selection;
    LibraryStatusLine status;
    std::optional<LibraryEmptyState> emptyState;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onQueryChange;
    std::function<void()> onFilterButton;
    std::function<void(const LibraryScope&)> onSelectScope;
    std::function<void(const QUuid&)> onEditCategory;
    std::function<void()> onNewCategory;
    std::function<void(const QUuid&)> onSelectItem;
  };

  static constexpr int kSearchWidth = 260;

  explicit LibraryView(InterfaceServices& context, QWidget* parent = nullptr);
  ~LibraryView() override;

  // The callbacks are replaced every time; the rest is applied only when it changed.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // Parts, for the window and tests.
  QVTextField& searchField() const { return *search_; }
  QToolButton& filterButton() const { return *filter_; }
  QList<QPushButton*> tabButtons() const;
  QToolButton* pencilButton() const { return pencil_; }
  QToolButton& newCategoryButton() const { return *add_; }
  QListView& list() const { return *list_; }
  QString statusText() const;
  // The rows now listed, as shown.
  QStringList listedRows() const;
  // The empty state's title and description as shown; empty while the list shows.
  QString emptyStateText() const;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void applyTabs();
  // The symbols and quieter texts in the colours of the current palette.
  void applyInk();
  void applyStatus();
  void applyEmptyState();

  InterfaceServices& context_;
  Props props_;
  Callbacks callbacks_;
  bool hasProps_ = false;
  QLabel* magnifier_ = nullptr;
  QVTextField* search_;
  QToolButton* filter_;
  QHBoxLayout* tabRow_;
  std::vector<QPushButton*> tabs_;
  QToolButton* pencil_ = nullptr;
  QToolButton* add_;
  QStackedWidget* body_;
  QListView* list_;
  LibraryRows* rows_;
  QLabel* emptyTitle_;
  QLabel* emptyDescription_;
  QLabel* emptySymbol_;
  QLabel* status_;
  QLabel* filteredMarker_;
  QLabel* pausedSymbol_;
  QLabel* paused_;
};

// The view's props from the model and its state.
LibraryView::Props libraryViewProps(const LibraryModel& model);
// The view's callbacks: each acts on the model (and through it on the state).
LibraryView::Callbacks libraryViewCallbacks(LibraryModel& model);

}  // namespace qv
