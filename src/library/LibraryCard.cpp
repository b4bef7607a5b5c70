#include "library/LibraryCard.h"

#include "cards/content/CardContentStyle.h"
#include "library/LibraryModel.h"
#include "panel/CardCellView.h"
#include "panel/PasteHintBadge.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/Theme.h"

#include <QGraphicsSceneMouseEvent>
#include <QPointer>

namespace qv {

namespace {
constexpr double kHintEnterScale = 0.85;
}  // namespace

LibraryCard::LibraryCard(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent),
      card_(new ClipboardCardView(context, this)),
      pasteHint_(new PasteHintBadge(context, card_)),
      hintPresence_(*context.frameClock, 0.0) {
  setSize(CardContentStyle::cardSize());
  setAcceptedMouseButtons(Qt::LeftButton);
  // The grid says when the pointer is over the card; the scene's own hover goes stale when the
  // grid moves under a resting pointer.
  setAcceptHoverEvents(false);
  card_->setSize(size());
  pasteHint_->setZValue(ClipboardCardView::kHostOverlayZ + 1);
  pasteHint_->setPos((size().width() - pasteHint_->size().width()) / 2,
                     (size().height() - pasteHint_->size().height()) / 2);
  pasteHint_->setTransformOriginPoint(pasteHint_->rect().center());
  pasteHint_->setVisible(false);
  hintPresence_.setOnChange([this] {
    const double presence = hintPresence_.value();
    pasteHint_->setVisible(presence > 0.001);
    pasteHint_->setOpacity(unitClamped(presence));
    pasteHint_->setScale(environment().reduceMotion ? 1.0 : lerp(kHintEnterScale, 1.0, presence));
  });
}

LibraryCard::~LibraryCard() = default;

void LibraryCard::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  const bool sameItem = hasProps_ && props.card.item.id == props_.card.item.id;
  const bool changed = !hasProps_ || !(props == props_);
  props_ = props;
  hasProps_ = true;
  card_->setProps(props_.card, callbacks_.badges);
  if (!changed) return;
  applyLift(sameItem);
  const double hint = props_.showsPasteHint ? 1.0 : 0.0;
  if (!sameItem) hintPresence_.jumpTo(hint);
  else if (hintPresence_.target() != hint) hintPresence_.animateTo(hint, Theme::springStandard());
}

void LibraryCard::setHovered(bool hovered) {
  if (hovered == hovered_) return;
  hovered_ = hovered;
  applyLift(true);
  // Read now: the callbacks of the item the card shows at this moment (a copy, since the call
  // may hand the card new ones).
  if (const auto onHoverChange = callbacks_.onHoverChange) onHoverChange(hovered);
}

void LibraryCard::reset() {
  if (hovered_) setHovered(false);
  callbacks_ = {};
  card_->setProps(props_.card, {});
  hintPresence_.jumpTo(0.0);
  // Badges the scene still counts as hovered start un-hovered with the next item.
  for (QGraphicsItem* child : childItems()) forgetHoverBelow(*child);
  props_.card.isSelected = false;
  applyLift(false);
}

void LibraryCard::forgetHoverBelow(QGraphicsItem& item) {
  if (auto* painted = qobject_cast<PaintedItem*>(item.toGraphicsObject())) painted->forgetHover();
  for (QGraphicsItem* child : item.childItems()) forgetHoverBelow(*child);
}

void LibraryCard::applyLift(bool animated) { card_->setLifted(hovered_ || props_.card.isSelected, animated); }

QPainterPath LibraryCard::hitShape() const { return card_->cardShape(); }

QMarginsF LibraryCard::paintOverflow() const { return card_->paintOverflow(); }

AccessibilityInfo LibraryCard::accessibility() const {
  AccessibilityInfo info = card_->accessibility();
  info.selectable = true;
  info.selected = props_.card.isSelected;
  return info;
}

void LibraryCard::mousePressEvent(QGraphicsSceneMouseEvent* event) {
  // A card that shows no item (one blown away) takes no clicks: they reach what lies below.
  if (event->button() != Qt::LeftButton || !callbacks_.onSelect) {
    event->ignore();
    return;
  }
  event->accept();
  // Read at the press: the callbacks of the item the card shows now (a copy, since selecting
  // hands the card new ones).
  const auto onSelect = callbacks_.onSelect;
  onSelect();
}

// The second press of a quick pair is a press like the first.
void LibraryCard::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) { mousePressEvent(event); }

// ---- Factory ---------------------------------------------------------------------------------

PaintedItem* LibraryCardFactory::makeCard() { return new LibraryCard(context_); }

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
  props.showsPasteHint = state.pasteHintItemID() == item.id;
  return props;
}

void LibraryCardFactory::setHovered(PaintedItem& card, bool hovered) {
  static_cast<LibraryCard&>(card).setHovered(hovered);
}

void LibraryCardFactory::release(PaintedItem& card) { static_cast<LibraryCard&>(card).reset(); }

void LibraryCardFactory::showItem(PaintedItem& card, const ClipboardItem& item, int) {
  QPointer<LibraryModel> model(&model_);
  const QUuid id = item.id;
  LibraryCard::Callbacks callbacks;
  callbacks.onSelect = [model, id] {
    if (model) model->selectCard(id);
  };
  callbacks.onHoverChange = [model, id](bool hovered) {
    if (!model) return;
    if (hovered) model->setHoveredID(id);
    else if (model->hoveredID() == id) model->setHoveredID(std::nullopt);
  };
  callbacks.badges.isFilterActive = [model](const BadgeFilter& badge) {
    return model && model->isBadgeFilterActive(badge);
  };
  static_cast<LibraryCard&>(card).setProps(propsFor(item), std::move(callbacks));
}

}  // namespace qv
