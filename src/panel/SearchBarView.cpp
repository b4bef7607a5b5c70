#include "panel/SearchBarView.h"

#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv {

namespace {

constexpr double kPadding = 10;   // around the row, and inside the capsule on the sides
constexpr double kSpacing = 6;    // between the row's parts and the capsule's parts
constexpr double kIconSize = 14;  // the box of a 12-point symbol
constexpr double kFieldHeight = 18;
constexpr double kFontSize = 13;
constexpr double kClearEnterScale = 0.8;
// Where a line edit starts its text inside its box; the hidden bar's placeholder lines up with it.
constexpr double kFieldTextInset = 2;

const QString& placeholderText() {
  static const QString text = QStringLiteral("Search");
  return text;
}

}  // namespace

QColor searchFilterColor(const EnvironmentValues& environment, double filtering, double hover) {
  const QColor active = environment.isDark() ? QColor(150, 155, 245) : Theme::accent();
  return mixColors(primaryColor(environment, lerp(0.35, 0.7, unitClamped(hover))), active, unitClamped(filtering));
}

QColor searchDotsColor(const EnvironmentValues& environment, double menuOpen, double hover) {
  return mixColors(primaryColor(environment, lerp(0.4, 0.7, hover)), Theme::accent(), unitClamped(menuOpen));
}

QColor searchDotsCircle(const EnvironmentValues& environment, double menuOpen, double hover) {
  return primaryColor(environment, lerp(lerp(0.07, 0.1, hover), 0.12, unitClamped(menuOpen)));
}

// ---- SearchBarButton -------------------------------------------------------------------------

SearchBarButton::SearchBarButton(InterfaceServices& context, QString accessibleName, LookOf look,
                                 std::function<void()> onPress, QWidget* parent)
    : PaintedWidget(context, parent),
      accessibleName_(std::move(accessibleName)),
      look_(std::move(look)),
      onPress_(std::move(onPress)) {
  setFocusPolicy(Qt::NoFocus);
}

AccessibilityInfo SearchBarButton::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = accessibleName_;
  info.hidden = !isVisible();
  info.press = [this] { const_cast<SearchBarButton*>(this)->click(); };
  return info;
}

void SearchBarButton::click() {
  if (onPress_) onPress_();
}

void SearchBarButton::mousePressEvent(QMouseEvent* event) { event->accept(); }

void SearchBarButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton && hits(event->position())) click();
}

void SearchBarButton::paint(QPainter& painter) {
  if (!look_) return;
  const Look l = look();
  if (l.opacity <= 0.001) return;
  const QRectF box = rect();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setOpacity(l.opacity);
  if (l.circle.isValid()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(l.circle);
    painter.drawEllipse(box);
  }
  painter.translate(box.center());
  painter.scale(l.scale, l.scale);
  painter.rotate(l.rotation);
  const double side = l.pointSize + 2;
  painter.drawImage(QRectF(-side / 2, -side / 2, side, side),
                    Symbols::image(l.symbol, side, l.color, Fx::painterScale(painter)));
  painter.restore();
}

// ---- SearchBarView ---------------------------------------------------------------------------

