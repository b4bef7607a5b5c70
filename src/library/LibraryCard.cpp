#include "library/LibraryCard.h"

#include "base/Log.h"
#include "cards/content/CardContentStyle.h"
#include "items/drag/ItemDragProvider.h"
#include "library/LibraryActions.h"
#include "library/LibraryModel.h"
#include "panel/CardCellView.h"
#include "panel/CardContextMenu.h"
#include "panel/PasteHintBadge.h"
#include "platform/DragStarter.h"
#include "platform/MenuPresenter.h"
#include "platform/Workspace.h"
#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"
#include "ui/view/KeptPictureEffect.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QLineF>
#include <QPointer>
#include <QSet>

namespace qv {

LibraryCard::LibraryCard(ViewServices& context, QGraphicsItem* parent) : HostedCard(context, parent) {
  setAcceptedMouseButtons(Qt::LeftButton);
}

LibraryCard::~LibraryCard() = default;

void LibraryCard::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  const bool sameItem = hasProps_ && props.card.item.id == props_.card.item.id;
  const bool changed = !hasProps_ || !(props == props_);
  if (!sameItem) press_.reset();
  props_ = props;
  hasProps_ = true;
  card().setProps(props_.card, callbacks_.badges);
  // The row's buttons call back into the card, which reads its callbacks of the moment.
  applyQuickActions();
  if (!changed) return;
  applyLift(sameItem);
  if (!sameItem) quickActions().settle();
  showPasteHint(props_.showsPasteHint, sameItem);
}

void LibraryCard::applyQuickActions() {
  CardQuickActions::Props props = props_.quickActions;
  props.isHovering = hovered_;
  const auto run = [this](std::function<void()> CardQuickActions::Callbacks::*action) {
    return [this, action] {
      if (const auto callback = callbacks_.quickActions.*action) callback();
    };
  };
  CardQuickActions::Callbacks callbacks;
  callbacks.onCopy = run(&CardQuickActions::Callbacks::onCopy);
  callbacks.onPin = run(&CardQuickActions::Callbacks::onPin);
  callbacks.onDelete = run(&CardQuickActions::Callbacks::onDelete);
  if (callbacks_.quickActions.onPeek) callbacks.onPeek = run(&CardQuickActions::Callbacks::onPeek);
  quickActions().setProps(props, std::move(callbacks));
}

void LibraryCard::setHovered(bool hovered) {
  if (hovered == hovered_) return;
  hovered_ = hovered;
  applyLift(true);
  applyQuickActions();
  // Read now: the callbacks of the item the card shows at this moment (a copy, since the call
  // may hand the card new ones).
  if (const auto onHoverChange = callbacks_.onHoverChange) onHoverChange(hovered);
}

void LibraryCard::pointerArrived() {
  if (!hovered_) return;
  if (const auto onPointerArrived = callbacks_.onPointerArrived) onPointerArrived();
}

void LibraryCard::reset() {
  if (hovered_) setHovered(false);
  callbacks_ = {};
  press_.reset();
  card().setProps(props_.card, {});
  applyQuickActions();
  quickActions().settle();
  settleForReuse();
  props_.card.isSelected = false;
  applyLift(false);
}

void LibraryCard::applyLift(bool animated) { card().setLifted(hovered_ || props_.card.isSelected, animated); }

QPainterPath LibraryCard::hitShape() const { return card().cardShape(); }

AccessibilityInfo LibraryCard::accessibility() const {
  AccessibilityInfo info = card().accessibility();
  info.selectable = true;
  info.selected = props_.card.isSelected;
  return info;
}

// ---- Pointer ---------------------------------------------------------------------------------

void LibraryCard::mousePressEvent(QGraphicsSceneMouseEvent* event) {
  // A card that shows no item (one blown away) takes no clicks: they reach what lies below.
  if (event->button() != Qt::LeftButton || !callbacks_.onSelect) {
    event->ignore();
    return;
  }
  event->accept();
  press_ = event->pos();
}

void LibraryCard::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
  if (!press_ || QLineF(*press_, event->pos()).length() < QApplication::startDragDistance()) return;
  startDrag(event->widget());
}

void LibraryCard::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !std::exchange(press_, std::nullopt)) return;
  handleTap(event->modifiers());
}

// The second press of a quick pair pastes; its release is no click.
void LibraryCard::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !callbacks_.onPaste) {
    event->ignore();
    return;
  }
  event->accept();
  press_.reset();
  handleDoubleTap(event->modifiers());
}

void LibraryCard::contextMenuEvent(QGraphicsSceneContextMenuEvent* event) {
  const auto onContextMenu = callbacks_.onContextMenu;
  if (!onContextMenu || !isVisible() || effectiveOpacity() <= 0) {
    event->ignore();
    return;
  }
  event->accept();
  press_.reset();
  onContextMenu(event->screenPos());
}

