#include "settings/onboarding/OnboardingPageArea.h"

#include <QGraphicsOpacityEffect>
#include <algorithm>
#include <cmath>

namespace qv {

void setSubtreeOpacity(QWidget* widget, double opacity) {
  if (!widget) return;
  if (opacity >= 0.999) {
    widget->setGraphicsEffect(nullptr);
    return;
  }
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
  if (!effect) {
    effect = new QGraphicsOpacityEffect(widget);
    widget->setGraphicsEffect(effect);
  }
  effect->setOpacity(std::clamp(opacity, 0.0, 1.0));
}

OnboardingPageArea::OnboardingPageArea(SettingsServices& context, QWidget* parent)
    : QWidget(parent), progress_(*context.frameClock, 1.0) {
  progress_.setOnChange([this] { place(); });
}

void OnboardingPageArea::setPage(QWidget* page, Motion motion, const std::optional<Animation>& animation) {
  // A transition under way ends at once: only the newest page and the one it replaces move.
  endTransition();
  leaving_ = current_;
  current_ = page;
  page->setParent(this);
  page->setGeometry(rect());
  page->show();
  motion_ = motion;
  if (!leaving_ || !animation) {
    progress_.jumpTo(1);
    endTransition();
    return;
  }
  const int generation = ++generation_;
  progress_.jumpTo(0);
  progress_.animateTo(1, animation, [this, generation](bool) {
    if (generation == generation_) endTransition();
  });
}

void OnboardingPageArea::endTransition() {
  if (leaving_) {
    // Later: a button of the leaving page may be what started the new transition.
    leaving_->hide();
    leaving_->deleteLater();
  }
  leaving_ = nullptr;
  if (current_) {
    current_->move(0, 0);
    setSubtreeOpacity(current_, 1);
  }
}

void OnboardingPageArea::place() {
  if (!leaving_ || !current_) return;
  const double p = progress_.value();
  const double width = this->width();
  const double enteringFrom = motion_ == Motion::forward ? width : motion_ == Motion::backward ? -width : 0;
  current_->move(int(std::lround(enteringFrom * (1 - p))), 0);
  leaving_->move(int(std::lround(-enteringFrom * p)), 0);
  setSubtreeOpacity(current_, p);
  setSubtreeOpacity(leaving_, 1 - p);
}

void OnboardingPageArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (QWidget* page : {current_.data(), leaving_.data()})
    if (page) page->resize(size());
}

}  // namespace qv
