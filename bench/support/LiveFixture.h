#pragma once
// Services on Qt's own scheduler, counting the work it runs: posted work runs one turn of the
// event loop at a time, as in the program, so that a step is what one turn does. Animations move
// on a hand-driven frame clock; workers run when the benchmark lets the loop turn.
#include "BenchMain.h"
#include "items/ItemServices.h"
#include "platform/Scheduler.h"
#include "support/PdfFixtures.h"
#include "support/app/FakeContext.h"
#include "support/preview/LongTextFiles.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

namespace qv::bench {

class CountingScheduler : public Scheduler {
 public:
  QDateTime now() const override { return qt_.now(); }
  double uptime() const override { return qt_.uptime(); }
  WorkItem after(double seconds, std::function<void()> work, Guard guard = {}) override {
    return qt_.after(seconds, counted(std::move(work)), std::move(guard));
  }
  Timer every(double seconds, std::function<void()> work, Guard guard = {}) override {
    return qt_.every(seconds, counted(std::move(work)), std::move(guard));
  }
  void post(std::function<void()> work, Guard guard = {}) override {
    qt_.post(counted(std::move(work)), std::move(guard));
  }
  int ran() const { return ran_; }

 private:
  std::function<void()> counted(std::function<void()> work) {
    return [this, work = std::move(work)] {
      ++ran_;
      work();
    };
  }
  QtScheduler qt_;
  int ran_ = 0;
};

struct LiveFixture {
  FakeContext fake;
  std::shared_ptr<CountingScheduler> scheduler = std::make_shared<CountingScheduler>();
  LiveFixture() {
    fake.context->scheduler = scheduler;
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installInterfaceServices(*fake.context);
    installItemServices(*fake.context);
  }
  static LiveFixture& shared() { return sharedFixture<LiveFixture>(); }
  ManualFrameClock& clock() { return static_cast<ManualFrameClock&>(*fake.context->frameClock); }

  // Runs the event loop a turn at a time (workers first, then a frame of animation and a paint)
  // until it rests (no work, no animation); the longest turn that did something, in milliseconds. Adds the workers'
  // time to `worker` and the busy turns to `steps`.
  double settle(const std::function<void()>& paint, double& worker, double& steps) {
    int idle = 0;
    double longestStep = 0;
    for (int turn = 0; turn < 10'000 && idle < 3; ++turn) {
      const Turn done = runTurn(paint, worker);
      if (done.busy) {
        longestStep = std::max(longestStep, done.milliseconds);
        ++steps;
        idle = 0;
      } else {
        ++idle;
      }
    }
    return longestStep;
  }
  // Runs turns as settle() does for `seconds` of the scheduler's time (a wait in the program, such
  // as a hover's delay), every one of them a step; the longest, in milliseconds.
  double runFor(double seconds, const std::function<void()>& paint, double& worker, double& steps) {
    const double end = scheduler->uptime() + seconds;
    double longestStep = 0;
    while (scheduler->uptime() < end) {
      longestStep = std::max(longestStep, runTurn(paint, worker).milliseconds);
      ++steps;
    }
    return longestStep;
  }
  static double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }
  // The main thread's CPU time in milliseconds: a step's cost without the time the machine gave
  // to others (on a loaded machine a step's wall time grows by whole time slices).
  static double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
  }
  // The most CPU time one busy turn took since the last call.
  double takeLongestCpuStep() { return std::exchange(longestCpuStep_, 0); }

 private:
  struct Turn {
    double milliseconds = 0;  // on the main thread
    bool busy = false;        // scheduled work, a worker or an animation ran
  };
  // One turn of the event loop: the workers, then a frame of animation, the events and a paint.
  Turn runTurn(const std::function<void()>& paint, double& worker) {
    QElapsedTimer background;
    background.start();
    const int ran = fake.queues->runAll();
    worker += milliseconds(background);
    QElapsedTimer main;
    main.start();
    const double cpu = cpuMilliseconds();
    const bool animating = clock().isTicking();
    clock().advanceFrames(1);
    const int before = scheduler->ran();
    QCoreApplication::processEvents();
    const bool busy = scheduler->ran() != before;
    paint();
    if (busy || ran > 0 || animating) longestCpuStep_ = std::max(longestCpuStep_, cpuMilliseconds() - cpu);
    return {milliseconds(main), busy || ran > 0 || animating};
  }
  double longestCpuStep_ = 0;
};

// The longest step of the median iteration and of the worst one (a busy machine shows there),
// the busy turns and the workers' time per iteration.
inline void reportSteps(benchmark::State& state, std::vector<double> longestSteps, double steps, double worker) {
  std::sort(longestSteps.begin(), longestSteps.end());
  state.counters["max_step_ms"] = longestSteps.empty() ? 0 : longestSteps[longestSteps.size() / 2];
  state.counters["worst_step_ms"] = longestSteps.empty() ? 0 : longestSteps.back();
  state.counters["steps"] = benchmark::Counter(steps, benchmark::Counter::kAvgIterations);
  state.counters["worker_ms"] = benchmark::Counter(worker, benchmark::Counter::kAvgIterations);
}

// A file item for a 100-page PDF written once per run.
inline ClipboardPayload hundredPagePdf(benchmark::State& state) {
  state.SetLabel("100-page PDF");
  static QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("hundred.pdf"));
  if (!QFileInfo::exists(path) && !test::writeTestPdf(path, test::colouredPages(100)))
    state.SkipWithError("cannot write the PDF");
  return FilePayload{QStringLiteral("hundred.pdf"), {}, Url::fromLocalFile(path)};
}

// A file item for one of the files whose text is one enormous line, written once per run.
inline ClipboardPayload longTextFile(benchmark::State& state, int index) {
  const test::LongTextFileCase& file = test::kLongTextFiles[index];
  state.SetLabel(file.label);
  static QTemporaryDir folder;
  const QString path = folder.filePath(QLatin1String(file.fileName));
  if (!QFileInfo::exists(path) && !test::writeLongTextFile(file.kind, path))
    state.SkipWithError("cannot write the file");
  return FilePayload{QLatin1String(file.fileName), {}, Url::fromLocalFile(path)};
}
// `length` characters in lines of `lineLength` (the last character of each a line break; one
// line when `lineLength` exceeds `length`), `words` repeated from its start on each line.
inline QString textOfLines(const QString& words, int lineLength, int length = 256'000) {
  QString text;
  text.reserve(length);
  while (text.size() < length) {
    for (int i = 0; i < lineLength - 1 && text.size() < length; ++i) text += words.at(i % words.size());
    if (text.size() < length) text += u'\n';
  }
  return text;
}

inline constexpr int kLongTextFileCount = int(std::size(test::kLongTextFiles));

}  // namespace qv::bench
