#pragma once
#include "items/model/ClipboardItem.h"
#include "library/LibraryHeader.h"
#include "library/LibraryModel.h"
#include "library/LibraryTexts.h"
#include "platform/Scheduler.h"

#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

class QStackedLayout;

namespace qv {

struct ViewServices;
class LibraryGridView;
class LibraryModel;
class LibraryStatusRow;
class LibraryEmptyStateView;
class LibraryDetailOverlay;
class FilterStatusBarView;
class CopiedToastView;
class QVTextField;

// The library's content: a column of the header row (search, filter button, scope tabs), the
// chips of the filters in force, the grid of the narrowed history in date sections (or the empty
// state in its place) with the detail pane floating over its bottom, and the status row; over it
// the copied toast, under it a faint accent wash from the top. It reads the one library model
// and acts on it; the header, status row and empty state take their props from it, the grid
// reads it as the panel's list reads the state.
class LibraryView : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kFilterBarTopPadding = 2;
  static constexpr double kWashHeight = 260;
  static constexpr double kWashOpacity = 0.028;

  struct Props {
    LibraryHeaderView::Props header;
    LibraryStatusLine status;
    std::optional<LibraryEmptyState> emptyState;
    // The item in the detail pane (as the filtered list has it); none: the pane is away.
    std::optional<ClipboardItem> detailItem;
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
  LibraryDetailOverlay& detailOverlay() const { return *overlay_; }
  FilterStatusBarView& filterBar() const { return *filterBar_; }
  CopiedToastView& copiedToast() const { return *toast_; }
  // The grid area (grid or empty state) in the view's coordinates.
  QRect gridArea() const;

  // The detail pane's size now, for the grid's width and the view's height.
  double detailWidth() const;
  double detailHeight() const;

  // Parts, for the window and tests.
  QVTextField& searchField() const;
  QWidget& filterButton() const;
  // The selected category's pencil; null while no category is selected.
  QWidget* pencilButton() const;
  QWidget& newCategoryButton() const;
  // The detail pane's editor while an edit is open and shows; null otherwise.
  QWidget* detailEditor() const;
  // The status row as one line.
  QString statusText() const;
  // The empty state's title and description as shown; empty while the grid shows.
  QString emptyStateText() const;
  // The first line of each item in the grid, in order (a hidden item as dots).
  QStringList listedRows() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What the grid shows, as far as a picture of it under the detail pane is concerned.
  struct GridLook {
    FilteredItems items;
    std::vector<LibraryDateSection> sections;
    QList<QUuid> multiSelection;
    double scroll = 0;
  };
  void layoutColumn();
  void syncDetail();
  void paintUnderDetail(QPainter& painter, const QRegion& region) const;
  // The grid changed where it may lie under the detail pane: its picture there is let go, and
  // not taken again until the grid settled.
  void gridChanged();
  // The grid was laid out anew (a resize, its cards placed): as a change, but one made before the
  // grid settled on screen starts no wait.
  void gridLaidOut();
  // The pane is about to change: what lies under it is held as a picture once the grid rests.
  void holdBackdrop();
  void hoveredChanged();
  // Parts of the grid's scene (its coordinates) changed their look.
  void sceneChanged(const QList<QRectF>& rects);
  void syncToast();
  void placeToast();

  ViewServices& context_;
  LibraryModel& model_;
  Props props_;
  LibraryHeaderView* header_;
  FilterStatusBarView* filterBar_;
  QWidget* bodyWidget_;
  QStackedLayout* body_;
  LibraryGridView* grid_;
  LibraryEmptyStateView* empty_;
  LibraryStatusRow* status_;
  LibraryDetailOverlay* overlay_;
  CopiedToastView* toast_;
  WorkItem toastRemoval_;
  WorkItem heldLater_;  // a hold asked for while the grid settled, due when it has
  std::vector<QMetaObject::Connection> modelConnections_;
  GridLook gridLook_;
  std::optional<QUuid> detailID_;  // the item the pane was last given
  double gridChangedAt_ = -1;      // uptime of the last change of the grid under the pane
  bool synced_ = false;
};

// The view's props from the model and its state.
LibraryView::Props libraryViewProps(const LibraryModel& model);
// The header's callbacks: each acts on the model (and through it on the state).
LibraryView::Callbacks libraryViewCallbacks(LibraryModel& model);

}  // namespace qv
