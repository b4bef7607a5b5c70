// A key typed into the item editor over 1,000,000 characters of one-character lines (500,000
// paragraphs), once the text is in and laid out: the time from the key to the editor repainted,
// at the end of the text and at its top. key_ms is the longest key, the time measured the mean.
#include "items/model/ClipboardItem.h"
#include "preview/EditableTextView.h"
#include "support/BenchMain.h"
#include "support/LiveFixture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

namespace {

using namespace qv;
using Fixture = bench::LiveFixture;

void BM_EditorKeyOnOneCharacterLines(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  state.SetLabel("1,000,000 characters of one-character lines");
  EditableTextView editor(*fixture.fake.context, false);
  editor.setAttribute(Qt::WA_DontShowOnScreen);
  editor.resize(420, 560);
  int edits = 0;
  editor.setProps({QStringLiteral("a\n").repeated(500'000)}, {.onEdit = [&] { ++edits; }});
  editor.show();
  double worker = 0, steps = 0;
  fixture.settle([] {}, worker, steps);
  if (editor.isFilling()) {
    state.SkipWithError("the text never came in");
    return;
  }
  double longestKey = 0;
  bool atTop = false;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    if (atTop) {
      QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
      QApplication::sendEvent(&editor, &home);
    } else {
      QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
      QApplication::sendEvent(&editor, &end);
    }
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(&editor, &key);
    editor.grab();
    const double elapsed = Fixture::milliseconds(timer);
    longestKey = std::max(longestKey, elapsed);
    state.SetIterationTime(elapsed / 1e3);
    atTop = !atTop;
  }
  if (edits == 0) state.SkipWithError("no key reached the text");
  state.counters["key_ms"] = longestKey;
}
BENCHMARK(BM_EditorKeyOnOneCharacterLines)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
