// The library window over 100,000 text items of 100–200 bytes in three date sections, at its
// preferred 1202 × 868:
//   openToFirstFrame     show() of a controller whose window was never built (the program
//                        started and the history loaded) to the grid's first painted frame
//   keystrokeToFrame     a key typed into (or erased from) its search field to the next painted
//                        frame of the window, typing on (the search index made)
//   firstKeystrokeToFrame the first key typed into the window's search field, over a history
//                        never searched (the index not made yet)
//   resizeAcrossColumns  a resize that changes the number of columns (1202 ↔ 908 wide: four and
//                        three) to the next painted frame of the grid
//   scrollStep           one wheel step down the grid to its next painted frame
//   copyTransitionFrames one copy while the grid is on screen: the frames of its transition
//                        (the cards moving one place on, the new one fading in), 0.8 s at
//                        60 frames a second, each painted; "cardPaints" counts the cards that
//                        painted themselves over them
#include "cards/ClipboardCardView.h"
#include "items/ItemServices.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
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
#include <random>

using namespace qv;

namespace {

constexpr int kHistorySize = 100'000;
const QSize kWindow(1202, 868);

// Sentences of 100 to 200 bytes from a small vocabulary, a minute apart over three days.
QList<ClipboardItem> history(const QDateTime& now) {
  static const QStringList words = QStringLiteral(
                                       "the of and to in is for on with meeting notes invoice order address street "
                                       "project deadline review update report client server config value function "
                                       "return error window copy paste history item account number phone")
                                       .split(u' ');
  std::mt19937 random(7);
  QList<ClipboardItem> items;
  items.reserve(kHistorySize);
  for (int i = 0; i < kHistorySize; ++i) {
    const int length = 100 + int(random() % 101);
    QString text = QStringLiteral("Item %1").arg(i);
    while (text.size() < length) text += u' ' + words[int(random() % words.size())];
    text.truncate(length);
    // A third today, a third yesterday, the rest earlier.
    const qint64 age = i < kHistorySize / 3 ? i : i < 2 * kHistorySize / 3 ? 86'400 + i : 10 * 86'400 + i;
    items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), now.addSecs(-age),
                                 TextPayload{text});
  }
  return items;
}

struct LibraryBench {
  LibraryBench() {
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installItemServices(*fake.context);
    installInterfaceServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    state->setItems(history(fake.scheduler->now()));
    fake.screens->setScreens({{QStringLiteral("screen"), {0, 0, 1920, 1080}, {0, 0, 1920, 1080}}});
  }
  // A controller whose window is shown at the preferred size, settled.
  std::unique_ptr<LibraryWindowController> shown() {
    auto controller = std::make_unique<LibraryWindowController>(*fake.context);
    controller->show(*state);
    controller->window()->resize(kWindow);
    QCoreApplication::processEvents();
    fake.scheduler->advance(1);
    QCoreApplication::processEvents();
    return controller;
  }
  FakeContext fake;
  std::unique_ptr<PanelState> state;
};

LibraryBench& bench() {
  static LibraryBench b;
  return b;
}

LibraryGridView& gridOf(LibraryWindowController& controller) { return controller.window()->view()->grid(); }

void openToFirstFrame(benchmark::State& run) {
  LibraryBench& b = bench();
  // The narrowing is worked out once at start-up by whatever shows the history first.
  { auto warm = b.shown(); }
  int cards = 0;
  for (auto _ : run) {
    auto controller = std::make_unique<LibraryWindowController>(*b.fake.context);
    controller->show(*b.state);
    // The shown window's pending events, then its frame rendered (an offscreen window is not
    // flushed on its own).
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    controller->window()->grab();
    LibraryGridView& grid = gridOf(*controller);
    if (grid.paintCount() == 0) run.SkipWithError("no frame painted");
    cards = grid.cardItemCount();
    run.PauseTiming();
    controller.reset();
    QCoreApplication::processEvents();
    run.ResumeTiming();
  }
  run.counters["cards"] = cards;
}
BENCHMARK(openToFirstFrame)->Unit(benchmark::kMillisecond);

