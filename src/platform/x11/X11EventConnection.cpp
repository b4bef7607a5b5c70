#include "platform/x11/X11EventConnection.h"

#include "base/Log.h"

#include <xcb/xcb.h>
#include <QSocketNotifier>

#include <cstdlib>

namespace qv {

X11EventConnection::X11EventConnection(const QString& displayName) {
  const QByteArray name = displayName.toLocal8Bit();
  if (displayName.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")) return;
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(displayName.isEmpty() ? nullptr : name.constData(), &screenNumber);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    qCInfo(lcPlatform) << "No X server for global input";
    return;
  }
  connection_ = connection;
  screenNumber_ = screenNumber;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; it.rem && i < screenNumber; ++i) xcb_screen_next(&it);
  screen_ = it.rem ? it.data : nullptr;
  notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { dispatchPending(); });
}

X11EventConnection::~X11EventConnection() {
  notifier_.reset();
  if (connection_) xcb_disconnect(connection_);
}

bool X11EventConnection::isConnected() const {
  return connection_ && screen_ && !xcb_connection_has_error(connection_);
}

uint32_t X11EventConnection::rootWindow() const { return screen_ ? screen_->root : 0; }

void X11EventConnection::setEventHandler(EventHandler handler, std::function<void()> afterBatch) {
  handler_ = std::move(handler);
  afterBatch_ = std::move(afterBatch);
}

void X11EventConnection::dispatchPending() {
  if (!connection_ || dispatching_) return;
  dispatching_ = true;
  // `afterBatch` may wait for a reply, which can queue more events without waking the socket
  // notifier again; keep going until a pass finds nothing.
  for (;;) {
    bool any = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
      any = true;
      if (handler_) handler_(event);
      std::free(event);
    }
    if (!any) break;
    if (afterBatch_) afterBatch_();
  }
  dispatching_ = false;
  if (xcb_connection_has_error(connection_)) {
    qCInfo(lcPlatform) << "Lost the X connection for global input";
    notifier_->setEnabled(false);
  }
}

}  // namespace qv
