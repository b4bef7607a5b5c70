#include "app/PanelWindowSurface.h"

#include "base/Log.h"
#include "platform/PlatformServices.h"
#include "platform/WindowShaper.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace qv {

PanelWindowSurface::PanelWindowSurface(PlatformServices& context, QWidget& window)
    : context_(context),
      window_(window),
      translucency_(context.compositor ? context.compositor->support() : TranslucencySupport{}) {
  window_.installEventFilter(this);
}

void PanelWindowSurface::followCompositor() {
  translucency_ = context_.compositor->support();
  qCInfo(lcPanel) << (translucency_.compositor ? "Compositor arrived: the panel draws translucent"
                                               : "Compositor left: the panel draws opaque, cut to its content");
  blurRegion_.reset();
}

void PanelWindowSurface::setOpacity(double opacity) {
  window_.setWindowOpacity(translucency_.compositor ? opacity : 1.0);
}

void PanelWindowSurface::shapeTo(const QRegion& content) {
  QWindow* window = window_.windowHandle();
  if (!context_.windowShaper || !window) return;
  if (translucency_.blurBehind && context_.compositor && !content.isEmpty() && blurRegion_ != content) {
    context_.compositor->requestBlurBehind(window, content);
    blurRegion_ = content;
  }
  const bool cut = !translucency_.compositor;
  if (cut && window->isExposed()) {
    // A cut sent at once shows the window's old pixels in it until the frame painted for it
    // arrives: a second bottom edge below a growing list, an old surface cut short above a
    // shrinking one.
    const bool unchanged = appliedShape_ && *appliedShape_ == content && appliedCut_;
    frameCut_ = unchanged ? std::nullopt : std::optional(content);
    // Whatever enters or leaves the cut is painted in that frame.
    if (frameCut_) window_.update((appliedShape_ ? content.xored(*appliedShape_) : content).boundingRect());
    return;
  }
  frameCut_.reset();
  apply(content, cut);
}

void PanelWindowSurface::apply(const QRegion& content, bool cut) {
  if (appliedShape_ && *appliedShape_ == content && appliedCut_ == cut) return;
  WindowShaper& shaper = *context_.windowShaper;
  if (cut) shaper.setShape(window_.windowHandle(), content);
  else shaper.setInputShape(window_.windowHandle(), content);
  appliedShape_ = content;
  appliedCut_ = cut;
}

bool PanelWindowSurface::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_ || !frameCut_) return QObject::eventFilter(watched, event);
  // The window's own paint comes first in each of its frames, before the frame is sent to the
  // server: the cut goes out just ahead of the pixels painted for it.
  if (event->type() == QEvent::Paint) {
    sendWaitingCut();
  } else if (event->type() == QEvent::UpdateRequest) {
    // A frame that repaints only a child covering the change sends the window no paint: the cut
    // then goes out right after that frame.
    QMetaObject::invokeMethod(this, &PanelWindowSurface::sendWaitingCut, Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

void PanelWindowSurface::sendWaitingCut() {
  if (frameCut_) apply(*std::exchange(frameCut_, std::nullopt), true);
}

bool PanelWindowSurface::letsThrough(QPoint point) const { return appliedShape_ && !appliedShape_->contains(point); }

}  // namespace qv
