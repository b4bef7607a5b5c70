#include "library/LibraryView.h"

#include "base/Log.h"
#include "cards/ViewServices.h"
#include "items/model/ContentType.h"
#include "library/LibraryDetailOverlay.h"
#include "library/LibraryDetailSizing.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "library/LibraryStatus.h"
#include "panel/CopiedToastView.h"
#include "panel/FilterStatusBarView.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "preview/EditableTextView.h"
#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/TextInput.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QStackedLayout>

namespace qv {

LibraryView::LibraryView(ViewServices& context, LibraryModel& model, QWidget* parent)
    : QWidget(parent), context_(context), model_(model) {
  header_ = new LibraryHeaderView(context, this);
  filterBar_ = new FilterStatusBarView(context, model.state(), this);
  bodyWidget_ = new QWidget(this);
  body_ = new QStackedLayout(bodyWidget_);
  grid_ = new LibraryGridView(context, model, bodyWidget_);
  empty_ = new LibraryEmptyStateView(context, bodyWidget_);
  body_->addWidget(grid_);
  body_->addWidget(empty_);
  status_ = new LibraryStatusRow(context, this);
  overlay_ = new LibraryDetailOverlay(context, this);
  overlay_->setPane(new LibraryDetailView(context, model.state(), {}, {}));
  overlay_->setBackdropPainter([this](QPainter& painter, const QRegion& region) { paintUnderDetail(painter, region); });
  // What changes the grid under the pane lets its picture go (the model's changes are compared
  // in sync()).
  grid_->installEventFilter(this);
  grid_->viewport()->installEventFilter(this);
  modelConnections_ = {connect(&model, &LibraryModel::hoveredIDChanged, this, &LibraryView::hoveredChanged),
                       connect(&model, &LibraryModel::keyboardScrollTargetChanged, this, &LibraryView::gridChanged)};
  connect(grid_, &LibraryGridView::cardsMoved, this, &LibraryView::gridLaidOut);
  // Any card that changes its look under the pane (a thumbnail come, a mark, an animation).
  connect(grid_->scene(), &QGraphicsScene::changed, this, &LibraryView::sceneChanged);
  if (context.environment) connect(context.environment.get(), &Environment::changed, this, &LibraryView::gridChanged);
  toast_ = new CopiedToastView(context, this);
  toast_->hide();
  // The chips row comes and goes with the filters, opening and closing its room as it moves.
  connect(filterBar_, &FilterStatusBarView::shownHeightChanged, this, &LibraryView::layoutColumn);
  connect(&model.state(), &PanelState::showCopiedToastChanged, this, &LibraryView::syncToast);
  // Held on through a copy, the list would make the copy copy the whole history.
  connect(&model.state(), &PanelState::itemsAboutToChange, this, [this] { gridLook_.items = {}; });
}

LibraryView::~LibraryView() {
  toastRemoval_.cancel();
  heldLater_.cancel();
  // The grid going away below may still move the hover in the model: nothing of that reaches
  // this view, which is no longer one then. By handle: the model may be gone already.
  for (const QMetaObject::Connection& connection : modelConnections_) disconnect(connection);
}

void LibraryView::sync() {
  // The grid under the detail pane: a new list or sections, a changed multi-selection or a scroll
  // lets the pane's picture of it go.
  GridLook look{model_.filteredItems(), model_.dateSections().sections, model_.state().multiSelectedIDs(),
                grid_->scrollOffset()};
  if (!synced_) {
    // The first list: the grid shows it without moving (it settles before it animates).
    synced_ = true;
  } else if (!look.items.sharesWith(gridLook_.items) || look.sections != gridLook_.sections ||
             look.multiSelection != gridLook_.multiSelection || look.scroll != gridLook_.scroll) {
    gridChanged();
  }
  // A selection that moves only changes two cards' rings: they reach the picture as changes of the
  // scene.
  gridLook_ = std::move(look);
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
  syncDetail();
}

// ---- Layout ----------------------------------------------------------------------------------

void LibraryView::layoutColumn() {
  const int w = width();
  int y = 0;
  const auto place = [&](QWidget* child, int height) {
    child->setGeometry(0, y, w, height);
    y += height;
  };
  place(header_, header_->sizeHint().height());
  const int chips = filterBar_->shownHeight(w);
  if (chips > 0) y += int(kFilterBarTopPadding);
  place(filterBar_, chips);
  const int statusHeight = status_->sizeHint().height();
  place(bodyWidget_, std::max(0, height() - y - statusHeight));
  place(status_, statusHeight);
  syncDetail();
  placeToast();
}

QRect LibraryView::gridArea() const { return bodyWidget_->geometry(); }

void LibraryView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  gridLaidOut();
  layoutColumn();
}

