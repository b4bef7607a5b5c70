#include "app/SettingsPanel.h"

#include "app/AppContext.h"
#include "settings/SettingsView.h"

#include <QCloseEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace qv {

SettingsPanel::SettingsPanel(AppContext& context, bool canFade, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      canFade_(canFade),
      opacity_(*context.frameClock, 1.0) {
  setFixedSize(SettingsView::kWidth, SettingsView::kHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  view_ = new SettingsView(context, this);
  layout->addWidget(view_);
  opacity_.setOnChange([this] { applyOpacity(); });
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

void SettingsPanel::closeEvent(QCloseEvent* event) {
  // The close button fades the window out; it stays, to be shown again where it was.
  event->ignore();
  if (onCloseRequested) onCloseRequested();
  else hide();
}

}  // namespace qv
