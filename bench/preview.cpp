// The preview's building blocks on the main thread: showing a large image item from its
// pre-scaled copy (with the worker's time reported beside it), captioning a long text, and the
// whole pane from its making to its first painted frame, then every later step until it rests.
#include "items/ItemServices.h"
#include "items/stores/ImageStore.h"
#include "preview/DownsampledImageView.h"
#include "preview/ItemPreviewView.h"
#include "preview/PreviewCaption.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/LiveFixture.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/view/PaintedWidget.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

namespace {

using namespace qv;
using bench::LiveFixture;

QImage photo(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, size.width(), size.height());
  gradient.setColorAt(0, QColor(70, 130, 200));
  gradient.setColorAt(1, QColor(60, 140, 80));
  painter.fillRect(image.rect(), gradient);
  for (int i = 0; i < 400; ++i)
    painter.fillRect(QRect((i * 137) % size.width(), (i * 253) % size.height(), 120, 80),
                     QColor::fromHsv(i * 7 % 360, 160, 220));
  return image;
}

struct Fixture {
  FakeContext fake;
  QImage picture = photo({6000, 4000});
  QString storedId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();

  Fixture() {
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installInterfaceServices(*fake.context);
    installItemServices(*fake.context);
    fake.context->imageStore->save(picture, storedId);
  }
  static Fixture& shared() { return bench::sharedFixture<Fixture>(); }
};

double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

// Main thread: handing the view the item, taking the worker's answer, and the first paint of
// the picture (drawn from the copy pre-scaled to the view). The worker's time (reading or
// scaling the 6000 × 4000 picture to 1600 pixels, and pre-scaling it) is reported as
// worker_ms. Range 0: the picture in memory (a fresh copy); 1: only its PNG side file (from
// the history).
void BM_ShowLargeImage(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const bool fromFile = state.range(0) == 1;
  state.SetLabel(fromFile ? "6000x4000 from its PNG file" : "6000x4000 in memory");
  QImage target(QSize(400, 300), QImage::Format_ARGB32_Premultiplied);
  double worker = 0;
  for (auto _ : state) {
    DownsampledImageView view(*fixture.fake.context);
    view.resize(400, 300);
    QElapsedTimer main;
    main.start();
    view.setProps(
        {fromFile ? fixture.storedId : QStringLiteral("MEMORY"), fromFile ? QImage() : fixture.picture, {6000, 4000}});
    double mainMs = milliseconds(main);
    QElapsedTimer background;
    background.start();
    fixture.fake.queues->runAll();
    worker += milliseconds(background);
    main.restart();
    fixture.fake.scheduler->runPending();
    {
      QPainter painter(&target);
      view.render(&painter);
    }
    mainMs += milliseconds(main);
    if (view.shown() != DownsampledImageView::Shown::picture || !view.isPrescaledFor(1))
      state.SkipWithError("the picture was not shown from its pre-scaled copy");
    state.SetIterationTime(mainMs / 1e3);
  }
  state.counters["worker_ms"] = benchmark::Counter(worker, benchmark::Counter::kAvgIterations);
}
// A fixed count: each iteration also waits for the worker's full-size read, which takes far longer
// than the main thread's part that sets the measured time.
BENCHMARK(BM_ShowLargeImage)->Arg(0)->Arg(1)->UseManualTime()->Iterations(12)->Unit(benchmark::kMillisecond);