SearchBarView::SearchBarView(InterfaceServices& context, const Props& props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent),
      props_(props),
      callbacks_(std::move(callbacks)),
      clear_(new SearchBarButton(
          context, QStringLiteral("Clear search"),
          [this](const SearchBarButton&) {
            const double presence = clearPresence_.value();
            const bool reduced = this->context().reduceMotion->isEnabled();
            return SearchBarButton::Look{QStringLiteral("xmark.circle.fill"),
                                         12,
                                         primaryColor(environment(), 0.3),
                                         reduced ? 1 : lerp(kClearEnterScale, 1, presence),
                                         unitClamped(presence),
                                         0,
                                         {}};
          },
          [this] {
            if (const auto onQueryChange = callbacks_.onQueryChange) onQueryChange(QString());
          },
          this)),
      filter_(new SearchBarButton(
          context, QStringLiteral("Filters"),
          [this](const SearchBarButton& button) {
            return SearchBarButton::Look{
                QStringLiteral("line.3.horizontal.decrease"),
                12,
                searchFilterColor(environment(), filterActive_.value(), button.hoverProgress()),
                lerp(1, 1.15, button.hoverProgress()),
                1,
                0,
                {}};
          },
          [this] {
            if (const auto onToggle = callbacks_.onToggleFilterPanel) onToggle();
          },
          this)),
      dots_(new SearchBarButton(
          context, QStringLiteral("Quick actions"),
          // Hover and the menu's opening each move the colours with the snappy spring.
          [this](const SearchBarButton& button) {
            const double open = dotsOpen_.value(), hover = button.hoverProgress();
            return SearchBarButton::Look{QStringLiteral("ellipsis"),
                                         15,
                                         searchDotsColor(environment(), open, hover),
                                         1,
                                         1,
                                         90,
                                         searchDotsCircle(environment(), open, hover)};
          },
          [this] {
            if (const auto onToggle = callbacks_.onToggleDotsMenu) onToggle();
          },
          this)),
      clearPresence_(*context.frameClock, props.query.isEmpty() ? 0 : 1),
      dotsOpen_(*context.frameClock, props.showDotsMenu ? 1 : 0),
      filterActive_(*context.frameClock, props.showFilterPanel || props.filtersInForce ? 1 : 0) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  clearPresence_.setOnChange([this] {
    clear_->setVisible(clearPresence_.value() > 0.001);
    clear_->update();
  });
  dotsOpen_.setOnChange([this] { dots_->update(); });
  filterActive_.setOnChange([this] { filter_->update(); });
  clear_->setVisible(!props_.query.isEmpty());
  syncField();
  layoutParts();
}

SearchBarView::~SearchBarView() = default;

void SearchBarView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props old = props_;
  props_ = props;
  // Hiding clears the query and drops the focus; each new trigger value acts once.
  if (old.panelVisible && !props_.panelVisible) {
    ++resignToken_;
    if (!props_.query.isEmpty() && callbacks_.onQueryChange) callbacks_.onQueryChange(QString());
  }
  if (props_.expandSearchTrigger != old.expandSearchTrigger) ++focusToken_;
  if (props_.resignSearchFocusTrigger != old.resignSearchFocusTrigger) ++resignToken_;
  if (props_.query.isEmpty() != old.query.isEmpty()) {
    if (!props_.query.isEmpty()) clear_->setVisible(true);
    clearPresence_.animateTo(props_.query.isEmpty() ? 0 : 1, Theme::springSnappy());
  }
  const std::optional<Animation> snappy = environment().reduceMotion ? std::nullopt
                                                                     : std::optional<Animation>(Theme::springSnappy());
  if (props_.showDotsMenu != old.showDotsMenu) dotsOpen_.animateTo(props_.showDotsMenu ? 1 : 0, snappy);
  // The filter icon turns to and from the accent on the same spring.
  filterActive_.animateTo(filterIconActive() ? 1 : 0, snappy);
  syncField();
  layoutParts();
  filter_->update();
  dots_->update();
  update();
}

void SearchBarView::syncField() {
  if (!props_.panelVisible) {
    // The editable field exists only while the panel is shown.
    if (field_) {
      delete field_;
      field_ = nullptr;
      // The next field starts unfocused: focus requests made for this one are spent, and its
      // focus goes with it.
      focusToken_ = 0;
      resignToken_ = 0;
      if (fieldFocused_) reportFieldFocus(false);
    }
    return;
  }
  if (!field_) {
    field_ = new QVTextField(context(), placeholderText(), kFontSize, this);
    field_->show();
  }
  field_->setProps({props_.query, focusToken_, resignToken_, false},
                   {[this](const QString& text) {
                      if (callbacks_.onQueryChange) callbacks_.onQueryChange(text);
                    },
                    {},
                    [this](bool focused) { reportFieldFocus(focused); }});
}

void SearchBarView::reportFieldFocus(bool focused) {
  fieldFocused_ = focused;
  if (callbacks_.onFocusChange) callbacks_.onFocusChange(focused);
}

