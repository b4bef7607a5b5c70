#include "app/QuorvalenPanel.h"

#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <cmath>

namespace qv {

QuorvalenPanel::QuorvalenPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint) {
  setObjectName(QStringLiteral("QuorvalenPanel"));
  setWindowTitle(QStringLiteral("Quorvalen"));
  // Shown without taking the focus; activate() asks for it when the panel really opens.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setMouseTracking(true);
  host_ = new QWidget(this);
  host_->setObjectName(QStringLiteral("PanelContentHost"));
  auto* layout = new QVBoxLayout(host_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
}

void QuorvalenPanel::setRootView(QWidget* view) {
  if (rootView_) delete rootView_;
  rootView_ = view;
  if (view) host_->layout()->addWidget(view);
}

void QuorvalenPanel::setContentOffset(double offset) {
  offset_ = offset;
  host_->move(int(std::lround(offset)), 0);
}

void QuorvalenPanel::activate() {
  raise();
  // On X11 Qt asks through _NET_ACTIVE_WINDOW with the time of the last user event it saw.
  activateWindow();
}

bool QuorvalenPanel::event(QEvent* event) {
  if (event->type() == QEvent::WindowDeactivate) Q_EMIT deactivated();
  return QWidget::event(event);
}

void QuorvalenPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  host_->setGeometry(int(std::lround(offset_)), 0, width(), height());
}

void QuorvalenPanel::keyPressEvent(QKeyEvent* event) { event->accept(); }

}  // namespace qv
