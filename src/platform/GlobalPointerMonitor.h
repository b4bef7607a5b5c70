#pragma once
#include <QPointF>
#include <functional>
#include <memory>

namespace qv {

// Keeps one pointer handler installed; destroying or resetting it removes the handler.
class PointerSubscription {
 public:
  PointerSubscription() = default;
  explicit PointerSubscription(std::function<void()> remove) : remove_(std::move(remove)) {}
  PointerSubscription(PointerSubscription&& other) noexcept : remove_(std::exchange(other.remove_, {})) {}
  PointerSubscription& operator=(PointerSubscription&& other) noexcept {
    if (this != &other) {
      reset();
      remove_ = std::exchange(other.remove_, {});
    }
    return *this;
  }
  PointerSubscription(const PointerSubscription&) = delete;
  PointerSubscription& operator=(const PointerSubscription&) = delete;
  ~PointerSubscription() { reset(); }

  void reset() {
    if (auto remove = std::exchange(remove_, {})) remove();
  }
  explicit operator bool() const { return bool(remove_); }

 private:
  std::function<void()> remove_;
};

// Pointer movement and button presses anywhere on the desktop, in other programs' windows and
// in ours. Handlers run on the main thread with the pointer's global location. The source is
// event driven: while nothing moves, nothing runs.
class GlobalPointerMonitor {
 public:
  using Handler = std::function<void(QPointF globalLocation)>;

  GlobalPointerMonitor();
  virtual ~GlobalPointerMonitor();
  GlobalPointerMonitor(const GlobalPointerMonitor&) = delete;
  GlobalPointerMonitor& operator=(const GlobalPointerMonitor&) = delete;

  [[nodiscard]] PointerSubscription addMoveHandler(Handler handler);
  [[nodiscard]] PointerSubscription addButtonPressHandler(Handler handler);

  // Whether events can arrive at all (false without an X server or the input extension).
  virtual bool isAvailable() const = 0;

 protected:
  bool wantsMoves() const;
  bool wantsButtonPresses() const;
  // Called whenever the first handler of a kind arrives or the last one leaves, so that the
  // source listens only for what someone wants.
  virtual void interestChanged() = 0;
  void deliverMove(QPointF location);
  void deliverButtonPress(QPointF location);

 private:
  struct Registry;
  PointerSubscription add(bool move, Handler handler);
  std::shared_ptr<Registry> registry_;
};

}  // namespace qv
