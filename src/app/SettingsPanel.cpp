#include "app/SettingsPanel.h"

#include "app/AppContext.h"
#include "platform/Scheduler.h"
#include "settings/SettingsView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QVBoxLayout>
#include <utility>

namespace qv {

SettingsPanel::SettingsPanel(AppContext& context, bool canFade, Callbacks callbacks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      canFade_(canFade),
      onCloseRequested_(std::move(callbacks.onCloseRequested)),
      scheduler_(*context.scheduler),
      opacity_(*context.frameClock, 1.0) {
  setFixedSize(SettingsView::kWidth, SettingsView::kHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  view_ = new SettingsView(context, std::move(callbacks.view), this);
  layout->addWidget(view_);
  opacity_.setOnChange([this] { applyOpacity(); });
  QCoreApplication::instance()->installEventFilter(this);
}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::applyOpacity() {
  if (canFade_) setWindowOpacity(opacity_.value());
}

void SettingsPanel::fadeIn(double seconds) {
  opacity_.jumpTo(canFade_ ? 0.0 : 1.0);
  show();
  raise();
  activateWindow();
  if (canFade_) opacity_.animateTo(1.0, Animation::easeOut(seconds));
}

void SettingsPanel::fadeOut(double seconds) {
  if (!canFade_) {
    hide();
    return;
  }
  // A fade-in that starts meanwhile takes over (finished = false): the window stays.
  QPointer<SettingsPanel> self(this);
  opacity_.animateTo(0.0, Animation::easeIn(seconds), [self](bool finished) {
    if (!self || !finished) return;
    self->hide();
    self->opacity_.jumpTo(1.0);
  });
}

bool SettingsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
    applicationQuitting_ = true;
    // Another window may still keep the program running; the next close is the user's again.
    scheduler_.post([this] { applicationQuitting_ = false; }, this);
  }
  return false;
}

void SettingsPanel::closeEvent(QCloseEvent* event) {
  if (std::exchange(applicationQuitting_, false)) {
    event->accept();
    return;
  }
  // The close button fades the window out; it stays, to be shown again where it was.
  event->ignore();
  if (const auto onCloseRequested = onCloseRequested_) onCloseRequested();
  else hide();
}

}  // namespace qv
