#pragma once
#include "library/LibraryHeader.h"
#include "library/LibraryTexts.h"

#include <QStringList>
#include <QWidget>
#include <optional>

class QStackedLayout;

namespace qv {

struct ViewServices;
class LibraryGridView;
class LibraryModel;
class LibraryStatusRow;
class LibraryEmptyStateView;
class QVTextField;

// The library's content: the header row (search, filter button, scope tabs), the grid of the
// narrowed history in date sections or the empty state in its place, and the status row. It
// reads the one library model and acts on it; the header, status row and empty state take
// their props from it, the grid reads it as the panel's list reads the state.
class LibraryView : public QWidget {
  Q_OBJECT
 public:
  struct Props {
    LibraryHeaderView::Props header;
    LibraryStatusLine status;
    std::optional<LibraryEmptyState> emptyState;
    bool operator==(const Props&) const = default;
  };
  using Callbacks = LibraryHeaderView::Callbacks;

  LibraryView(ViewServices& context, LibraryModel& model, QWidget* parent = nullptr);
  ~LibraryView() override;

  // Reads the model again: header, grid, status row and empty state.
  void sync();
  const Props& props() const { return props_; }

  LibraryHeaderView& header() const { return *header_; }
  LibraryGridView& grid() const { return *grid_; }
  LibraryStatusRow& statusRow() const { return *status_; }
  LibraryEmptyStateView& emptyStateView() const { return *empty_; }

  // Parts, for the window and tests.
  QVTextField& searchField() const;
  QWidget& filterButton() const;
  // The selected category's pencil; null while no category is selected.
  QWidget* pencilButton() const;
  QWidget& newCategoryButton() const;
  // The status row as one line.
  QString statusText() const;
  // The empty state's title and description as shown; empty while the grid shows.
  QString emptyStateText() const;
  // The first line of each item in the grid, in order (a hidden item as dots).
  QStringList listedRows() const;

 private:
  LibraryModel& model_;
  Props props_;
  LibraryHeaderView* header_;
  QStackedLayout* body_;
  LibraryGridView* grid_;
  LibraryEmptyStateView* empty_;
  LibraryStatusRow* status_;
};

// The view's props from the model and its state.
LibraryView::Props libraryViewProps(const LibraryModel& model);
// The header's callbacks: each acts on the model (and through it on the state).
LibraryView::Callbacks libraryViewCallbacks(LibraryModel& model);

}  // namespace qv
