#include "platform/x11/X11Compositor.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <vector>

namespace qv::x11 {

namespace {

constexpr char kBlurBehindAtom[] = "_KDE_NET_WM_BLUR_BEHIND_REGION";

xcb_connection_t* qtConnection() {
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return app ? app->connection() : nullptr;
}

}  // namespace

X11Compositor::X11Compositor(const QString& displayName) : x_(std::make_unique<X11EventConnection>(displayName)) {
  if (!x_->isConnected()) return;
  xcb_connection_t* c = x_->connection();
  selection_ = internAtom(c, "_NET_WM_CM_S" + QByteArray::number(x_->screenNumber()));
  selectionNotifyEvent_ = watchSelectionOwner(c, x_->rootWindow(), selection_);
  if (selectionNotifyEvent_)
    x_->setEventHandler([this](xcb_generic_event_t* event) {
      if ((event->response_type & 0x7f) == selectionNotifyEvent_) refresh();
    });
  else qCInfo(lcPlatform) << "No XFixes: a compositor that starts or quits later is not noticed";
  refresh();
}

X11Compositor::~X11Compositor() = default;

void X11Compositor::refresh() {
  xcb_connection_t* c = x_->connection();
  TranslucencySupport support;
  if (selection_ != XCB_ATOM_NONE) {
    support.compositor = selectionOwner(c, selection_) != XCB_NONE;
    // The blur-behind atom exists only once a compositor that blurs has announced it.
    support.blurBehind = support.compositor && internAtom(c, kBlurBehindAtom, true) != XCB_ATOM_NONE;
  }
  if (support == support_) return;
  support_ = support;
  qCInfo(lcPlatform) << "Compositor:" << (support.compositor ? "running" : "none") << "blur:" << support.blurBehind;
  Q_EMIT changed();
}

void X11Compositor::requestBlurBehind(QWindow* window, const QRegion& region) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection || !support_.blurBehind) return;
  const xcb_atom_t blur = internAtom(connection, kBlurBehindAtom, true);
  if (blur == XCB_ATOM_NONE) return;
  std::vector<uint32_t> rects;
  for (const QRect& r : region)
    rects.insert(rects.end(), {uint32_t(r.x()), uint32_t(r.y()), uint32_t(r.width()), uint32_t(r.height())});
  // An empty list means the whole window.
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), blur, XCB_ATOM_CARDINAL, 32,
                      uint32_t(rects.size()), rects.data());
  xcb_flush(connection);
}

}  // namespace qv::x11
