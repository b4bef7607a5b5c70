#include "panel/CardScrollView.h"

#include "cards/ViewServices.h"
#include "panel/CardCellView.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr double kFadeNarrow = 8;
constexpr double kFadeWide = 24;

}  // namespace

EmptyListState emptyListState(bool historyEmpty, const QString& searchQuery) {
  if (historyEmpty)
    return {QStringLiteral("doc.on.clipboard"), QStringLiteral("Nothing copied yet"),
            QStringLiteral("Copied items will appear here")};
  if (!searchQuery.isEmpty())
    return {QStringLiteral("magnifyingglass"), QStringLiteral("No results"), QStringLiteral("Try a different search")};
  return {QStringLiteral("line.3.horizontal.decrease.circle"), QStringLiteral("No matching items"),
          QStringLiteral("Try clearing a filter above")};
}

CardScrollView::CardScrollView(ViewServices& context, PanelState& state, QWidget* parent)
    : CardHostView(context, state, {true, Fx::kBlowAwayTravel}, parent),
      topFade_(*context.frameClock, kFadeNarrow),
      bottomFade_(*context.frameClock, kFadeNarrow),
      height_(*context.frameClock, 0.0),
      emptyPresence_(*context.frameClock, 0.0) {
  setCardFactory(std::make_unique<CardCellFactory>(context, state, taps_));
  for (Animated<double>* fade : {&topFade_, &bottomFade_}) fade->setOnChange([this] { viewport()->update(); });
  emptyPresence_.setOnChange([this] { viewport()->update(); });
  height_.setOnChange([this] { placeGeometry(); });
  connect(&state_, &PanelState::filteredItemsChanged, this, &CardScrollView::filteredItemsChanged);
  connect(&state_, &PanelState::selectedIndexChanged, this, &CardScrollView::scrollToSelection);
  connect(&state_, &PanelState::isPresentingChanged, this, [this] {
    updateInteractivity();
    // The list slid in under a pointer that may rest there: no move tells where it is.
    if (!state_.isPresenting() && state_.isVisible() && isVisible()) locatePointer();
    syncHover();
  });
  connect(&state_, &PanelState::searchQueryChanged, this, [this] {
    if (items_.isEmpty()) emptyState_ = emptyListState(state_.items().isEmpty(), state_.searchQuery());
    viewport()->update();
  });
  connect(&state_, &PanelState::isVisibleChanged, this, [this] {
    // Where the pointer was before the panel hid says nothing about where it is now.
    if (!state_.isVisible()) forgetPointer();
    // Copies made while hidden are in place as the panel slides in, not coming in then.
    if (state_.isVisible() && listStale_) {
      const QScopedValueRollback settling(settling_, true);
      filteredItemsChanged();
    }
    syncHover();
  });
  filteredItemsChanged();
  shown_ = true;
}

CardScrollView::~CardScrollView() = default;

void CardScrollView::setAvailableRect(const QRectF& rect) {
  if (rect == available_) return;
  available_ = rect;
  placeGeometry();
}

void CardScrollView::placeGeometry() {
  // Within a relayout the cards are placed once, with its change.
  if (fitGeometry() && !relayingOut_) placeCards();
}

bool CardScrollView::fitGeometry() {
  const double height = std::min(available_.height(), height_.value());
  const QRect geometry = QRectF(available_.x(), available_.y(), available_.width(), std::max(0.0, height)).toRect();
  if (geometry == this->geometry()) return false;
  // Applied at once: a hidden list gets no resize event until it shows.
  setGeometry(geometry);
  return true;
}

QRectF CardScrollView::headerFrame(int section) const {
  return QRectF(cardList::kSideInset, layout_.sections[size_t(section)].top,
                std::max(0.0, width() - 2 * cardList::kSideInset), 0);
}

void CardScrollView::filteredItemsChanged() {
  // While the panel is hidden the list waits for the next show: copies made meanwhile cost no
  // grouping, layout or card work.
  if (shown_ && !state_.isVisible()) {
    listStale_ = true;
    return;
  }
  listStale_ = false;
  items_ = state_.shownItems();
  listLetGo_ = false;
  // Kept while the empty state leaves: the items that came would change its words.
  if (items_.isEmpty()) emptyState_ = emptyListState(state_.items().isEmpty(), state_.searchQuery());
  const cardList::DateGrouper grouper(context_.scheduler->now());
  groups_ = historyGroups_.groupsOf(items_, grouper);
  groupsDay_ = grouper.today();
  scheduleDayTurn(groupsDay_);
  relayout(true);
}

void CardScrollView::letGoOfList() {
  items_ = {};
  historyGroups_ = {};
}

void CardScrollView::dayTurned() {
  if (context_.scheduler->now().toLocalTime().date() != groupsDay_) filteredItemsChanged();
  else scheduleDayTurn(groupsDay_);
}

void CardScrollView::relayout(bool listChanged) {
  const double previousEstimate = layout_.estimatedHeight;
  const QScopedValueRollback relayingOut(relayingOut_, true);
  layout_ = cardList::layOut(groups_, state_.collapsedGroups(), opennessValues());
  // A list made, or caught up as the panel shows, takes its new look at once.
  const bool animates = shown_ && !settling_;
  if (layout_.estimatedHeight != previousEstimate || !shown_) {
    // Only a list on screen grows and shrinks smoothly; a hidden one takes its height at once.
    if (animates && isVisible()) height_.animateTo(layout_.estimatedHeight, Theme::easeInOutMedium());
    else height_.jumpTo(layout_.estimatedHeight);
  }
  const double emptyTarget = groups_.empty() ? 1.0 : 0.0;
  if (emptyPresence_.target() != emptyTarget) {
    if (animates) emptyPresence_.animateTo(emptyTarget, changeAnimation());
    else emptyPresence_.jumpTo(emptyTarget);
  }
  fitGeometry();
  // New cards come in and removed ones are blown away, the first ones after the empty state too.
  placeCards({listChanged, listChanged && animates});
}

