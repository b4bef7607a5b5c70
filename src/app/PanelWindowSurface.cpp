#include "app/PanelWindowSurface.h"

#include "base/Log.h"
#include "platform/PlatformServices.h"
#include "platform/WindowShaper.h"

#include <QWidget>
#include <QWindow>

namespace qv {

PanelWindowSurface::PanelWindowSurface(PlatformServices& context, QWidget& window)
    : context_(context),
      window_(window),
      translucency_(context.compositor ? context.compositor->support() : TranslucencySupport{}) {}

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
  WindowShaper* shaper = context_.windowShaper.get();
  QWindow* window = window_.windowHandle();
  if (!shaper || !window) return;
  if (translucency_.blurBehind && context_.compositor && !content.isEmpty() && blurRegion_ != content) {
    context_.compositor->requestBlurBehind(window, content);
    blurRegion_ = content;
  }
  const bool cut = !translucency_.compositor;
  if (appliedShape_ && *appliedShape_ == content && appliedCut_ == cut) return;
  if (cut) shaper->setShape(window, content);
  else shaper->setInputShape(window, content);
  appliedShape_ = content;
  appliedCut_ = cut;
}

bool PanelWindowSurface::letsThrough(QPoint point) const { return appliedShape_ && !appliedShape_->contains(point); }

}  // namespace qv
