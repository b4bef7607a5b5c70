#include "panel/CardScrollView.h"

#include "cards/ViewServices.h"
#include "panel/CardCellView.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr double kFadeNarrow = 8;
constexpr double kFadeWide = 24;
constexpr double kWheelStep = 96;  // points per notch of a wheel without pixel deltas

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
    : PaintedItemView(nullptr, parent),
      context_(context),
      state_(state),
      factory_(std::make_unique<CardCellFactory>(context, state, taps_)),
      tracker_(context.scheduler),
      scroll_(*context.frameClock, 0.0),
      topFade_(*context.frameClock, kFadeNarrow),
      bottomFade_(*context.frameClock, kFadeNarrow),
      height_(*context.frameClock, 0.0),
      headers_(context, scene_) {
  setScene(&scene_);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scene_.setItemIndexMethod(QGraphicsScene::NoIndex);
  // The list paints the scene itself (paintEvent), so the view's own update bookkeeping, which
  // only its own painting resets, would swallow every change after the first full update:
  // changes of the scene come straight to the viewport instead.
  setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
  connect(&scene_, &QGraphicsScene::changed, this, [this](const QList<QRectF>& rects) {
    for (const QRectF& rect : rects)
      viewport()->update(rect.translated(0, -scroll_.value()).toAlignedRect().adjusted(-1, -1, 1, 1));
  });
  scroll_.setOnChange([this] { applyScroll(); });
  for (Animated<double>* fade : {&topFade_, &bottomFade_}) fade->setOnChange([this] { viewport()->update(); });
  height_.setOnChange([this] { placeGeometry(); });
  tracker_.setOnEnterScroll([this] { clearHover(); });
  tracker_.setOnChange([this] {
    updateInteractivity();
    syncHover();
  });
  connect(&state_, &PanelState::filteredItemsChanged, this, &CardScrollView::filteredItemsChanged);
  connect(&state_, &PanelState::collapsedGroupsChanged, this, &CardScrollView::collapsedGroupsChanged);
  connect(&state_, &PanelState::selectedIndexChanged, this, &CardScrollView::scrollToSelection);
  connect(&state_, &PanelState::isPresentingChanged, this, [this] {
    updateInteractivity();
    syncHover();
  });
  connect(&state_, &PanelState::searchQueryChanged, this, [this] { viewport()->update(); });
  connect(&state_, &PanelState::isVisibleChanged, this, [this] {
    // Where the pointer was before the panel hid says nothing about where it is now.
    if (!state_.isVisible()) pointer_.reset();
    if (state_.isVisible() && listStale_) filteredItemsChanged();
    syncHover();
  });
  filteredItemsChanged();
  shown_ = true;
}

CardScrollView::~CardScrollView() {
  midnight_.cancel();
  // Cards die with the scene; their transitions must not outlive them.
  transitions_.clear();
}

void CardScrollView::setCardFactory(std::unique_ptr<CardItemFactory> factory) {
  transitions_.clear();
  std::vector<QGraphicsItem*> made;
  for (QGraphicsItem* item : scene_.items())
    if (!item->parentItem() && !dynamic_cast<SectionHeaderItem*>(item)) made.push_back(item);
  for (QGraphicsItem* item : made) delete item;
  hoveredCard_ = nullptr;
  cards_.clear();
  cardIDs_.clear();
  spareCards_.clear();
  factory_ = std::move(factory);
  realise();
}

void CardScrollView::setAvailableRect(const QRectF& rect) {
  if (rect == available_) return;
  available_ = rect;
  placeGeometry();
}

void CardScrollView::placeGeometry() {
  const double height = std::min(available_.height(), height_.value());
  const QRect geometry = QRectF(available_.x(), available_.y(), available_.width(), std::max(0.0, height)).toRect();
  if (geometry == this->geometry()) return;
  // Applied at once: a hidden list gets no resize event until it shows.
  setGeometry(geometry);
  const double clamped = std::clamp(scroll_.value(), 0.0, maximumScroll());
  if (clamped != scroll_.value()) scroll_.jumpTo(clamped);
  else applyScroll();
}

