#include "platform/x11/X11Compositor.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <cstdlib>
#include <memory>
#include <vector>

namespace qv::x11 {

namespace {

constexpr char kBlurBehindAtom[] = "_KDE_NET_WM_BLUR_BEHIND_REGION";

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name, bool onlyIfExists) {
  const auto cookie = xcb_intern_atom(connection, onlyIfExists ? 1 : 0, uint16_t(name.size()), name.constData());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(xcb_intern_atom_reply(connection, cookie, nullptr), &free);
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_connection_t* qtConnection() {
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return app ? app->connection() : nullptr;
}

}  // namespace

X11Compositor::X11Compositor(const QString& displayName) : x_(std::make_unique<X11EventConnection>(displayName)) {
  if (!x_->isConnected()) return;
  xcb_connection_t* c = x_->connection();
  selection_ = atom(c, "_NET_WM_CM_S" + QByteArray::number(x_->screenNumber()), false);
  const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (fixes && fixes->present && selection_ != XCB_ATOM_NONE) {
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    selectionNotifyEvent_ = uint8_t(fixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
    xcb_xfixes_select_selection_input(c, x_->rootWindow(), selection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    x_->setEventHandler([this](xcb_generic_event_t* event) {
      if (selectionNotifyEvent_ && (event->response_type & 0x7f) == selectionNotifyEvent_) refresh();
    });
  } else {
    qCInfo(lcPlatform) << "No XFixes: a compositor that starts or quits later is not noticed";
  }
  refresh();
}

X11Compositor::~X11Compositor() = default;

void X11Compositor::refresh() {
  xcb_connection_t* c = x_->connection();
  TranslucencySupport support;
  if (selection_ != XCB_ATOM_NONE) {
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr), &free);
    support.compositor = owner && owner->owner != XCB_NONE;
    // The blur-behind atom exists only once a compositor that blurs has announced it.
    support.blurBehind = support.compositor && atom(c, kBlurBehindAtom, true) != XCB_ATOM_NONE;
  }
  if (support == support_) return;
  support_ = support;
  qCInfo(lcPlatform) << "Compositor:" << (support.compositor ? "running" : "none") << "blur:" << support.blurBehind;
  Q_EMIT changed();
}

void X11Compositor::requestBlurBehind(QWindow* window, const QRegion& region) {
  xcb_connection_t* connection = qtConnection();
  if (!window || !connection || !support_.blurBehind) return;
  const xcb_atom_t blur = atom(connection, kBlurBehindAtom, true);
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