QSize SearchBarView::sizeHint() const { return QSize(320, int(kRowHeight + 2 * kPadding)); }

QRectF SearchBarView::capsuleRect() const {
  const double right = width() - kPadding - kRowHeight - kSpacing;
  return {kPadding, kPadding, std::max(0.0, right - kPadding), kRowHeight};
}

void SearchBarView::layoutParts() {
  const QRectF capsule = capsuleRect();
  const double midY = capsule.center().y();
  auto iconBox = [midY](double x) { return QRectF(x, midY - kIconSize / 2, kIconSize, kIconSize).toAlignedRect(); };
  dots_->setGeometry(QRectF(width() - kPadding - kRowHeight, capsule.top(), kRowHeight, kRowHeight).toAlignedRect());
  double right = capsule.right() - kPadding - kIconSize;
  filter_->setGeometry(iconBox(right));
  right -= kSpacing + kIconSize;
  clear_->setGeometry(iconBox(right));
  if (!props_.query.isEmpty()) right -= kSpacing;
  else right += kIconSize;
  const double left = capsule.left() + kPadding + kIconSize + kSpacing;
  if (field_)
    field_->setGeometry(
        QRectF(left, midY - kFieldHeight / 2, std::max(0.0, right - left), kFieldHeight).toAlignedRect());
}

void SearchBarView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  layoutParts();
}

void SearchBarView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF capsule = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(Fx::continuousRoundedRect(capsule, capsule.height() / 2), primaryColor(env, 0.07));
  const QRectF magnifier(capsule.left() + kPadding, capsule.center().y() - kIconSize / 2, kIconSize, kIconSize);
  painter.drawImage(magnifier, Symbols::image(QStringLiteral("magnifyingglass"), kIconSize, primaryColor(env, 0.35),
                                              Fx::painterScale(painter)));
  if (!field_) {
    const double left = magnifier.right() + kSpacing + kFieldTextInset;
    const double right = filter_->geometry().left() - kSpacing;
    painter.setFont(systemFont(kFontSize));
    painter.setPen(primaryColor(env, 0.35));
    painter.drawText(QRectF(left, capsule.top(), std::max(0.0, right - left), capsule.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, placeholderText());
  }
}

// ---- State binding ---------------------------------------------------------------------------

SearchBarView::Props searchBarProps(const PanelState& state) {
  SearchBarView::Props props;
  props.query = state.searchQuery();
  props.panelVisible = state.isVisible();
  props.showFilterPanel = state.showFilterPanel();
  props.showDotsMenu = state.showDotsMenu();
  props.filtersInForce = state.hasActiveFilters() || !(state.activeFilter() == FilterType::all());
  props.expandSearchTrigger = state.expandSearchTrigger();
  props.resignSearchFocusTrigger = state.resignSearchFocusTrigger();
  return props;
}

SearchBarView::Callbacks searchBarCallbacks(PanelState& state) {
  PanelState* model = &state;
  return {
      [model](const QString& query) { model->setSearchQuery(query); },
      [model](bool focused) { model->setSearchFieldFocused(focused); },
      [model] { withAnimation(Theme::overshoot(), [model] { model->setShowFilterPanel(!model->showFilterPanel()); }); },
      [model] { withAnimation(Theme::overshoot(), [model] { model->setShowDotsMenu(!model->showDotsMenu()); }); }};
}

void connectSearchBar(SearchBarView& bar, PanelState& state) {
  SearchBarView* view = &bar;
  PanelState* model = &state;
  const auto refresh = [view, model] { view->setProps(searchBarProps(*model), searchBarCallbacks(*model)); };
  for (auto signal :
       {&PanelState::searchQueryChanged, &PanelState::isVisibleChanged, &PanelState::showFilterPanelChanged,
        &PanelState::showDotsMenuChanged, &PanelState::activeFilterChanged, &PanelState::filterTypesChanged,
        &PanelState::filterAppsChanged, &PanelState::filterDateChanged, &PanelState::expandSearchTriggerChanged,
        &PanelState::resignSearchFocusTriggerChanged})
    QObject::connect(model, signal, view, refresh);
  refresh();
}

}  // namespace qv
