#include "platform/x11/X11Compositor.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
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
  netSupported_ = internAtom(c, "_NET_SUPPORTED");
  selectionNotifyEvent_ = watchSelectionOwner(c, x_->rootWindow(), selection_);
  // The blur announcement may follow the compositor's arrival: watch the root window's properties.
  const uint32_t rootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c, x_->rootWindow(), XCB_CW_EVENT_MASK, &rootEvents);
  x_->setEventHandler([this](xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (selectionNotifyEvent_ && type == selectionNotifyEvent_) {
      compositorRunning_ = selectionOwner(x_->connection(), selection_) != XCB_NONE;
      refresh();
    } else if (type == XCB_PROPERTY_NOTIFY && compositorRunning_) {
      const xcb_atom_t atom = reinterpret_cast<xcb_property_notify_event_t*>(event)->atom;
      // Before anyone interned the blur atom, any new root property may be its announcement.
      if (atom == netSupported_ || blurAtom_ == XCB_ATOM_NONE || atom == blurAtom_) refresh();
    }
  });
  if (!selectionNotifyEvent_) qCInfo(lcPlatform) << "No XFixes: a compositor that starts or quits later is not noticed";
  compositorRunning_ = selection_ != XCB_ATOM_NONE && selectionOwner(c, selection_) != XCB_NONE;
  refresh();
}

X11Compositor::~X11Compositor() = default;

bool X11Compositor::blurAdvertised() {
  xcb_connection_t* c = x_->connection();
  // Looked up without creating it: a made-up atom would look like a blurring compositor's to others.
  if (blurAtom_ == XCB_ATOM_NONE) blurAtom_ = internAtom(c, kBlurBehindAtom, true);
  if (blurAtom_ == XCB_ATOM_NONE) return false;
  if (readAtoms(c, x_->rootWindow(), netSupported_).contains(blurAtom_)) return true;
  xcb_list_properties_reply_t* reply = xcb_list_properties_reply(c, xcb_list_properties(c, x_->rootWindow()), nullptr);
  if (!reply) return false;
  const xcb_atom_t* first = xcb_list_properties_atoms(reply);
  const xcb_atom_t* last = first + xcb_list_properties_atoms_length(reply);
  const bool announced = std::find(first, last, blurAtom_) != last;
  std::free(reply);
  return announced;
}

void X11Compositor::refresh() {
  TranslucencySupport support;
  support.compositor = compositorRunning_;
  support.blurBehind = support.compositor && blurAdvertised();
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
  // The property counts device pixels.
  const double ratio = window->devicePixelRatio();
  std::vector<uint32_t> rects;
  for (const QRect& r : region) {
    const QRect pixels = QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toAlignedRect();
    rects.insert(rects.end(),
                 {uint32_t(pixels.x()), uint32_t(pixels.y()), uint32_t(pixels.width()), uint32_t(pixels.height())});
  }
  // An empty list means the whole window.
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), blur, XCB_ATOM_CARDINAL, 32,
                      uint32_t(rects.size()), rects.data());
  xcb_flush(connection);
}

}  // namespace qv::x11
