#include "library/LibraryView.h"

#include "base/Log.h"
#include "cards/ViewServices.h"
#include "items/model/ContentType.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "library/LibraryStatus.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "state/PanelState.h"
#include "ui/controls/TextInput.h"

#include <QPointer>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace qv {

LibraryView::LibraryView(ViewServices& context, LibraryModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  header_ = new LibraryHeaderView(context, this);
  column->addWidget(header_);
  auto* body = new QWidget(this);
  body_ = new QStackedLayout(body);
  grid_ = new LibraryGridView(context, model, body);
  empty_ = new LibraryEmptyStateView(context, body);
  body_->addWidget(grid_);
  body_->addWidget(empty_);
  column->addWidget(body, 1);
  status_ = new LibraryStatusRow(context, this);
  column->addWidget(status_);
}

LibraryView::~LibraryView() = default;

void LibraryView::sync() {
  const QString emptyBefore = props_.emptyState ? props_.emptyState->title : QString();
  props_ = libraryViewProps(model_);
  const QString emptyNow = props_.emptyState ? props_.emptyState->title : QString();
  if (emptyNow != emptyBefore)
    qCDebug(lcApp).noquote() << "Library empty state:" << (emptyNow.isEmpty() ? QStringLiteral("none") : emptyNow);
  header_->setProps(props_.header, libraryViewCallbacks(model_));
  status_->setProps(props_.status);
  if (props_.emptyState) {
    empty_->setProps(*props_.emptyState);
    // Hidden first: cards of a list that empties leave with the grid, not one by one.
    body_->setCurrentWidget(empty_);
    grid_->sync();
  } else {
    // A grid that comes back shows its new cards at once.
    grid_->sync();
    body_->setCurrentWidget(grid_);
  }
}

QVTextField& LibraryView::searchField() const { return header_->searchPill().field(); }
QWidget& LibraryView::filterButton() const { return header_->searchPill().filterButton(); }
QWidget* LibraryView::pencilButton() const { return header_->pencil(); }
QWidget& LibraryView::newCategoryButton() const { return header_->newCategoryButton(); }
QString LibraryView::statusText() const { return status_->text(); }

QString LibraryView::emptyStateText() const {
  return props_.emptyState ? props_.emptyState->title + u'\n' + props_.emptyState->description : QString();
}

QStringList LibraryView::listedRows() const {
  QStringList rows;
  const PanelState& state = model_.state();
  for (const ClipboardItem& item : grid_->items())
    rows << (state.isConcealed(item.id) ? QString::fromUtf8(kConcealedRowText)
                                        : firstLine(item.plainText().value_or(rawValue(item.contentType))));
  return rows;
}

// ---- Binding to the model --------------------------------------------------------------------

LibraryView::Props libraryViewProps(const LibraryModel& model) {
  const PanelState& state = model.state();
  LibraryView::Props props;
  LibraryHeaderView::Props& header = props.header;
  header.query = model.query();
  header.filterAccented = model.filterButtonAccented();
  const LibraryScopeCounts counts = model.scopeCounts();
  const LibraryScope& scope = model.scope();
  header.tabs.push_back({QStringLiteral("All"), counts.all, LibraryScope::all(), scope == LibraryScope::all(), {}});
  header.tabs.push_back(
      {QStringLiteral("Pinned"), counts.pinned, LibraryScope::pinned(), scope == LibraryScope::pinned(), {}});
  for (const CustomCategory& category : state.customCategories()) {
    const bool selected = scope.isCategory(category.id);
    header.tabs.push_back({category.name, counts.of(category.id), LibraryScope::category(category.id), selected,
                           state.colorForCategory(category)});
    if (selected) {
      header.editableCategory = category.id;
      header.editableCategoryName = category.name;
    }
  }
  props.status = model.statusLine();
  props.emptyState = model.emptyState();
  return props;
}

LibraryView::Callbacks libraryViewCallbacks(LibraryModel& model) {
  QPointer<LibraryModel> weak(&model);
  return {[weak](const QString& text) {
            if (weak) weak->setQuery(text);
          },
          [weak] {
            if (weak) weak->pressFilterButton();
          },
          [weak](const LibraryScope& scope) {
            if (weak) weak->selectScope(scope);
          },
          [weak](const QUuid& id) {
            if (weak) weak->pressEditCategory(id);
          },
          [weak] {
            if (weak) weak->pressNewCategory();
          }};
}

}  // namespace qv
