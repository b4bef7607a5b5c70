#pragma once
#include "platform/GlobalPointerMonitor.h"

namespace qv {

// Pointer events that a test sends by hand.
class FakePointerMonitor : public GlobalPointerMonitor {
 public:
  bool isAvailable() const override { return true; }
  bool listensForMoves() const { return wantsMoves(); }
  bool listensForButtonPresses() const { return wantsButtonPresses(); }
  // How often the set of wanted events changed (each change re-selects events on a server).
  int interestChanges() const { return interestChanges_; }

  void move(QPointF location) { deliverMove(location); }
  void pressButton(QPointF location) { deliverButtonPress(location); }

 protected:
  void interestChanged() override { ++interestChanges_; }

 private:
  int interestChanges_ = 0;
};

}  // namespace qv
