#pragma once
#include <functional>
#include <map>
#include <memory>
#include "cards/ViewServices.h"

namespace qv {

class Scheduler;

// The one repeating tick that refreshes the relative capture times of the shown cards. It
// runs only while some card listens, and a card listens only while a shown window shows it, so
// a hidden panel (built, or shown once) costs no wake-ups.
class CardTimeTick {
 public:
  static constexpr double kInterval = 15;

  explicit CardTimeTick(std::shared_ptr<Scheduler> scheduler);
  ~CardTimeTick();
  // The context's tick, made on first use.
  static CardTimeTick& shared(ViewServices& context);

  // Listening lasts as long as the subscription (it may outlive the tick).
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }
    void reset();
    bool isActive() const { return !state_.expired(); }

   private:
    friend class CardTimeTick;
    struct State;
    std::weak_ptr<State> state_;
    int id_ = 0;
  };

  Subscription subscribe(std::function<void()> onTick);
  int listenerCount() const;
  bool isRunning() const;

 private:
  std::shared_ptr<Subscription::State> state_;
};

}  // namespace qv
