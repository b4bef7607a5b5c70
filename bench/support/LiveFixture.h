#pragma once
// Services on Qt's own scheduler, counting the work it runs: posted work runs one turn of the
// event loop at a time, as in the program, so that a step is what one turn does. Animations move
// on a hand-driven frame clock; workers run when the benchmark lets the loop turn.
#include "items/ItemServices.h"
#include "platform/Scheduler.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <memory>

namespace qv::bench {

class CountingScheduler : public Scheduler {
 public:
  QDateTime now() const override { return qt_.now(); }
  double uptime() const override { return qt_.uptime(); }
  WorkItem after(double seconds, std::function<void()> work, Guard guard = {}) override {
    return qt_.after(seconds, counted(std::move(work)), std::move(guard));
  }
  Timer every(double seconds, std::function<void()> work, Guard guard = {}) override {
    return qt_.every(seconds, counted(std::move(work)), std::move(guard));
  }
  void post(std::function<void()> work, Guard guard = {}) override {
    qt_.post(counted(std::move(work)), std::move(guard));
  }
  int ran() const { return ran_; }

 private:
  std::function<void()> counted(std::function<void()> work) {
    return [this, work = std::move(work)] {
      ++ran_;
      work();
    };
  }
  QtScheduler qt_;
  int ran_ = 0;
};

struct LiveFixture {
  FakeContext fake;
  std::shared_ptr<CountingScheduler> scheduler = std::make_shared<CountingScheduler>();
  LiveFixture() {
    fake.context->scheduler = scheduler;
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installInterfaceServices(*fake.context);
    installItemServices(*fake.context);
  }
  static LiveFixture& shared() {
    static LiveFixture fixture;
    return fixture;
  }
  ManualFrameClock& clock() { return static_cast<ManualFrameClock&>(*fake.context->frameClock); }
};

}  // namespace qv::bench
