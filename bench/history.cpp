// The history at 100,000 items (or as many as `--history_size=N` says): adding a copy at the
// front (also while the views hold the list, and as the first copies after a start), saving
// (encode + write), loading; and the date filters' checks over histories with nothing in their
// ranges.
#include "app/PanelController.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/model/ItemJson.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "panel/FilterPanel.h"
#include "panel/FilterTabs.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "state/HistoryJournal.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/TextInput.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <random>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace qv {
namespace {

using bench::mixedHistory;

// The size of the histories, from `--history_size=N`.
int historySize = 100'000;

struct Fixture {
  explicit Fixture(int size = historySize) {
    installItemServices(*fake.context);
    // Keep everything: retention should not shrink the benchmark's history.
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    history = mixedHistory(fake.scheduler->now(), size);
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

// The copy of BM_AddItemAtFrontOfFullHistory in the state real use leaves the views in: the panel
// was shown, searched and closed, and the library was opened: on screen (argument 1), where it
// shows each copy, or closed again (0), where it catches up when it shows. Both hold the filtered
// list of the history they show (the panel's also while it is hidden); a copy must not copy the
// history. On screen with pins, a category, a selected card and the detail pane open (2), and
// with a type filter besides (3), whose list takes the copy's place and moves every other on; on
// screen with each copy the text of an item a hundred places down copied again (4), which leaves.
void BM_AddItemWhileViewsHoldTheList(benchmark::State& bench) {
  FakeContext fake;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  installItemServices(*fake.context);
  installInterfaceServices(*fake.context);
  fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
  PanelController panel(*fake.context);
  PanelState& state = panel.state();
  state.setItems(mixedHistory(fake.scheduler->now(), historySize));
  panel.showPanel();
  QCoreApplication::processEvents();
  QWidget* field = panel.rootView()->searchBar().field();
  if (!field) return bench.SkipWithError("no search field");
  QKeyEvent key(QEvent::KeyPress, Qt::Key_E, Qt::NoModifier, QStringLiteral("e"));
  QCoreApplication::sendEvent(field, &key);
  QCoreApplication::processEvents();
  fake.drain();
  panel.hidePanel();
  fake.scheduler->advance(1);
  QCoreApplication::processEvents();
  LibraryModel library(state, *fake.scheduler);
  LibraryView view(*fake.context, library);
  const QMetaObject::Connection syncing = QObject::connect(&library, &LibraryModel::changed, &view,
                                                           [&view] { view.sync(); });
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.resize(1100, 760);
  view.show();
  view.sync();
  QCoreApplication::processEvents();
  if (bench.range(0) >= 2) {
    const QList<ClipboardItem>& items = state.items();
    state.setPinnedIDs({items[10].id, items[items.size() / 2].id});
    state.setCardCategories({{items[20].id, newUuid()}, {items.last().id, newUuid()}});
    library.selectCard(items[3].id);
    library.showDetail(items[3].id);
    if (bench.range(0) == 3) state.setFilterTypes({TypeFilter::text});
    QCoreApplication::processEvents();
  }
  if (bench.range(0) == 0) {
    // Closed, the window's controller leaves the view as it was until it shows again.
    QObject::disconnect(syncing);
    view.hide();
  }
  // A history just set has no room before its first item: the first copy makes it (a one-off
  // move of the whole list) and is not timed.
  state.addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), fake.scheduler->now(),
                                    TextPayload{QStringLiteral("makes room at the front")}));
  int n = 0;
  for (auto _ : bench) {
    if (bench.range(0) == 4) {
      qsizetype place = 100;
      while (std::holds_alternative<ImagePayload>(state.items().at(place).payload)) ++place;
      const ClipboardItem& older = state.items().at(place);
      state.addItem(ClipboardItem::make(newUuid(), older.sourceAppBundleID, fake.scheduler->now(), older.payload));
      continue;
    }
    state.addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), fake.scheduler->now(),
                                      TextPayload{QStringLiteral("fresh copy %1").arg(n++)}));
  }
  bench.counters["items"] = double(state.items().size());
}
BENCHMARK(BM_AddItemWhileViewsHoldTheList)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The copy of BM_AddItemWhileViewsHoldTheList/1 (the library on screen) with the library's filter
// surface open beside it, on its applications' tab (0) or its date tab (1): the surface asks the
// history which applications, kinds and dates it holds at every copy.
void BM_AddItemWithFilterSurfaceOnScreen(benchmark::State& bench) {
  FakeContext fake;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  installItemServices(*fake.context);
  installInterfaceServices(*fake.context);
  fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
  PanelState state(*fake.context);
  state.setItems(mixedHistory(fake.scheduler->now(), historySize));
  LibraryModel library(state, *fake.scheduler);
  LibraryView view(*fake.context, library);
  QObject::connect(&library, &LibraryModel::changed, &view, [&view] { view.sync(); });
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.resize(1100, 760);
  view.show();
  view.sync();
  FilterPanelView surface(*fake.context, state, FilterSurface::library);
  surface.setAttribute(Qt::WA_DontShowOnScreen);
  surface.show();
  state.setLibraryFilterSurfaceOpen(true);
  surface.selectTab(bench.range(0) == 0 ? FilterTab::app : FilterTab::date);
  QCoreApplication::processEvents();
  // The first copy makes room at the front of a history just set, and is not timed.
  state.addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), fake.scheduler->now(),
                                    TextPayload{QStringLiteral("makes room at the front")}));
  int n = 0;
  for (auto _ : bench) {
    state.addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), fake.scheduler->now(),
                                      TextPayload{QStringLiteral("fresh copy %1").arg(n++)}));
  }
  bench.counters["items"] = double(state.items().size());
}
BENCHMARK(BM_AddItemWithFilterSurfaceOnScreen)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// A history of `count` items whose newest is 40 days old (someone back from six weeks away): no
// item in any date filter's range.
struct AwayFixture : Fixture {
  explicit AwayFixture(int count) : Fixture(0) {
    state->setItems(mixedHistory(fake.scheduler->now().addDays(-40), count));
  }
};

