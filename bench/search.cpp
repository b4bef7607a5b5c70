// Search per keystroke over 100,000 items (or as many as `--history_size=N` says): filteredItems for a one-letter and a
// ten-letter query, next to plain substring scans of the same searched texts in the same run.
//   BM_FilteredItems          the state's filtered list (index warm, as while typing)
//   BM_FirstSearch            the first search of a state that never searched (the index not made
//                             yet: the items are looked at one by one, the index made aside)
//   BM_ScanLoweredTexts       contains() over texts lower-cased beforehand: the floor
//   BM_LowerAndScanTexts      lower-casing each text, then contains() (no cache at all)
//   BM_FirstSearchAfterNewItem the first search after a new copy arrived (index refreshed)
#include "items/ItemServices.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"
#include "support/SearchedTexts.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <random>
#include <vector>

namespace qv {
namespace {

// The size of the histories, from `--history_size=N`.
int historySize = 100'000;
const QString kQueries[] = {QStringLiteral("a"), QStringLiteral("printed ag")};

struct Fixture {
  Fixture() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    state->setItems(bench::mixedHistory(fake.scheduler->now(), historySize));
    for (const ClipboardItem& item : state->items()) {
      fields.push_back(bench::searchedFields(item));
      loweredFields.push_back(bench::lowered(fields.back()));
    }
  }
  FakeContext fake;
  std::unique_ptr<PanelState> state;
  std::vector<QStringList> fields;
  std::vector<QStringList> loweredFields;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_FilteredItems(benchmark::State& bench) {
  Fixture& f = fixture();
  const QString& query = kQueries[bench.range(0)];
  f.state->setSearchQuery(query);
  benchmark::DoNotOptimize(f.state->filteredItems());  // the index is made once
  f.fake.drain();
  qsizetype found = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    f.state->setSearchQuery(QString());
    bench.ResumeTiming();
    f.state->setSearchQuery(query);
    const FilteredItems result = f.state->filteredItems();
    found = result.size();
    benchmark::DoNotOptimize(result);
  }
  bench.counters["found"] = static_cast<double>(found);
  f.state->setSearchQuery(QString());
}
BENCHMARK(BM_FilteredItems)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FirstSearch(benchmark::State& bench) {
  Fixture& f = fixture();
  const QString& query = kQueries[bench.range(0)];
  qsizetype found = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    auto state = std::make_unique<PanelState>(*f.fake.context);
    state->setItems(f.state->items());
    bench.ResumeTiming();
    state->setSearchQuery(query);
    found = state->filteredItems().size();
    bench.PauseTiming();
    f.fake.drain();
    state.reset();
    bench.ResumeTiming();
  }
  bench.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FirstSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ScanLoweredTexts(benchmark::State& bench) {
  bench::scanLoweredTexts(bench, fixture().loweredFields, kQueries[bench.range(0)]);
}
BENCHMARK(BM_ScanLoweredTexts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LowerAndScanTexts(benchmark::State& bench) {
  Fixture& f = fixture();
  const QString& query = kQueries[bench.range(0)];
  size_t found = 0;
  for (auto _ : bench) {
    std::vector<size_t> hits;
    for (size_t i = 0; i < f.fields.size(); ++i)
      for (const QString& field : f.fields[i])
        if (field.toLower().contains(query)) {
          hits.push_back(i);
          break;
        }
    found = hits.size();
    benchmark::DoNotOptimize(hits.data());
  }
  bench.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_LowerAndScanTexts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A copy arrives while a query is shown: it comes down the add path (addItem), then the
// search runs with one new item and the rest reused from the index. The copy is taken out
// again untimed, so that the history keeps its size.
void BM_FirstSearchAfterNewItem(benchmark::State& bench) {
  Fixture& f = fixture();
  f.state->setSearchQuery(kQueries[1]);
  benchmark::DoNotOptimize(f.state->filteredItems());
  f.fake.drain();
  int n = 0;
  for (auto _ : bench) {
    const ClipboardItem copy = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                                   f.fake.scheduler->now(),
                                                   TextPayload{QStringLiteral("printed agenda %1").arg(n++)});
    f.state->addItem(copy);
    benchmark::DoNotOptimize(f.state->filteredItems());
    bench.PauseTiming();
    f.state->removeItem(copy.id);
    benchmark::DoNotOptimize(f.state->filteredItems());
    bench.ResumeTiming();
  }
  f.state->setSearchQuery(QString());
}
BENCHMARK(BM_FirstSearchAfterNewItem)->Unit(benchmark::kMillisecond);

// The memory the first search adds, typed a letter at a time as in the panel ("t", "th",
// "the"), over 100,000 lines of 100-200 characters of the kind scripts/measure-shell copies (a
// quarter to a third of them hold "the"): the searched texts and the result.
void BM_MemoryAfterFirstSearch(benchmark::State& bench) {
  FakeContext fake;
  installItemServices(*fake.context);
  PanelState state(*fake.context);
  {
    std::mt19937 random(7);
    const QStringList words =
        QStringLiteral(
            "the of and to in is for on with as by at from that this it be are was or an not have "
            "which you meeting notes invoice order address street project deadline review update "
            "report client server config value function return error window copy paste history "
            "item account password number phone")
            .split(u' ');
    QList<ClipboardItem> lines;
    lines.reserve(historySize);
    for (int i = 0; i < historySize; ++i) {
      const qsizetype length = 100 + qsizetype(random() % 101);
      QString line;
      while (line.size() < length)
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + words[random() % words.size()];
      line.truncate(length);
      line[0] = line[0].toUpper();
      lines.append(ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                       fake.scheduler->now().addSecs(-i), TextPayload{line}));
    }
    state.setItems(std::move(lines));
  }
  double grown = 0;
  qsizetype found = 0;
  for (auto _ : bench) {
    const qint64 before = bench::residentBytes();
    FilteredItems shown;  // what the card list holds
    for (const QString& typed : {QStringLiteral("t"), QStringLiteral("th"), QStringLiteral("the")}) {
      state.setSearchQuery(typed);
      shown = state.filteredItems();
      fake.drain();  // the index made aside is taken over between two keys
    }
    found = shown.size();
    grown = double(bench::residentBytes() - before);
  }
  bench.counters["MiB"] = grown / (1024.0 * 1024.0);
  bench.counters["found"] = double(found);
}
BENCHMARK(BM_MemoryAfterFirstSearch)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) {
  qv::historySize = qv::bench::takeHistorySize(argc, argv, qv::historySize);
  return qv::bench::runBenchmarks<QApplication>(argc, argv);
}
