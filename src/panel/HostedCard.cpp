#include "panel/HostedCard.h"

#include "cards/badges/CardQuickActions.h"
#include "cards/content/CardContentStyle.h"
#include "panel/PasteHintBadge.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

namespace qv {

namespace {

constexpr double kHintEnterScale = 0.85;
// How far the shake reaches beyond the card on either side.
constexpr double kShakeOverflow = 6;

// Holds the card (with the quick actions and the paste hint over it) and carries the shake.
class CardBody : public QGraphicsObject {
 public:
  explicit CardBody(QGraphicsItem* parent) : QGraphicsObject(parent) { setFlag(ItemHasNoContents); }
  QRectF boundingRect() const override { return {}; }
  void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}
};

void forgetHoverBelow(QGraphicsItem& item) {
  if (auto* painted = qobject_cast<PaintedItem*>(item.toGraphicsObject())) painted->forgetHover();
  for (QGraphicsItem* child : item.childItems()) forgetHoverBelow(*child);
}

}  // namespace

HostedCard::HostedCard(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent),
      body_(new CardBody(this)),
      card_(new ClipboardCardView(context, body_)),
      quickActions_(new CardQuickActions(context, card_)),
      pasteHint_(new PasteHintBadge(context, card_)),
      hintPresence_(*context.frameClock, 0.0),
      shake_(*context.frameClock, 1.0) {
  setSize(CardContentStyle::cardSize());
  // The host says when the pointer is over the card; the scene's own hover goes stale when the
  // host moves the card under a resting pointer.
  setAcceptHoverEvents(false);
  card_->setSize(size());
  quickActions_->setZValue(ClipboardCardView::kHostOverlayZ);
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
  shake_.setOnChange([this] { body_->setTransform(QTransform::fromTranslate(shakeOffset(), 0)); });
}

double HostedCard::shakeOffset() const { return Fx::shakeOffset(unitClamped(shake_.value())); }

QMarginsF HostedCard::paintOverflow() const {
  // The card's glow, shadows and lift, and the shake.
  return card_->paintOverflow() + QMarginsF(kShakeOverflow, 0, kShakeOverflow, 0);
}

void HostedCard::startShake() {
  ++shakeCount_;
  shake_.jumpTo(0);
  shake_.animateTo(1, Animation::linear(Fx::kShakeDuration));
}

void HostedCard::showPasteHint(bool shown, bool animated) {
  const double hint = shown ? 1.0 : 0.0;
  if (!animated) hintPresence_.jumpTo(hint);
  else if (hintPresence_.target() != hint) hintPresence_.animateTo(hint, Theme::springStandard());
}

void HostedCard::settleForReuse() {
  shake_.jumpTo(1.0);
  hintPresence_.jumpTo(0.0);
  for (QGraphicsItem* child : childItems()) forgetHoverBelow(*child);
}

}  // namespace qv
