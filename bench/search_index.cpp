// The search index on its own, over 100,000 items:
//   BM_BuildIndex            every searched text lower-cased from nothing (the first search)
//   BM_RefreshAfterRemoval   one item gone from the middle: the rows are matched up again
//   BM_ScanIndex/0, /1       one keystroke's scan for a one-letter and a ten-letter query
#include "state/SearchIndex.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>

namespace qv {
namespace {

constexpr int kHistorySize = 100'000;
const QString kQueries[] = {QStringLiteral("a"), QStringLiteral("printed ag")};

const QList<ClipboardItem>& history() {
  static const QList<ClipboardItem> items = bench::mixedHistory(QDateTime::currentDateTimeUtc(), kHistorySize);
  return items;
}

void BM_BuildIndex(benchmark::State& bench) {
  for (auto _ : bench) {
    SearchIndex index({});
    index.refresh(history());
    benchmark::DoNotOptimize(index.matches(0, SearchIndex::Query(kQueries[0])));
  }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

void BM_RefreshAfterRemoval(benchmark::State& bench) {
  QList<ClipboardItem> shorter = history();
  shorter.removeAt(kHistorySize / 2);
  SearchIndex index({});
  bool whole = true;
  for (auto _ : bench) {
    index.markStale();
    index.refresh(whole ? history() : shorter);
    whole = !whole;
  }
}
BENCHMARK(BM_RefreshAfterRemoval)->Unit(benchmark::kMillisecond);

void BM_ScanIndex(benchmark::State& bench) {
  SearchIndex index({});
  index.refresh(history());
  const SearchIndex::Query query(kQueries[bench.range(0)]);
  qsizetype found = 0;
  for (auto _ : bench) {
    found = 0;
    for (qsizetype i = 0; i < kHistorySize; ++i) found += index.matches(i, query) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  bench.counters["found"] = double(found);
}
BENCHMARK(BM_ScanIndex)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QCoreApplication>(argc, argv); }
