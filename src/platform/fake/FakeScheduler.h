#pragma once
#include "platform/Scheduler.h"

#include <QDateTime>
#include <map>
#include <mutex>

namespace qv {

// Virtual time for tests. Nothing runs until the test advances the clock; work due at the same
// time runs in the order it was scheduled (FIFO). `post` is due "now".
class FakeScheduler : public Scheduler {
 public:
  explicit FakeScheduler(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(12, 0), Qt::UTC));

  QDateTime now() const override;
  double uptime() const override;
  WorkItem after(double seconds, std::function<void()> work, Guard guard = {}) override;
  Timer every(double seconds, std::function<void()> work, Guard guard = {}) override;
  void post(std::function<void()> work, Guard guard = {}) override;

  // Moves virtual time forward by `seconds`, running everything that falls due on the way at
  // its own due time (work scheduled meanwhile runs too when it falls inside the window).
  // Returns how many work items ran.
  int advance(double seconds);
  // Moves virtual time forward while the main thread is busy: nothing runs; what fell due
  // meanwhile runs late, at the next advance.
  void passBusy(double seconds);
  // Runs everything due now, including work that it schedules for now.
  int runPending() { return advance(0); }
  // Jumps the wall clock without running anything (a change of the system clock).
  void setWallClock(const QDateTime& date);
  // Scheduled and not yet run or cancelled.
  int pendingCount() const;

 private:
  struct Entry {
    std::shared_ptr<WorkItem::State> state;
    std::function<void()> work;
    Guard guard;
    double interval = -1;  // >= 0 for repeating timers
  };
  void schedule(double due, Entry entry);

  mutable std::recursive_mutex mutex_;
  QDateTime wallStart_;
  double wallOffset_ = 0;
  double elapsed_ = 0;
  qint64 sequence_ = 0;
  std::multimap<std::pair<double, qint64>, Entry> queue_;
};

}  // namespace qv
