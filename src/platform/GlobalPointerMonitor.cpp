#include "platform/GlobalPointerMonitor.h"

#include <map>

namespace qv {

struct GlobalPointerMonitor::Registry {
  GlobalPointerMonitor* owner = nullptr;
  int nextId = 0;
  // Shared handlers so that one removed during delivery is still safe to finish.
  std::map<int, std::shared_ptr<Handler>> moves;
  std::map<int, std::shared_ptr<Handler>> presses;
};

GlobalPointerMonitor::GlobalPointerMonitor() : registry_(std::make_shared<Registry>()) { registry_->owner = this; }

GlobalPointerMonitor::~GlobalPointerMonitor() { registry_->owner = nullptr; }

PointerSubscription GlobalPointerMonitor::addMoveHandler(Handler handler) { return add(true, std::move(handler)); }

PointerSubscription GlobalPointerMonitor::addButtonPressHandler(Handler handler) {
  return add(false, std::move(handler));
}

PointerSubscription GlobalPointerMonitor::add(bool move, Handler handler) {
  auto& handlers = move ? registry_->moves : registry_->presses;
  const int id = registry_->nextId++;
  const bool first = handlers.empty();
  handlers.emplace(id, std::make_shared<Handler>(std::move(handler)));
  if (first) interestChanged();
  std::weak_ptr<Registry> weak = registry_;
  return PointerSubscription([weak, id, move] {
    auto registry = weak.lock();
    if (!registry) return;
    auto& list = move ? registry->moves : registry->presses;
    if (list.erase(id) && list.empty() && registry->owner) registry->owner->interestChanged();
  });
}

bool GlobalPointerMonitor::wantsMoves() const { return !registry_->moves.empty(); }
bool GlobalPointerMonitor::wantsButtonPresses() const { return !registry_->presses.empty(); }

namespace {
void deliver(const std::map<int, std::shared_ptr<GlobalPointerMonitor::Handler>>& handlers, QPointF location) {
  // A handler may add or remove handlers; work on a copy and skip the removed ones.
  std::vector<std::weak_ptr<GlobalPointerMonitor::Handler>> snapshot;
  snapshot.reserve(handlers.size());
  for (const auto& [id, handler] : handlers) snapshot.push_back(handler);
  for (const auto& weak : snapshot)
    if (auto handler = weak.lock()) (*handler)(location);
}
}  // namespace

void GlobalPointerMonitor::deliverMove(QPointF location) {
  auto keepAlive = registry_;
  deliver(keepAlive->moves, location);
}

void GlobalPointerMonitor::deliverButtonPress(QPointF location) {
  auto keepAlive = registry_;
  deliver(keepAlive->presses, location);
}

}  // namespace qv
