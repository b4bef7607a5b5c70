#include "library/LibraryGridView.h"

#include "base/Log.h"
#include "cards/ViewServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryModel.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr double kWheelStep = 96;  // points per notch of a wheel without pixel deltas
// Cards are made this far beyond the visible part, so that a small scroll finds them ready.
constexpr double kOverscan = cardList::kCardStep;
// A press and release on the background this close together is a tap.
constexpr int kTapSlop = 6;

}  // namespace

LibraryGridView::LibraryGridView(ViewServices& context, LibraryModel& model, QWidget* parent)
    : PaintedItemView(nullptr, parent),
      context_(context),
      model_(model),
      tracker_(context.scheduler),
      scroll_(*context.frameClock, 0.0),
      edges_(*context.frameClock),
      headers_(context, scene_) {
  auto factory = std::make_unique<LibraryCardFactory>(context, model);
  // After a card's menu the pointer may rest on another card.
  factory->onMenuClosed = [self = QPointer<LibraryGridView>(this)] {
    if (self) self->followPointer();
  };
  factory_ = std::move(factory);
  setScene(&scene_);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::NoFocus);
  scene_.setItemIndexMethod(QGraphicsScene::NoIndex);
  // The grid paints the scene itself (paintEvent), so the view's own update bookkeeping, which
  // only its own painting resets, would swallow every change after the first full update:
  // changes of the scene go straight to the viewport instead.
  setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
  connect(&scene_, &QGraphicsScene::changed, this, [this](const QList<QRectF>& rects) {
    for (const QRectF& rect : rects)
      viewport()->update(rect.translated(0, -scroll_.value()).toAlignedRect().adjusted(-1, -1, 1, 1));
  });
  scroll_.setOnChange([this] { applyScroll(); });
  edges_.setOnChange([this] { viewport()->update(); });
  tracker_.setOnEnterScroll([this] {
    syncHover();
    model_.setHoveredID(std::nullopt);
  });
  tracker_.setOnChange([this] { syncHover(); });
  connect(&model_.state(), &PanelState::collapsedGroupsChanged, this, &LibraryGridView::collapsedGroupsChanged);
  connect(&model_, &LibraryModel::keyboardScrollTargetChanged, this, &LibraryGridView::scrollToKeyboardTarget);
}

LibraryGridView::~LibraryGridView() {
  settle_.cancel();
  midnight_.cancel();
  // Cards die with the scene; their animations must not outlive them.
  entering_.clear();
  moving_.clear();
  leaving_.clear();
  hoveredCard_ = nullptr;
}

void LibraryGridView::setCardFactory(std::unique_ptr<CardItemFactory> factory) {
  entering_.clear();
  moving_.clear();
  leaving_.clear();
  hoveredCard_ = nullptr;
  std::vector<QGraphicsItem*> made;
  for (QGraphicsItem* item : scene_.items())
    if (!item->parentItem() && !dynamic_cast<SectionHeaderItem*>(item)) made.push_back(item);
  for (QGraphicsItem* item : made) delete item;
  cards_.clear();
  cardIDs_.clear();
  spareCards_.clear();
  factory_ = std::move(factory);
  realise();
}

bool LibraryGridView::reduceMotion() const { return context_.reduceMotion && context_.reduceMotion->isEnabled(); }

// ---- Reading the model -----------------------------------------------------------------------

void LibraryGridView::sync() {
  const FilteredItems items = model_.filteredItems();
  std::vector<cardList::Run> runs;
  for (const LibraryDateSection& section : model_.dateSections().sections)
    runs.push_back({section.group, section.count});
  // The model hands out the same list until something changed it.
  const bool sameList = synced_ && items.sharesWith(items_);
  if (sameList && runs == runs_) {
    refreshCards();
    syncHover();
    return;
  }
  const bool countOrFirstChanged = items.size() != items_.size() ||
                                   (!items.isEmpty() && items.first().id != items_.first().id);
  Change change;
  change.listChanged = true;
  change.animated = settled_ && synced_ && countOrFirstChanged && isVisible();
  synced_ = true;
  items_ = items;
  runs_ = std::move(runs);
  relayout(change);
  scheduleMidnight();
}

