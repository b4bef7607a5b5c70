#include "panel/CardCellView.h"

#include "base/Log.h"
#include "cards/badges/CardQuickActions.h"
#include "cards/content/CardContentStyle.h"
#include "items/drag/ItemDragProvider.h"
#include "items/identity/AppIdentity.h"
#include "items/rules/AppRulesManager.h"
#include "items/writer/PasteboardWriter.h"
#include "panel/PasteHintBadge.h"
#include "platform/DragStarter.h"
#include "platform/MenuPresenter.h"
#include "platform/SettingsStore.h"
#include "platform/Workspace.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QGraphicsScene>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qv {

void withStandardSpring(const std::function<void()>& change) { withAnimation(Theme::springStandard(), change); }

CardCellView::CardCellView(ViewServices& context, PanelState& state, CardTapMemory& taps, QGraphicsItem* parent)
    : HostedCard(context, parent), context_(context), state_(state), taps_(taps) {
  setAcceptedMouseButtons(Qt::LeftButton | Qt::RightButton);
  setFlag(ItemSendsScenePositionChanges);

  for (auto signal :
       {&PanelState::selectedIndexChanged, &PanelState::multiSelectedIDsChanged, &PanelState::pinnedIDsChanged,
        &PanelState::sensitiveIDsChanged, &PanelState::peekedIDsChanged, &PanelState::copiedItemIDChanged,
        &PanelState::pasteHintItemIDChanged, &PanelState::customCategoriesChanged, &PanelState::cardCategoriesChanged,
        &PanelState::filterTypesChanged, &PanelState::filterAppsChanged, &PanelState::filterDateChanged,
        &PanelState::appIdentityRevisionChanged})
    connect(&state_, signal, this, [this] { refresh(); });
  connect(&state_, &PanelState::shakeTokenChanged, this, [this] {
    if (state_.shakeItemID() == item_.id) startShake();
  });
  connect(&state_, &PanelState::isVisibleChanged, this, [this] {
    if (!state_.isVisible()) forgetHover();
  });
  connect(&state_, &PanelState::filteredItemsChanged, this, [this] {
    const auto& hovered = state_.hoveredItem();
    if (!hovered || hovered->id != item_.id) return;
    const FilteredItems shown = state_.shownItems();
    const bool stillShown = std::any_of(shown.cbegin(), shown.cend(),
                                        [this](const ClipboardItem& item) { return item.id == item_.id; });
    if (!stillShown) forgetHover();
  });
}

CardCellView::~CardCellView() {
  // A card that goes away takes its hover with it.
  if (state_.hoveredItem() && state_.hoveredItem()->id == item_.id) {
    state_.setHoveredItem(std::nullopt);
    state_.schedulePreviewHover(std::nullopt);
  }
}

void CardCellView::setItem(const ClipboardItem& item, int index) {
  const bool appeared = item.id != item_.id;
  if (appeared) gesture_.cancel();
  item_ = item;
  index_ = index;
  // A cell that stays under the pointer while it takes another item hovers that one now.
  if (appeared && hovered_) announceHover();
  refresh(!appeared);
  if (appeared) {
    QHash<QUuid, double> anchors = state_.cardAnchors();
    anchors.insert(item_.id, anchorY());
    state_.setCardAnchors(anchors);
  }
}

bool CardCellView::isMultiSelected() const { return state_.multiSelectedIDs().contains(item_.id); }

bool CardCellView::isSelected() const { return state_.selectedIndex() == index_ || isMultiSelected(); }

void CardCellView::refresh(bool animated) {
  const std::optional<CustomCategory> category = state_.categoryForItem(item_);
  const std::optional<QUuid> categoryID = category ? std::optional<QUuid>(category->id) : std::nullopt;
  CardOverlay::Callbacks filters = CardOverlay::filtersOf(state_);
  filters.onFilter = [toggle = filters.onFilter](const BadgeFilter& badge) {
    withStandardSpring([&] { toggle(badge); });
  };
  const bool sensitive = state_.sensitiveIDs().contains(item_.id);
  const bool peeked = state_.peekedIDs().contains(item_.id);
  const ClipboardCardView::Props props{item_,
                                       isSelected(),
                                       state_.pinnedIDs().contains(item_.id),
                                       sensitive && !peeked,
                                       category,
                                       CardFacets(item_, categoryID, filters.isFilterActive),
                                       kActionRowWidth};
  card().setProps(props, filters);

  const QUuid id = item_.id;
  PanelState* state = &state_;
  quickActions().setProps({hovered_, props.isPinned, state_.copiedItemID() == id, sensitive, !sensitive || peeked},
                          {[this] { withoutAnimation([this] { copyItem(); }); },
                           [state, id] { withStandardSpring([&] { state->togglePin(id); }); },
                           [state, id] { withStandardSpring([&] { state->removeItem(id); }); },
                           [state, id] { withStandardSpring([&] { state->togglePeek(id); }); }});

  card().setLifted(hovered_ || props.isSelected, animated);
  showPasteHint(state_.pasteHintItemID() == id, animated);
  if (!animated) quickActions().settle();
}

