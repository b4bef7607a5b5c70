// Time from showPanel() to the panel's first painted frame with cards, of one wheel step of the
// card list, and from a keystroke in the search field to the next painted frame, with 100,000
// items in the history: a keystroke while typing on, and the first one into a panel just shown,
// over a history read from its file as a start reads it and out of the caches by then.
// `--history_size=N` measures N items instead.
#include "app/PanelController.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/model/ItemJson.h"
#include "panel/CardScrollView.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "platform/Paths.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/CardHostSteps.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/TextInput.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QKeyEvent>
#include <vector>

using namespace qv;

namespace {

// A panel over a fake context whose history holds `count` texts of 100–200 bytes, a minute apart
// (so the list shows date sections).
struct PanelBench {
  enum class Start { madeHere, readFromFile };
  explicit PanelBench(int count, Start start = Start::madeHere) {
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installItemServices(*fake.context);
    installInterfaceServices(*fake.context);
    controller = std::make_unique<PanelController>(*fake.context);
    PanelState& state = controller->state();
    if (start == Start::madeHere) {
      state.setItems(texts(count));
    } else {
      // The items decoded one by one into the heap, where a start leaves them.
      writeFileAtomically(state.historyFilePath(), encodeItems(texts(count)));
      state.loadHistory();
    }
  }
  static QList<ClipboardItem> texts(int count) {
    static QList<ClipboardItem> items;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = int(items.size()); i < count; ++i)
      items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"), now.addSecs(-60 * i),
                                   TextPayload{QStringLiteral("Copied text number %1, a line of realistic length for "
                                                              "a clipboard item that someone copied while working")
                                                   .arg(i)});
    return items.first(count);
  }
  // One key typed into the shown panel's search field (a letter, or erasing one).
  static void type(QWidget* field, const QString& letter) {
    QKeyEvent press(QEvent::KeyPress, letter.isEmpty() ? Qt::Key_Backspace : 0, Qt::NoModifier, letter);
    QCoreApplication::sendEvent(field, &press);
  }
  CardScrollView& list() const { return controller->rootView()->list(); }
  FakeContext fake;
  std::unique_ptr<PanelController> controller;
};

void showToFirstFrame(benchmark::State& run) {
  PanelBench bench(int(run.range(0)));
  PanelController& controller = *bench.controller;
  FakeContext& fake = bench.fake;
  CardScrollView& list = controller.rootView()->list();
  for (auto _ : run) {
    const int paints = list.paintCount();
    controller.showPanel();
    // The shown window's pending events, then the list's frame rendered (an offscreen window is
    // not flushed on its own).
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    list.grab();
    if (list.paintCount() == paints) run.SkipWithError("no frame painted");
    run.PauseTiming();
    controller.hidePanel();
    fake.scheduler->advance(1);
    QCoreApplication::processEvents();
    run.ResumeTiming();
  }
  run.counters["cards"] = list.cardItemCount();
}

// One wheel step down the shown list: the cards realised anew and the frame painted.
void scrollStep(benchmark::State& run) {
  PanelBench bench(int(run.range(0)));
  PanelController& controller = *bench.controller;
  controller.showPanel();
  QCoreApplication::processEvents();
  bench::scrollSteps(run, controller.rootView()->list());
}

// One key typed into (or erased from) the search field of the shown panel: the query filtered,
// the list laid out again and the whole panel's frame painted. The query is typed letter by
// letter and then erased again, so every step is a keystroke a user makes.
void keystrokeToFrame(benchmark::State& run) {
  PanelBench bench(int(run.range(0)));
  PanelController& controller = *bench.controller;
  controller.showPanel();
  bench.fake.scheduler->advance(1);
  QCoreApplication::processEvents();
  PanelView& root = *controller.rootView();
  QWidget* field = root.searchBar().field();
  if (!field) return run.SkipWithError("no search field");
  const QString word = QStringLiteral("number 4");
  int typed = 0;
  bool erasing = false;
  qsizetype fewest = controller.state().items().size();
  for (auto _ : run) {
    const int paints = root.list().paintCount();
    if (erasing) {
      PanelBench::type(field, QString());
      erasing = --typed > 0;
    } else {
      PanelBench::type(field, word.mid(typed, 1));
      erasing = ++typed == word.size();
    }
    QCoreApplication::processEvents();
    root.grab();
    if (root.list().paintCount() == paints) run.SkipWithError("no frame painted");
    fewest = std::min(fewest, controller.state().filteredItems().size());
    // Between two keys the search index made aside is taken over (the first key has it made).
    run.PauseTiming();
    bench.fake.drain();
    run.ResumeTiming();
  }
  run.counters["fewest shown"] = double(fewest);
}

// Reads through more memory than the caches hold: what a start left there is gone by the time
// someone types, a second or more after the panel showed.
void evictCaches() {
  static std::vector<char> sweep(size_t(512) << 20, 1);
  volatile char sum = 0;
  for (size_t i = 0; i < sweep.size(); i += 64) sum = char(sum + sweep[i]);
}

// The first key typed into the search field of a panel just shown, over a history never searched
// that was read from its file: as in a start, the work of the show (the search index made aside)
// is done by the time the key comes, and the items are no longer in the caches.
void firstKeystrokeToFrame(benchmark::State& run) {
  for (auto _ : run) {
    run.PauseTiming();
    auto bench = std::make_unique<PanelBench>(int(run.range(0)), PanelBench::Start::readFromFile);
    PanelController& controller = *bench->controller;
    bench->fake.drain();
    controller.showPanel();
    bench->fake.scheduler->advance(1);
    QCoreApplication::processEvents();
    bench->fake.drain();
    QCoreApplication::processEvents();
    evictCaches();
    PanelView& root = *controller.rootView();
    QWidget* field = root.searchBar().field();
    if (!field) return run.SkipWithError("no search field");
    const int paints = root.list().paintCount();
    run.ResumeTiming();
    PanelBench::type(field, QStringLiteral("n"));
    QCoreApplication::processEvents();
    root.grab();
    run.PauseTiming();
    if (root.list().paintCount() == paints) run.SkipWithError("no frame painted");
    bench->fake.drain();
    bench.reset();
    QCoreApplication::processEvents();
    run.ResumeTiming();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int size = qv::bench::takeHistorySize(argc, argv, 100'000);
  benchmark::RegisterBenchmark("showToFirstFrame", showToFirstFrame)->Arg(size)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("scrollStep", scrollStep)->Arg(size)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("keystrokeToFrame", keystrokeToFrame)->Arg(size)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("firstKeystrokeToFrame", firstKeystrokeToFrame)
      ->Arg(size)
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  return qv::bench::runBenchmarks<QApplication>(argc, argv);
}
