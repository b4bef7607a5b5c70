#pragma once
// What the probes that run the program's views on the real services share: the services
// themselves and a sample picture for image items.
#include "app/AppContext.h"
#include "items/ItemServices.h"
#include "preview/PreviewServices.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <memory>

namespace qv::tools {

// The whole program's services on this desktop, as the program installs them; `clock` (when
// given) drives the animations instead of the real frame clock. Windows that close leave the
// probe running.
inline std::shared_ptr<AppContext> makeViewContext(std::shared_ptr<FrameClock> clock = nullptr) {
  QApplication::setQuitOnLastWindowClosed(false);
  auto context = AppContext::makeReal();
  if (clock) context->frameClock = std::move(clock);
  installItemServices(*context);
  installInterfaceServices(*context);
  installPreviewServices(*context);
  return context;
}

// A 1200 × 800 landscape: sky, sun and a meadow.
inline QImage sampleLandscape() {
  QImage picture(1200, 800, QImage::Format_RGB32);
  picture.fill(QColor(90, 150, 220));
  {
    QPainter painter(&picture);
    painter.setBrush(QColor(250, 210, 90));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(850, 250), 110, 110);
    painter.fillRect(QRect(0, 560, 1200, 240), QColor(80, 150, 90));
  }
  return picture;
}

}  // namespace qv::tools