void LibraryCard::handleTap(Qt::KeyboardModifiers modifiers) {
  // Read at the click: the callbacks of the item the card shows now (copies, since each call may
  // hand the card new ones).
  if (modifiers & Qt::ControlModifier) {
    // Only items with a plain text join the multi-selection; the card shakes for the others.
    if (!props_.card.item.plainText()) {
      shake();
      return;
    }
    if (const auto onToggle = callbacks_.onToggleMultiSelection) onToggle();
    return;
  }
  if (const auto onSelect = callbacks_.onSelect) onSelect();
}

void LibraryCard::handleDoubleTap(Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::ControlModifier) return;
  if (const auto onPaste = callbacks_.onPaste) onPaste(bool(modifiers & Qt::ShiftModifier));
}

void LibraryCard::startDrag(QObject* source) {
  const std::optional<QPointF> press = std::exchange(press_, std::nullopt);
  const auto dragTargets = callbacks_.dragTargets;
  if (!dragTargets) return;
  const QList<ClipboardItem> items = dragTargets();
  if (items.isEmpty()) return;
  ViewServices& services = viewServices(context());
  const double ratio = 2;
  const QImage picture = card().renderForTest(ratio);
  const QPointF grab = press.value_or(rect().center()) + card().renderOrigin();
  qCInfo(lcApp) << "Library drag of" << items.size() << "items";
  // The drag runs its own event loop; nothing of this card is touched after it.
  services.dragStarter->startDrag(ItemDragProvider::makeItemProvider(items, services), source,
                                  QPixmap::fromImage(picture), grab.toPoint());
}

// ---- Factory ---------------------------------------------------------------------------------

PaintedItem* LibraryCardFactory::makeCard() {
  auto* card = new LibraryCard(context_);
  // A card that only moves (the others making room for a new one) is drawn from its picture.
  card->setGraphicsEffect(new KeptPictureEffect(*card, *context_.frameClock));
  PanelState* state = &model_.state();
  // A failed write anywhere in the library shakes the card of its item.
  QObject::connect(state, &PanelState::shakeTokenChanged, card, [card, state] {
    if (state->shakeItemID() == card->itemID() && !card->itemID().isNull()) card->shake();
  });
  return card;
}

LibraryCard::Props LibraryCardFactory::propsFor(const ClipboardItem& item) const {
  const PanelState& state = model_.state();
  const std::optional<CustomCategory> category = state.categoryForItem(item);
  const std::optional<QUuid> categoryID = category ? std::optional<QUuid>(category->id) : std::nullopt;
  const LibraryModel* model = &model_;
  LibraryCard::Props props;
  props.card.item = item;
  props.card.isSelected = model_.selection() == item.id || state.multiSelectedIDs().contains(item.id);
  props.card.isPinned = state.pinnedIDs().contains(item.id);
  props.card.isSensitive = state.isConcealed(item.id);
  props.card.category = category;
  props.card.activeFacets = CardFacets(item, categoryID,
                                       [model](const BadgeFilter& badge) { return model->isBadgeFilterActive(badge); });
  props.card.actionRowWidth = CardCellView::kActionRowWidth;
  props.quickActions.isPinned = props.card.isPinned;
  props.quickActions.didCopy = state.copiedItemID() == item.id;
  props.quickActions.showPeek = state.sensitiveIDs().contains(item.id);
  props.quickActions.isPeeked = state.peekedIDs().contains(item.id);
  props.showsPasteHint = state.pasteHintItemID() == item.id;
  return props;
}

QList<ClipboardItem> LibraryCardFactory::dragTargets(const ClipboardItem& item) const {
  const QList<QUuid>& ids = model_.state().multiSelectedIDs();
  if (ids.size() <= 1 || !ids.contains(item.id)) return {item};
  // One pass over the grid's list, however long either is.
  const QSet<QUuid> wanted(ids.cbegin(), ids.cend());
  QHash<QUuid, const ClipboardItem*> listed;
  const FilteredItems shown = model_.wholeFilteredItems();
  for (const ClipboardItem& candidate : shown)
    if (wanted.contains(candidate.id)) listed.insert(candidate.id, &candidate);
  QList<ClipboardItem> items;
  items.reserve(listed.size());
  for (const QUuid& id : ids)
    if (const ClipboardItem* found = listed.value(id)) items.append(*found);
  return items;
}

void LibraryCardFactory::setHovered(PaintedItem& card, bool hovered) {
  static_cast<LibraryCard&>(card).setHovered(hovered);
}

void LibraryCardFactory::followHover(PaintedItem& card) { static_cast<LibraryCard&>(card).pointerArrived(); }

void LibraryCardFactory::release(PaintedItem& card) { static_cast<LibraryCard&>(card).reset(); }