// The sizes of those histories; a few rounds, as the checks took seconds each.
void awaySizes(benchmark::internal::Benchmark* bench) {
  bench->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(3)->Unit(benchmark::kMillisecond);
}

// What the filter surface asks as it opens (the library's, or the panel's): whether each date
// filter has anything, for the Date tab and its chips.
void BM_DateChipChecksWithEmptyRanges(benchmark::State& bench) {
  AwayFixture f(int(bench.range(0)));
  bool any = false;
  for (auto _ : bench) {
    for (const DateFilter date : kAllDateFilters) any = dateIsAvailable(*f.state, date) || any;
    benchmark::DoNotOptimize(tabHasContent(*f.state, FilterTab::date));
  }
  bench.counters["any"] = any;
}
BENCHMARK(BM_DateChipChecksWithEmptyRanges)->Apply(awaySizes);

// A date chip chosen over the same history: the filtered list worked out (nothing in range).
void BM_FilterByDateChipWithEmptyRange(benchmark::State& bench) {
  AwayFixture f(int(bench.range(0)));
  qsizetype shown = 0;
  for (auto _ : bench) {
    f.state->setFilterDate(DateFilter::last30Days);
    shown += f.state->filteredItems().size();
    bench.PauseTiming();
    f.state->setFilterDate(std::nullopt);
    bench.ResumeTiming();
  }
  bench.counters["shown"] = double(shown);
}
BENCHMARK(BM_FilterByDateChipWithEmptyRange)->Apply(awaySizes);

// One save as the quit flush runs it: snapshot, encode and atomic write (here on this thread).
void BM_SaveFullHistory(benchmark::State& bench) {
  Fixture f;
  f.state->setItems(f.history);
  for (auto _ : bench) f.state->flushSave();
  bench.counters["bytes"] = static_cast<double>(QFileInfo(f.state->historyFilePath()).size());
}
BENCHMARK(BM_SaveFullHistory)->Unit(benchmark::kMillisecond);

// What the rounds before freed goes back to the system, as a program starts with none: the load
// hands back what its decoding left unused, and would otherwise hand back theirs too.
void releaseFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

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
    releaseFreedMemory();
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

