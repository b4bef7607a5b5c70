#include "panel/CardHostView.h"

#include "cards/ViewServices.h"
#include "cards/badges/ClickableItem.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace qv {

namespace {

constexpr double kWheelStep = 96;  // points per notch of a wheel without pixel deltas

// How the cards stack: those at rest and gliding on top, blown-away ones beneath them, cards
// coming in at the bottom.
constexpr double kRestingZ = 0;
constexpr double kLeavingZ = -1;
constexpr double kArrivingZ = -2;

}  // namespace

CardHostView::CardHostView(ViewServices& context, PanelState& state, CardTransitions::Style transitions,
                           QWidget* parent)
    : PaintedItemView(nullptr, parent),
      context_(context),
      state_(state),
      tracker_(context.scheduler),
      scroll_(*context.frameClock, 0.0),
      headers_(context, scene_),
      transitions_(context, transitions),
      cardGlides_(*context.frameClock) {
  setScene(&scene_);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scene_.setItemIndexMethod(QGraphicsScene::NoIndex);
  // The host paints the scene itself, so the view's own update bookkeeping, which only its own
  // painting resets, would swallow every change after the first full update: changes of the
  // scene go straight to the viewport instead.
  setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
  connect(&scene_, &QGraphicsScene::changed, this, [this](const QList<QRectF>& rects) {
    for (const QRectF& rect : rects)
      viewport()->update(rect.translated(0, -scroll_.value()).toAlignedRect().adjusted(-1, -1, 1, 1));
  });
  scroll_.setOnChange([this] { placeCards(); });
  tracker_.setOnEnterScroll([this] {
    syncHover();
    userScrollBegan();
  });
  tracker_.setOnChange([this] {
    userScrollChanged();
    // A wheel turned under the pointer brought the card there: as good as a pointer move.
    const bool byWheel = !tracker_.isScrolling() && std::exchange(wheelScroll_, false);
    syncHover(byWheel ? HoverCause::pointer : HoverCause::content);
  });
  connect(&state_, &PanelState::collapsedGroupsChanged, this, &CardHostView::collapsedGroupsChanged);
  // A list held on through a copy would make the copy copy the whole history.
  connect(&state_, &PanelState::itemsAboutToChange, this, [this] {
    placedList_ = {};
    listLetGo_ = true;
    letGoOfList();
  });
}

CardHostView::~CardHostView() {
  dayTurn_.cancel();
  // Cards die with the scene; their animations must not outlive them.
  transitions_.clear();
  cardGlides_.clear();
  hoveredCard_ = nullptr;
}

void CardHostView::setCardFactory(std::unique_ptr<CardItemFactory> factory) {
  transitions_.clear();
  cardGlides_.clear();
  hoveredCard_ = nullptr;
  std::vector<QGraphicsItem*> made;
  for (QGraphicsItem* item : scene_.items())
    if (!item->parentItem() && !dynamic_cast<SectionHeaderItem*>(item)) made.push_back(item);
  for (QGraphicsItem* item : made) delete item;
  cards_.clear();
  cardIDs_.clear();
  spareCards_.clear();
  factory_ = std::move(factory);
  // After a card's menu the pointer may rest on another card.
  factory_->onMenuClosed = [self = QPointer<CardHostView>(this)] {
    if (self) self->followPointer();
  };
  placeCards();
}

bool CardHostView::reduceMotion() const { return context_.reduceMotion && context_.reduceMotion->isEnabled(); }

double CardHostView::maximumScroll() const { return std::max(0.0, layout_.contentHeight - height()); }

// ---- Sections --------------------------------------------------------------------------------

Animated<double>& CardHostView::openness(const QString& title) {
  std::unique_ptr<Animated<double>>& value = openness_[title];
  if (!value) {
    value = std::make_unique<Animated<double>>(*context_.frameClock,
                                               state_.collapsedGroups().contains(title) ? 0.0 : 1.0);
    value->setOnChange([this] { relayout(); });
  }
  return *value;
}

