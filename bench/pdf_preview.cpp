// The PDF preview: opening a 100-page document (text, vector charts, photos) and drawing its
// first page for the preview pane (502 × 620 points at pixel ratio 2) on the rendering queue,
// turning a page of the open document, and the main thread's share of showing the first page.
#include "items/ItemServices.h"
#include "platform/PdfRenderer.h"
#include "platform/SerialQueue.h"
#include "preview/PDFPreview.h"
#include "preview/SampleDocuments.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>

namespace {

using namespace qv;

const QSize kPanePixels(502 * 2, 620 * 2);

double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

struct Document {
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("report.pdf"));
  bool written = writeSamplePdf(path, 100);
  static Document& shared() {
    static Document document;
    return document;
  }
};

// Worker (the real rendering queue): open the file and draw page 1 at the pane's size. The
// iteration's time is the worker's, measured on it.
void BM_FirstPage(benchmark::State& state) {
  Document& document = Document::shared();
  if (!document.written) return state.SkipWithError("cannot write the document");
  ThreadSerialQueue queue(QStringLiteral("pdfRendering"));
  for (auto _ : state) {
    double ms = 0;
    bool drawn = false;
    queue.sync([&] {
      QElapsedTimer timer;
      timer.start();
      const auto pdf = PdfDocument::open(document.path);
      drawn = pdf && !pdf->renderPage(0, kPanePixels).isNull();
      ms = milliseconds(timer);
    });
    if (!drawn) state.SkipWithError("the page was not drawn");
    state.SetIterationTime(ms / 1e3);
  }
}
BENCHMARK(BM_FirstPage)->UseManualTime()->Unit(benchmark::kMillisecond);

// Worker: the next page of a document that is already open (a click on the pager).
void BM_NextPage(benchmark::State& state) {
  Document& document = Document::shared();
  const auto pdf = PdfDocument::open(document.path);
  if (!pdf) return state.SkipWithError("cannot open the document");
  int page = 0;
  for (auto _ : state) {
    page = (page + 1) % pdf->pageCount();
    benchmark::DoNotOptimize(pdf->renderPage(page, kPanePixels));
  }
}
BENCHMARK(BM_NextPage)->Unit(benchmark::kMillisecond);

// Main thread: handing the view the file, taking the worker's answer and painting the page
// (at the pane's size, ratio 1 here: the offscreen screen's). The worker's time is worker_ms.
void BM_ShowFirstPage(benchmark::State& state) {
  Document& document = Document::shared();
  FakeContext fake;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  installInterfaceServices(*fake.context);
  installItemServices(*fake.context);
  QImage target(QSize(502, 620), QImage::Format_ARGB32_Premultiplied);
  double worker = 0;
  for (auto _ : state) {
    PDFPreview view(*fake.context);
    view.resize(502, 620);
    QElapsedTimer main;
    main.start();
    view.setProps({QUrl::fromLocalFile(document.path), false});
    double mainMs = milliseconds(main);
    QElapsedTimer background;
    background.start();
    fake.queues->runAll();
    worker += milliseconds(background);
    main.restart();
    fake.scheduler->runPending();
    {
      QPainter painter(&target);
      view.render(&painter);
    }
    mainMs += milliseconds(main);
    if (view.pageImage().isNull() || view.pageCount() != 100) state.SkipWithError("the page was not shown");
    state.SetIterationTime(mainMs / 1e3);
  }
  state.counters["worker_ms"] = benchmark::Counter(worker, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ShowFirstPage)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
