#include "library/LibraryView.h"

#include "items/model/ContentType.h"
#include "library/LibraryModel.h"
#include "panel/PanelView.h"
#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/TextInput.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QAbstractListModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

// The listed items, each row made when it is first shown: a long history costs nothing until
// scrolled to.
class LibraryRows : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  void setItems(const QList<ClipboardItem>& items, const QSet<QUuid>& concealed) {
    beginResetModel();
    items_ = items;
    concealed_ = concealed;
    endResetModel();
  }
  const QList<ClipboardItem>& items() const { return items_; }
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(items_.size()); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= items_.size()) return {};
    const ClipboardItem& item = items_[index.row()];
    if (role == Qt::DisplayRole) return text(item);
    if (role == Qt::UserRole) return item.id;
    return {};
  }
  QString text(const ClipboardItem& item) const {
    if (concealed_.contains(item.id)) return QString::fromUtf8(kConcealedRowText);
    return firstLine(item.plainText().value_or(rawValue(item.contentType)));
  }

 private:
  QList<ClipboardItem> items_;
  QSet<QUuid> concealed_;
};

namespace {

// The search field's capsule: a faint fill of the text colour.
class SearchCapsule : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.07f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
  }
};

QToolButton* symbolButton(const QString& help, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setToolTip(help);
  button->setAccessibleName(help);
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QString tabText(const LibraryView::Tab& tab) { return tab.title + QStringLiteral("  ") + QString::number(tab.count); }

QIcon tinted(const QString& symbol, double size, const QColor& tint, double devicePixelRatio) {
  return QIcon(QPixmap::fromImage(Symbols::image(symbol, size, tint, devicePixelRatio)));
}

QColor withAlpha(QColor color, float alpha) {
  color.setAlphaF(alpha);
  return color;
}

// A coloured dot for a category tab.
QIcon dotIcon(const QColor& color) {
  QPixmap dot(16, 16);
  dot.fill(Qt::transparent);
  QPainter painter(&dot);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawEllipse(QRectF(4, 4, 8, 8));
  painter.end();
  return QIcon(dot);
}

}  // namespace

LibraryView::LibraryView(InterfaceServices& context, QWidget* parent) : QWidget(parent), context_(context) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // The header row: the search capsule with the filter button, then the tabs.
  auto* header = new QHBoxLayout;
  header->setContentsMargins(16, 10, 16, 10);
  header->setSpacing(12);
  auto* capsule = new SearchCapsule(this);
  capsule->setObjectName(QStringLiteral("LibrarySearchCapsule"));
  capsule->setFixedWidth(kSearchWidth);
  auto* capsuleRow = new QHBoxLayout(capsule);
  capsuleRow->setContentsMargins(10, 4, 6, 4);
  capsuleRow->setSpacing(6);
  auto* magnifier = new QLabel(capsule);
  magnifier_ = magnifier;
  search_ = new QVTextField(context, QStringLiteral("Search"), 12, capsule);
  search_->setFixedHeight(16);
  filter_ = symbolButton(QStringLiteral("Filter by type, app, category or date"), capsule);
  capsuleRow->addWidget(magnifier);
  capsuleRow->addWidget(search_, 1);
  capsuleRow->addWidget(filter_);
  header->addWidget(capsule);
  tabRow_ = new QHBoxLayout;
  tabRow_->setSpacing(6);
  add_ = symbolButton(QStringLiteral("New category"), this);
  tabRow_->addWidget(add_);
  tabRow_->addStretch(1);
  header->addLayout(tabRow_, 1);
  column->addLayout(header);

  // The body: the list, or the empty state in its place.
  body_ = new QStackedWidget(this);
  list_ = new QListView(body_);
  rows_ = new LibraryRows(list_);
  list_->setModel(rows_);
  list_->setUniformItemSizes(true);
  list_->setSpacing(3);
  list_->setContentsMargins(12, 0, 12, 0);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setFocusPolicy(Qt::ClickFocus);
  list_->viewport()->setAutoFillBackground(false);
  list_->setAutoFillBackground(false);
  auto* empty = new QWidget(body_);
  auto* emptyColumn = new QVBoxLayout(empty);
  emptyColumn->addStretch(1);
  emptySymbol_ = new QLabel(empty);
  emptyTitle_ = new QLabel(empty);
  emptyDescription_ = new QLabel(empty);
  QFont titleFont = emptyTitle_->font();
  titleFont.setPixelSize(20);
  titleFont.setBold(true);
  emptyTitle_->setFont(titleFont);
  for (QLabel* label : {emptySymbol_, emptyTitle_, emptyDescription_}) {
    label->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(label);
  }
  emptyDescription_->setWordWrap(true);
  emptyColumn->addStretch(1);
  body_->addWidget(list_);
  body_->addWidget(empty);
  column->addWidget(body_, 1);

  // The status row.
  auto* statusRow = new QHBoxLayout;
  statusRow->setContentsMargins(16, 7, 16, 7);
  statusRow->setSpacing(6);
  status_ = new QLabel(this);
  filteredMarker_ = new QLabel(QString::fromUtf16(kFilteredMarker), this);
  pausedSymbol_ = new QLabel(this);
  paused_ = new QLabel(QString::fromLatin1(kPausedLabel), this);
  for (QLabel* label : {status_, filteredMarker_, pausedSymbol_, paused_}) {
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    statusRow->addWidget(label);
  }
  statusRow->addStretch(1);
  column->addLayout(statusRow);

  // Every control reads the callbacks of the latest props when it is used.
  connect(filter_, &QToolButton::clicked, this, [this] {
    if (callbacks_.onFilterButton) callbacks_.onFilterButton();
  });
  connect(add_, &QToolButton::clicked, this, [this] {
    if (callbacks_.onNewCategory) callbacks_.onNewCategory();
  });
  connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) {
    if (callbacks_.onSelectItem) callbacks_.onSelectItem(index.data(Qt::UserRole).toUuid());
  });
}

