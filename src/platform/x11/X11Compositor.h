#pragma once
#include "platform/Compositor.h"

#include <memory>

namespace qv {
class X11EventConnection;
}

namespace qv::x11 {

// Follows the owner of the _NET_WM_CM_S<screen> selection (a compositing manager holds it while
// it runs) through XFixes selection events on a private connection, and whether the compositor
// blurs on request (it then announces the blur-behind atom). Blur requests go through Qt's own
// connection, so they stay in order with Qt's mapping of the window. Nothing without an X server.
class X11Compositor : public Compositor {
 public:
  // `displayName` empty means $DISPLAY.
  explicit X11Compositor(const QString& displayName = QString());
  ~X11Compositor() override;

  TranslucencySupport support() const override { return support_; }
  void requestBlurBehind(QWindow* window, const QRegion& region) override;

 private:
  void refresh();

  std::unique_ptr<X11EventConnection> x_;
  uint32_t selection_ = 0;
  uint8_t selectionNotifyEvent_ = 0;
  TranslucencySupport support_;
};

}  // namespace qv::x11
