#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace qv {

Guard::Guard(const QObject* object) : object_(object), hasObject_(object != nullptr) {}

bool Guard::alive() const {
  if (hasObject_ && object_.isNull()) return false;
  if (hasWeak_ && weak_.expired()) return false;
  return true;
}

std::function<void()> queuedAction(const std::shared_ptr<Scheduler>& scheduler, std::function<void()> action,
                                   Guard guard) {
  return [weak = std::weak_ptr<Scheduler>(scheduler), action = std::move(action), guard] {
    if (const std::shared_ptr<Scheduler> strong = weak.lock(); strong && action) strong->post(action, guard);
  };
}

void WorkItem::cancel() {
  if (state_) state_->cancelled = true;
}

bool WorkItem::isCancelled() const { return state_ && state_->cancelled; }

bool WorkItem::isPending() const { return state_ && !state_->cancelled && !state_->done; }

struct QtScheduler::Impl {
  QElapsedTimer clock;
  QObject context;  // timers die with the scheduler
};

QtScheduler::QtScheduler() : impl_(std::make_unique<Impl>()) { impl_->clock.start(); }

QtScheduler::~QtScheduler() = default;

QDateTime QtScheduler::now() const { return QDateTime::currentDateTimeUtc(); }

double QtScheduler::uptime() const { return static_cast<double>(impl_->clock.nsecsElapsed()) / 1e9; }

WorkItem QtScheduler::after(double seconds, std::function<void()> work, Guard guard) {
  auto state = std::make_shared<WorkItem::State>();
  const int ms = static_cast<int>(std::max(0.0, seconds) * 1000.0 + 0.5);
  QTimer::singleShot(ms, Qt::PreciseTimer, &impl_->context, [state, work = std::move(work), guard = std::move(guard)] {
    if (state->cancelled || state->done) return;
    state->done = true;
    if (guard.alive()) work();
  });
  return WorkItem(state);
}

Timer QtScheduler::every(double seconds, std::function<void()> work, Guard guard) {
  auto state = std::make_shared<WorkItem::State>();
  auto* timer = new QTimer(&impl_->context);
  timer->setTimerType(Qt::PreciseTimer);
  timer->setInterval(static_cast<int>(std::max(0.0, seconds) * 1000.0 + 0.5));
  QObject::connect(timer, &QTimer::timeout, timer, [timer, state, work = std::move(work), guard = std::move(guard)] {
    if (state->cancelled || !guard.alive()) {
      timer->stop();
      timer->deleteLater();
      return;
    }
    work();
  });
  timer->start();
  return Timer(WorkItem(state));
}

void QtScheduler::post(std::function<void()> work, Guard guard) {
  QMetaObject::invokeMethod(
      &impl_->context,
      [work = std::move(work), guard = std::move(guard)] {
        if (guard.alive()) work();
      },
      Qt::QueuedConnection);
}

}  // namespace qv