LibraryView::~LibraryView() = default;

void LibraryView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (hasProps_ && props == props_) return;
  const Props previous = std::exchange(props_, props);
  const bool first = !std::exchange(hasProps_, true);
  // The field reads the callbacks of the latest props when the user types.
  if (first || previous.query != props_.query)
    search_->setProps({props_.query, 0, 0, false}, {[this](const QString& text) {
                                                      if (callbacks_.onQueryChange) callbacks_.onQueryChange(text);
                                                    },
                                                    {},
                                                    {}});
  if (first || previous.tabs != props_.tabs || previous.editableCategory != props_.editableCategory ||
      previous.editableCategoryName != props_.editableCategoryName)
    applyTabs();
  if (first || previous.items != props_.items || previous.concealed != props_.concealed)
    rows_->setItems(props_.items, props_.concealed);
  if (first || previous.selection != props_.selection || previous.items != props_.items) {
    const qsizetype row = props_.selection
                              ? std::find_if(props_.items.cbegin(), props_.items.cend(),
                                             [&](const ClipboardItem& item) { return item.id == *props_.selection; }) -
                                    props_.items.cbegin()
                              : -1;
    list_->setCurrentIndex(row >= 0 && row < props_.items.size() ? rows_->index(int(row)) : QModelIndex());
  }
  applyStatus();
  applyEmptyState();
  applyInk();
}

void LibraryView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && hasProps_) applyInk();
}

void LibraryView::applyInk() {
  const QColor ink = palette().color(QPalette::WindowText);
  const double dpr = devicePixelRatioF();
  magnifier_->setPixmap(
      QPixmap::fromImage(Symbols::image(QStringLiteral("magnifyingglass"), 12, withAlpha(ink, 0.5f), dpr)));
  filter_->setIcon(tinted(QStringLiteral("line.3.horizontal.decrease"), 14,
                          props_.filterAccented ? Theme::accent() : withAlpha(ink, 0.6f), dpr));
  add_->setIcon(tinted(QStringLiteral("plus"), 14, withAlpha(ink, 0.7f), dpr));
  if (pencil_) pencil_->setIcon(tinted(QStringLiteral("pencil"), 14, withAlpha(ink, 0.7f), dpr));
  for (size_t i = 0; i < tabs_.size(); ++i) {
    const Tab& tab = props_.tabs[i];
    tabs_[i]->setIcon(tab.dot.isValid()                              ? dotIcon(tab.dot)
                      : tab.scope.kind == LibraryScope::Kind::pinned ? tinted(QStringLiteral("pin.fill"), 12, ink, dpr)
                                                                     : QIcon());
  }
  if (props_.emptyState)
    emptySymbol_->setPixmap(
        QPixmap::fromImage(Symbols::image(props_.emptyState->symbol, 40, withAlpha(ink, 0.5f), dpr)));
  QPalette tertiary = filteredMarker_->palette();
  tertiary.setColor(QPalette::WindowText, withAlpha(ink, 0.4f));
  filteredMarker_->setPalette(tertiary);
  pausedSymbol_->setPixmap(
      QPixmap::fromImage(Symbols::image(QString::fromLatin1(kPausedSymbol), 11, withAlpha(ink, 0.6f), dpr)));
  QPalette secondary = paused_->palette();
  secondary.setColor(QPalette::WindowText, withAlpha(ink, 0.6f));
  paused_->setPalette(secondary);
  QPalette status = status_->palette();
  status.setColor(QPalette::WindowText, props_.status.selection ? Theme::accent() : withAlpha(ink, 0.6f));
  status_->setPalette(status);
}

