#include "panel/FilterPanel.h"

#include "panel/FilterControls.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PanelMenu.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace qv {

namespace {

struct TypeRow {
  TypeFilter type;
  const char* label;
  const char* symbol;
};
constexpr TypeRow kTypeRows[] = {
    {TypeFilter::text, "Text", "text.alignleft"}, {TypeFilter::code, "Code", "curlybraces"},
    {TypeFilter::image, "Image", "photo"},        {TypeFilter::link, "Link", "link"},
    {TypeFilter::color, "Color", "paintpalette"}, {TypeFilter::file, "File", "doc"}};

template <typename T>
QSet<T> toggled(QSet<T> set, const T& value) {
  if (!set.remove(value)) set.insert(value);
  return set;
}

}  // namespace

QString title(FilterTab tab) {
  switch (tab) {
    case FilterTab::type: return QStringLiteral("Type");
    case FilterTab::app: return QStringLiteral("App");
    case FilterTab::category: return QStringLiteral("Category");
    case FilterTab::date: return QStringLiteral("Date");
  }
  return {};
}

QString railSymbol(FilterTab tab) {
  switch (tab) {
    case FilterTab::type: return QStringLiteral("square.grid.2x2");
    case FilterTab::app: return QStringLiteral("app.badge");
    case FilterTab::category: return QStringLiteral("tag");
    case FilterTab::date: return QStringLiteral("calendar");
  }
  return {};
}

bool typeIsAvailable(const PanelState& state, TypeFilter type) {
  if (state.filterTypes().contains(type)) return true;
  return std::any_of(state.items().begin(), state.items().end(),
                     [type](const ClipboardItem& item) { return typeFilter(item) == type; });
}

bool dateIsAvailable(const PanelState& state, DateFilter date) {
  if (state.filterDate() == date) return true;
  // The state's own matcher, so a chip never appears that then filters to nothing.
  return std::any_of(state.items().begin(), state.items().end(),
                     [&](const ClipboardItem& item) { return state.matchesDateFilter(date, item.capturedAt); });
}

bool tabHasContent(const PanelState& state, FilterTab tab) {
  switch (tab) {
    case FilterTab::type:
      return std::any_of(std::begin(kTypeRows), std::end(kTypeRows),
                         [&](const TypeRow& row) { return typeIsAvailable(state, row.type); });
    case FilterTab::app: return !state.sourceApps().isEmpty();
    case FilterTab::category: return true;
    case FilterTab::date:
      return std::any_of(kAllDateFilters.begin(), kAllDateFilters.end(),
                         [&](DateFilter date) { return dateIsAvailable(state, date); });
  }
  return false;
}

bool tabShowsDot(const PanelState& state, FilterTab tab) {
  switch (tab) {
    case FilterTab::type:
      return !state.filterTypes().isEmpty() || state.activeFilter().kind == FilterType::Kind::pinned;
    case FilterTab::app: return !state.filterApps().isEmpty();
    case FilterTab::category: return state.activeFilter().kind == FilterType::Kind::custom;
    case FilterTab::date: return state.filterDate().has_value();
  }
  return false;
}

FilterTab availableTab(const PanelState& state, FilterTab tab) {
  if (tabHasContent(state, tab)) return tab;
  for (FilterTab candidate : kFilterTabs)
    if (tabHasContent(state, candidate)) return candidate;
  return FilterTab::category;
}

bool resetIsShown(const PanelState& state) {
  return state.hasActiveFilters() || !(state.activeFilter() == FilterType::all());
}

void resetAllFilters(PanelState& state) {
  state.setFilterTypes({});
  state.setFilterApps({});
  state.setFilterDate(std::nullopt);
  state.setActiveFilter(FilterType::all());
}

// ---- View ------------------------------------------------------------------------------------