void LibraryGridView::scheduleMidnight() {
  // The date sections turn over at midnight even when the list does not change.
  midnight_.cancel();
  const QDateTime now = context_.scheduler->now();
  const QDate today = now.toLocalTime().date();
  const double untilMidnight = double(now.msecsTo(today.addDays(1).startOfDay())) / 1000.0;
  midnight_ = context_.scheduler->after(
      std::max(1.0, untilMidnight + 1), [this] { sync(); }, this);
}

void LibraryGridView::refreshCards() {
  for (auto it = cards_.cbegin(); it != cards_.cend(); ++it)
    factory_->showItem(*it.value(), items_.at(it.key()), it.key());
}

// ---- Layout ----------------------------------------------------------------------------------

Animated<double>& LibraryGridView::openness(const QString& title) {
  std::unique_ptr<Animated<double>>& value = openness_[title];
  if (!value) {
    value = std::make_unique<Animated<double>>(*context_.frameClock,
                                               model_.state().collapsedGroups().contains(title) ? 0.0 : 1.0);
    value->setOnChange([this] { relayout(); });
  }
  return *value;
}

void LibraryGridView::collapsedGroupsChanged() {
  for (CardGroup group : kAllCardGroups) {
    const QString title = rawValue(group);
    const double target = model_.state().collapsedGroups().contains(title) ? 0.0 : 1.0;
    // Until the grid has settled nothing in it animates.
    if (settled_) openness(title).setTarget(target);
    else openness(title).jumpTo(target);
  }
  relayout();
}

void LibraryGridView::toggleGroup(const QString& title) {
  PanelState& state = model_.state();
  withAnimation(Theme::easeInOutMedium(), [&] { state.toggleCollapsedGroup(title); });
}

void LibraryGridView::relayout(Change change) {
  QHash<QString, double> values;
  for (CardGroup group : kAllCardGroups) values.insert(rawValue(group), openness(rawValue(group)).value());
  layout_ = cardList::layOut(runs_, model_.state().collapsedGroups(), values, cardList::gridArrangement(width()));
  if (std::exchange(loggedWidth_, width()) != width())
    qCDebug(lcApp).nospace() << "Library grid in " << layout_.arrangement.columns << " columns, " << width() << " wide";
  const double clamped = std::clamp(scroll_.value(), 0.0, maximumScroll());
  if (clamped != scroll_.value()) {
    // Clamped quietly: the cards are realised below, with this change.
    scroll_.setOnChange({});
    scroll_.jumpTo(clamped);
    scroll_.setOnChange([this] { applyScroll(); });
  }
  setSceneRect(0, scroll_.value(), width(), height());
  realise(change);
  edges_.report(scroll_.value(), height(), layout_.contentHeight);
  viewport()->update();
  syncHover();
  logFirstCard();
}

// Where the first card lies in the window, whenever that changes: end-to-end tests click it.
void LibraryGridView::logFirstCard() {
  if (items_.isEmpty() || !window()) return;
  const QPointF topLeft = layout_.cardRect(0, width()).topLeft() - QPointF(0, scroll_.value());
  const QPoint at = viewport()->mapTo(window(), topLeft.toPoint());
  if (std::exchange(loggedFirstCard_, at) == at) return;
  qCDebug(lcApp).nospace() << "Library first card at " << at.x() << "," << at.y();
}

double LibraryGridView::maximumScroll() const { return std::max(0.0, layout_.contentHeight - height()); }

void LibraryGridView::applyScroll() {
  setSceneRect(0, scroll_.value(), width(), height());
  realise();
  edges_.report(scroll_.value(), height(), layout_.contentHeight);
  viewport()->update();
  Q_EMIT scrolled();
  // Another card may lie under the resting pointer now.
  syncHover();
  logFirstCard();
}