void LibraryView::applyTabs() {
  // One button per tab, kept while tabs come and go; each click reads the tab of the latest props.
  while (tabs_.size() < props_.tabs.size()) {
    auto* button = new QPushButton(this);
    button->setCheckable(true);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    const size_t index = tabs_.size();
    connect(button, &QPushButton::clicked, this, [this, index] {
      if (index < props_.tabs.size() && callbacks_.onSelectScope) callbacks_.onSelectScope(props_.tabs[index].scope);
    });
    tabRow_->insertWidget(int(index), button);
    tabs_.push_back(button);
  }
  while (tabs_.size() > props_.tabs.size()) {
    delete tabs_.back();
    tabs_.pop_back();
  }
  for (size_t i = 0; i < tabs_.size(); ++i) {
    const Tab& tab = props_.tabs[i];
    tabs_[i]->setText(tabText(tab));
    tabs_[i]->setChecked(tab.selected);
    tabs_[i]->setIcon(tab.dot.isValid()                              ? dotIcon(tab.dot)
                      : tab.scope.kind == LibraryScope::Kind::pinned ? Symbols::icon(QStringLiteral("pin.fill"))
                                                                     : QIcon());
  }
  delete pencil_;
  pencil_ = nullptr;
  if (props_.editableCategory) {
    const auto selected = std::find_if(props_.tabs.cbegin(), props_.tabs.cend(),
                                       [](const Tab& t) { return t.selected; });
    pencil_ = symbolButton(QStringLiteral("Edit \u201C") + props_.editableCategoryName + QStringLiteral("\u201D"),
                           this);
    connect(pencil_, &QToolButton::clicked, this, [this] {
      if (props_.editableCategory && callbacks_.onEditCategory) callbacks_.onEditCategory(*props_.editableCategory);
    });
    tabRow_->insertWidget(int(selected - props_.tabs.cbegin()) + 1, pencil_);
  }
}

void LibraryView::applyStatus() {
  const LibraryStatusLine& line = props_.status;
  status_->setText(line.text);
  filteredMarker_->setVisible(line.filtered);
  pausedSymbol_->setVisible(line.paused);
  paused_->setVisible(line.paused);
}

void LibraryView::applyEmptyState() {
  body_->setCurrentIndex(props_.emptyState ? 1 : 0);
  if (!props_.emptyState) return;
  emptyTitle_->setText(props_.emptyState->title);
  emptyDescription_->setText(props_.emptyState->description);
}

QList<QPushButton*> LibraryView::tabButtons() const { return QList<QPushButton*>(tabs_.cbegin(), tabs_.cend()); }

QString LibraryView::statusText() const {
  QString text = status_->text();
  if (filteredMarker_->isVisibleTo(this)) text += u' ' + filteredMarker_->text();
  if (paused_->isVisibleTo(this)) text += u' ' + paused_->text();
  return text;
}

QStringList LibraryView::listedRows() const {
  QStringList rows;
  for (const ClipboardItem& item : rows_->items()) rows << rows_->text(item);
  return rows;
}

QString LibraryView::emptyStateText() const {
  return props_.emptyState ? emptyTitle_->text() + u'\n' + emptyDescription_->text() : QString();
}

// ---- Binding to the model --------------------------------------------------------------------

LibraryView::Props libraryViewProps(const LibraryModel& model) {
  const PanelState& state = model.state();
  LibraryView::Props props;
  props.query = model.query();
  props.filterAccented = model.filterButtonAccented();
  const LibraryScopeCounts counts = model.scopeCounts();
  const LibraryScope& scope = model.scope();
  props.tabs.push_back({QStringLiteral("All"), counts.all, LibraryScope::all(), scope == LibraryScope::all(), {}});
  props.tabs.push_back(
      {QStringLiteral("Pinned"), counts.pinned, LibraryScope::pinned(), scope == LibraryScope::pinned(), {}});
  for (const CustomCategory& category : state.customCategories()) {
    const bool selected = scope.isCategory(category.id);
    props.tabs.push_back({category.name, counts.of(category.id), LibraryScope::category(category.id), selected,
                          state.colorForCategory(category)});
    if (selected) {
      props.editableCategory = category.id;
      props.editableCategoryName = category.name;
    }
  }
  props.items = model.filteredItems();
  for (const QUuid& id : state.sensitiveIDs())
    if (state.isConcealed(id)) props.concealed.insert(id);
  props.selection = model.selection();
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
          },
          [weak](const QUuid& id) {
            if (weak) weak->setSelection(id);
          }};
}

}  // namespace qv
