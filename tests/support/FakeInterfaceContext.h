#pragma once
#include "app/fake/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/theme/Environment.h"
#include "ui/theme/ReduceMotion.h"

namespace qv::test {

// A fake context with the interface services on a hand-driven frame clock.
struct FakeInterfaceContext : FakeContext {
  FakeInterfaceContext() : clock(std::make_shared<ManualFrameClock>()) {
    context->frameClock = clock;
    installInterfaceServices(*context);
  }
  // Moves the scheduler and the frame clock together, one frame at a time, then drains.
  void advanceBoth(double seconds) {
    for (double left = seconds; left > 1e-9; left -= 1.0 / 120) {
      const double step = std::min(1.0 / 120, left);
      scheduler->advance(step);
      clock->advance(step);
    }
    drain();
  }
  std::shared_ptr<ManualFrameClock> clock;
  ReduceMotion& reduceMotion() { return *context->reduceMotion; }
  Environment& environment() { return *context->environment; }
};

}  // namespace qv::test
