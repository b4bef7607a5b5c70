#include "preview/CrossFade.h"

#include "ui/InterfaceServices.h"

#include <QGraphicsOpacityEffect>
#include <algorithm>

namespace qv {

namespace {
constexpr char kFadeEffect[] = "qvCrossFadeEffect";

// The opacity effect this fade put on the widget; null when it has none or another effect.
QGraphicsOpacityEffect* fadeEffectOf(QWidget* widget) {
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
  return effect && effect->property(kFadeEffect).toBool() ? effect : nullptr;
}
}  // namespace

CrossFade::CrossFade(InterfaceServices& context, Outgoing outgoing, QObject* parent, Blend blend)
    : QObject(parent), disposal_(outgoing), blend_(blend), progress_(*context.frameClock, 1.0) {
  progress_.setOnChange([this] { apply(); });
}

CrossFade::~CrossFade() = default;

void CrossFade::swapTo(QWidget* incoming, const std::optional<Animation>& animation) {
  finish();
  if (incoming == current_) return;
  QWidget* leaving = current_;
  current_ = incoming;
  if (leaving) {
    // Nothing reaches it on its way out: no press, no key.
    leaving->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (QWidget* focused = leaving->focusWidget(); focused && (focused == leaving || leaving->isAncestorOf(focused)))
      focused->clearFocus();
  }
  if (incoming) {
    incoming->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    incoming->show();
  }
  if (!animation || !leaving || !leaving->isVisible()) {
    outgoing_ = leaving;
    progress_.jumpTo(1);
    finish();
    return;
  }
  outgoing_ = leaving;
  progress_.jumpTo(0);
  apply();
  progress_.animateTo(1, animation, [this](bool finished) {
    if (finished) finish();
  });
}

void CrossFade::finish() {
  if (finishing_) return;
  finishing_ = true;
  if (progress_.isAnimating()) progress_.jumpTo(1);
  if (current_) setOpacity(current_, 1);
  if (QWidget* leaving = outgoing_) {
    outgoing_ = nullptr;
    setOpacity(leaving, 1);
    leaving->hide();
    if (disposal_ == Outgoing::remove) leaving->deleteLater();  // its last event may still be on the way
  }
  finishing_ = false;
}

void CrossFade::apply() {
  if (!outgoing_) return;
  const double p = std::clamp(progress_.value(), 0.0, 1.0);
  const bool inTurn = blend_ == Blend::inTurn;
  if (current_) setOpacity(current_, inTurn ? std::max(0.0, 2 * p - 1) : p);
  setOpacity(outgoing_, inTurn ? std::max(0.0, 1 - 2 * p) : 1 - p);
}

void CrossFade::setOpacity(QWidget* widget, double opacity) {
  QGraphicsOpacityEffect* effect = fadeEffectOf(widget);
  if (opacity >= 0.999) {
    if (effect) widget->setGraphicsEffect(nullptr);
    return;
  }
  // A view that fades by an effect of its own keeps it and shows at once.
  if (!effect && widget->graphicsEffect()) return;
  if (!effect) {
    effect = new QGraphicsOpacityEffect(widget);
    effect->setProperty(kFadeEffect, true);
    widget->setGraphicsEffect(effect);
  }
  effect->setOpacity(opacity);
}

}  // namespace qv