void LibraryGridView::realise(Change change) {
  const double offset = scroll_.value();
  const double top = offset - kOverscan;
  const double bottom = offset + std::max(1, height()) + kOverscan;

  std::vector<int> wanted;
  for (const auto& [first, last] : layout_.cardsBetween(top, bottom))
    for (int index = first; index < last; ++index) wanted.push_back(index);

  // A changed list keeps the card of every item still in view, wherever it moved.
  QHash<QUuid, PaintedItem*> previous;
  if (change.listChanged) {
    for (auto it = cards_.cbegin(); it != cards_.cend(); ++it) previous.insert(cardIDs_.value(it.value()), it.value());
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

  for (int index : wanted) {
    const ClipboardItem& item = items_.at(index);
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
    const int section = layout_.sectionOf(index);
    const double sectionOpacity = layout_.sections[size_t(section)].openness;
    const QPointF target = layout_.cardRect(index, width()).topLeft();
    if (fresh) {
      card->setPos(target);
      if (change.animated) enterCard(card);
      else card->setOpacity(sectionOpacity);
    } else {
      moveCard(card, target, change.animated && carried && !reduceMotion());
      if (!entering_.count(card)) card->setOpacity(sectionOpacity);
    }
  }

  // Cards of items that left: blown away when the change animates; cards whose items only
  // moved out of reach go back to the spares.
  if (!previous.isEmpty()) {
    QSet<QUuid> gone;
    if (change.animated) {
      for (auto it = previous.cbegin(); it != previous.cend(); ++it) gone.insert(it.key());
      for (const ClipboardItem& item : std::as_const(items_))
        if (gone.remove(item.id) && gone.isEmpty()) break;
    }
    for (auto it = previous.cbegin(); it != previous.cend(); ++it) {
      if (gone.contains(it.key())) blowAway(it.value());
      else releaseCard(it.value());
    }
  }

  // Headers of the sections in view.
  headers_.show(
      layout_.headersBetween(top, bottom), layout_, [this](int index) { return layout_.headerRect(index, width()); },
      [this](const QString& title) { toggleGroup(title); });
}

// ---- Card transitions ------------------------------------------------------------------------

void LibraryGridView::moveCard(PaintedItem* card, QPointF target, bool animated) {
  const auto moving = moving_.find(card);
  if (!animated) {
    if (moving != moving_.end()) moving_.erase(moving);
    card->setPos(target);
    return;
  }
  if (moving != moving_.end()) {
    moving->second->animateTo(target, Theme::springStandard());
    return;
  }
  if (card->pos() == target) return;
  auto position = std::make_unique<Animated<QPointF>>(*context_.frameClock, card->pos());
  position->setOnChange([card, value = position.get()] { card->setPos(value->value()); });
  position->animateTo(target, Theme::springStandard(), [this, card](bool finished) {
    if (!finished) return;
    // After the animation's own callback: its value dies with the entry.
    context_.scheduler->post([this, card] { moving_.erase(card); }, this);
  });
  moving_[card] = std::move(position);
}

void LibraryGridView::enterCard(PaintedItem* card) {
  auto progress = std::make_unique<Animated<double>>(*context_.frameClock, 0.0);
  progress->setOnChange([card, value = progress.get()] { card->setOpacity(unitClamped(value->value())); });
  card->setOpacity(0);
  progress->animateTo(1.0, Theme::springStandard(), [this, card](bool finished) {
    if (!finished) return;
    context_.scheduler->post([this, card] { entering_.erase(card); }, this);
  });
  entering_[card] = std::move(progress);
}

void LibraryGridView::blowAway(PaintedItem* card) {
  // The card lets go of its item at once: it hovers nothing and acts on nothing while it flies.
  setCardHovered(card, false);
  factory_->release(*card);
  entering_.erase(card);
  moving_.erase(card);
  cardIDs_.remove(card);
  card->setZValue(-1);
  const bool fadeOnly = reduceMotion();
  auto progress = std::make_unique<Animated<double>>(*context_.frameClock, 0.0);
  progress->setOnChange([card, fadeOnly, value = progress.get()] {
    const double p = value->value();
    if (fadeOnly) {
      card->setOpacity(unitClamped(1 - p));
      return;
    }
    const Fx::LayerLook look = Fx::blowAway(card->rect(), p, kBlowAwayTravel);
    card->setTransform(look.transform);
    card->setOpacity(unitClamped(look.opacity));
  });
  progress->animateTo(1.0, Theme::springStandard(), [this, card](bool) {
    // After the animation's own callback: its value dies when the card returns to the spares.
    context_.scheduler->post(
        [this, card] {
          if (leaving_.erase(card) == 0) return;
          card->setTransform(QTransform());
          card->setZValue(0);
          card->setOpacity(1);
          card->hide();
          spareCards_.push_back(card);
        },
        this);
  });
  leaving_[card] = std::move(progress);
}

void LibraryGridView::releaseCard(PaintedItem* card) {
  // A card that leaves is never hovered, and starts clean when it shows another item.
  setCardHovered(card, false);
  factory_->release(*card);
  entering_.erase(card);
  moving_.erase(card);
  card->setOpacity(1);
  card->hide();
  cardIDs_.remove(card);
  spareCards_.push_back(card);
}

// ---- Hover -----------------------------------------------------------------------------------

PaintedItem* LibraryGridView::cardAt(QPointF viewportPoint) const {
  if (!viewport()->rect().contains(viewportPoint.toPoint())) return nullptr;
  const QPointF scenePoint(viewportPoint.x(), viewportPoint.y() + scroll_.value());
  for (PaintedItem* card : cards_) {
    // Cards of a collapsed section are there, at no opacity.
    if (!card->isVisible() || card->effectiveOpacity() < 0.01) continue;
    if (card->contains(card->mapFromScene(scenePoint))) return card;
  }
  return nullptr;
}

void LibraryGridView::setCardHovered(PaintedItem* card, bool hovered) {
  if (!card) return;
  if (!hovered && card == hoveredCard_) hoveredCard_ = nullptr;
  factory_->setHovered(*card, hovered);
}

void LibraryGridView::syncHover() {
  // Nothing is hovered while the user scrolls.
  const bool canHover = isVisible() && !tracker_.isScrolling();
  PaintedItem* target = canHover && pointer_ ? cardAt(*pointer_) : nullptr;
  if (hoveredCard_ && hoveredCard_ != target) setCardHovered(hoveredCard_, false);
  hoveredCard_ = target;
  if (target) setCardHovered(target, true);
}

void LibraryGridView::followPointer() {
  const QPointF local = viewport()->mapFromGlobal(context_.screens->pointerLocation());
  if (viewport()->rect().contains(local.toPoint()) && window()->isVisible()) pointer_ = local;
  else pointer_.reset();
  syncHover();
}

// ---- Scrolling -------------------------------------------------------------------------------

void LibraryGridView::scrollTo(double offset) {
  tracker_.noteScrollEvent();
  scroll_.jumpTo(std::clamp(offset, 0.0, maximumScroll()));
}

void LibraryGridView::scrollBy(double pixels) { scrollTo(scroll_.value() + pixels); }

void LibraryGridView::scrollToKeyboardTarget() {
  const std::optional<QUuid> target = model_.keyboardScrollTarget();
  if (!target) return;
  const auto found = std::find_if(items_.cbegin(), items_.cend(),
                                  [&](const ClipboardItem& item) { return item.id == *target; });
  if (found == items_.cend()) return;
  const QRectF card = layout_.cardRect(int(found - items_.cbegin()), width());
  const double offset = std::clamp(card.center().y() - height() / 2.0, 0.0, maximumScroll());
  const std::optional<Animation> animation = settled_ ? context_.reduceMotion->unlessReduced(Theme::springStandard())
                                                      : std::nullopt;
  if (!animation) {
    scroll_.jumpTo(offset);
    return;
  }
  tracker_.setAnimating(true);
  scroll_.animateTo(offset, animation, [this](bool) { tracker_.setAnimating(false); });
}

PaintedItem* LibraryGridView::cardFor(const QUuid& id) const {
  for (auto it = cards_.cbegin(); it != cards_.cend(); ++it)
    if (cardIDs_.value(it.value()) == id) return it.value();
  return nullptr;
}

int LibraryGridView::cardItemCount() const {
  int count = 0;
  for (QGraphicsItem* item : scene_.items())
    if (!item->parentItem() && !dynamic_cast<SectionHeaderItem*>(item) && item->isVisible()) ++count;
  return count;
}

// ---- Events ----------------------------------------------------------------------------------

void LibraryGridView::wheelEvent(QWheelEvent* event) {
  const QPoint pixels = event->pixelDelta();
  const double delta = !pixels.isNull() ? pixels.y() : event->angleDelta().y() / 120.0 * kWheelStep;
  scrollBy(-delta);
  event->accept();
}

void LibraryGridView::resizeEvent(QResizeEvent* event) {
  PaintedItemView::resizeEvent(event);
  // A width that fits another number of columns moves every card; a height shows more or fewer.
  relayout();
}

void LibraryGridView::showEvent(QShowEvent* event) {
  PaintedItemView::showEvent(event);
  if (everShown_) return;
  everShown_ = true;
  settle_ = context_.scheduler->after(
      kSettleSeconds, [this] { settled_ = true; }, this);
}

void LibraryGridView::mousePressEvent(QMouseEvent* event) {
  PaintedItemView::mousePressEvent(event);
  if (event->isAccepted() || event->button() != Qt::LeftButton) return;
  // Nothing in the scene took it: the background.
  backgroundPress_ = event->position().toPoint();
  event->accept();
}

void LibraryGridView::mouseReleaseEvent(QMouseEvent* event) {
  PaintedItemView::mouseReleaseEvent(event);
  const std::optional<QPoint> press = std::exchange(backgroundPress_, std::nullopt);
  if (!press || event->button() != Qt::LeftButton) return;
  if ((event->position().toPoint() - *press).manhattanLength() <= kTapSlop) model_.clearSelectionAndDetail();
  event->accept();
}

void LibraryGridView::mouseMoveEvent(QMouseEvent* event) {
  PaintedItemView::mouseMoveEvent(event);
  pointer_ = event->position();
  syncHover();
}

bool LibraryGridView::viewportEvent(QEvent* event) {
  const bool handled = PaintedItemView::viewportEvent(event);
  if (event->type() == QEvent::Leave || event->type() == QEvent::Hide) {
    pointer_.reset();
    syncHover();
  }
  return handled;
}

void LibraryGridView::paintEvent(QPaintEvent* event) {
  ++paintCount_;
  QPainter painter(viewport());
  // The view's own hints: a lifted card scales its cached content, which must be filtered.
  painter.setRenderHints(renderHints());
  const QRectF exposed = QRectF(event->rect()).intersected(viewport()->rect());
  const double h = viewport()->height();
  const std::vector<FadeStop> stops = libraryGridFadeStops(h, edges_.top(), edges_.bottom());
  // The fading bands at the edges are masked off screen; everything between is drawn as is.
  const double topBand = std::ceil(stops[4].location * h);
  const double bottomBand = std::floor(stops[5].location * h);
  const QRectF middle = exposed.intersected(QRectF(0, topBand, viewport()->width(), bottomBand - topBand));
  if (!middle.isEmpty()) scene_.render(&painter, middle, middle.translated(0, scroll_.value()));
  if (topBand <= 0 && bottomBand >= h) return;
  const QLinearGradient mask = fadeGradient(QPointF(0, 0), QPointF(0, h), stops);
  paintFadedBand(painter, exposed.intersected(QRectF(0, 0, viewport()->width(), topBand)), mask);
  paintFadedBand(painter, exposed.intersected(QRectF(0, bottomBand, viewport()->width(), h - bottomBand)), mask);
}

void LibraryGridView::paintFadedBand(QPainter& painter, const QRectF& band, const QLinearGradient& mask) {
  const QRect pixels = band.toAlignedRect();
  if (pixels.isEmpty()) return;
  const double dpr = viewport()->devicePixelRatioF();
  QImage image(pixels.size() * dpr, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter offscreen(&image);
  offscreen.setRenderHints(renderHints());
  offscreen.translate(-pixels.topLeft());
  const QRectF area(pixels);
  scene_.render(&offscreen, area, area.translated(0, scroll_.value()));
  offscreen.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  offscreen.fillRect(area, mask);
  offscreen.end();
  painter.drawImage(pixels.topLeft(), image);
}

}  // namespace qv
