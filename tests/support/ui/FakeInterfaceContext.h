#pragma once
#include "support/platform/FakePlatform.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/theme/Environment.h"
#include "ui/theme/ReduceMotion.h"

#include <algorithm>

namespace qv::test {

// The services of a layer from the interface kit up, on the fakes, with the interface services
// on a hand-driven frame clock.
template <typename Services>
struct FakeInterfaceContextFor : FakeContextFor<Services> {
  FakeInterfaceContextFor() : clock(std::make_shared<ManualFrameClock>()) {
    this->context->frameClock = clock;
    installInterfaceServices(*this->context);
  }
  // Moves the scheduler and the frame clock together, one frame at a time, then drains.
  void advanceBoth(double seconds) {
    for (double left = seconds; left > 1e-9; left -= 1.0 / 120) {
      const double step = std::min(1.0 / 120, left);
      this->scheduler->advance(step);
      clock->advance(step);
    }
    this->drain();
  }
  std::shared_ptr<ManualFrameClock> clock;
  ReduceMotion& reduceMotion() { return *this->context->reduceMotion; }
  Environment& environment() { return *this->context->environment; }
};

using FakeInterfaceContext = FakeInterfaceContextFor<InterfaceServices>;

}  // namespace qv::test
