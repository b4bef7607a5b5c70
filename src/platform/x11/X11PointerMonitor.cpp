#include "platform/x11/X11PointerMonitor.h"

#include "base/Log.h"
#include "platform/x11/X11EventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace qv {

X11PointerMonitor::X11PointerMonitor(const QString& displayName)
    : x_(std::make_unique<X11EventConnection>(displayName)) {
  if (!x_->isConnected()) return;
  xcb_connection_t* c = x_->connection();
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
  if (!extension || !extension->present) {
    qCInfo(lcPlatform) << "The X server has no input extension; no global pointer events";
    return;
  }
  inputOpcode_ = extension->major_opcode;
  // Raw events need version 2.0; asking for 2.2 makes them arrive also during other grabs.
  xcb_input_xi_query_version_reply_t* version = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2),
                                                                                 nullptr);
  hasInput_ = version && version->major_version >= 2;
  std::free(version);
  if (!hasInput_) {
    qCInfo(lcPlatform) << "The X server's input extension is older than 2.0; no global pointer events";
    return;
  }
  x_->setEventHandler([this](xcb_generic_event_t* event) { handleEvent(event); }, [this] { flushBatch(); });
}

X11PointerMonitor::~X11PointerMonitor() = default;

bool X11PointerMonitor::isAvailable() const { return hasInput_ && x_->isConnected(); }

void X11PointerMonitor::interestChanged() {
  if (!isAvailable()) return;
  uint32_t mask = 0;
  if (wantsMoves()) mask |= XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
  if (wantsButtonPresses()) mask |= XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS;
  x11::selectRawInputEvents(x_->connection(), x_->rootWindow(), mask);
  xcb_flush(x_->connection());
}

void X11PointerMonitor::handleEvent(void* rawEvent) {
  auto* event = static_cast<xcb_generic_event_t*>(rawEvent);
  if ((event->response_type & 0x7f) != XCB_GE_GENERIC) return;
  auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
  if (generic->extension != inputOpcode_) return;
  if (generic->event_type == XCB_INPUT_RAW_MOTION) {
    movedInBatch_ = true;
  } else if (generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
    // Buttons 4 to 7 are wheel steps, not clicks.
    const uint32_t button = reinterpret_cast<xcb_input_raw_button_press_event_t*>(event)->detail;
    if (button < 4 || button > 7) pressedInBatch_ = true;
  }
}

void X11PointerMonitor::flushBatch() {
  const bool moved = std::exchange(movedInBatch_, false);
  const bool pressed = std::exchange(pressedInBatch_, false);
  if (!moved && !pressed) return;
  xcb_connection_t* c = x_->connection();
  xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(c, xcb_query_pointer(c, x_->rootWindow()), nullptr);
  if (!pointer) return;
  const QPointF location(pointer->root_x, pointer->root_y);
  std::free(pointer);
  if (pressed && wantsButtonPresses()) deliverButtonPress(location);
  if (moved && wantsMoves()) deliverMove(location);
}

}  // namespace qv
