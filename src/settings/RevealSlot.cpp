#include "settings/RevealSlot.h"

#include "ui/anim/Transaction.h"
#include "ui/theme/Environment.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <cmath>
#include <utility>

namespace qv {

namespace {

bool motionReduced(SettingsServices& context) {
  return context.environment && context.environment->values().reduceMotion;
}

}  // namespace

RevealSlot::RevealSlot(SettingsServices& context, QWidget* content, QWidget* parent)
    : QWidget(parent), context_(context), content_(content), presence_(*context.frameClock, 1.0) {
  content_->setParent(this);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  presence_.setOnChange([this] { follow(); });
}

void RevealSlot::reveal() {
  slides_ = !motionReduced(context_);
  presence_.jumpTo(Transaction::current().animation ? 0.0 : 1.0);
  presence_.setTarget(1.0);
  follow();
}

void RevealSlot::conceal(bool slides, std::function<void()> gone) {
  slides_ = slides && !motionReduced(context_);
  presence_.setTarget(0.0, [gone = std::move(gone)](bool) {
    if (gone) gone();
  });
}

int RevealSlot::contentHeight(int width) const {
  return content_->hasHeightForWidth() ? content_->heightForWidth(width) : content_->sizeHint().height();
}

int RevealSlot::slotHeight(int width) const {
  const int full = contentHeight(width);
  return slides_ ? int(std::lround(full * std::clamp(presence_.value(), 0.0, 1.0))) : full;
}

QSize RevealSlot::sizeHint() const {
  const QSize content = content_->sizeHint();
  return QSize(content.width(), slotHeight(width() > 0 ? width() : content.width()));
}

void RevealSlot::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  follow();
}

bool RevealSlot::event(QEvent* event) {
  if (event->type() == QEvent::LayoutRequest) follow();
  return QWidget::event(event);
}

// The content keeps its full height and slides in from above the slot's top edge, clipped by it.
void RevealSlot::follow() {
  const double presence = std::clamp(presence_.value(), 0.0, 1.0);
  const int full = contentHeight(width() > 0 ? width() : content_->sizeHint().width());
  const int offset = slides_ ? int(std::lround(-(1 - presence) * full)) : 0;
  content_->setGeometry(0, offset, width(), full);
  // Fading a whole row of controls needs the effect; it is only there while the slot moves.
  if (presence < 1) {
    if (!fade_) {
      fade_ = new QGraphicsOpacityEffect(this);
      content_->setGraphicsEffect(fade_);
    }
    fade_->setOpacity(presence);
  } else if (fade_) {
    content_->setGraphicsEffect(nullptr);  // deletes it
    fade_ = nullptr;
  }
  setFixedHeight(slides_ ? int(std::lround(full * presence)) : full);
}

}  // namespace qv
