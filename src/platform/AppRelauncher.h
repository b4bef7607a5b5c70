#pragma once
#include <functional>
#include <memory>

namespace qv {

class Scheduler;

// Starts a fresh instance of the program and quits this one. When the new instance cannot be
// started, this one keeps running and nothing is reported.
class AppRelauncher {
 public:
  // Starts the new instance; false when it could not be started.
  using Starter = std::function<bool()>;

  // Without a starter the program's own executable is started again with its arguments;
  // without `quit` the application's event loop is left.
  explicit AppRelauncher(std::shared_ptr<Scheduler> scheduler, Starter start = {}, std::function<void()> quit = {});

  void relaunch();

  // Given to the new instance: it waits for this one to finish before it loads anything.
  static constexpr char kAfterRelaunchArgument[] = "--after-relaunch";

 private:
  std::shared_ptr<Scheduler> scheduler_;
  Starter start_;
  std::function<void()> quit_;
};

}  // namespace qv