QHash<QString, double> CardHostView::opennessValues() {
  QHash<QString, double> values;
  for (CardGroup group : kAllCardGroups) values.insert(rawValue(group), openness(rawValue(group)).value());
  return values;
}

void CardHostView::collapsedGroupsChanged() {
  for (CardGroup group : kAllCardGroups) {
    const QString title = rawValue(group);
    const double target = state_.collapsedGroups().contains(title) ? 0.0 : 1.0;
    if (opennessAnimates()) openness(title).setTarget(target);
    else openness(title).jumpTo(target);
  }
  relayout();
}

void CardHostView::toggleGroup(const QString& title) {
  withAnimation(Theme::easeInOutMedium(), [&] { state_.toggleCollapsedGroup(title); });
}

void CardHostView::scheduleDayTurn(QDate today) {
  dayTurn_.cancel();
  const QDateTime now = context_.scheduler->now();
  const double untilMidnight = double(now.msecsTo(today.addDays(1).startOfDay())) / 1000.0;
  dayTurn_ = context_.scheduler->after(
      std::max(1.0, untilMidnight + 1), [this] { dayTurned(); }, this);
}

// ---- Placing the cards -----------------------------------------------------------------------

void CardHostView::placeCards(Change change) {
  if (listLetGo_) return;
  const double clamped = std::clamp(scroll_.value(), 0.0, maximumScroll());
  if (clamped != scroll_.value()) {
    // Clamped quietly: the cards are placed below, with this change.
    scroll_.setOnChange({});
    scroll_.jumpTo(clamped);
    scroll_.setOnChange([this] { placeCards(); });
  }
  setSceneRect(0, scroll_.value(), width(), height());
  realise(change);
  cardsPlaced();
  viewport()->update();
  // Another card may lie under the resting pointer now, and every card elsewhere on screen.
  syncHover();
  reportAnchors();
}

void CardHostView::realise(Change change) {
  const double offset = scroll_.value();
  const double top = offset - reach();
  const double bottom = offset + std::max(1, height()) + reach();

  std::vector<int> wanted;
  for (const auto& [first, last] : layout_.cardsBetween(top, bottom))
    for (int index = first; index < last; ++index) wanted.push_back(index);

  // A changed list keeps the card of every item still in view, wherever it moved.
  QHash<QUuid, PaintedItem*> previous;
  QHash<QUuid, int> previousIndex;
  if (change.listChanged) {
    for (auto it = cards_.cbegin(); it != cards_.cend(); ++it) {
      const QUuid id = cardIDs_.value(it.value());
      previous.insert(id, it.value());
      previousIndex.insert(id, it.key());
    }
    cards_.clear();
  } else {
    for (auto it = cards_.begin(); it != cards_.end();) {
      if (!std::binary_search(wanted.begin(), wanted.end(), it.key())) {
        releaseCard(it.value());
        it = cards_.erase(it);
      } else {
        ++it;
      }
    }
  }

  const bool moves = change.animated && !reduceMotion();
  for (int index : wanted) {
    const ClipboardItem& item = itemAt(index);
    PaintedItem* card = cards_.value(index);
    bool fresh = false, carried = false;
    if (!card) {
      card = previous.take(item.id);
      carried = card != nullptr;
      if (!card) {
        fresh = true;
        if (!spareCards_.empty()) {
          card = spareCards_.back();
          spareCards_.pop_back();
        } else {
          card = factory_->makeCard();
          scene_.addItem(card);
        }
      }
      cards_.insert(index, card);
      cardIDs_.insert(card, item.id);
      factory_->showItem(*card, item, index);
      card->show();
    }
    const double sectionOpacity = layout_.sections[size_t(layout_.sectionOf(index))].openness;
    const QPointF target = layout_.cardRect(index, width()).topLeft();
    if (fresh) {
      card->setPos(target);
      if (change.animated) {
        // Beneath the cards gliding to make room: still blurred and growing, it would cover
        // their edges. Hoverable once at rest, should the pointer be on it.
        card->setZValue(kArrivingZ);
        transitions_.enter(card, sectionOpacity, changeAnimation(), [this, card] {
          card->setZValue(kRestingZ);
          syncHover();
        });
      } else {
        cardHost::applyLook(*card, cardHost::fade(sectionOpacity));
      }
    } else {
      // A card that slides under a resting pointer is hovered; one that slides away is not.
      cardGlides_.place(card, target, moves && carried ? std::optional<Animation>(changeAnimation()) : std::nullopt,
                        [this] { syncHover(); });
      if (!transitions_.isEntering(card)) card->setOpacity(sectionOpacity);
    }
  }

  // Cards of items that left: blown away when the change animates; cards whose items only
  // moved out of reach go back to the spares.
  if (!previous.isEmpty()) {
    QSet<QUuid> gone;
    if (change.animated) gone = itemsGone(previousIndex);
    for (auto it = previous.cbegin(); it != previous.cend(); ++it) {
      if (gone.contains(it.key())) blowAway(it.value());
      else releaseCard(it.value());
    }
  }
  placedList_ = filteredList() ? *filteredList() : FilteredItems();
  headers_.show(
      layout_.headersBetween(top, bottom), layout_, [this](int section) { return headerFrame(section); },
      [this](const QString& title) { toggleGroup(title); },
      moves ? std::optional<Animation>(changeAnimation()) : std::nullopt);
}