void LibraryView::paintEvent(QPaintEvent*) {
  // A faint wash of the accent from the top, under the title bar's edge too.
  QPainter painter(this);
  QLinearGradient wash(0, 0, 0, kWashHeight);
  QColor top = Theme::accent();
  top.setAlphaF(float(kWashOpacity));
  QColor bottom = Theme::accent();
  bottom.setAlphaF(0);
  wash.setColorAt(0, top);
  wash.setColorAt(1, bottom);
  painter.fillRect(QRectF(0, 0, width(), kWashHeight), wash);
}

// ---- Detail overlay --------------------------------------------------------------------------

double LibraryView::detailWidth() const {
  return libraryDetail::width(gridArea().width(), props_.detailItem ? &*props_.detailItem : nullptr);
}

double LibraryView::detailHeight() const {
  return libraryDetail::height(height(), props_.detailItem ? &*props_.detailItem : nullptr, detailWidth());
}

void LibraryView::syncDetail() {
  const double paneWidth = detailWidth();
  const double paneHeight = detailHeight();
  if (props_.detailItem) {
    QPointer<LibraryModel> model(&model_);
    overlay_->pane()->showItem(*props_.detailItem, paneWidth, paneHeight, [model] {
      if (model) withAnimation(Theme::springCritical(), [&] { model->setPreviewID(std::nullopt); });
    });
  }
  // A pane on its way out keeps the size it had.
  const QSizeF size = props_.detailItem ? QSizeF(paneWidth, paneHeight) : overlay_->props().paneSize;
  // Another item moves the pane to its size and place on the critical spring, unless the change
  // brought a curve of its own (a hover's quick ease-out).
  const std::optional<QUuid> shownID = props_.detailItem ? std::optional(props_.detailItem->id) : std::nullopt;
  std::optional<Animation> change = Transaction::current().animation;
  if (!change && shownID && detailID_ && shownID != detailID_) change = Theme::springCritical();
  detailID_ = shownID;
  withAnimation(change, [&] { overlay_->setProps({props_.detailItem.has_value(), size}); });
  overlay_->place(QRectF(gridArea()));
  // The pane open, or about to change: what lies under it is held as a picture meanwhile.
  if (props_.detailItem) holdBackdrop();
  if (toast_->isVisible()) toast_->raise();
}

// ---- What lies under the detail pane ---------------------------------------------------------