double CardScrollView::maximumScroll() const { return std::max(0.0, layout_.contentHeight - height()); }

int CardScrollView::cardItemCount() const {
  int count = 0;
  for (QGraphicsItem* item : scene_.items())
    if (!item->parentItem() && !dynamic_cast<SectionHeaderItem*>(item) && item->isVisible()) ++count;
  return count;
}

void CardScrollView::filteredItemsChanged() {
  // While the panel is hidden the list waits for the next show: copies made meanwhile cost no
  // grouping, layout or card work.
  if (shown_ && !state_.isVisible()) {
    listStale_ = true;
    return;
  }
  listStale_ = false;
  items_ = state_.filteredItems();
  const cardList::DateGrouper grouper(context_.scheduler->now());
  groups_ = cardList::groupsOf(items_, grouper);
  groupsDay_ = grouper.today();
  // The groups turn over at midnight even when the list does not change.
  midnight_.cancel();
  const QDateTime now = context_.scheduler->now();
  const double untilMidnight = double(now.msecsTo(groupsDay_.addDays(1).startOfDay())) / 1000.0;
  midnight_ = context_.scheduler->after(
      std::max(1.0, untilMidnight + 1), [this] { refreshGroupsIfDayChanged(); }, this);
  listChanging_ = true;
  relayout();
  listChanging_ = false;
}

void CardScrollView::refreshGroupsIfDayChanged() {
  if (context_.scheduler->now().toLocalTime().date() != groupsDay_) filteredItemsChanged();
}

Animated<double>& CardScrollView::openness(const QString& title) {
  std::unique_ptr<Animated<double>>& value = openness_[title];
  if (!value) {
    value = std::make_unique<Animated<double>>(*context_.frameClock,
                                               state_.collapsedGroups().contains(title) ? 0.0 : 1.0);
    value->setOnChange([this] { relayout(); });
  }
  return *value;
}

void CardScrollView::collapsedGroupsChanged() {
  for (CardGroup group : kAllCardGroups) {
    const QString title = rawValue(group);
    openness(title).setTarget(state_.collapsedGroups().contains(title) ? 0.0 : 1.0);
  }
  relayout();
}

void CardScrollView::toggleGroup(const QString& title) {
  withAnimation(Theme::easeInOutMedium(), [&] { state_.toggleCollapsedGroup(title); });
}

void CardScrollView::relayout() {
  QHash<QString, double> values;
  for (CardGroup group : kAllCardGroups) values.insert(rawValue(group), openness(rawValue(group)).value());
  const double previousEstimate = layout_.estimatedHeight;
  layout_ = cardList::layOut(groups_, state_.collapsedGroups(), values);
  if (layout_.estimatedHeight != previousEstimate || !shown_) {
    // Only a list on screen grows and shrinks smoothly; a hidden one takes its height at once.
    if (shown_ && isVisible()) height_.animateTo(layout_.estimatedHeight, Theme::easeInOutMedium());
    else height_.jumpTo(layout_.estimatedHeight);
  }
  placeGeometry();
  const double clamped = std::clamp(scroll_.value(), 0.0, maximumScroll());
  if (clamped != scroll_.value()) scroll_.jumpTo(clamped);
  else applyScroll();
}

void CardScrollView::applyScroll() {
  setSceneRect(0, scroll_.value(), width(), height());
  realise();
  updateFades();
  viewport()->update();
  // Another card may lie under the resting pointer now.
  syncHover();
}