QSet<QUuid> CardHostView::itemsGone(const QHash<QUuid, int>& before) const {
  QSet<QUuid> gone;
  const FilteredItems* now = filteredList();
  // Both lists of one history: an item is still listed when its place is.
  if (now && placedList_.sharesHistoryWith(*now)) {
    bool known = true;
    for (auto it = before.cbegin(); it != before.cend() && known; ++it) {
      const int index = it.value();
      known = index < placedList_.size() && placedList_.at(index).id == it.key();
      if (known && !now->holdsPlace(placedList_.historyIndex(index))) gone.insert(it.key());
    }
    if (known) return gone;
    gone.clear();
  }
  for (auto it = before.cbegin(); it != before.cend(); ++it) gone.insert(it.key());
  for (int index = 0, count = itemCount(); index < count && !gone.isEmpty(); ++index) gone.remove(itemAt(index).id);
  return gone;
}

void CardHostView::reportAnchors() {
  for (PaintedItem* card : std::as_const(cards_)) factory_->reportAnchor(*card);
}

PaintedItem* CardHostView::cardFor(const QUuid& id) const {
  for (auto it = cards_.cbegin(); it != cards_.cend(); ++it)
    if (cardIDs_.value(it.value()) == id) return it.value();
  return nullptr;
}

int CardHostView::cardItemCount() const {
  int count = 0;
  for (QGraphicsItem* item : scene_.items())
    if (!item->parentItem() && !dynamic_cast<SectionHeaderItem*>(item) && item->isVisible()) ++count;
  return count;
}

// ---- Card transitions ------------------------------------------------------------------------

void CardHostView::blowAway(PaintedItem* card) {
  // The card lets go of its item at once: it hovers nothing and acts on nothing while it flies.
  letGo(card);
  card->setZValue(kLeavingZ);
  transitions_.blowAway(card, changeAnimation(), [this, card] { putAway(card); });
}

void CardHostView::releaseCard(PaintedItem* card) {
  letGo(card);
  putAway(card);
}

void CardHostView::letGo(PaintedItem* card) {
  // A card that leaves is never hovered, and starts clean when it shows another item.
  setCardHovered(card, false);
  factory_->release(*card);
  transitions_.stopEntering(card);
  cardGlides_.forget(card);
  cardIDs_.remove(card);
}

void CardHostView::putAway(PaintedItem* card) {
  cardHost::applyLook(*card, {});
  card->setZValue(kRestingZ);
  card->hide();
  spareCards_.push_back(card);
}

