#pragma once
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace qv {

// Keeps work from running after its owner is gone: a QObject (tracked with QPointer) or any
// object held by a shared_ptr (tracked weakly). An empty guard never blocks.
class Guard {
 public:
  Guard() = default;
  Guard(const QObject* object);  // NOLINT(google-explicit-constructor): guards read naturally
  template <typename T>
  Guard(const std::shared_ptr<T>& owner) : weak_(std::weak_ptr<const void>(owner)), hasWeak_(true) {}
  template <typename T>
  Guard(const std::weak_ptr<T>& owner) : weak_(std::weak_ptr<const void>(owner)), hasWeak_(true) {}

  bool alive() const;

 private:
  QPointer<const QObject> object_;
  bool hasObject_ = false;
  std::weak_ptr<const void> weak_;
  bool hasWeak_ = false;
};

// A handle to scheduled work. Cancelling (or destroying every handle of a repeating timer,
// see `Timer`) stops it; cancelling work that already ran does nothing.
class WorkItem {
 public:
  WorkItem() = default;
  void cancel();
  bool isCancelled() const;
  bool isPending() const;  // scheduled, not yet run, not cancelled

  struct State {
    bool cancelled = false;
    bool done = false;
  };
  explicit WorkItem(std::shared_ptr<State> state) : state_(std::move(state)) {}

 private:
  std::shared_ptr<State> state_;
};

// A repeating timer handle that stops its timer when destroyed.
class Timer {
 public:
  Timer() = default;
  explicit Timer(WorkItem item) : item_(item) {}
  Timer(Timer&& other) noexcept : item_(std::exchange(other.item_, WorkItem())) {}
  Timer& operator=(Timer&& other) noexcept {
    if (this != &other) {
      item_.cancel();
      item_ = std::exchange(other.item_, WorkItem());
    }
    return *this;
  }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer() { item_.cancel(); }
  void stop() { item_.cancel(); }
  bool isRunning() const { return item_.isPending(); }

 private:
  WorkItem item_;
};

// The main thread's timers and deferred work. Every delay in the program goes through it so
// that tests run in virtual time.
class Scheduler {
 public:
  virtual ~Scheduler() = default;

  // Wall-clock time (capture times, retention, relative dates).
  virtual QDateTime now() const = 0;
  // Monotonic seconds for measuring intervals.
  virtual double uptime() const = 0;

  // Runs `work` on the main thread after `seconds` (>= 0) unless cancelled or the guard died.
  virtual WorkItem after(double seconds, std::function<void()> work, Guard guard = {}) = 0;
  // Runs `work` every `seconds` until the returned timer is stopped or destroyed. Keeps firing
  // while a menu or modal loop runs.
  virtual Timer every(double seconds, std::function<void()> work, Guard guard = {}) = 0;
  // Runs `work` on the main thread at the next turn of the event loop. Safe from any thread.
  virtual void post(std::function<void()> work, Guard guard = {}) = 0;
};

// The action to give a menu row or a key handler: it runs at the next turn of the event loop,
// once the menu has closed and the handler that started it has returned. A modal dialog it
// opens then spins its own event loop with nothing of the menu on the stack, so deferred
// deletes run there can never pull a menu or window out from under a running handler.
std::function<void()> queuedAction(const std::shared_ptr<Scheduler>& scheduler, std::function<void()> action,
                                   Guard guard = {});

// Real scheduler on Qt timers of the calling (main) thread.
class QtScheduler : public Scheduler {
 public:
  QtScheduler();
  ~QtScheduler() override;
  QDateTime now() const override;
  double uptime() const override;
  WorkItem after(double seconds, std::function<void()> work, Guard guard = {}) override;
  Timer every(double seconds, std::function<void()> work, Guard guard = {}) override;
  void post(std::function<void()> work, Guard guard = {}) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
