// What one large copy costs the main thread, step by step, from the look at the change to the
// items in the history, and what it costs the queues: a 100 MB text (cut to 256,000 graphemes
// on the way) and a copy of 10,000 files, into an empty history and into one of 10,000 texts.
// The budget is 50 ms for any single main-thread step of a copy. The reported time is the
// longest of the three main-thread steps; the counters give each step and the queues' work
// (in ms per copy):
//   look      the change is seen and its content accepted (markers, source)
//   capture   the capture runs after the delay (rules, time)
//   handover  the analysed items reach the history (de-duplication, marks, save scheduled)
//   analysis  the capture queue: decoding, cutting, classifying, the file list, rich text
//   bookmarks the bookmark queue: one bookmark per file, synced together
//   build/bin/bench_capture
#include "items/ItemServices.h"
#include "items/capture/ClipboardMonitor.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QUrl>
#include <algorithm>

namespace {

using namespace qv;

QList<ClipboardItem> textHistory(qsizetype count) {
  QList<ClipboardItem> items;
  items.reserve(count);
  const QDateTime at = QDateTime(QDate(2026, 3, 14), QTime(11, 0), Qt::UTC);
  for (qsizetype i = 0; i < count; ++i) {
    const QString text = QStringLiteral(
                             "Item %1: the quarterly report draft with figures for the northern region "
                             "and a note on the delivery schedule for next week's meeting")
                             .arg(i);
    items.append(ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"), at, TextPayload{text}));
  }
  return items;
}

double millisecondsOf(const std::function<void()>& step) {
  QElapsedTimer timer;
  timer.start();
  step();
  return double(timer.nsecsElapsed()) / 1e6;
}

// Runs one capture of what `copy` puts on the clipboard, each step on its own.
template <typename Copy>
void captureLoop(benchmark::State& run, const Copy& copy) {
  const QList<ClipboardItem> history = textHistory(run.range(0));
  double look = 0, capture = 0, handover = 0, analysis = 0, bookmarks = 0;
  for (auto _ : run) {
    FakeContext fake;
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    installItemServices(*fake.context);
    PanelState state(*fake.context);
    state.setItems(history);
    // As the program hands the items over.
    ClipboardMonitor monitor(*fake.context, [&state](const ClipboardItem& item, bool blurred) {
      state.addItem(item, blurred);
      if (blurred) state.markSensitive(item.id, true);
    });
    monitor.setNewItemsHandler([&state](const QList<ClipboardItem>& items, bool blurred) {
      const QList<QUuid> stayed = state.addItems(items, blurred);
      if (blurred) state.markSensitive(stayed, true);
    });
    monitor.start();
    copy(*fake.pasteboard);
    const double steps[] = {
        millisecondsOf([&] { monitor.checkPasteboard(true); }),
        millisecondsOf([&] { monitor.captureCurrentPasteboard(); }),
        millisecondsOf([&] { fake.queues->queue(QStringLiteral("com.tarnwick.Quorvalen.capture"))->runAll(); }),
        millisecondsOf([&] { fake.scheduler->runPending(); }),
        millisecondsOf([&] { fake.queues->queue(QStringLiteral("com.tarnwick.Quorvalen.fileBookmarks"))->runAll(); }),
    };
    look += steps[0];
    capture += steps[1];
    analysis += steps[2];
    handover += steps[3];
    bookmarks += steps[4];
    run.SetIterationTime(std::max({steps[0], steps[1], steps[3]}) / 1000);
    if (state.items().size() <= history.size()) run.SkipWithError("nothing was captured");
  }
  const auto perCopy = [](double total) { return benchmark::Counter(total, benchmark::Counter::kAvgIterations); };
  run.counters["look"] = perCopy(look);
  run.counters["capture"] = perCopy(capture);
  run.counters["handover"] = perCopy(handover);
  run.counters["analysis"] = perCopy(analysis);
  run.counters["bookmarks"] = perCopy(bookmarks);
}

void BM_CaptureHugeText(benchmark::State& run) {
  // Mostly ASCII with an accented letter now and then, as a large log or document would be.
  QString line = QStringLiteral("2026-03-14 12:00:00 INFO request handled in 12 ms, caf\u00e9 user=42 path=/api/v1\n");
  QString text;
  text.reserve(100'000'000);
  while (text.size() + line.size() <= 100'000'000) text += line;
  const QByteArray utf8 = text.toUtf8();
  captureLoop(run, [&utf8](FakePasteboard& pasteboard) {
    pasteboard.copy({{QStringLiteral("text/plain;charset=utf-8"), utf8}});
  });
}
BENCHMARK(BM_CaptureHugeText)->Arg(0)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CaptureTenThousandFiles(benchmark::State& run) {
  QByteArray uris;
  for (int i = 0; i < 10'000; ++i)
    uris += QUrl::fromLocalFile(QStringLiteral("/home/user/Documents/report %1.txt").arg(i)).toEncoded() + "\r\n";
  captureLoop(run, [&uris](FakePasteboard& pasteboard) { pasteboard.copy({{QStringLiteral("text/uri-list"), uris}}); });
}
BENCHMARK(BM_CaptureTenThousandFiles)
    ->Arg(0)
    ->Arg(10'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
