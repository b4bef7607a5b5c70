// What one large copy costs the main thread, from the capture to the item in the history: a
// 100 MB text (cut to 256,000 graphemes on the way) and a copy of 10,000 files. The budget is
// 50 ms for any single copy.
//   build/bin/bench_capture
#include "items/ItemServices.h"
#include "items/capture/ClipboardMonitor.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <QUrl>

namespace {

using namespace qv;

// Runs one capture of what `copy` puts on the clipboard, timing only the capture and the add.
template <typename Copy>
void captureLoop(benchmark::State& run, const Copy& copy) {
  for (auto _ : run) {
    run.PauseTiming();
    FakeContext fake;
    installItemServices(*fake.context);
    PanelState state(*fake.context);
    ClipboardMonitor monitor(*fake.context,
                             [&state](const ClipboardItem& item, bool blurred) { state.addItem(item, blurred); });
    monitor.start();
    copy(*fake.pasteboard);
    monitor.checkPasteboard(true);
    run.ResumeTiming();
    monitor.captureCurrentPasteboard();
    run.PauseTiming();
    if (state.items().isEmpty()) run.SkipWithError("nothing was captured");
    run.ResumeTiming();
  }
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
BENCHMARK(BM_CaptureHugeText)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CaptureTenThousandFiles(benchmark::State& run) {
  QByteArray uris;
  for (int i = 0; i < 10'000; ++i)
    uris += QUrl::fromLocalFile(QStringLiteral("/home/user/Documents/report %1.txt").arg(i)).toEncoded() + "\r\n";
  captureLoop(run, [&uris](FakePasteboard& pasteboard) { pasteboard.copy({{QStringLiteral("text/uri-list"), uris}}); });
}
BENCHMARK(BM_CaptureTenThousandFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
