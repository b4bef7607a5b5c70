// The text file preview: reading and decoding 512 KB on the worker, and showing it on the main
// thread, plain and highlighted, where no single turn of the event loop may take a frame (16 ms).
#include "items/ItemServices.h"
#include "preview/TextFilePreview.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"
#include "support/platform/SteppedScheduler.h"
#include "support/preview/LongTextFiles.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

using namespace qv;

double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

// 512 KB of source code and log lines of 100–200 bytes, some with accented letters and emoji.
QByteArray realisticText(bool code) {
  const char* const codeLines[] = {
      "    def handle(self, request, *args, **kwargs):  # routes the call to the view registered for its path\n",
      "        response = self.dispatch(request, *args, **kwargs)  # see docs/routing.md for the lookup order\n",
      "        if response.status_code >= 500 and not settings.DEBUG:\n            logger.error(\"Server error: %s\", "
      "request.path)\n",
      "        return render(request, \"café/menu.html\", {\"items\": items, \"title\": \"Café menu — today's "
      "specials 🍰\"})\n",
  };
  const char* const logLines[] = {
      "2026-03-14 09:12:44.512 INFO  sync.worker[4211]: uploaded batch 18422 (128 items, 2.4 MB) to "
      "storage.example.org in 312 ms\n",
      "2026-03-14 09:12:44.731 WARN  sync.worker[4211]: retrying request for Zoë's folder \"Résumés\" after a "
      "timeout (attempt 2 of 5) ⏳\n",
      "2026-03-14 09:12:45.002 DEBUG http.client: GET https://api.example.org/v2/items?page=17&limit=100 -> 200 "
      "(18 KB)\n",
  };
  QByteArray text;
  for (int i = 0; text.size() < TextFilePreview::kReadLimit; ++i) text += code ? codeLines[i % 4] : logLines[i % 3];
  return text;
}

// Worker: 512 KB of UTF-8 to text (validation included), as the reading task does it.
void BM_DecodeUtf8(benchmark::State& state) {
  const QByteArray bytes = realisticText(false).left(TextFilePreview::kReadLimit);
  for (auto _ : state) benchmark::DoNotOptimize(TextFilePreview::decode(bytes, 2'000'000));
  state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeUtf8)->Unit(benchmark::kMillisecond);

// Worker: the whole task on a 2 MB log: open, read the first 512 KB, decode, add the note.
void BM_LoadLargeFile(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("big.log"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write the file");
  for (int i = 0; i < 4; ++i) file.write(realisticText(false));
  file.close();
  const QUrl url = QUrl::fromLocalFile(path);
  for (auto _ : state) benchmark::DoNotOptimize(TextFilePreview::load(url));
}
BENCHMARK(BM_LoadLargeFile)->Unit(benchmark::kMillisecond);

// Main thread: a preview given a 600 KB file, from setProps to the last piece of text, each turn
// of the event loop timed on its own (with the repaint it causes). The manual time is the
// longest turn; the counters give the number of turns, their total and the worker's time.
void BM_ShowFile(benchmark::State& state) {
  // 0: a log, 1: Python, from 2: the files of one enormous line that preview as text.
  const int kind = int(state.range(0));
  const bool longLine = kind >= 2;
  const test::LongTextFileCase* longFile = longLine ? &test::kLongTextFiles[kind - 2] : nullptr;
  const bool code = kind == 1 || (longFile && longFile->kind == test::LongTextFile::minifiedJson);
  QTemporaryDir dir;
  QString path;
  if (longFile) {
    state.SetLabel(longFile->label);
    path = dir.filePath(QLatin1String(longFile->fileName));
    if (!test::writeLongTextFile(longFile->kind, path)) return state.SkipWithError("cannot write the file");
  } else {
    state.SetLabel(code ? "600 KB of Python, highlighted" : "600 KB log, plain");
    path = dir.filePath(code ? QStringLiteral("views.py") : QStringLiteral("sync.log"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write the file");
    file.write(realisticText(code));
    file.write(realisticText(code).left(80'000));
    file.close();
  }

  FakeContext fake;
  auto scheduler = std::make_shared<test::SteppedScheduler>();
  fake.context->scheduler = scheduler;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  installInterfaceServices(*fake.context);
  installItemServices(*fake.context);
  double worstTotal = 0, turnsTotal = 0, mainTotal = 0, workerTotal = 0;
  for (auto _ : state) {
    TextFilePreview view(*fake.context);
    view.resize(502, 620);
    view.show();
    QApplication::processEvents();
    double worst = 0, main = 0, worker = 0;
    int turns = 0;
    // One turn of the event loop: the work, then the layout and painting it caused.
    const auto turn = [&](const std::function<bool()>& work) {
      QElapsedTimer timer;
      timer.start();
      const bool ran = work();
      QApplication::processEvents();
      const double ms = milliseconds(timer);
      if (!ran) return false;
      worst = std::max(worst, ms);
      main += ms;
      ++turns;
      return true;
    };
    turn([&] {
      view.setProps({QUrl::fromLocalFile(path)}, {});
      return true;
    });
    for (;;) {
      QElapsedTimer background;
      background.start();
      const int ranOnWorker = fake.queues->runAll();
      worker += milliseconds(background);
      int ranOnMain = 0;
      while (turn([&] { return scheduler->runOne(); })) ++ranOnMain;
      if (ranOnWorker == 0 && ranOnMain == 0) break;
    }
    const bool shown = view.shown() == (code ? TextFilePreview::Shown::code : TextFilePreview::Shown::text);
    const QVTextViewer* viewer = code ? &view.codeViewer()->textViewer() : view.textViewer();
    if (!shown || !viewer || viewer->isFilling() || (code && !view.codeViewer()->isHighlighted()))
      state.SkipWithError("the file was not shown whole");
    worstTotal += worst;
    turnsTotal += turns;
    mainTotal += main;
    workerTotal += worker;
    state.SetIterationTime(worst / 1e3);
  }
  state.counters["turns"] = benchmark::Counter(turnsTotal, benchmark::Counter::kAvgIterations);
  state.counters["main_total_ms"] = benchmark::Counter(mainTotal, benchmark::Counter::kAvgIterations);
  state.counters["worker_ms"] = benchmark::Counter(workerTotal, benchmark::Counter::kAvgIterations);
}
// The long-line files that preview as text (not the RTF).
void longLineFiles(benchmark::internal::Benchmark* benchmark) {
  for (int i = 0; i < int(std::size(test::kLongTextFiles)); ++i)
    if (test::kLongTextFiles[i].kind != test::LongTextFile::rtfEscapes) benchmark->Arg(2 + i);
}
BENCHMARK(BM_ShowFile)
    ->Arg(0)
    ->Arg(1)
    ->Apply(longLineFiles)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
