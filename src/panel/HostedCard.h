#pragma once
#include "cards/ClipboardCardView.h"
#include "cards/ViewServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

namespace qv {

class CardQuickActions;
class PasteHintBadge;

// A card as a card host shows it, what the panel's cells and the library's cards share: the
// item's card on a body that carries the refusal shake, the quick-action row and the paste hint
// over it (so that they lift with the card). The hint fades in, growing from 0.85 unless motion
// is reduced.
class HostedCard : public PaintedItem {
  Q_OBJECT
 public:
  ClipboardCardView& card() const { return *card_; }
  CardQuickActions& quickActions() const { return *quickActions_; }
  PasteHintBadge& pasteHint() const { return *pasteHint_; }
  double pasteHintPresence() const { return hintPresence_.value(); }
  int shakeCount() const { return shakeCount_; }
  // The card's sideways shake offset now; 0 at rest.
  double shakeOffset() const;

  QMarginsF paintOverflow() const override;

 protected:
  explicit HostedCard(ViewServices& context, QGraphicsItem* parent = nullptr);

  // Shakes the card once (a failed write, a Ctrl-click it cannot take).
  void startShake();
  // Shows or hides the paste hint, at once or on the standard spring.
  void showPasteHint(bool shown, bool animated);
  // Ends the shake and the paste hint at once and drops the hover the scene still gives the
  // badges and buttons on the card: a card that takes another item starts clean.
  void settleForReuse();

  void paintItem(QPainter&) override {}

 private:
  QGraphicsObject* body_;
  ClipboardCardView* card_;
  CardQuickActions* quickActions_;
  PasteHintBadge* pasteHint_;
  Animated<double> hintPresence_;
  Animated<double> shake_;
  int shakeCount_ = 0;
};

}  // namespace qv
