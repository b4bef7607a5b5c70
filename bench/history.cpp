// The history at 100,000 items: adding a copy at the front, saving (encode + write), loading.
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/model/ItemJson.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <random>

namespace qv {
namespace {

using bench::mixedHistory;

constexpr int kHistorySize = 100'000;

struct Fixture {
  Fixture() {
    installItemServices(*fake.context);
    // Keep everything: retention should not shrink the benchmark's history.
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    history = mixedHistory(fake.scheduler->now(), kHistorySize);
  }
  FakeContext fake;
  std::unique_ptr<PanelState> state;
  QList<ClipboardItem> history;
};

// A copy at the front of a full history with a few marks: the de-duplication pass, the insert,
// the retention pass and the pruning of marks.
void BM_AddItemAtFrontOfFullHistory(benchmark::State& bench) {
  Fixture f;
  f.fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("1y"));
  f.state->setItems(f.history);
  f.state->setPinnedIDs({f.history[10].id, f.history[5000].id});
  f.state->setCardCategories({{f.history[20].id, newUuid()}});
  int n = 0;
  for (auto _ : bench) {
    f.state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), f.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("fresh copy %1").arg(n++)}));
  }
  bench.counters["items"] = static_cast<double>(f.state->items().size());
}
BENCHMARK(BM_AddItemAtFrontOfFullHistory)->Unit(benchmark::kMillisecond);

// The same text copied again: the older copy is removed as well (two changes of the list).
void BM_AddDuplicateAtFrontOfFullHistory(benchmark::State& bench) {
  Fixture f;
  f.state->setItems(f.history);
  for (auto _ : bench) {
    f.state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), f.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("the same copy")}));
  }
}
BENCHMARK(BM_AddDuplicateAtFrontOfFullHistory)->Unit(benchmark::kMillisecond);

// One save as the quit flush runs it: snapshot, encode and atomic write (here on this thread).
void BM_SaveFullHistory(benchmark::State& bench) {
  Fixture f;
  f.state->setItems(f.history);
  for (auto _ : bench) f.state->flushSave();
  bench.counters["bytes"] = static_cast<double>(QFileInfo(f.state->historyFilePath()).size());
}
BENCHMARK(BM_SaveFullHistory)->Unit(benchmark::kMillisecond);

// Start-up as the launch waits for it: read, decode, marks and retention. The work it leaves
// to the save queue and to later turns of the loop (the bookmark look-up of file items, the
// image-text backfill scan) and the teardown of the state are not timed; the next one times
// them with the load.
void BM_LoadFullHistory(benchmark::State& bench) {
  Fixture f;
  writeFileAtomically(f.state->historyFilePath(), encodeItems(f.history));
  for (auto _ : bench) {
    auto state = std::make_unique<PanelState>(*f.fake.context);
    state->loadHistory();
    benchmark::DoNotOptimize(state->items().size());
    bench.PauseTiming();
    f.fake.drain();
    state.reset();
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_LoadFullHistory)->Unit(benchmark::kMillisecond);

// The load with everything it sets off run to the end, and the state torn down again.
void BM_LoadFullHistoryAndSettle(benchmark::State& bench) {
  Fixture f;
  writeFileAtomically(f.state->historyFilePath(), encodeItems(f.history));
  for (auto _ : bench) {
    auto state = std::make_unique<PanelState>(*f.fake.context);
    state->loadHistory();
    f.fake.drain();
    benchmark::DoNotOptimize(state->items().size());
    state.reset();
  }
}
BENCHMARK(BM_LoadFullHistoryAndSettle)->Unit(benchmark::kMillisecond);

// The parts of the load: the decoder alone on the same file.
void BM_DecodeFullHistory(benchmark::State& bench) {
  Fixture f;
  const QByteArray json = encodeItems(f.history);
  for (auto _ : bench) benchmark::DoNotOptimize(decodeItems(json));
}
BENCHMARK(BM_DecodeFullHistory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