// ---- Hover -----------------------------------------------------------------------------------

PaintedItem* CardHostView::cardAt(QPointF viewportPoint) const {
  if (!viewport()->rect().contains(viewportPoint.toPoint())) return nullptr;
  const QPointF scenePoint(viewportPoint.x(), viewportPoint.y() + scroll_.value());
  for (PaintedItem* card : cards_) {
    // Cards of a collapsed section are there, at no opacity.
    if (!card->isVisible() || card->effectiveOpacity() < 0.01) continue;
    if (card->contains(card->mapFromScene(scenePoint))) return card;
  }
  return nullptr;
}

void CardHostView::setCardHovered(PaintedItem* card, bool hovered) {
  if (!card) return;
  if (!hovered && card == hoveredCard_) hoveredCard_ = nullptr;
  factory_->setHovered(*card, hovered);
}

void CardHostView::syncHover(HoverCause cause) {
  PaintedItem* target = acceptsHover() && pointer_ ? cardAt(*pointer_) : nullptr;
  if (target == hoveredCard_) return;
  if (hoveredCard_) setCardHovered(hoveredCard_, false);
  hoveredCard_ = target;
  if (!target) return;
  setCardHovered(target, true);
  // The pointer entered the card. (Telling the card may have changed the list under it.)
  if (cause == HoverCause::pointer && hoveredCard_ == target) factory_->followHover(*target);
}

QPointF CardHostView::locatePointer() {
  const QPointF global = context_.screens ? context_.screens->pointerLocation() : QPointF();
  const QPointF local = viewport()->mapFromGlobal(global);
  // Over the list itself, not over something of its window that covers it.
  const QWidget* under = window()->isVisible() ? window()->childAt(window()->mapFromGlobal(global).toPoint()) : nullptr;
  if (context_.screens && under == viewport() && viewport()->rect().contains(local.toPoint())) pointer_ = local;
  else pointer_.reset();
  return global;
}

void CardHostView::followPointer() {
  const QPointF global = locatePointer();
  // The menu had the pointer: what lies under it now came there by itself, and the click that
  // closed the menu may be a double-click's first.
  arrival_.rests(global);
  arrival_.notePress(context_.scheduler->uptime());
  // The pointer went where the user moved it while the menu was open.
  syncHover(HoverCause::pointer);
}

// ---- Scrolling -------------------------------------------------------------------------------

void CardHostView::scrollTo(double offset) {
  tracker_.noteScrollEvent();
  scroll_.jumpTo(std::clamp(offset, 0.0, maximumScroll()));
}

void CardHostView::scrollBy(double pixels) { scrollTo(scroll_.value() + pixels); }

void CardHostView::animateScroll(double offset, const std::optional<Animation>& animation) {
  // Not the user's scroll: whatever it brings under the pointer is content moving.
  wheelScroll_ = false;
  offset = std::clamp(offset, 0.0, maximumScroll());
  if (!animation) {
    scroll_.jumpTo(offset);
    return;
  }
  tracker_.setAnimating(true);
  scroll_.animateTo(offset, animation, [this](bool) { tracker_.setAnimating(false); });
}

// ---- Events ----------------------------------------------------------------------------------

void CardHostView::wheelEvent(QWheelEvent* event) {
  const QPoint pixels = event->pixelDelta();
  const double delta = !pixels.isNull() ? pixels.y() : event->angleDelta().y() / 120.0 * kWheelStep;
  wheelScroll_ = true;
  pointer_ = event->position();
  scrollBy(-delta);
  // The wheel brought what lies under the pointer now.
  arrival_.moved(event->globalPosition(), targetAt(event->position()));
  event->accept();
}

void CardHostView::mouseMoveEvent(QMouseEvent* event) {
  PaintedItemView::mouseMoveEvent(event);
  pointer_ = event->position();
  syncHover(HoverCause::pointer);
  arrival_.pointerAt(event->globalPosition(), targetAt(event->position()));
}

