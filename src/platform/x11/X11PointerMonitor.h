#pragma once
#include "platform/GlobalPointerMonitor.h"

#include <QString>
#include <memory>

namespace qv {

class X11EventConnection;

// Global pointer events from XInput2 raw motion and raw button presses, selected on the root
// window of a private connection. Raw events reach us whichever window the pointer is over and
// even during another client's grab. Events are selected only while a handler wants them, and
// each batch of events costs one pointer query.
class X11PointerMonitor : public GlobalPointerMonitor {
 public:
  explicit X11PointerMonitor(const QString& displayName = QString());
  ~X11PointerMonitor() override;

  bool isAvailable() const override;

 protected:
  void interestChanged() override;

 private:
  void handleEvent(void* event);
  void flushBatch();

  std::unique_ptr<X11EventConnection> x_;
  uint8_t inputOpcode_ = 0;
  bool hasInput_ = false;
  bool movedInBatch_ = false;
  bool pressedInBatch_ = false;
};

}  // namespace qv
