#include "state/RowSearch.h"

#include <algorithm>

namespace qv {

RowSearch::RowSearch(qsizetype length, ScanSlice scanSlice, const Pacing& pacing)
    : length_(length), scan_(std::move(scanSlice)), pacing_(pacing) {
  if (length_ < pacing_.inStepsFrom) {
    scanOn(length_);
    return;
  }
  for (qsizetype slice = pacing_.firstSlice; !isComplete(); slice *= 2) {
    scanOn(slice);
    if (found_.size() >= pacing_.enoughToShow || (!found_.isEmpty() && next_ >= pacing_.firstScanMost)) break;
  }
}

RowSearch::~RowSearch() { pending_.cancel(); }

void RowSearch::scanOn(qsizetype most) {
  if (isComplete()) return;
  const qsizetype end = std::min(length_, next_ + std::max<qsizetype>(most, 1));
  const QList<qint32> rows = scan_(next_, end);
  if (found_.isEmpty()) found_ = rows;
  else found_.append(rows);
  next_ = end;
}

void RowSearch::continueOn(Scheduler& scheduler, std::function<void()> done, FirstSlice first) {
  scheduler_ = &scheduler;
  done_ = std::move(done);
  pending_.cancel();
  if (isComplete()) return;
  if (first == FirstSlice::afterFrame) {
    pending_ = scheduler.after(0, [this] { pending_ = scheduler_->after(0, [this] { step(); }); });
    return;
  }
  pending_ = scheduler.after(0, [this] { step(); });
}

void RowSearch::step() {
  scanOn(pacing_.slice);
  if (!isComplete()) {
    pending_ = scheduler_->after(0, [this] { step(); });
    return;
  }
  if (const auto done = std::move(done_)) done();
}

void RowSearch::finish() {
  pending_.cancel();
  done_ = nullptr;
  if (!isComplete()) scanOn(length_ - next_);
}

}  // namespace qv