Animation CardScrollView::changeAnimation() const {
  // The change's own animation (a card's Delete springs), else the list's.
  return Transaction::current().animation.value_or(Theme::easeInOutMedium());
}

void CardScrollView::cardsPlaced() { updateFades(); }

void CardScrollView::updateFades() {
  const double offset = scroll_.value();
  const double content = layout_.contentHeight;
  const double container = height();
  const bool top = offset > 4;
  const bool bottom = content > container + 4 && content - offset > container + 4;
  const double topTarget = top ? kFadeWide : kFadeNarrow;
  const double bottomTarget = bottom ? kFadeWide : kFadeNarrow;
  if (topTarget == topFade_.target() && bottomTarget == bottomFade_.target()) return;
  topFade_.animateTo(topTarget, Theme::easeOutQuick());
  bottomFade_.animateTo(bottomTarget, Theme::easeOutQuick());
}

void CardScrollView::updateInteractivity() { setInteractive(!tracker_.isScrolling() && !state_.isPresenting()); }

bool CardScrollView::acceptsHover() const {
  // Nothing is hovered while the user scrolls or the panel slides in.
  return shown_ && isVisible() && state_.isVisible() && !state_.isPresenting() && !tracker_.isScrolling();
}

void CardScrollView::userScrollBegan() {
  state_.setHoveredItem(std::nullopt);
  state_.schedulePreviewHover(std::nullopt);
}

void CardScrollView::scrollToSelection() {
  if (tracker_.isScrolling()) return;
  const std::optional<int> selected = state_.selectedIndex();
  if (!selected || *selected < 0 || *selected >= items_.size()) return;
  const QRectF card = layout_.cardRect(*selected, width());
  if (card.isNull()) return;
  animateScroll(card.center().y() - height() / 2.0, Theme::springStandard());
}

void CardScrollView::paintEvent(QPaintEvent* event) {
  ++paintCount_;
  QPainter painter(viewport());
  // The view's own hints: a lifted card scales its cached content, which must be filtered.
  painter.setRenderHints(renderHints());
  const QRectF bounds = viewport()->rect();
  std::vector<Fx::GradientStop> stops;
  for (const auto& [location, opacity] : cardList::fadeStops(topFade_.value(), bottomFade_.value(), bounds.height()))
    stops.push_back({location, QColor::fromRgbF(1, 1, 1, float(opacity))});
  Fx::Layer layer(painter, bounds);
  layer.setMask(QBrush(Fx::linearGradient(bounds, {0, 0}, {0, 1}, stops)));
  QPainter& content = layer.painter();
  if (emptyPresence_.value() > 0.001) paintEmptyState(content);
  const QRectF exposed = QRectF(event->rect()).intersected(bounds);
  scene_.render(&content, exposed, exposed.translated(0, scroll_.value()));
}

void CardScrollView::paintEmptyState(QPainter& target) {
  const EmptyListState& empty = emptyState_;
  const EnvironmentValues look = context_.environment ? context_.environment->values() : EnvironmentValues{};
  const QRectF area(0, cardList::kTopPadding, width(), cardList::kEmptyStateHeight);
  // It comes and goes by blur-scale around its middle; under reduce motion it only fades.
  const double p = unitClamped(emptyPresence_.value());
  const Fx::LayerLook transition = reduceMotion() ? Fx::blurScale(area, 1, {0.5, 0.5}, 0, p)
                                                  : Fx::blurScale(area, 0.9 + 0.1 * p, {0.5, 0.5}, 10 * (1 - p), p);
  Fx::Layer layer(target, area);
  layer.setOpacity(transition.opacity);
  layer.setBlur(transition.blur);
  layer.setTransform(transition.transform);
  QPainter& painter = layer.painter();
  const QFont titleFont = systemFont(12, QFont::DemiBold);
  const QFont subtitleFont = systemFont(10);
  const double symbol = 26;
  const double titleHeight = QFontMetricsF(titleFont).height();
  const double subtitleHeight = QFontMetricsF(subtitleFont).height();
  double y = area.center().y() - (symbol + 8 + titleHeight + 8 + subtitleHeight) / 2;
  painter.drawImage(QRectF(area.center().x() - symbol / 2, y, symbol, symbol),
                    Symbols::image(empty.symbol, symbol, primaryColor(look, 0.25), Fx::painterScale(painter)));
  y += symbol + 8;
  painter.setFont(titleFont);
  painter.setPen(primaryColor(look, 0.55));
  painter.drawText(QRectF(area.left(), y, area.width(), titleHeight), Qt::AlignCenter, empty.title);
  y += titleHeight + 8;
  painter.setFont(subtitleFont);
  painter.setPen(primaryColor(look, 0.35));
  painter.drawText(QRectF(area.left(), y, area.width(), subtitleHeight), Qt::AlignCenter, empty.subtitle);
}

}  // namespace qv