void CardScrollView::releaseCard(PaintedItem* card, bool animated) {
  // A card that leaves is never hovered, and starts clean when it shows another item.
  if (card == hoveredCard_) hoveredCard_ = nullptr;
  factory_->release(*card);
  if (!animated) {
    transitions_.erase(card);
    card->hide();
    cardIDs_.remove(card);
    spareCards_.push_back(card);
    return;
  }
  const bool reduceMotion = context_.reduceMotion->isEnabled();
  auto progress = std::make_unique<Animated<double>>(*context_.frameClock, 1.0);
  card->setZValue(-1);
  progress->setOnChange([card, reduceMotion, value = progress.get()] {
    const double p = value->value();
    card->setOpacity(p);
    // Blown away: it grows and drifts up as it fades.
    if (!reduceMotion) {
      card->setTransformOriginPoint(card->boundingRect().center());
      card->setScale(1 + 0.35 * (1 - p));
    }
  });
  progress->animateTo(0.0, Theme::easeInOutMedium(), [this, card](bool) {
    // After the animation's own callback: its value dies when the card returns to the spares.
    context_.scheduler->post(
        [this, card] {
          if (transitions_.erase(card) == 0) return;
          card->setScale(1);
          card->setZValue(0);
          releaseCard(card, false);
        },
        this);
  });
  transitions_[card] = std::move(progress);
}

void CardScrollView::realise() {
  const double offset = scroll_.value();
  const double screen = std::max(1.0, double(height()));
  const double top = offset - screen;
  const double bottom = offset + 2 * screen;

  std::vector<int> wanted;
  for (const auto& [first, last] : layout_.cardsBetween(top, bottom))
    for (int index = first; index < last; ++index) wanted.push_back(index);

  // A changed list keeps the card of every item still in view, wherever it moved.
  QHash<QUuid, PaintedItem*> previous;
  if (listChanging_) {
    for (auto it = cards_.begin(); it != cards_.end(); ++it) previous.insert(cardIDs_.value(it.value()), it.value());
    cards_.clear();
  } else {
    for (auto it = cards_.begin(); it != cards_.end();) {
      if (!std::binary_search(wanted.begin(), wanted.end(), it.key())) {
        releaseCard(it.value(), false);
        it = cards_.erase(it);
      } else {
        ++it;
      }
    }
  }

  const bool animateInsertions = listChanging_ && !previous.isEmpty();
  for (int index : wanted) {
    const ClipboardItem& item = items_.at(index);
    PaintedItem* card = cards_.value(index);
    bool inserted = false;
    if (!card) {
      card = previous.take(item.id);
      if (!card) {
        inserted = animateInsertions;
        if (!spareCards_.empty()) {
          card = spareCards_.back();
          spareCards_.pop_back();
        } else {
          card = factory_->makeCard();
          scene_.addItem(card);
          if (auto* cell = qobject_cast<CardCellView*>(card))
            connect(cell, &CardCellView::contextMenuClosed, this, &CardScrollView::followPointer);
        }
      }
      cards_.insert(index, card);
      cardIDs_.insert(card, item.id);
      factory_->showItem(*card, item, index);
      card->show();
    } else if (listChanging_) {
      factory_->showItem(*card, item, index);
    }
    const int section = layout_.sectionOf(index);
    const double sectionOpacity = layout_.sections[size_t(section)].openness;
    card->setPos(layout_.cardRect(index, width()).topLeft());
    if (inserted) {
      // Read only when a card comes in: the flag is cached from its first reading.
      const bool reduceMotion = context_.reduceMotion->isEnabled();
      auto progress = std::make_unique<Animated<double>>(*context_.frameClock, 0.0);
      progress->setOnChange([card, reduceMotion, sectionOpacity, value = progress.get()] {
        const double p = value->value();
        card->setOpacity(p * sectionOpacity);
        if (!reduceMotion) {
          card->setTransformOriginPoint(card->boundingRect().center());
          card->setScale(0.9 + 0.1 * p);
        }
      });
      card->setOpacity(0);
      progress->animateTo(1.0, Theme::easeInOutMedium(), {});
      transitions_[card] = std::move(progress);
    } else if (!transitions_.count(card)) {
      card->setOpacity(sectionOpacity);
      card->setScale(1);
    }
  }
  // Cards whose items left the list go with a transition.
  for (PaintedItem* card : std::as_const(previous)) releaseCard(card, true);

  // Headers of the sections in view.
  headers_.show(
      layout_.headersBetween(top, bottom), layout_,
      [this](int index) {
        return QRectF(cardList::kSideInset, layout_.sections[size_t(index)].top,
                      std::max(0.0, width() - 2 * cardList::kSideInset), 0);
      },
      [this](const QString& title) { toggleGroup(title); });
}

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