void CardHostView::mousePressEvent(QMouseEvent* event) {
  if (admitPress(event)) PaintedItemView::mousePressEvent(event);
}

void CardHostView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (admitPress(event)) PaintedItemView::mouseDoubleClickEvent(event);
}

void CardHostView::mouseReleaseEvent(QMouseEvent* event) {
  if (std::exchange(heldPress_, false) && event->button() == Qt::LeftButton) {
    event->accept();
    return;
  }
  PaintedItemView::mouseReleaseEvent(event);
}

bool CardHostView::viewportEvent(QEvent* event) {
  const bool handled = PaintedItemView::viewportEvent(event);
  // The pointer came in: moved in, or its window showed under it, which brings no move.
  if (event->type() == QEvent::Enter) {
    pointer_ = static_cast<QEnterEvent*>(event)->position();
    syncHover(HoverCause::pointer);
  }
  if (event->type() == QEvent::Leave || event->type() == QEvent::Hide) {
    pointer_.reset();
    syncHover();
  }
  // Where the pointer was says nothing once the host is hidden (and shown again).
  if (event->type() == QEvent::Hide) arrival_.forget();
  return handled;
}

// ---- Presses ---------------------------------------------------------------------------------

PointerTarget CardHostView::targetAt(QPointF viewportPoint) const {
  if (PaintedItem* card = cardAt(viewportPoint)) return {card, cardIDs_.value(card), 0};
  if (!viewport()->rect().contains(viewportPoint.toPoint())) return {};
  const QPointF scenePoint(viewportPoint.x(), viewportPoint.y() + scroll_.value());
  for (QGraphicsItem* item : scene_.items(scenePoint))
    if (auto* header = dynamic_cast<SectionHeaderItem*>(item->topLevelItem()); header && header->isVisible())
      return {header, {}, 0};
  return {};
}

const ClickableItem* CardHostView::controlAt(QPointF viewportPoint) const {
  PaintedItem* card = cardAt(viewportPoint);
  if (!card) return nullptr;
  const QPointF scenePoint(viewportPoint.x(), viewportPoint.y() + scroll_.value());
  for (QGraphicsItem* item : scene_.items(scenePoint)) {
    if (item == card) return nullptr;
    // A badge or a button on the card takes the press.
    if (auto* control = qobject_cast<ClickableItem*>(item->toGraphicsObject());
        control && item->isVisible() && (item->acceptedMouseButtons() & Qt::LeftButton))
      return control;
  }
  return nullptr;
}

bool CardHostView::admitPress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return true;
  const QPointF at = event->position();
  const ClickableItem* control = controlAt(at);
  const PointerArrival::Effect effect = control && control->actsOnItem() ? PointerArrival::Effect::onItem
                                                                         : PointerArrival::Effect::onView;
  // The host itself first, as a control of its window (a pane or a menu over it may have gone),
  // then its cards.
  const bool hostTakes = !context_.controlPointerArrival ||
                         context_.controlPointerArrival->admitPress(*window(), event->globalPosition(),
                                                                    event->timestamp(), effect);
  switch (hostTakes ? arrival_.press(targetAt(at), context_.scheduler->uptime(), event->globalPosition(), effect)
                    : PointerArrival::Press::waits) {
    case PointerArrival::Press::counts:
      heldPress_ = false;
      firstPressOnCardBody_ = !control && cardAt(at);
      return true;
    case PointerArrival::Press::waits: break;
    case PointerArrival::Press::secondOfFirst: {
      // Only a card still showing the item its first press took, pressed on itself, not a control on it.
      const PointerTarget first = arrival_.firstPressTarget();
      PaintedItem* card = first.item.isNull() ? nullptr : cardFor(first.item);
      if (firstPressOnCardBody_ && card && card == first.object) factory_->doubleClicked(*card, event->modifiers());
      break;
    }
  }
  heldPress_ = true;
  event->accept();
  return false;
}

}  // namespace qv
