#pragma once
#include "platform/Compositor.h"

#include <memory>

namespace qv {
class X11EventConnection;
}

namespace qv::x11 {

// Follows the owner of the _NET_WM_CM_S<screen> selection (a compositing manager holds it while
// it runs) through XFixes selection events on a private connection, and whether the compositor
// blurs on request. That counts only where the desktop says so: the blur-behind atom is listed
// in the root window's _NET_SUPPORTED or names a property of the root window (how a compositor
// announces its blur effect). The atom merely existing proves nothing, since any program may
// have interned it. Blur requests go through Qt's own connection, so they stay in order with
// Qt's mapping of the window. Nothing without an X server.
class X11Compositor : public Compositor {
 public:
  // `displayName` empty means $DISPLAY.
  explicit X11Compositor(const QString& displayName = QString());
  ~X11Compositor() override;

  TranslucencySupport support() const override { return support_; }
  void requestBlurBehind(QWindow* window, const QRegion& region) override;

 private:
  void refresh();
  bool blurAdvertised();

  std::unique_ptr<X11EventConnection> x_;
  uint32_t selection_ = 0;
  uint32_t netSupported_ = 0;
  uint32_t blurAtom_ = 0;  // none until some client interned it
  uint8_t selectionNotifyEvent_ = 0;
  bool compositorRunning_ = false;
  TranslucencySupport support_;
};

}  // namespace qv::x11
