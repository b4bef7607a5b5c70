// The library's narrowing over 100,000 items, next to the plain scan it is held against in the
// same run:
//   BM_LibraryFilteredItems/<query>/<scope>  filteredItems worked out anew (as after a keystroke
//                                            or a copy), for a one- and a ten-letter query, in
//                                            the all scope and in a category holding every
//                                            twentieth item
//   BM_ScanLoweredTexts/<query>              contains() over texts lower-cased beforehand: the floor
//   BM_LibraryScopeCounts                    the tab counts worked out anew, with a category and pins
#include "items/ItemServices.h"
#include "library/LibraryModel.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"
#include "support/SearchedTexts.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <vector>

namespace qv {
namespace {

constexpr int kHistorySize = 100'000;
constexpr int kFiledEvery = 20;
const QString kQueries[] = {QStringLiteral("a"), QStringLiteral("printed ag")};

struct Fixture {
  Fixture() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    state->setItems(bench::mixedHistory(fake.scheduler->now(), kHistorySize));
    category = state->addCategory(QStringLiteral("Work"), 2).id;
    PanelState::IdMap filed;
    PanelState::IdSet pinned;
    for (qsizetype i = 0; i < state->items().size(); ++i) {
      if (i % kFiledEvery == 0) filed.insert(state->items()[i].id, category);
      if (i % 50 == 0) pinned.insert(state->items()[i].id);
    }
    state->setCardCategories(filed);
    state->setPinnedIDs(pinned);
    model = std::make_unique<LibraryModel>(*state, *fake.scheduler);
    for (const ClipboardItem& item : state->items())
      loweredFields.push_back(bench::lowered(bench::searchedFields(item)));
  }
  // Makes the model work its lists out anew without changing what they hold (untimed).
  void forget() {
    state->setFilterTypes({TypeFilter::color});
    state->setFilterTypes({});
  }
  FakeContext fake;
  std::unique_ptr<PanelState> state;
  std::unique_ptr<LibraryModel> model;
  QUuid category;
  std::vector<QStringList> loweredFields;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_LibraryFilteredItems(benchmark::State& bench) {
  Fixture& f = fixture();
  const QString& query = kQueries[bench.range(0)];
  const LibraryScope scope = bench.range(1) == 0 ? LibraryScope::all() : LibraryScope::category(f.category);
  benchmark::DoNotOptimize(f.model->filteredItems(scope, query));  // the search index is made once
  f.fake.drain();
  qsizetype found = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    f.forget();
    bench.ResumeTiming();
    const FilteredItems result = f.model->filteredItems(scope, query);
    found = result.size();
    benchmark::DoNotOptimize(result);
  }
  bench.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_LibraryFilteredItems)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"query", "category"})
    ->Unit(benchmark::kMillisecond);

void BM_ScanLoweredTexts(benchmark::State& bench) {
  bench::scanLoweredTexts(bench, fixture().loweredFields, kQueries[bench.range(0)]);
}
BENCHMARK(BM_ScanLoweredTexts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LibraryScopeCounts(benchmark::State& bench) {
  Fixture& f = fixture();
  for (auto _ : bench) {
    bench.PauseTiming();
    f.forget();
    bench.ResumeTiming();
    benchmark::DoNotOptimize(f.model->scopeCounts());
  }
}
BENCHMARK(BM_LibraryScopeCounts)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