void LibraryCardFactory::showItem(PaintedItem& card, const ClipboardItem& item, int) {
  QPointer<LibraryModel> model(&model_);
  PanelState* state = &model_.state();
  const QUuid id = item.id;
  LibraryCard::Callbacks callbacks;
  callbacks.onSelect = [model, id] {
    if (!model) return;
    // A plain click ends the multi-selection and selects (never deselects) the card.
    if (!model->state().multiSelectedIDs().isEmpty())
      withAnimation(Theme::springStandard(), [&] { model->state().setMultiSelectedIDs({}); });
    model->selectCard(id);
  };
  callbacks.onToggleMultiSelection = [state, id] {
    withAnimation(Theme::springStandard(), [&] {
      QList<QUuid> ids = state->multiSelectedIDs();
      if (!ids.removeOne(id)) ids.append(id);
      state->setMultiSelectedIDs(ids);
    });
  };
  callbacks.onPaste = [model, item](bool plainText) {
    if (model && model->actions()) model->actions()->pasteBack(item, plainText);
  };
  callbacks.onHoverChange = [model, id](bool hovered) {
    if (!model) return;
    if (hovered) {
      model->setHoveredID(id);
    } else if (model->hoveredID() == id) {
      model->setHoveredID(std::nullopt);
      model->cancelDetailRetarget();
    }
  };
  // The pane follows the pointer, never content that moved under it.
  callbacks.onPointerArrived = [model, id] {
    if (model) model->retargetDetail(id);
  };
  callbacks.onContextMenu = [this, item](QPoint at) { openMenu(item, at); };
  callbacks.dragTargets = [this, item] { return dragTargets(item); };
  callbacks.quickActions.onCopy = [model, item] {
    if (model && model->actions()) withoutAnimation([&] { model->actions()->copyItem(item); });
  };
  callbacks.quickActions.onPin = [state, id] { withStandardSpring([&] { state->togglePin(id); }); };
  callbacks.quickActions.onDelete = [state, id] { withStandardSpring([&] { state->removeItem(id); }); };
  if (state->sensitiveIDs().contains(id))
    callbacks.quickActions.onPeek = [state, id] { withStandardSpring([&] { state->togglePeek(id); }); };
  callbacks.badges.isFilterActive = [model](const BadgeFilter& badge) {
    return model && model->isBadgeFilterActive(badge);
  };
  callbacks.badges.onFilter = [model](const BadgeFilter& badge) {
    if (model) withStandardSpring([&] { model->applyBadgeFilter(badge); });
  };
  static_cast<LibraryCard&>(card).setProps(propsFor(item), std::move(callbacks));
}

void LibraryCardFactory::openMenu(const ClipboardItem& item, QPoint screenPosition) {
  const CardContextMenuInputs inputs = cardMenuInputs(context_, model_.state(), item);
  // The rows run after the menu closed; by then the library may have changed or gone.
  QPointer<LibraryModel> model(&model_);
  QPointer<PanelState> weakState(&model_.state());
  ViewServices* context = &context_;
  const QUuid id = item.id;
  const auto withActions = [model](const std::function<void(LibraryActions&)>& action) {
    return [model, action] {
      if (model && model->actions()) withoutAnimation([&] { action(*model->actions()); });
    };
  };
  CardContextMenuActions actions;
  actions.onPaste = withActions([item](LibraryActions& library) { library.pasteBack(item, false); });
  actions.onPastePlain = withActions([item](LibraryActions& library) { library.pasteBack(item, true); });
  actions.onTransform = [model, item](TextTransform transform) {
    if (model && model->actions()) model->actions()->copyTransformed(item, transform);
  };
  actions.onCopy = withActions([item](LibraryActions& library) { library.copyItem(item); });
  actions.onTogglePin = [weakState, id] {
    if (weakState) weakState->togglePin(id);
  };
  actions.onAssignCategory = [weakState, id](std::optional<QUuid> category) {
    if (weakState) weakState->setCategory(category, id);
  };
  actions.onMarkSensitive = [weakState, id] {
    if (weakState) weakState->toggleSensitive(id);
  };
  actions.onAppRule = [context, item](AppRule rule) { applyAppRuleForItem(*context, item, rule); };
  actions.onDelete = [weakState, id] {
    if (weakState) weakState->removeItem(id);
  };
  actions.onSwitchToApp = [context, bundleID = item.sourceAppBundleID] {
    if (!bundleID.isEmpty()) context->workspace->switchToApplication(bundleID);
  };
  std::unique_ptr<PanelMenu> menu = makeCardContextMenu(context_, inputs, std::move(actions));
  if (onMenuClosed) QObject::connect(menu.get(), &QMenu::aboutToHide, menu.get(), onMenuClosed, Qt::QueuedConnection);
  context_.menuPresenter->popUp(std::move(menu), screenPosition);
  qCDebug(lcApp) << "Library card menu opened";
}

}  // namespace qv