// The window's background, this view's wash and the grid area, for `region` of this view: what
// the window paints there but the detail pane and its shadow.
void LibraryView::paintUnderDetail(QPainter& painter, const QRegion& region) const {
  const QRect bounds = region.boundingRect();
  QWidget* top = window();
  if (top != this)
    top->render(&painter, QPoint(), region.translated(mapTo(top, QPoint(0, 0))), QWidget::DrawWindowBackground);
  const_cast<LibraryView*>(this)->render(&painter, QPoint(), region,
                                         top == this ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
  const QRegion inBody = region.translated(-bodyWidget_->pos()) & bodyWidget_->rect();
  if (!inBody.isEmpty())
    bodyWidget_->render(&painter, inBody.boundingRect().topLeft() + bodyWidget_->pos() - bounds.topLeft(), inBody,
                        QWidget::DrawChildren);
}

void LibraryView::gridChanged() {
  overlay_->dropBackdrop();
  gridChangedAt_ = context_.scheduler->uptime();
}

void LibraryView::gridLaidOut() {
  overlay_->dropBackdrop();
  // Until the grid settled on screen its cards take their places at once: nothing is on its way.
  if (grid_->isSettled()) gridChangedAt_ = context_.scheduler->uptime();
}

void LibraryView::holdBackdrop() {
  // Not while the grid moves: cards just added, removed, marked or scrolled are still on their way.
  constexpr double kGridSettleSeconds = 0.6;
  heldLater_.cancel();
  if (grid_->isScrolling()) return;
  const double settling = gridChangedAt_ < 0 ? 0 : kGridSettleSeconds - (context_.scheduler->uptime() - gridChangedAt_);
  // (A millisecond short of it is as good as settled: the hold never chases its own rounding.)
  if (settling > 1e-3) {
    // The pane changes meanwhile: once the grid rests its picture is taken all the same.
    heldLater_ = context_.scheduler->after(
        settling, [this] { holdBackdrop(); }, this);
    return;
  }
  overlay_->holdBackdrop();
}

void LibraryView::sceneChanged(const QList<QRectF>& rects) {
  const QRect picture = overlay_->pictureRect();
  if (picture.isEmpty()) return;
  const QPointF origin = QPointF(grid_->viewport()->mapTo(this, QPoint(0, 0))) - QPointF(0, grid_->scrollOffset());
  std::vector<QRect> parts;
  for (const QRectF& rect : rects)
    if (const QRect part = rect.translated(origin).toAlignedRect() & picture; !part.isEmpty()) parts.push_back(part);
  if (parts.empty()) return;
  // Cards that change together (a relayout, cards gliding) are the grid changing: painting them
  // into the picture frame by frame would cost what the picture saves.
  const QRect under = overlay_->backdropRect();
  QRegion changedUnder;
  for (const QRect& part : parts) changedUnder += part & under;
  qint64 changedArea = 0;
  for (const QRect& band : changedUnder) changedArea += qint64(band.width()) * band.height();
  if (changedArea * 2 > qint64(under.width()) * under.height()) return gridChanged();
  // One card or two (a ring, a lift): only they are painted again, each once however many of
  // its parts changed.
  for (const QRect& card : overlappingGroups(std::move(parts))) overlay_->refreshBackdrop(card);
}

void LibraryView::hoveredChanged() {
  // The hovered card's lift reaches the picture as a change of the scene. With the pane open, a
  // hover is the start of a retarget.
  if (model_.hoveredID() && model_.previewID()) holdBackdrop();
}

bool LibraryView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Wheel:
    case QEvent::MouseButtonPress: gridChanged(); break;
    case QEvent::Resize: gridLaidOut(); break;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Copied toast ----------------------------------------------------------------------------

void LibraryView::placeToast() {
  const QSize size = toast_->sizeHint();
  const QPointF centre = QRectF(rect()).center();
  toast_->setGeometry(
      QRectF(centre.x() - size.width() / 2.0, centre.y() - size.height() / 2.0, size.width(), size.height()).toRect());
}

void LibraryView::syncToast() {
  const bool shown = model_.state().showCopiedToast();
  toastRemoval_.cancel();
  if (shown) {
    placeToast();
    toast_->show();
    toast_->raise();
  }
  toast_->setProps({shown});
  // The faded toast leaves the widget tree so it costs nothing while the grid scrolls under it.
  if (!shown)
    toastRemoval_ = context_.scheduler->after(
        1.0, [this] { toast_->setVisible(model_.state().showCopiedToast()); }, this);
}

QVTextField& LibraryView::searchField() const { return header_->searchPill().field(); }
QWidget& LibraryView::filterButton() const { return header_->searchPill().filterButton(); }
QWidget* LibraryView::pencilButton() const { return header_->pencil(); }
QWidget& LibraryView::newCategoryButton() const { return header_->newCategoryButton(); }
QString LibraryView::statusText() const { return status_->text(); }

QWidget* LibraryView::detailEditor() const {
  const auto* pane = qobject_cast<const LibraryDetailView*>(overlay_->pane());
  QWidget* editor = pane ? pane->editor() : nullptr;
  return editor && props_.detailItem && model_.state().detailEditingActive() ? editor : nullptr;
}

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
  props.detailItem = model.detailItem();
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
          },
          [weak] {
            if (weak) weak->prepareSearch();
          }};
}

}  // namespace qv
