#pragma once
#include "platform/Scheduler.h"

#include <QList>
#include <functional>

namespace qv {

// A search of a long run of rows, shown as it goes. At a million items a scan of every text
// takes longer than a frame once the texts have left the caches: the first rows found come at
// once, enough to fill a screen, and the rest is scanned a slice at a time at the next turns of
// the event loop, so that keys and frames go on meanwhile. A short run is scanned whole at once.
class RowSearch {
 public:
  struct Pacing {
    // Runs shorter than this are scanned whole at once.
    qsizetype inStepsFrom = 131'072;
    // Found enough to show: the first scan stops once it has this many rows.
    qsizetype enoughToShow = 120;
    // The first scan's first slice (it doubles until enough are found), and the most it scans
    // once something is found.
    qsizetype firstSlice = 8'192;
    qsizetype firstScanMost = 65'536;
    // Each later slice: about a millisecond with the texts out of the caches.
    qsizetype slice = 32'768;
  };
  // The rows found among positions [from, end) of the run, ascending.
  using ScanSlice = std::function<QList<qint32>(qsizetype from, qsizetype end)>;

  // Scans the start of a run of `length` positions: until enough to show are found, or all of
  // it. Nothing found yet means nothing to show: it then scans on to the end, so that an
  // unfinished search never shows an empty list.
  RowSearch(qsizetype length, ScanSlice scanSlice, const Pacing& pacing);
  ~RowSearch();
  RowSearch(const RowSearch&) = delete;
  RowSearch& operator=(const RowSearch&) = delete;

  bool isComplete() const { return next_ >= length_; }
  // The rows found so far, ascending; all of them once complete.
  const QList<qint32>& found() const { return found_; }
  // When the first of the later slices runs. At the next turn of the event loop it runs before
  // a repaint asked for in this turn (the event loop takes a repaint after other work posted in
  // the same turn); a turn later, the frame that shows the first rows is drawn first.
  enum class FirstSlice { nextTurn, afterFrame };
  // Scans the rest a slice at a time on the scheduler, then calls `done` (not when destroyed first).
  void continueOn(Scheduler& scheduler, std::function<void()> done, FirstSlice first = FirstSlice::nextTurn);
  // Scans the rest now (the pending slices are dropped; `done` is not called).
  void finish();

 private:
  void scanOn(qsizetype most);
  void step();

  qsizetype length_ = 0;
  qsizetype next_ = 0;
  ScanSlice scan_;
  Pacing pacing_;
  QList<qint32> found_;
  Scheduler* scheduler_ = nullptr;
  std::function<void()> done_;
  WorkItem pending_;
};

}  // namespace qv
