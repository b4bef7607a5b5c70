// The library's narrowing over 100,000 items, next to the plain scan it is held against in the
// same run:
//   BM_LibraryFilteredItems/<query>/<scope>  filteredItems worked out anew (as after a keystroke
//                                            or a copy), for a one- and a ten-letter query, in
//                                            the all scope and in a category holding every
//                                            twentieth item
//   BM_ScanLoweredTexts/<query>              contains() over texts lower-cased beforehand: the floor
//   BM_LibraryScopeCounts                    the tab counts worked out anew, with a category and pins
//   BM_LibraryKeyToFrame/<key>               one key of the search field over 1,000,000 items (or
//                                            --history_size=N), the main thread's work from the
//                                            key to its repaint: the query set, what the views read
//                                            at the change, and whatever the event loop runs before
//                                            a repaint asked for then (on Qt's own event loop);
//                                            "t" typed into the empty field, "e" after "th"
#include "items/ItemServices.h"
#include "library/LibraryModel.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"
#include "support/SearchedTexts.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QEvent>
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

// ---- One key over a million items ----------------------------------------------------------

}  // namespace

// The size of the key's history, from `--history_size=N`.
int keyHistorySize = 1'000'000;

namespace {

// A library over a long history with its model on the real scheduler: its search goes on at the
// turns of Qt's event loop, as in the program.
struct KeyFixture {
  KeyFixture() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    state->setItems(bench::mixedHistory(fake.scheduler->now(), keyHistorySize));
    state->prepareSearch();  // as the field does when it takes the keys
    fake.drain();
    model = std::make_unique<LibraryModel>(*state, scheduler);
    readAsTheViews();
  }
  // What the grid, the header and the status row read at a change of the model.
  void readAsTheViews() const {
    benchmark::DoNotOptimize(model->filteredItems());
    benchmark::DoNotOptimize(model->dateSections());
    benchmark::DoNotOptimize(model->scopeCounts());
    benchmark::DoNotOptimize(model->statusLine());
    benchmark::DoNotOptimize(model->emptyState());
  }
  // Runs the event loop until a repaint asked for now would be drawn: Qt posts a widget's
  // repaint at low priority, behind the work posted before it at the normal one.
  static void untilTheFrame() {
    struct Frame : QObject {
      bool drawn = false;
      bool event(QEvent* event) override {
        drawn = drawn || event->type() == QEvent::UpdateRequest;
        return QObject::event(event);
      }
    } frame;
    QCoreApplication::postEvent(&frame, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    while (!frame.drawn) QCoreApplication::processEvents();
  }
  // Ends the search going on and lets its lists go, so that the next key searches anew.
  void settle(const QString& query) {
    model->setQuery(query);
    benchmark::DoNotOptimize(model->wholeFilteredItems());
    QCoreApplication::processEvents();
    readAsTheViews();
  }
  void forget() {
    state->setFilterTypes({TypeFilter::color});
    state->setFilterTypes({});
  }
  FakeContext fake;
  QtScheduler scheduler;
  std::unique_ptr<PanelState> state;
  std::unique_ptr<LibraryModel> model;
};

void BM_LibraryKeyToFrame(benchmark::State& bench) {
  KeyFixture& f = bench::sharedFixture<KeyFixture>();
  const QString before = bench.range(0) == 0 ? QString() : QStringLiteral("th");
  const QString after = bench.range(0) == 0 ? QStringLiteral("t") : QStringLiteral("the");
  qsizetype shown = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    f.settle(QString());
    f.forget();
    f.settle(before);
    bench.ResumeTiming();
    f.model->setQuery(after);
    f.readAsTheViews();
    KeyFixture::untilTheFrame();
    bench.PauseTiming();
    shown = f.model->filteredItems().size();
    bench.ResumeTiming();
  }
  bench.counters["shown"] = static_cast<double>(shown);
}
// Each key is set up anew (a search over the whole history, untimed): a few keys are timed.
BENCHMARK(BM_LibraryKeyToFrame)->Arg(0)->Arg(1)->ArgName("key")->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) {
  qv::keyHistorySize = qv::bench::takeHistorySize(argc, argv, qv::keyHistorySize);
  return qv::bench::runBenchmarks<QApplication>(argc, argv);
}