void CardScrollView::clearHover() {
  state_.setHoveredItem(std::nullopt);
  state_.schedulePreviewHover(std::nullopt);
}

PaintedItem* CardScrollView::cardAt(QPointF viewportPoint) const {
  if (!viewport()->rect().contains(viewportPoint.toPoint())) return nullptr;
  const QPointF scenePoint(viewportPoint.x(), viewportPoint.y() + scroll_.value());
  for (PaintedItem* card : cards_) {
    // Cards of a collapsed section are there, at no opacity.
    if (!card->isVisible() || card->effectiveOpacity() < 0.01) continue;
    if (card->contains(card->mapFromScene(scenePoint))) return card;
  }
  return nullptr;
}

void CardScrollView::syncHover() {
  // Nothing is hovered while the user scrolls or the panel slides in.
  const bool canHover = shown_ && isVisible() && state_.isVisible() && !state_.isPresenting() &&
                        !tracker_.isScrolling();
  PaintedItem* target = canHover && pointer_ ? cardAt(*pointer_) : nullptr;
  if (hoveredCard_ && hoveredCard_ != target) factory_->setHovered(*hoveredCard_, false);
  hoveredCard_ = target;
  if (target) factory_->setHovered(*target, true);
}

void CardScrollView::followPointer() {
  const QPointF local = viewport()->mapFromGlobal(context_.screens->pointerLocation());
  if (viewport()->rect().contains(local.toPoint()) && window()->isVisible()) pointer_ = local;
  else pointer_.reset();
  syncHover();
}

void CardScrollView::mouseMoveEvent(QMouseEvent* event) {
  PaintedItemView::mouseMoveEvent(event);
  pointer_ = event->position();
  syncHover();
}

bool CardScrollView::viewportEvent(QEvent* event) {
  const bool handled = PaintedItemView::viewportEvent(event);
  if (event->type() == QEvent::Leave) {
    pointer_.reset();
    syncHover();
  }
  return handled;
}

void CardScrollView::scrollToSelection() {
  if (tracker_.isScrolling()) return;
  const std::optional<int> selected = state_.selectedIndex();
  if (!selected || *selected < 0 || *selected >= items_.size()) return;
  const QRectF card = layout_.cardRect(*selected, width());
  if (card.isNull()) return;
  const double target = std::clamp(card.center().y() - height() / 2.0, 0.0, maximumScroll());
  tracker_.setAnimating(true);
  scroll_.animateTo(target, Theme::springStandard(), [this](bool) { tracker_.setAnimating(false); });
}

void CardScrollView::scrollTo(double offset) {
  tracker_.noteScrollEvent();
  scroll_.jumpTo(std::clamp(offset, 0.0, maximumScroll()));
}

void CardScrollView::scrollBy(double pixels) { scrollTo(scroll_.value() + pixels); }

void CardScrollView::wheelEvent(QWheelEvent* event) {
  const QPoint pixels = event->pixelDelta();
  const double delta = !pixels.isNull() ? pixels.y() : event->angleDelta().y() / 120.0 * kWheelStep;
  scrollBy(-delta);
  event->accept();
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
  if (items_.isEmpty()) paintEmptyState(content);
  const QRectF exposed = QRectF(event->rect()).intersected(bounds);
  scene_.render(&content, exposed, exposed.translated(0, scroll_.value()));
}

void CardScrollView::paintEmptyState(QPainter& painter) {
  const EmptyListState empty = emptyListState(state_.items().isEmpty(), state_.searchQuery());
  const EnvironmentValues look = context_.environment ? context_.environment->values() : EnvironmentValues{};
  const QRectF area(0, cardList::kTopPadding, width(), cardList::kEmptyStateHeight);
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
