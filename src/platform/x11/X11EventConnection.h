#pragma once
#include <QString>
#include <functional>
#include <memory>

#include <xcb/xcb.h>

class QSocketNotifier;

namespace qv {

// A private connection to the X server whose events are read on the main thread as they
// arrive (a socket notifier, no polling). Services that listen globally use one each so that
// they never disturb the toolkit's own connection.
class X11EventConnection {
 public:
  using EventHandler = std::function<void(xcb_generic_event_t* event)>;

  // `displayName` empty means $DISPLAY.
  explicit X11EventConnection(const QString& displayName = QString());
  ~X11EventConnection();
  X11EventConnection(const X11EventConnection&) = delete;
  X11EventConnection& operator=(const X11EventConnection&) = delete;

  bool isConnected() const;
  xcb_connection_t* connection() const { return connection_; }
  xcb_screen_t* screen() const { return screen_; }
  uint32_t rootWindow() const;
  // The screen of the display name (":0.1" is screen 1).
  int screenNumber() const { return screenNumber_; }

  // Every event read from the connection goes to the handler, then `afterBatch` once per batch.
  void setEventHandler(EventHandler handler, std::function<void()> afterBatch = {});
  // Reads and dispatches whatever is queued (also events a reply wait has already read).
  void dispatchPending();

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_screen_t* screen_ = nullptr;
  int screenNumber_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
  EventHandler handler_;
  std::function<void()> afterBatch_;
  bool dispatching_ = false;
};

}  // namespace qv