FilterPanelView::FilterPanelView(InterfaceServices& context, PanelState& state, FilterSurface surface, QWidget* parent)
    : QWidget(parent), context_(context), state_(state), form_(state, *context.scheduler, surface) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 4, 4, 4);
  row->setSpacing(10);
  row->setAlignment(Qt::AlignTop);
  card_ = new QWidget(this);
  card_->setFixedWidth(kCardWidth);
  auto* cardColumn = new QVBoxLayout(card_);
  cardColumn->setContentsMargins(14, 14, 14, 14);
  cardColumn->setSpacing(10);
  header_ = new QLabel(card_);
  QFont headerFont = systemFont(10, QFont::DemiBold);
  headerFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
  header_->setFont(headerFont);
  header_->setContentsMargins(2, 0, 0, 0);
  cardColumn->addWidget(header_);
  scroll_ = new QScrollArea(card_);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setWidgetResizable(true);
  scroll_->viewport()->setAutoFillBackground(false);
  content_ = new QWidget;
  auto* contentColumn = new QVBoxLayout(content_);
  contentColumn->setContentsMargins(0, 0, 0, 0);
  contentColumn->setSpacing(10);
  scroll_->setWidget(content_);
  content_->setAutoFillBackground(false);  // setWidget turns it on; the card shows through
  cardColumn->addWidget(scroll_);
  formView_ = new CategoryFormView(context, form_, content_);
  contentColumn->addWidget(formView_);
  auto* flowHost = new QWidget(content_);
  new ChipFlowLayout(6, flowHost);
  contentColumn->addWidget(flowHost);
  cardColumn->addStretch();

  const bool railLeads = state.edgeSide() == QStringLiteral("left");
  auto* railCard = new QWidget(this);
  railCard->setObjectName(QStringLiteral("railCard"));
  auto* railColumn = new QVBoxLayout(railCard);
  railColumn->setContentsMargins(6, 6, 6, 6);
  rail_ = new OrnamentRail(context, railCard);
  railColumn->addWidget(rail_);
  for (FilterTab tab : kFilterTabs)
    rail_->addButton({.icon = railSymbol(tab), .sharesSelection = true}, [this, tab] { selectTab(tab); });
  reset_ = new OrnamentRailButton(
      context, {.icon = QStringLiteral("arrow.counterclockwise")},
      [this] { withAnimation(Theme::springStandard(), [this] { resetAllFilters(state_); }); }, railCard);
  reset_->setToolTip(QStringLiteral("Reset all filters"));
  railColumn->addWidget(reset_, 0, Qt::AlignHCenter);
  railColumn->setSpacing(int(OrnamentRail::kSpacing));
  railColumn->setSizeConstraint(QLayout::SetFixedSize);
  if (railLeads) {
    row->addWidget(railCard, 0, Qt::AlignTop);
    row->addWidget(card_, 0, Qt::AlignTop);
  } else {
    row->addWidget(card_, 0, Qt::AlignTop);
    row->addWidget(railCard, 0, Qt::AlignTop);
  }

  form_.onShowCategoryTab = [this] { selectTab(FilterTab::category); };
  auto refresh = [this] { rebuild(); };
  for (auto signal : {&PanelState::itemsChanged, &PanelState::filterTypesChanged, &PanelState::filterAppsChanged,
                      &PanelState::filterDateChanged, &PanelState::activeFilterChanged,
                      &PanelState::customCategoriesChanged, &PanelState::categoryFormOpenChanged,
                      &PanelState::previewCategoryColorIndexChanged, &PanelState::editingCategoryFormIDChanged})
    connect(&state, signal, this, refresh);
  connect(&form_, &CategoryForm::changed, this, refresh);
  connect(&state, &PanelState::showFilterPanelChanged, this, [this] {
    if (state_.showFilterPanel()) tab_ = availableTab(state_, tab_);
    rebuild();
  });
  tab_ = availableTab(state_, tab_);
  rebuild();
}

void FilterPanelView::selectTab(FilterTab tab) {
  if (tab == tab_) return;
  withAnimation(Theme::springStandard(), [&] { tab_ = tab; });
  rebuild();
}

QString FilterPanelView::railHelp(FilterTab tab) const {
  if (tabHasContent(state_, tab)) return title(tab);
  return title(tab) + QStringLiteral(" \u2014 nothing to filter yet");
}

void FilterPanelView::showEvent(QShowEvent*) {
  tab_ = availableTab(state_, tab_);
  rebuild();
  form_.surfaceShown();
}

void FilterPanelView::hideEvent(QHideEvent*) {
  state_.setNewCategoryFormActive(false);
  state_.setCategoryFormOpen(false);
}

void FilterPanelView::rebuild() {
  rebuildRail();
  rebuildContent();
  update();
}

void FilterPanelView::rebuildRail() {
  for (int index = 0; index < int(kFilterTabs.size()); ++index) {
    const FilterTab tab = kFilterTabs[index];
    OrnamentRailButton* button = rail_->buttons()[index];
    button->setProps({.icon = railSymbol(tab),
                      .isSelected = tab == tab_,
                      .showsDot = tabShowsDot(state_, tab),
                      .isEnabled = tabHasContent(state_, tab),
                      .sharesSelection = true});
    button->setToolTip(railHelp(tab));
  }
  reset_->setVisible(resetIsShown(state_));
}

void FilterPanelView::addChip(FilterChip* chip) {
  QWidget* flowHost = content_->layout()->itemAt(1)->widget();
  flowHost->layout()->addWidget(chip);
  chips_.push_back(chip);
}

