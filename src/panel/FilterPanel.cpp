#include "panel/FilterPanel.h"

#include "panel/FilterControls.h"
#include "platform/Alerts.h"
#include "platform/MenuPresenter.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/Translucency.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/OrnamentRail.h"
#include "ui/controls/PanelMenu.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <cmath>
#include <set>

namespace qv {

namespace {

template <typename T>
QSet<T> toggled(QSet<T> set, const T& value) {
  if (!set.remove(value)) set.insert(value);
  return set;
}

}  // namespace

// ---- View ------------------------------------------------------------------------------------

namespace {
constexpr int kRailPadding = 6;
constexpr int kCardPadding = 14;
constexpr int kColumnSpacing = 10;
constexpr double kRailRadius = 23;
constexpr double kCardRadius = 20;
constexpr double kResetEnterScale = 0.8;
}  // namespace

// A picture of the category form that stands in for it while it comes or goes, so that it fades
// as a whole and stays inside the card's scrolled content.
class FilterPanelView::FormSnapshot : public QWidget {
 public:
  using QWidget::QWidget;
  void setPicture(const QImage& picture) {
    picture_ = picture;
    update();
  }
  void setOpacity(double opacity) {
    if (opacity == opacity_) return;
    opacity_ = opacity;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setOpacity(opacity_);
    painter.drawImage(0, 0, picture_);
  }