// The bytes this process has had written to storage so far (page-cache pages it dirtied).
qint64 bytesWritten() {
  QFile io(QStringLiteral("/proc/self/io"));
  if (!io.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : io.readAll().split('\n'))
    if (line.startsWith("write_bytes:")) return line.mid(12).trimmed().toLongLong();
  return 0;
}

// A full history as a start-up leaves it: read from its file, so that saves go to the journal.
struct LoadedFixture : Fixture {
  LoadedFixture() {
    writeFileAtomically(state->historyFilePath(), encodeItems(history));
    state->loadHistory();
    fake.drain();
  }
  void copy(int n) {
    state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), fake.scheduler->now(),
                                       TextPayload{QStringLiteral("Copy %1: the meeting moved to room 12, bring the "
                                                                  "printed agenda and the budget sheet.")
                                                       .arg(n)}));
  }
};

// Twenty copies a second apart, each saved as the program saves it (the state's delay, then the
// save queue): the bytes written per copy, median of the twenty.
void BM_BytesWrittenPerCopy(benchmark::State& bench) {
  LoadedFixture f;
  std::vector<qint64> perCopy;
  int n = 0;
  for (auto _ : bench) {
    for (int i = 0; i < 20; ++i) {
      const qint64 before = bytesWritten();
      f.copy(n++);
      f.fake.scheduler->advance(1);
      f.fake.drain();
      perCopy.push_back(bytesWritten() - before);
    }
  }
  std::nth_element(perCopy.begin(), perCopy.begin() + qsizetype(perCopy.size() / 2), perCopy.end());
  bench.counters["median_bytes_per_copy"] = double(perCopy[perCopy.size() / 2]);
  bench.counters["journal_bytes"] = double(QFileInfo(f.state->historyFilePath().replace(".json", ".journal")).size());
}
BENCHMARK(BM_BytesWrittenPerCopy)->Unit(benchmark::kMillisecond)->Iterations(1);

// 200 texts copied a second apart, each with everything it sets off (the save on its
// queue included), into a history of 0 or 10,000 items read from its file: the cost of a copy
// must not grow with the history.
void BM_CopyAndItsSave(benchmark::State& bench) {
  Fixture f;
  const QList<ClipboardItem> history = mixedHistory(f.fake.scheduler->now(), int(bench.range(0)));
  writeFileAtomically(f.state->historyFilePath(), encodeItems(history));
  f.state->loadHistory();
  f.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
  f.fake.drain();
  int n = 0;
  for (auto _ : bench) {
    f.state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), f.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("Copy %1: the meeting moved to room 12, bring the "
                                                                    "printed agenda and the budget sheet.")
                                                         .arg(n++)}));
    f.fake.scheduler->advance(1);
    f.fake.drain();
  }
  bench.counters["items"] = double(f.state->items().size());
}
BENCHMARK(BM_CopyAndItsSave)->Arg(0)->Arg(10'000)->Unit(benchmark::kMicrosecond)->Iterations(200);

// The copy numbered by the argument after a start: the history (with two pins) read from its
// file as the launch reads it and everything the launch set off settled; the copies before it
// are not timed. The first must cost what the fifth does.
void BM_CopyAfterStart(benchmark::State& bench) {
  Fixture f;
  writeFileAtomically(f.state->historyFilePath(), encodeItems(f.history));
  // Two pins, as most histories have a few marks.
  f.state->setPinnedIDs({f.history[10].id, f.history[f.history.size() / 2].id});
  f.state->savePinned();
  f.history = {};
  f.state.reset();
  int n = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    auto state = std::make_unique<PanelState>(*f.fake.context);
    state->loadHistory();
    f.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
    f.fake.drain();
    // Texts of one length: the duplicate check meets the same older items at every copy.
    const auto copy = [&] {
      state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), f.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("Copy %1: the meeting moved to room 12, bring the "
                                                                    "printed agenda and the budget sheet.")
                                                         .arg(n++, 6, 10, QLatin1Char('0'))}));
    };
    for (int k = 1; k < bench.range(0); ++k) copy();
    bench.ResumeTiming();
    copy();
    bench.PauseTiming();
    bench.counters["items"] = double(state->items().size());
    // Unsaved: every round starts from the same file.
    state.reset();
    f.fake.drain();
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_CopyAfterStart)->Arg(1)->Arg(5)->Iterations(5)->Unit(benchmark::kMillisecond);