// One key typed into (or erased from) the search field: the history narrowed, the grid laid
// out again and the window's frame painted. The query is typed letter by letter and then
// erased again, so every step is a keystroke a user makes.
void keystrokeToFrame(benchmark::State& run) {
  LibraryBench& b = bench();
  auto controller = b.shown();
  LibraryView& view = *controller->window()->view();
  QVTextField& field = view.searchField();
  const QString word = QStringLiteral("project");
  int typed = 0;
  bool erasing = false;
  qsizetype fewest = kHistorySize;
  for (auto _ : run) {
    const int paints = view.grid().paintCount();
    if (erasing) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
      QCoreApplication::sendEvent(&field, &press);
      erasing = --typed > 0;
    } else {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, word.mid(typed, 1));
      QCoreApplication::sendEvent(&field, &press);
      erasing = ++typed == word.size();
    }
    QCoreApplication::processEvents();
    controller->window()->grab();
    if (view.grid().paintCount() == paints && !view.props().emptyState) run.SkipWithError("no frame painted");
    fewest = std::min(fewest, view.grid().items().size());
    // Between two keys the search index made aside is taken over (the first key has it made).
    run.PauseTiming();
    b.fake.drain();
    run.ResumeTiming();
  }
  run.counters["fewest shown"] = double(fewest);
}
BENCHMARK(keystrokeToFrame)->Unit(benchmark::kMillisecond);

void firstKeystrokeToFrame(benchmark::State& run) {
  LibraryBench& b = bench();
  const QList<ClipboardItem> items = b.state->items();
  for (auto _ : run) {
    run.PauseTiming();
    // A state that never searched, over the same history.
    auto state = std::make_unique<PanelState>(*b.fake.context);
    state->setItems(items);
    auto controller = std::make_unique<LibraryWindowController>(*b.fake.context);
    controller->show(*state);
    controller->window()->resize(kWindow);
    QCoreApplication::processEvents();
    b.fake.scheduler->advance(1);
    QCoreApplication::processEvents();
    LibraryView& view = *controller->window()->view();
    const int paints = view.grid().paintCount();
    run.ResumeTiming();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("p"));
    QCoreApplication::sendEvent(&view.searchField(), &press);
    QCoreApplication::processEvents();
    controller->window()->grab();
    run.PauseTiming();
    if (view.grid().paintCount() == paints) run.SkipWithError("no frame painted");
    b.fake.drain();
    controller.reset();
    state.reset();
    QCoreApplication::processEvents();
    run.ResumeTiming();
  }
}
BENCHMARK(firstKeystrokeToFrame)->Iterations(5)->Unit(benchmark::kMillisecond);

void resizeAcrossColumns(benchmark::State& run) {
  LibraryBench& b = bench();
  auto controller = b.shown();
  LibraryWindow& window = *controller->window();
  LibraryGridView& grid = gridOf(*controller);
  bool narrow = false;
  int columns = 0;
  for (auto _ : run) {
    narrow = !narrow;
    const int paints = grid.paintCount();
    const int before = grid.columns();
    window.resize(narrow ? 908 : kWindow.width(), kWindow.height());
    QCoreApplication::processEvents();
    grid.grab();
    if (grid.paintCount() == paints || grid.columns() == before) run.SkipWithError("no new columns painted");
    columns = grid.columns();
  }
  run.counters["columns"] = columns;
}
BENCHMARK(resizeAcrossColumns)->Unit(benchmark::kMillisecond);

void scrollStep(benchmark::State& run) {
  LibraryBench& b = bench();
  auto controller = b.shown();
  bench::scrollSteps(run, gridOf(*controller));
}
BENCHMARK(scrollStep)->Unit(benchmark::kMillisecond);

void copyTransitionFrames(benchmark::State& run) {
  LibraryBench& b = bench();
  auto controller = b.shown();
  LibraryGridView& grid = gridOf(*controller);
  auto& clock = static_cast<ManualFrameClock&>(*b.fake.context->frameClock);
  const auto cardPaints = [&grid] {
    int total = 0;
    for (QGraphicsItem* item : grid.scene()->items())
      if (auto* card = qobject_cast<ClipboardCardView*>(item->toGraphicsObject())) total += card->paints();
    return total;
  };
  constexpr int kFrames = 48;
  static int copy = 0;  // every copy a new text, over all runs
  int paints = 0;
  grid.grab();
  for (auto _ : run) {
    run.PauseTiming();
    b.state->addItem(ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                         b.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("Copy %1 of a text of about a hundred and twenty "
                                                                    "bytes, as a user copies it from an editor")
                                                         .arg(++copy)}));
    QCoreApplication::processEvents();
    const int before = cardPaints();
    run.ResumeTiming();
    for (int frame = 0; frame < kFrames; ++frame) {
      clock.advance(1.0 / 60);
      QCoreApplication::processEvents();
      grid.grab();
    }
    run.PauseTiming();
    paints = cardPaints() - before;
    b.fake.scheduler->advance(1);
    QCoreApplication::processEvents();
    run.ResumeTiming();
  }
  run.counters["frames"] = kFrames;
  run.counters["cardPaints"] = paints;
}
BENCHMARK(copyTransitionFrames)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