// 256,000 characters of prose made of 100–200-byte sentences; range 1 mixes in accented
// letters and emoji, which take the grapheme finder's slow path.
QString longText(bool international) {
  const QString plain = QStringLiteral(
      "Reminder: the quarterly report is due Friday. Please send your numbers to Dana by Thursday noon so that "
      "the charts can be updated in time.\n");
  const QString mixed = QString::fromUtf8(
      "Café meeting moved to 15:30 — bring the résumé drafts 📎 and the naïve estimates for Zoë's team "
      "👍🏽, "
      "thanks!\n");
  QString text;
  text.reserve(256'000);
  for (int i = 0; text.size() < 256'000; ++i) text += international && i % 2 ? mixed : plain;
  text.truncate(256'000);
  return text;
}

// A caption given a long text item: counting, the texts of both lines, the layout and one paint.
void BM_CaptionOfLongText(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const bool international = state.range(0) == 1;
  state.SetLabel(international ? "256,000 characters, accents and emoji" : "256,000 characters, ASCII");
  const QString text = longText(international);
  const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                                 fixture.fake.scheduler->now(), TextPayload{text});
  QImage target(QSize(840, 56), QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(2);
  for (auto _ : state) {
    // A new caption each time, as the pane makes one per item: nothing is kept from the last.
    PreviewCaption caption(*fixture.fake.context, nullptr);
    caption.resize(420, 28);
    caption.setProps({item});
    QPainter painter(&target);
    caption.render(&painter);
  }
}
BENCHMARK(BM_CaptionOfLongText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// `length` characters (256,000 unless told) in lines of `lineLength`, or in one line.
QString textOfLines(int lineLength, int length = 256'000) {
  return bench::textOfLines(QStringLiteral("the quick brown fox jumps over the lazy dog and runs away "), lineLength,
                            length);
}

enum PaneKind { kImage, kTextLines, kTextOneLine, kPdf, kTextMegabyteLine, kLongTextFile };

// The item of the benchmark's range 0, which also names it.
ClipboardItem paneItem(benchmark::State& state) {
  ClipboardPayload payload;
  const auto kind = PaneKind(state.range(0));
  switch (kind) {
    case kImage:
      state.SetLabel("6000x4000 image");
      payload = ImagePayload{Fixture::shared().picture, QStringLiteral("photo.png"), 6000, 4000,
                             QStringLiteral("9 MB")};
      break;
    case kTextLines:
      state.SetLabel("256,000 characters in 60-character lines");
      payload = TextPayload{textOfLines(60)};
      break;
    case kTextOneLine:
      state.SetLabel("256,000 characters in one line");
      payload = TextPayload{textOfLines(256'001)};
      break;
    case kPdf: payload = bench::hundredPagePdf(state); break;
    case kTextMegabyteLine:
      state.SetLabel("1,048,576 characters in one line");
      payload = TextPayload{textOfLines(1 << 20, 1 << 20)};
      break;
    default: payload = bench::longTextFile(state, int(kind - kLongTextFile)); break;
  }
  return ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                             QDateTime::currentDateTimeUtc(), payload);
}

// Main thread: making the pane for an item, showing it and painting its first frame (the time
// measured), then each later turn of the event loop until nothing is left to do, with a frame's
// worth of animation and a repaint of the whole pane after each: the longest turn of the median
// iteration is max_step_ms (of the worst iteration worst_step_ms), the turns that did something
// steps. Workers' time is worker_ms.
void BM_PaneToFirstFrame(benchmark::State& state) {
  LiveFixture& fixture = LiveFixture::shared();
  const ClipboardItem item = paneItem(state);
  PanelState panelState(*fixture.fake.context);
  panelState.setItems({item});
  QImage frame(QSize(600, 720) * 2, QImage::Format_ARGB32_Premultiplied);
  frame.setDevicePixelRatio(2);
  double worker = 0, steps = 0;
  std::vector<double> longestSteps;  // per iteration
  const auto paint = [&](QWidget& pane) {
    QPainter painter(&frame);
    pane.render(&painter);
  };
  for (auto _ : state) {
    QCoreApplication::processEvents();
    QElapsedTimer main;
    main.start();
    auto pane = std::make_unique<ItemPreviewView>(*fixture.fake.context, panelState, ItemPreviewView::Props{item, 760},
                                                  ItemPreviewView::Callbacks{});
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->resize(pane->sizeHint());
    pane->show();
    paint(*pane);
    state.SetIterationTime(milliseconds(main) / 1e3);
    const double longestStep = fixture.settle([&] { paint(*pane); }, worker, steps);
    longestSteps.push_back(longestStep);
    pane.reset();
    QCoreApplication::processEvents();
    fixture.fake.queues->runAll();
  }
  bench::reportSteps(state, longestSteps, steps, worker);
}
BENCHMARK(BM_PaneToFirstFrame)
    ->Arg(kImage)
    ->Arg(kTextLines)
    ->Arg(kTextOneLine)
    ->Arg(kPdf)
    ->Arg(kTextMegabyteLine)
    ->DenseRange(kLongTextFile, kLongTextFile + bench::kLongTextFileCount - 1)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

// Main thread: one picture of a pane as the panel takes one each frame while the pane arrives and
// its rail and caption come in (each kind's content drawn).
void BM_PanePictureWhileArriving(benchmark::State& state) {
  LiveFixture& fixture = LiveFixture::shared();
  const ClipboardItem item = paneItem(state);
  PanelState panelState(*fixture.fake.context);
  panelState.setItems({item});
  ItemPreviewView pane(*fixture.fake.context, panelState, {item, 760}, {});
  pane.setAttribute(Qt::WA_DontShowOnScreen);
  pane.setTranslucency({true, false});
  pane.resize(pane.sizeHint());
  pane.show();
  double worker = 0, steps = 0;
  fixture.settle([] {}, worker, steps);
  // The first picture takes the content's; those after it only the boxes, the rail and the caption.
  benchmark::DoNotOptimize(pane.arrivalPicture());
  for (auto _ : state) benchmark::DoNotOptimize(pane.arrivalPicture());
}
BENCHMARK(BM_PanePictureWhileArriving)
    ->Arg(kImage)
    ->Arg(kTextLines)
    ->Arg(kTextOneLine)
    ->Arg(kPdf)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