// Quitting a second after a copy: the copy is in the journal already, and the journal is not
// folded into a history of this size at quit.
void BM_QuitOneSecondAfterACopy(benchmark::State& bench) {
  LoadedFixture f;
  int n = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    f.copy(n++);
    f.fake.scheduler->advance(1);
    f.fake.drain();
    bench.ResumeTiming();
    f.state->flushSave();
  }
}
BENCHMARK(BM_QuitOneSecondAfterACopy)->Unit(benchmark::kMillisecond);

// A journal of `megabytes` of copies (about 5,000 a megabyte, with `replacing` a tenth of them
// replacing an older one anywhere in the history) over `history`, which is in the file at `path`.
QByteArray megabyteJournal(const QString& path, const QList<ClipboardItem>& history, const QDateTime& now,
                           int megabytes = 1, bool replacing = true) {
  QByteArray journal;
  journal::appendHeader(journal, *HistoryFileIdentity::ofFile(path));
  for (int n = 0; journal.size() < megabytes * 1024 * 1024; ++n) {
    const ClipboardItem copy = ClipboardItem::make(
        newUuid(), QStringLiteral("org.gnome.TextEditor"), now,
        TextPayload{QStringLiteral("Copy %1: the meeting moved to room 12, bring the printed agenda and the budget "
                                   "sheet.")
                        .arg(n)});
    if (replacing && n % 10 == 0)
      journal::appendRecord(journal, HistoryChange::removed(history[n * 7 % history.size()].id));
    journal::appendRecord(journal, HistoryChange::added(copy));
  }
  return journal;
}

// The load of BM_LoadFullHistory with a journal of 1 MB to replay (the most it holds before it
// is folded in while the program runs) or of 8 MB (folds that failed for a while); the second
// argument 0 for a journal of copies alone.
void BM_LoadFullHistoryWithJournal(benchmark::State& bench) {
  Fixture f;
  const QString path = f.state->historyFilePath();
  writeFileAtomically(path, encodeItems(f.history));
  writeFileAtomically(
      QString(path).replace(QStringLiteral(".json"), QStringLiteral(".journal")),
      megabyteJournal(path, f.history, f.fake.scheduler->now(), int(bench.range(0)), bench.range(1) != 0));
  for (auto _ : bench) {
    auto state = std::make_unique<PanelState>(*f.fake.context);
    state->loadHistory();
    benchmark::DoNotOptimize(state->items().size());
    bench.PauseTiming();
    // Nothing is folded in: the next round replays the same journal.
    f.fake.queues->queue(QStringLiteral("com.tarnwick.Quorvalen.save"))->runAll();
    state.reset();
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_LoadFullHistoryWithJournal)->Args({1, 1})->Args({8, 1})->Args({8, 0})->Unit(benchmark::kMillisecond);

// The replay alone: the journal's records applied to the decoded file.
void BM_ReplayJournal(benchmark::State& bench) {
  Fixture f;
  const QString path = f.state->historyFilePath();
  writeFileAtomically(path, encodeItems(f.history));
  const QByteArray journal = megabyteJournal(path, f.history, f.fake.scheduler->now());
  const std::optional<HistoryFileIdentity> file = HistoryFileIdentity::ofFile(path);
  for (auto _ : bench) {
    bench.PauseTiming();
    QList<ClipboardItem> items = f.history;
    items.detach();
    bench.ResumeTiming();
    benchmark::DoNotOptimize(journal::replay(journal, file, items).applied);
    bench.PauseTiming();
    items = {};
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_ReplayJournal)->Unit(benchmark::kMillisecond);

// The parts of the load: the decoder alone on the same file.
void BM_DecodeFullHistory(benchmark::State& bench) {
  Fixture f;
  const QByteArray json = encodeItems(f.history);
  for (auto _ : bench) benchmark::DoNotOptimize(decodeItems(json));
}
BENCHMARK(BM_DecodeFullHistory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) {
  qv::historySize = qv::bench::takeHistorySize(argc, argv, qv::historySize);
  return qv::bench::runBenchmarks<QApplication>(argc, argv);
}