// ---- Pointer ---------------------------------------------------------------------------------

void CardCellView::pointerPressed(QPointF position) {
  if (state_.isPresenting()) return;
  gesture_.press(position);
}

void CardCellView::pointerMoved(QPointF position, QObject* source) {
  if (gesture_.move(position, rect().contains(position)) == CardGesture::Outcome::dragOut) startDragOut(source);
}

void CardCellView::pointerReleased(QPointF position, Qt::KeyboardModifiers modifiers) {
  switch (gesture_.release(position, rect().contains(position))) {
    case CardGesture::Outcome::click: handleTap(modifiers); break;
    case CardGesture::Outcome::swipeDelete: state_.removeItem(item_.id); break;  // the last thing this cell does
    case CardGesture::Outcome::none:
    case CardGesture::Outcome::dragOut: break;
  }
}

void CardCellView::pointerHovered(bool hovering) {
  if (hovering == hovered_ || (state_.isPresenting() && hovering)) return;
  hovered_ = hovering;
  announceHover();
  refresh();
}

// The state's hovered item (what the keys act on first) follows this cell's hover; leaving
// clears it, and the preview's pending hover intent, only while they still name this cell's item.
void CardCellView::announceHover() {
  if (hovered_) {
    state_.setHoveredItem(item_);
  } else if (state_.hoveredItem() && state_.hoveredItem()->id == item_.id) {
    state_.setHoveredItem(std::nullopt);
    state_.schedulePreviewHover(std::nullopt);
  }
}

void CardCellView::pointerArrived() {
  if (hovered_) state_.schedulePreviewHover(item_);
}

void CardCellView::forgetHover() {
  const bool was = hovered_;
  hovered_ = false;
  announceHover();
  if (was) refresh();
}

void CardCellView::prepareForReuse() {
  gesture_.cancel();
  hovered_ = false;
  announceHover();
  // Off the list, the card stands beside nothing: an anchor left behind would place a preview
  // where the card was, and the anchors would pile up over a long scroll.
  if (state_.cardAnchors().contains(item_.id)) {
    QHash<QUuid, double> anchors = state_.cardAnchors();
    anchors.remove(item_.id);
    state_.setCardAnchors(anchors);
  }
  settleForReuse();
  refresh(false);
}

void CardCellView::mousePressEvent(QGraphicsSceneMouseEvent* event) {
  if (event->button() != Qt::LeftButton || state_.isPresenting()) {
    event->ignore();
    return;
  }
  pointerPressed(event->pos());
  event->accept();
}

// Qt reports the second click of a quick pair as a double click: it is a press like any other,
// and the cell measures the interval itself.
void CardCellView::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) { mousePressEvent(event); }

void CardCellView::mouseMoveEvent(QGraphicsSceneMouseEvent* event) { pointerMoved(event->pos(), event->widget()); }

void CardCellView::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pointerReleased(event->pos(), event->modifiers());
}

void CardCellView::contextMenuEvent(QGraphicsSceneContextMenuEvent* event) {
  bool insideViewport = true;
  if (QWidget* viewport = event->widget())
    insideViewport = viewport->rect().contains(viewport->mapFromGlobal(event->screenPos()));
  if (openContextMenu(event->pos(), event->screenPos(), insideViewport)) event->accept();
  else event->ignore();
}

QVariant CardCellView::itemChange(GraphicsItemChange change, const QVariant& value) {
  if (change == ItemScenePositionHasChanged && !item_.id.isNull()) reportAnchor();
  return PaintedItem::itemChange(change, value);
}

// ---- Clicks ----------------------------------------------------------------------------------

