#pragma once
#include "platform/Scheduler.h"

#include <functional>
#include <vector>

namespace qv {

// A looping picture sequence on the scheduler: a first wait, then each step's change followed
// by its wait, over and over until stopped. Stopping during a wait ends the loop before the
// next change, except for a step marked `runsWhenStopped`, whose change then runs once at once
// (a reset that must not be left half-way).
class DemoLoop {
 public:
  struct Step {
    std::function<void()> change;
    double waitAfter = 0;
    bool runsWhenStopped = false;
  };

  DemoLoop(Scheduler& scheduler, double firstWait, std::vector<Step> steps);
  ~DemoLoop();
  DemoLoop(const DemoLoop&) = delete;
  DemoLoop& operator=(const DemoLoop&) = delete;

  // Starts over from the first wait (a running loop is stopped first).
  void start();
  void stop();
  bool isRunning() const { return running_; }

 private:
  void waitThenRun(size_t index, double seconds);

  Scheduler& scheduler_;
  double firstWait_;
  std::vector<Step> steps_;
  WorkItem pending_;
  size_t next_ = 0;
  bool running_ = false;
};

}  // namespace qv
