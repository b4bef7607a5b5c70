#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/fx/Fx.h"
#include "ui/view/PaintedItem.h"

#include <functional>
#include <map>
#include <memory>

namespace qv {

struct ViewServices;

// How the cards of a card host come and go, and the transitions under way. A card comes in by
// blur-scale (scale 0.9, blur 10, fading in) or by a fade, and is blown away (shrunk to 0.78,
// turned, thrown, blurred by 8, faded) as far as its host throws; under reduce motion cards only
// fade. Each runs along the animation its change gives.
class CardTransitions {
 public:
  struct Style {
    bool blurScaleInsertion = false;  // else a fade alone
    double blowAwayTravel = 0;        // how far a removed card is thrown (Fx::blowAway)
  };

  CardTransitions(ViewServices& context, Style style);
  ~CardTransitions();

  // Brings `card` in to `opacity`; `arrived` runs once it is at rest.
  void enter(PaintedItem* card, double opacity, const Animation& animation, std::function<void()> arrived);
  // Blows `card` away; `gone` runs after, with the card at rest again (and still shown).
  void blowAway(PaintedItem* card, const Animation& animation, std::function<void()> gone);
  bool isEntering(PaintedItem* card) const { return entering_.count(card) > 0; }
  // Ends the card's coming in where it is.
  void stopEntering(PaintedItem* card) { entering_.erase(card); }
  int leavingCount() const { return int(leaving_.size()); }
  // Drops every transition (the cards go away).
  void clear();

 private:
  bool reduceMotion() const;

  ViewServices& context_;
  Style style_;
  std::map<PaintedItem*, std::unique_ptr<Animated<double>>> entering_;
  std::map<PaintedItem*, std::unique_ptr<Animated<double>>> leaving_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

namespace cardHost {

// Puts `look` on a card: its scale, transform, blur and opacity times `opacityFactor`. The
// blur comes and goes with the look; a look without one leaves no effect on the card.
void applyLook(PaintedItem& card, const Fx::LayerLook& look, double opacityFactor = 1);
// A look of `opacity` alone.
Fx::LayerLook fade(double opacity);

}  // namespace cardHost

}  // namespace qv