QPointF CardCellView::screenPointOf(QPointF position) const {
  const QPointF point = mapToScene(position);
  if (scene() && !scene()->views().isEmpty()) {
    const QGraphicsView* view = scene()->views().constFirst();
    return view->viewport()->mapToGlobal(view->mapFromScene(point));
  }
  return point;
}

void CardCellView::handleTap(Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::ControlModifier) {
    if (!item_.plainText()) {
      startShake();  // only this card shakes; nothing else changes
      return;
    }
    const bool multi = isMultiSelected();
    withStandardSpring([&] { toggleMultiSelection(multi); });
    return;
  }
  state_.setMultiSelectedIDs({});
  const double now = context_.scheduler->uptime();
  const bool doubleTapped = taps_.lastItemID == item_.id && now - taps_.lastTime < CardGesture::kDoubleClickInterval;
  // Remembered on a double tap too, so that a third quick tap pastes again.
  taps_.lastItemID = item_.id;
  taps_.lastTime = now;
  if (doubleTapped) {
    pasteDoubleTapped(modifiers);
    return;
  }
  withStandardSpring([this] { toggleSelection(); });
  if (state_.previewItem()) state_.retargetPreview(item_);
}

void CardCellView::completeDoubleTap(Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::ControlModifier) return;
  state_.setMultiSelectedIDs({});
  taps_.lastItemID = item_.id;
  taps_.lastTime = context_.scheduler->uptime();
  pasteDoubleTapped(modifiers);
}

void CardCellView::pasteDoubleTapped(Qt::KeyboardModifiers modifiers) {
  const bool plain = bool(modifiers & Qt::ShiftModifier) != context_.settings->boolOr(kAlwaysPlainTextKey, false);
  state_.pasteAction()(item_, plain);
}

void CardCellView::toggleMultiSelection(bool multiSelected) {
  QList<QUuid> ids = state_.multiSelectedIDs();
  if (multiSelected) {
    ids.removeAll(item_.id);
  } else {
    if (state_.selectedIndex()) state_.setSelectedIndex(std::nullopt);
    ids.append(item_.id);
  }
  state_.setMultiSelectedIDs(ids);
}

void CardCellView::toggleSelection() {
  state_.setSelectedIndex(state_.selectedIndex() == index_ ? std::nullopt : std::optional<int>(index_));
}

// ---- Actions ---------------------------------------------------------------------------------

void CardCellView::paste() { state_.pasteAction()(item_, context_.settings->boolOr(kAlwaysPlainTextKey, false)); }

void CardCellView::pastePlain() { state_.pasteAction()(item_, true); }

void CardCellView::pasteTransformed(TextTransform transform) { state_.pasteTransformedAction()(item_, transform); }

void CardCellView::copyItem() {
  if (context_.pasteboardWriter->write(item_, false, std::nullopt)) state_.flashCopied(item_);
  else state_.shake(item_);
}

void applyAppRuleForItem(ViewServices& context, const ClipboardItem& item, AppRule rule) {
  // No rule is stored for an item whose source is unknown.
  if (item.sourceAppBundleID.isEmpty()) return;
  const QString name = item.isFromNearbyDevice() ? QString::fromLatin1(kNearbyDeviceName)
                                                 : context.appIdentity->appName(item.sourceAppBundleID);
  context.appRules->setRule(rule, AppRuleEntry{item.sourceAppBundleID, name, std::nullopt, AppRule::never});
}

void CardCellView::applyAppRule(AppRule rule) { applyAppRuleForItem(context_, item_, rule); }

void CardCellView::switchToSourceApp() {
  if (!item_.sourceAppBundleID.isEmpty()) context_.workspace->switchToApplication(item_.sourceAppBundleID);
}

// ---- Menu ------------------------------------------------------------------------------------

CardContextMenuInputs cardMenuInputs(ViewServices& context, const PanelState& state, const ClipboardItem& item) {
  return {item,
          state.pinnedIDs().contains(item.id),
          state.sensitiveIDs().contains(item.id),
          state.customCategories(),
          state.categoryForItem(item),
          item.plainText().has_value(),
          item.sourceAppBundleID.isEmpty() ? QString() : context.appIdentity->appName(item.sourceAppBundleID),
          item.sourceAppBundleID.isEmpty() || !context.appRules ? AppRule::normal
                                                                : context.appRules->rule(item.sourceAppBundleID)};
}

