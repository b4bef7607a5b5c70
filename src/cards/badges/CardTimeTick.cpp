#include "cards/badges/CardTimeTick.h"

#include "cards/ViewServices.h"
#include "platform/Scheduler.h"

#include <vector>

namespace qv {

struct CardTimeTick::Subscription::State {
  std::shared_ptr<Scheduler> scheduler;
  std::map<int, std::function<void()>> listeners;
  int nextId = 1;
  Timer timer;

  void remove(int id) {
    listeners.erase(id);
    if (listeners.empty()) timer.stop();
  }
  void fire() {
    // A listener may unsubscribe itself or others while the tick runs.
    std::vector<int> ids;
    for (const auto& entry : listeners) ids.push_back(entry.first);
    for (int id : ids) {
      const auto found = listeners.find(id);
      if (found == listeners.end()) continue;
      const auto listener = found->second;
      listener();
    }
  }
};

CardTimeTick::CardTimeTick(std::shared_ptr<Scheduler> scheduler) : state_(std::make_shared<Subscription::State>()) {
  state_->scheduler = std::move(scheduler);
}

CardTimeTick::~CardTimeTick() { state_->timer.stop(); }

CardTimeTick& CardTimeTick::shared(ViewServices& context) {
  if (!context.cardTimeTick) context.cardTimeTick = std::make_shared<CardTimeTick>(context.scheduler);
  return *context.cardTimeTick;
}

CardTimeTick::Subscription CardTimeTick::subscribe(std::function<void()> onTick) {
  Subscription subscription;
  subscription.state_ = state_;
  subscription.id_ = state_->nextId++;
  state_->listeners.emplace(subscription.id_, std::move(onTick));
  if (!state_->timer.isRunning()) {
    std::weak_ptr<Subscription::State> weak = state_;
    state_->timer = state_->scheduler->every(
        kInterval,
        [weak] {
          if (auto state = weak.lock()) state->fire();
        },
        Guard(std::weak_ptr<Subscription::State>(state_)));
  }
  return subscription;
}

int CardTimeTick::listenerCount() const { return int(state_->listeners.size()); }
bool CardTimeTick::isRunning() const { return state_->timer.isRunning(); }

CardTimeTick::Subscription::Subscription(Subscription&& other) noexcept
    : state_(std::exchange(other.state_, {})), id_(std::exchange(other.id_, 0)) {}

CardTimeTick::Subscription& CardTimeTick::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    reset();
    state_ = std::exchange(other.state_, {});
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

void CardTimeTick::Subscription::reset() {
  if (auto state = state_.lock()) state->remove(id_);
  state_.reset();
  id_ = 0;
}

}  // namespace qv