void FilterPanelView::rebuildContent() {
  header_->setText(title(tab_));
  QPalette palette = header_->palette();
  palette.setColor(QPalette::WindowText, primaryColor(context_.environment->values(), 0.35));
  header_->setPalette(palette);
  // A chip may be the one whose click led here: it goes once its handler has returned.
  for (FilterChip* chip : chips_) {
    chip->hide();
    chip->setParent(nullptr);
    chip->deleteLater();
  }
  chips_.clear();
  formView_->setVisible(tab_ == FilterTab::category && state_.categoryFormOpen());
  switch (tab_) {
    case FilterTab::type:
      for (const TypeRow& row : kTypeRows) {
        if (!typeIsAvailable(state_, row.type)) continue;
        const TypeFilter type = row.type;
        addChip(new FilterChip(context_,
                               {.label = row.label, .icon = row.symbol, .isOn = state_.filterTypes().contains(type)},
                               [this, type] { state_.setFilterTypes(toggled(state_.filterTypes(), type)); }));
      }
      break;
    case FilterTab::app:
      for (const SourceApp& app : state_.sourceApps()) {
        const QString id = app.id;
        addChip(new FilterChip(context_, {.label = app.name, .bundleID = id, .isOn = state_.filterApps().contains(id)},
                               [this, id] { state_.setFilterApps(toggled(state_.filterApps(), id)); }));
      }
      break;
    case FilterTab::category: {
      addChip(new FilterChip(context_,
                             {.label = QStringLiteral("Pinned"),
                              .icon = QStringLiteral("pin.fill"),
                              .isOn = state_.activeFilter().kind == FilterType::Kind::pinned},
                             [this] {
                               withAnimation(Theme::springStandard(),
                                             [this] { state_.toggleBadgeFilter(BadgeFilter::pinned()); });
                             }));
      for (const CustomCategory& category : state_.customCategories()) {
        const bool isOn = form_.editingID() ? *form_.editingID() == category.id
                                            : state_.activeFilter().isCustom(category.id);
        auto* chip = new FilterChip(
            context_, {.label = category.name, .dotColor = state_.colorForCategory(category), .isOn = isOn},
            [this, category] {
              if (form_.categoryChipTapped(category)) return;
              withAnimation(Theme::springStandard(), [&] {
                state_.setActiveFilter(state_.activeFilter().isCustom(category.id) ? FilterType::all()
                                                                                   : FilterType::custom(category.id));
              });
            });
        chip->setContextMenuPolicy(Qt::CustomContextMenu);
        const QUuid id = category.id;
        const QString name = category.name;
        connect(chip, &QWidget::customContextMenuRequested, this, [this, chip, id, name](const QPoint& at) {
          MenuRow row;
          row.title = QStringLiteral("Delete \"%1\"").arg(name);
          row.action = [this, id] { deleteCategoryAsking(id); };
          PanelMenu menu(context_, {row});
          menu.exec(chip->mapToGlobal(at));
        });
        addChip(chip);
      }
      const bool open = state_.categoryFormOpen();
      addChip(new FilterChip(context_,
                             {.label = open ? QStringLiteral("Cancel") : QStringLiteral("New"),
                              .icon = open ? QStringLiteral("xmark") : QStringLiteral("plus")},
                             [this] { form_.toggle(); }));
      break;
    }
    case FilterTab::date:
      for (DateFilter date : kAllDateFilters) {
        if (!dateIsAvailable(state_, date)) continue;
        addChip(new FilterChip(
            context_,
            {.label = chipLabel(date), .icon = QStringLiteral("calendar"), .isOn = state_.filterDate() == date},
            [this, date] { state_.setFilterDate(state_.filterDate() == date ? std::nullopt : std::optional(date)); }));
      }
      break;
  }
  // The flow wraps to the card's width, which a plain size hint does not know.
  QWidget* flowHost = content_->layout()->itemAt(1)->widget();
  flowHost->setFixedHeight(flowHost->layout()->heightForWidth(kCardWidth - 2 * 14));
  content_->layout()->activate();
  // The chips scroll once they pass the card's greatest height.
  scroll_->setFixedHeight(std::min(kMaxContentHeight, content_->layout()->sizeHint().height()));
  card_->adjustSize();
  adjustSize();
}

void FilterPanelView::deleteCategoryAsking(const QUuid& categoryID) {
  // Deleting takes the items out of the category, and with it their protection from retention:
  // a category that holds items goes only once the user agreed.
  const int count = itemCountInCategory(state_, categoryID);
  if (count > 0) {
    const QString question =
        count == 1 ? QStringLiteral("This category holds 1 item. Delete the category anyway?")
                   : QStringLiteral("This category holds %1 items. Delete the category anyway?").arg(count);
    const bool agreed = confirmDeletion ? confirmDeletion(question)
                                        : QMessageBox::question(this, QStringLiteral("Delete Category"), question) ==
                                              QMessageBox::Yes;
    if (!agreed) return;
  }
  state_.deleteCategory(categoryID);
}

void FilterPanelView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const EnvironmentValues env = context_.environment->values();
  const QColor fill = env.isDark() ? QColor(40, 40, 44, 235) : QColor(246, 246, 248, 240);
  auto cardPath = [](const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect.adjusted(0.25, 0.25, -0.25, -0.25), radius, radius);
    return path;
  };
  for (QWidget* card : {card_, findChild<QWidget*>(QStringLiteral("railCard"))}) {
    const double radius = card == card_ ? 20 : 23;
    const QPainterPath path = cardPath(QRectF(card->geometry()), radius);
    painter.fillPath(path, fill);
    QLinearGradient border(card->geometry().topLeft(), card->geometry().bottomLeft());
    border.setColorAt(0, QColor(255, 255, 255, int(0.18 * 255)));
    border.setColorAt(1, QColor(255, 255, 255, int(0.03 * 255)));
    painter.strokePath(path, QPen(QBrush(border), 0.5));
    painter.strokePath(path, QPen(primaryColor(env, 0.08), 0.5));
  }
}

}  // namespace qv