 private:
  QImage picture_;
  double opacity_ = 0;
};

FilterPanelView::FilterPanelView(InterfaceServices& context, PanelState& state, FilterSurface surface, QWidget* parent)
    : QWidget(parent),
      context_(context),
      state_(state),
      form_(state, *context.scheduler, surface),
      resetPresence_(*context.frameClock, 0),
      formPresence_(*context.frameClock, 0),
      flowHeight_(*context.frameClock, 0) {
  card_ = new QWidget(this);
  header_ = new QLabel(card_);
  QFont headerFont = systemFont(10, QFont::DemiBold);
  headerFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
  header_->setFont(headerFont);
  header_->setContentsMargins(2, 0, 0, 0);
  scroll_ = new QScrollArea(card_);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // A click on a dot or a chip (which take no focus) would hand the focus up to the scroll area
  // and out of the category name, so that Return no longer submits.
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setWidgetResizable(false);
  scroll_->viewport()->setAutoFillBackground(false);
  content_ = new QWidget;
  scroll_->setWidget(content_);
  content_->setAutoFillBackground(false);  // setWidget turns it on; the card shows through
  formView_ = new CategoryFormView(context, form_, content_);
  formView_->hide();
  formSnapshot_ = new FormSnapshot(content_);
  formSnapshot_->setAttribute(Qt::WA_TransparentForMouseEvents);
  formSnapshot_->hide();
  flowHost_ = new QWidget(content_);
  flow_ = new ChipFlow(6, flowHost_);
  flow_->animatePlacements(context);

  railCard_ = new QWidget(this);
  rail_ = new OrnamentRail(context, railCard_);
  for (FilterTab tab : kFilterTabs)
    rail_->addButton({.icon = railSymbol(tab), .sharesSelection = true}, {[this, tab] { selectTab(tab); }});
  rail_->resize(rail_->sizeHint());
  rail_->move(kRailPadding, kRailPadding);
  reset_ = new OrnamentRailButton(
      context, {.icon = QStringLiteral("arrow.counterclockwise")},
      {[this] { withAnimation(Theme::springStandard(), [this] { resetAllFilters(state_); }); }}, railCard_);
  reset_->setToolTip(QStringLiteral("Reset all filters"));
  reset_->move(kRailPadding, kRailPadding + rail_->height() + int(OrnamentRail::kSpacing));
  railCard_->resize(kRailWidth, int(std::ceil(railCardHeight(1))));

  for (Animated<double>* value : {&resetPresence_, &formPresence_, &flowHeight_})
    value->setOnChange([this] { layoutCards(); });

  form_.onShowCategoryTab = [this] { selectTab(FilterTab::category); };
  auto refresh = [this] { rebuild(); };
  for (auto signal : {&PanelState::itemsChanged, &PanelState::filterTypesChanged, &PanelState::filterAppsChanged,
                      &PanelState::filterDateChanged, &PanelState::activeFilterChanged,
                      &PanelState::customCategoriesChanged, &PanelState::categoryFormOpenChanged,
                      &PanelState::previewCategoryColorIndexChanged, &PanelState::editingCategoryFormIDChanged})
    connect(&state, signal, this, refresh);
  connect(&form_, &CategoryForm::changed, this, refresh);
  connect(&state, &PanelState::edgeSideChanged, this, [this] { layoutCards(); });
  connect(&state, &PanelState::showFilterPanelChanged, this, [this] {
    if (state_.showFilterPanel()) tab_ = availableTab(state_, tab_);
    rebuild();
  });
  tab_ = availableTab(state_, tab_);
  formWasOpen_ = state_.categoryFormOpen();
  withoutAnimation([this] { rebuild(); });
  resize(sizeHint());
}

void FilterPanelView::setTranslucency(TranslucencySupport support) {
  if (support == translucency_) return;
  translucency_ = support;
  update();
}

void FilterPanelView::selectTab(FilterTab tab) {
  if (tab == tab_) return;
  withAnimation(Theme::springStandard(), [&] {
    tab_ = tab;
    rebuild();
  });
}

QString FilterPanelView::railHelp(FilterTab tab) const {
  if (tabHasContent(state_, tab)) return title(tab);
  return title(tab) + QStringLiteral(" \u2014 nothing to filter yet");
}

void FilterPanelView::showEvent(QShowEvent*) {
  tab_ = availableTab(state_, tab_);
  withoutAnimation([this] { rebuild(); });
  form_.surfaceShown();
}

void FilterPanelView::hideEvent(QHideEvent*) {
  state_.setNewCategoryFormActive(false);
  state_.setCategoryFormOpen(false);
}

bool FilterPanelView::railLeads() const { return state_.edgeSide() == QStringLiteral("left"); }

double FilterPanelView::railCardHeight(double resetPresence) const {
  return 2 * kRailPadding + rail_->sizeHint().height() +
         resetPresence * (OrnamentRail::kSpacing + OrnamentRailButton::kFace);
}

double FilterPanelView::formSpace(double presence) const {
  return presence * (formView_->sizeHint().height() + kColumnSpacing);
}

double FilterPanelView::cardHeight(double formPresence, double flowHeight) const {
  const double content = std::min<double>(kMaxContentHeight, formSpace(formPresence) + flowHeight);
  return 2 * kCardPadding + header_->sizeHint().height() + kColumnSpacing + content;
}

QSize FilterPanelView::sizeHint() const {
  const double height = std::max(railCardHeight(resetPresence_.target()),
                                 cardHeight(formPresence_.target(), flowHeight_.target()));
  return QSize(kRailWidth + kGap + kCardWidth + 2 * kShadowRoom, int(std::ceil(height)) + 2 * kShadowRoom);
}

QRectF FilterPanelView::railCardRect() const {
  const double x = railLeads() ? kShadowRoom : kShadowRoom + kCardWidth + kGap;
  return QRectF(x, kShadowRoom, kRailWidth, railCardHeight(resetPresence_.value()));
}

QRectF FilterPanelView::contentCardRect() const {
  const double x = railLeads() ? kShadowRoom + kRailWidth + kGap : kShadowRoom;
  return QRectF(x, kShadowRoom, kCardWidth, cardHeight(formPresence_.value(), flowHeight_.value()));
}

void FilterPanelView::layoutCards() {
  const QRectF card = contentCardRect();
  card_->setGeometry(card.toAlignedRect());
  railCard_->move(railCardRect().topLeft().toPoint());
  const int headerHeight = header_->sizeHint().height();
  const int innerWidth = kCardWidth - 2 * kCardPadding;
  header_->setGeometry(kCardPadding, kCardPadding, innerWidth, headerHeight);
  const int scrollTop = kCardPadding + headerHeight + kColumnSpacing;
  scroll_->setGeometry(kCardPadding, scrollTop, innerWidth, std::max(0, card_->height() - scrollTop - kCardPadding));

  // The form slides down from above its place as it fades in; under reduced motion it only fades.
  // While it moves, a picture of it does; the form itself waits out of sight (keeping its focus).
  const double presence = unitClamped(formPresence_.value());
  const int formHeight = formView_->sizeHint().height();
  const bool reduced = context_.reduceMotion->isEnabled();
  const double formTop = reduced ? 0 : (formPresence_.value() - 1) * (formHeight + kColumnSpacing);
  const bool coming = formPresence_.target() > 0;
  const bool moving = formPresence_.isAnimating() && (presence > 0.001 || coming);
  formView_->setVisible(coming);
  formView_->setGeometry(moving ? -2 * kCardWidth : 0, 0, innerWidth, formHeight);
  formSnapshot_->setVisible(moving);
  formSnapshot_->setGeometry(0, int(std::round(formTop)), innerWidth, formHeight);
  formSnapshot_->setOpacity(presence);
  const int flowTop = int(std::round(formSpace(formPresence_.value())));
  const int flowHeight = flow_->heightForWidth(innerWidth);
  flowHost_->setGeometry(0, flowTop, innerWidth, flowHeight);
  content_->resize(innerWidth, std::max(flowTop + flowHeight, formHeight));

  // The reset button grows in from 0.8 as it fades in; under reduced motion it only fades.
  const double resetIn = unitClamped(resetPresence_.value());
  reset_->setTransitionLook(reduced ? 1 : lerp(kResetEnterScale, 1, resetIn), resetIn);
  reset_->setVisible(resetIn > 0.001 || resetPresence_.target() > 0);
  reset_->setAttribute(Qt::WA_TransparentForMouseEvents, resetPresence_.target() == 0);
  updateGeometry();
  update();
  Q_EMIT surfaceShapeChanged();
}

QPainterPath FilterPanelView::surfaceShape() const {
  QPainterPath shape = Fx::continuousRoundedRect(railCardRect(), kRailRadius);
  shape.addPath(Fx::continuousRoundedRect(contentCardRect(), kCardRadius));
  return shape;
}

void FilterPanelView::rebuild() {
  rebuildRail();
  rebuildContent();
  layoutCards();
}

void FilterPanelView::rebuildRail() {
  for (int index = 0; index < int(kFilterTabs.size()); ++index) {
    const FilterTab tab = kFilterTabs[index];
    OrnamentRailButton* button = rail_->buttons()[index];
    button->setProps({.icon = railSymbol(tab),
                      .isSelected = tab == tab_,
                      .showsDot = tabShowsDot(state_, tab),
                      .isEnabled = tabHasContent(state_, tab),
                      .sharesSelection = true},
                     {[this, tab] { selectTab(tab); }});
    button->setToolTip(railHelp(tab));
  }
  const double shown = resetIsShown(state_) ? 1 : 0;
  if (shown != resetPresence_.target()) {
    if (Transaction::current().animation) resetPresence_.animateTo(shown, Theme::springSnappy());
    else resetPresence_.jumpTo(shown);
  }
}

void FilterPanelView::keepChip(const QString& key, const FilterChip::Props& props, std::function<void()> action) {
  FilterChip*& chip = chipsByKey_[key];
  if (!chip) {
    chip = new FilterChip(context_, props, {}, flowHost_);
    chip->fade(true, Transaction::current().animation);
    chip->show();
  }
  chip->setProps(props, {std::move(action)});
  chips_.push_back(chip);
}

void FilterPanelView::rebuildContent() {
  header_->setText(title(tab_));
  QPalette palette = header_->palette();
  palette.setColor(QPalette::WindowText, primaryColor(context_.environment->values(), 0.35));
  header_->setPalette(palette);
  const std::map<QString, FilterChip*> before = chipsByKey_;
  chips_.clear();
  std::set<QString> kept;
  auto keep = [&](const QString& key, const FilterChip::Props& props, std::function<void()> action) {
    kept.insert(key);
    keepChip(key, props, std::move(action));
  };
  switch (tab_) {
    case FilterTab::type:
      for (const FilterTypeRow& row : kFilterTypeRows) {
        if (!typeIsAvailable(state_, row.type)) continue;
        const TypeFilter type = row.type;
        keep(QStringLiteral("type:") + row.label,
             {.label = row.label, .icon = row.symbol, .isOn = state_.filterTypes().contains(type)},
             [this, type] { state_.setFilterTypes(toggled(state_.filterTypes(), type)); });
      }
      break;
    case FilterTab::app:
      for (const SourceApp& app : state_.sourceApps()) {
        const QString id = app.id;
        keep(QStringLiteral("app:") + id, {.label = app.name, .bundleID = id, .isOn = state_.filterApps().contains(id)},
             [this, id] { state_.setFilterApps(toggled(state_.filterApps(), id)); });
      }
      break;
    case FilterTab::category: {
      keep(QStringLiteral("category:pinned"),
           {.label = QStringLiteral("Pinned"),
            .icon = QStringLiteral("pin.fill"),
            .isOn = state_.activeFilter().kind == FilterType::Kind::pinned},
           [this] {
             withAnimation(Theme::springStandard(), [this] { state_.toggleBadgeFilter(BadgeFilter::pinned()); });
           });
      for (const CustomCategory& category : state_.customCategories()) {
        const bool isOn = form_.editingID() ? *form_.editingID() == category.id
                                            : state_.activeFilter().isCustom(category.id);
        const QString key = QStringLiteral("category:") + category.id.toString();
        const bool isNew = !chipsByKey_.count(key);
        keep(key, {.label = category.name, .dotColor = state_.colorForCategory(category), .isOn = isOn},
             [this, category] {
               if (form_.categoryChipTapped(category)) return;
               withAnimation(Theme::springStandard(), [&] {
                 state_.setActiveFilter(state_.activeFilter().isCustom(category.id) ? FilterType::all()
                                                                                    : FilterType::custom(category.id));
               });
             });
        if (!isNew) continue;
        FilterChip* chip = chipsByKey_[key];
        chip->setContextMenuPolicy(Qt::CustomContextMenu);
        const QUuid id = category.id;
        connect(chip, &QWidget::customContextMenuRequested, this, [this, chip, id](const QPoint& at) {
          if (!context_.menuPresenter) return;
          MenuRow row;
          row.title = QStringLiteral("Delete \"%1\"").arg(chip->props().label);
          row.tint = systemRed(context_.environment->values());
          row.action = [self = QPointer<FilterPanelView>(this), id] {
            if (self) self->deleteCategoryAsking(id);
          };
          context_.menuPresenter->popUp(std::make_unique<PanelMenu>(context_, std::vector<MenuRow>{row}),
                                        chip->mapToGlobal(at));
        });
      }
      const bool open = state_.categoryFormOpen();
      keep(QStringLiteral("category:new"),
           {.label = open ? QStringLiteral("Cancel") : QStringLiteral("New"),
            .icon = open ? QStringLiteral("xmark") : QStringLiteral("plus")},
           [this] { form_.toggle(); });
      break;
    }
    case FilterTab::date:
      for (DateFilter date : kAllDateFilters) {
        if (!dateIsAvailable(state_, date)) continue;
        keep(QStringLiteral("date:") + chipLabel(date),
             {.label = chipLabel(date), .icon = QStringLiteral("calendar"), .isOn = state_.filterDate() == date},
             [this, date] { state_.setFilterDate(state_.filterDate() == date ? std::nullopt : std::optional(date)); });
      }
      break;
  }
  // Chips that went fade out where they stood (a chip may be the one whose click led here: it
  // goes only once its handler has returned).
  for (const auto& [key, chip] : before) {
    if (kept.count(key)) continue;
    chipsByKey_.erase(key);
    flow_->removeWidget(chip);
    chip->setAttribute(Qt::WA_TransparentForMouseEvents);
    chip->lower();
    QPointer<FilterChip> leaving(chip);
    chip->fade(false, Transaction::current().animation, [leaving](bool) {
      if (leaving) leaving->deleteLater();
    });
  }
  // The flow takes the chips in this rebuild's order.
  for (FilterChip* chip : chips_) flow_->removeWidget(chip);
  for (FilterChip* chip : chips_) flow_->addWidget(chip);
  const int innerWidth = kCardWidth - 2 * kCardPadding;
  flowHost_->resize(innerWidth, flow_->heightForWidth(innerWidth));
  flow_->setGeometry(QRect(0, 0, innerWidth, flowHost_->height()));
  flowHeight_.setTarget(flow_->heightForWidth(innerWidth));

  // The form comes and goes with the snappy spring whenever it opens or closes; on a tab change
  // it follows the tab's animation.
  const bool formOpen = state_.categoryFormOpen();
  const double formTarget = tab_ == FilterTab::category && formOpen ? 1 : 0;
  if (formTarget != formPresence_.target()) {
    const auto& animation = formOpen != formWasOpen_ ? std::optional(Theme::springSnappy())
                                                     : Transaction::current().animation;
    if (animation) {
      formView_->resize(kCardWidth - 2 * kCardPadding, formView_->sizeHint().height());
      formSnapshot_->setPicture(widgetPicture(*formView_));
    }
    // Once it arrived, the form itself takes the picture's place.
    formPresence_.animateTo(formTarget, animation, [this](bool) { layoutCards(); });
  }
  formWasOpen_ = formOpen;
}

void FilterPanelView::deleteCategoryAsking(const QUuid& categoryID) {
  // Deleting takes the items out of the category, and with it their protection from retention:
  // a category that holds items goes only once the user agreed.
  const int count = itemCountInCategory(state_, categoryID);
  if (count > 0) {
    QString name;
    for (const CustomCategory& category : state_.customCategories())
      if (category.id == categoryID) name = category.name;
    AlertSpec alert;
    alert.style = AlertSpec::Style::warning;
    alert.message = QStringLiteral("Delete \"%1\"?").arg(name);
    alert.informativeText = count == 1 ? QStringLiteral("This category holds 1 item.")
                                       : QStringLiteral("This category holds %1 items.").arg(count);
    alert.buttons = {QStringLiteral("Delete"), QStringLiteral("Cancel")};
    alert.destructiveButton = 0;
    alert.cancelButton = 1;
    alert.returnButton = 1;
    // The alert waits for its answer; the panel may be gone by then.
    const QPointer<FilterPanelView> self(this);
    const int answer = context_.alerts ? context_.alerts->run(alert) : -1;
    if (!self || answer != 0) return;
  }
  state_.deleteCategory(categoryID);
}

void FilterPanelView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const EnvironmentValues env = context_.environment->values();
  for (const auto& [card, radius] :
       {std::pair(railCardRect(), kRailRadius), std::pair(contentCardRect(), kCardRadius)}) {
    Fx::drawShadows(painter, card, radius, Theme::shadowLow());
    Translucency::paintBackground(painter, Fx::continuousRoundedRect(card, radius), Material::menu, env, translucency_);
    Fx::strokeInnerBorder(
        painter, card, radius,
        Fx::linearGradient(card, {0, 0}, {0, 1},
                           {{0, QColor::fromRgbF(1, 1, 1, 0.18f)}, {1, QColor::fromRgbF(1, 1, 1, 0.03f)}}),
        0.5);
  }
}

}  // namespace qv