CardContextMenuInputs CardCellView::menuInputs() const { return cardMenuInputs(context_, state_, item_); }

CardContextMenuActions CardCellView::menuActions() {
  // The menu's rows run after it closed; by then the card may be gone.
  QPointer<CardCellView> self(this);
  auto onCell = [self](void (CardCellView::*action)()) {
    return [self, action] {
      if (self) withoutAnimation([&] { (self->*action)(); });
    };
  };
  PanelState* state = &state_;
  const QUuid id = item_.id;
  CardContextMenuActions actions;
  actions.onMarkSensitive = [state, id] { state->toggleSensitive(id); };
  actions.onAppRule = [self](AppRule rule) {
    if (self) self->applyAppRule(rule);
  };
  actions.onPaste = onCell(&CardCellView::paste);
  actions.onPastePlain = onCell(&CardCellView::pastePlain);
  actions.onTransform = [self](TextTransform transform) {
    if (self) self->pasteTransformed(transform);
  };
  actions.onCopy = onCell(&CardCellView::copyItem);
  actions.onTogglePin = [state, id] { state->togglePin(id); };
  actions.onAssignCategory = [state, id](std::optional<QUuid> category) { state->setCategory(category, id); };
  actions.onDelete = [state, id] { state->removeItem(id); };
  actions.onSwitchToApp = onCell(&CardCellView::switchToSourceApp);
  return actions;
}

bool CardCellView::openContextMenu(QPointF position, QPoint screenPosition, bool insideViewport) {
  if (!insideViewport || !rect().contains(position) || !isVisible() || effectiveOpacity() <= 0 || state_.isPresenting())
    return false;
  std::unique_ptr<QMenu> menu = makeCardContextMenu(context_, menuInputs(), menuActions());
  // Queued: the menu closes inside its own handler, and the host asks where the pointer is after.
  connect(menu.get(), &QMenu::aboutToHide, this, &CardCellView::contextMenuClosed, Qt::QueuedConnection);
  connect(menu.get(), &QMenu::aboutToHide, this, [] { qCDebug(lcPanel) << "Card menu closed"; });
  context_.menuPresenter->popUp(std::move(menu), screenPosition);
  qCDebug(lcPanel) << "Card menu opened";
  return true;
}

PaintedItem* CardCellFactory::makeCard() {
  auto* cell = new CardCellView(context_, state_, taps_);
  QObject::connect(cell, &CardCellView::contextMenuClosed, cell, [this] {
    if (const auto closed = onMenuClosed) closed();
  });
  return cell;
}

// ---- Anchor and drag -------------------------------------------------------------------------

double CardCellView::anchorY() const { return screenPointOf(rect().center()).y(); }

void CardCellView::reportAnchor() {
  const double middle = anchorY();
  const auto stored = state_.cardAnchors().constFind(item_.id);
  if (stored != state_.cardAnchors().constEnd() && std::abs(*stored - middle) <= kAnchorHysteresis) return;
  QHash<QUuid, double> anchors = state_.cardAnchors();
  anchors.insert(item_.id, middle);
  state_.setCardAnchors(anchors);
}

QList<ClipboardItem> CardCellView::draggedItems() const {
  const QList<QUuid>& ids = state_.multiSelectedIDs();
  if (!isMultiSelected() || ids.size() <= 1) return {item_};
  const FilteredItems shown = state_.filteredItems();
  QList<ClipboardItem> items;
  for (const QUuid& id : ids) {
    const auto found = std::find_if(shown.cbegin(), shown.cend(),
                                    [&id](const ClipboardItem& item) { return item.id == id; });
    if (found != shown.cend()) items.append(*found);
  }
  return items;
}

void CardCellView::startDragOut(QObject* source) {
  const QList<ClipboardItem> items = draggedItems();
  if (items.isEmpty()) return;
  const double ratio = 2;
  const QImage picture = card().renderForTest(ratio);
  const QPointF grab = gesture_.pressPosition().value_or(rect().center()) + card().renderOrigin();
  gesture_.cancel();
  // The drag runs its own event loop; nothing of this cell is touched after it.
  context_.dragStarter->startDrag(ItemDragProvider::makeItemProvider(items, context_), source,
                                  QPixmap::fromImage(picture), grab.toPoint());
}

}  // namespace qv
