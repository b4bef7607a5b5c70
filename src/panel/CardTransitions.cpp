#include "panel/CardTransitions.h"

#include "cards/ViewServices.h"
#include "platform/Scheduler.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/ItemBlurEffect.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/view/KeptPictureEffect.h"

namespace qv {

namespace {

// Below this the look's blur is none: the card leaves its effect.
constexpr double kNoBlur = 0.05;

// Insertion by blur-scale: scale 0.9, blur 10 and transparent at p = 0; at rest at p = 1.
Fx::LayerLook blurScaleIn(const QRectF& bounds, double p) {
  return Fx::blurScale(bounds, 0.9 + 0.1 * p, {0.5, 0.5}, 10 * (1 - p), p);
}

}  // namespace

Fx::LayerLook cardHost::fade(double opacity) {
  Fx::LayerLook look;
  look.opacity = opacity;
  return look;
}

void cardHost::applyLook(PaintedItem& card, const Fx::LayerLook& look, double opacityFactor) {
  card.setTransformOriginPoint(look.scaleOrigin);
  card.setScale(look.scale);
  card.setTransform(look.afterScale);
  card.setOpacity(unitClamped(look.opacity) * opacityFactor);
  auto* blur = qobject_cast<Fx::ItemBlurEffect*>(card.graphicsEffect());
  if (look.blur < kNoBlur) {
    // A card that keeps its picture keeps the effect that keeps it.
    if (qobject_cast<KeptPictureEffect*>(blur)) blur->setRadius(0);
    else if (blur) card.setGraphicsEffect(nullptr);
    return;
  }
  if (!blur) {
    blur = new Fx::ItemBlurEffect;
    card.setGraphicsEffect(blur);
  }
  blur->setRadius(look.blur);
}

CardTransitions::CardTransitions(ViewServices& context, Style style) : context_(context), style_(style) {}

CardTransitions::~CardTransitions() = default;

bool CardTransitions::reduceMotion() const { return context_.reduceMotion && context_.reduceMotion->isEnabled(); }

void CardTransitions::clear() {
  entering_.clear();
  leaving_.clear();
}

void CardTransitions::enter(PaintedItem* card, double opacity, const Animation& animation,
                            std::function<void()> arrived) {
  const bool fadeOnly = reduceMotion() || !style_.blurScaleInsertion;
  auto progress = std::make_unique<Animated<double>>(*context_.frameClock, 0.0);
  const auto look = [card, fadeOnly, opacity](double p) {
    cardHost::applyLook(*card, fadeOnly ? cardHost::fade(p) : blurScaleIn(card->rect(), unitClamped(p)), opacity);
  };
  progress->setOnChange([look, value = progress.get()] { look(value->value()); });
  look(0);
  progress->animateTo(1.0, animation, [this, card, arrived = std::move(arrived)](bool finished) {
    if (!finished) return;
    // After the animation's own callback: its value dies with the entry.
    context_.scheduler->post(
        [this, card, arrived] {
          if (entering_.erase(card) == 0) return;
          // At rest, without a blur effect.
          cardHost::applyLook(*card, cardHost::fade(card->opacity()));
          if (arrived) arrived();
        },
        Guard(alive_));
  });
  entering_[card] = std::move(progress);
}

void CardTransitions::blowAway(PaintedItem* card, const Animation& animation, std::function<void()> gone) {
  entering_.erase(card);
  const bool fadeOnly = reduceMotion();
  const double travel = style_.blowAwayTravel;
  auto progress = std::make_unique<Animated<double>>(*context_.frameClock, 0.0);
  progress->setOnChange([card, fadeOnly, travel, value = progress.get()] {
    const double p = unitClamped(value->value());
    cardHost::applyLook(*card, fadeOnly ? cardHost::fade(1 - p) : Fx::blowAway(card->rect(), p, travel));
  });
  progress->animateTo(1.0, animation, [this, card, gone = std::move(gone)](bool) {
    context_.scheduler->post(
        [this, card, gone] {
          if (leaving_.erase(card) == 0) return;
          cardHost::applyLook(*card, {});
          if (gone) gone();
        },
        Guard(alive_));
  });
  leaving_[card] = std::move(progress);
}

}  // namespace qv
