#include "platform/fake/FakeWorkspace.h"

namespace qv {

std::optional<RunningApp> FakeWorkspace::applicationForPid(qint64 pid) const {
  std::lock_guard lock(mutex_);
  const auto found = apps_.constFind(pid);
  if (found == apps_.constEnd()) return std::nullopt;
  return *found;
}

std::optional<QString> FakeWorkspace::containingApplicationId(qint64 pid) const {
  std::lock_guard lock(mutex_);
  const QString id = containing_.value(pid);
  if (id.isEmpty()) return std::nullopt;
  return id;
}

bool FakeWorkspace::isStillRunning(const RunningApp& app) const {
  std::lock_guard lock(mutex_);
  const auto found = apps_.constFind(app.pid);
  return found != apps_.constEnd() && found->windowClass == app.windowClass && found->executable == app.executable;
}

bool FakeWorkspace::activate(const RunningApp& app) {
  if (!isStillRunning(app)) return false;
  activations.append(app);
  setFrontmost(app);
  return true;
}

void FakeWorkspace::addApplication(const RunningApp& app, const QString& containingId) {
  std::lock_guard lock(mutex_);
  apps_.insert(app.pid, app);
  if (!containingId.isEmpty()) containing_.insert(app.pid, containingId);
}

void FakeWorkspace::removeApplication(qint64 pid) {
  std::lock_guard lock(mutex_);
  apps_.remove(pid);
  containing_.remove(pid);
}

}  // namespace qv
