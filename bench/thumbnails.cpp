// File thumbnails as the preview asks for them (840 × 640 pixels: 420 × 320 points at 2 pixels
// per point). Off the main thread: an xx-large photo thumbnail taken from the shared cache, and one
// made from a 24-megapixel JPEG (with its write-back into the cache reported beside it). On the
// main thread: taking the answer and the first paint of the thumbnail view.
#include "items/ItemServices.h"
#include "preview/DesktopThumbnailService.h"
#include "preview/FileThumbnailView.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

using namespace qv;

constexpr QSize kRequest(840, 640);

// A photograph's worth of detail: gradients, shapes and sensor noise, so that files compress as
// photos do.
QImage photo(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, size.width(), size.height());
  sky.setColorAt(0, QColor(70, 130, 200));
  sky.setColorAt(1, QColor(60, 140, 80));
  painter.fillRect(image.rect(), sky);
  for (int i = 0; i < 600; ++i)
    painter.fillRect(QRect((i * 137) % size.width(), (i * 253) % size.height(), size.width() / 40, size.height() / 50),
                     QColor::fromHsv(i * 7 % 360, 140, 200));
  painter.end();
  QRandomGenerator noise(7);
  for (int y = 0; y < size.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int n = int(noise.bounded(17)) - 8;
      const QRgb p = line[x];
      line[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                     std::clamp(qBlue(p) + n, 0, 255));
    }
  }
  return image;
}

struct Files {
  QTemporaryDir dir;
  QString jpeg = dir.filePath(QStringLiteral("DSC_0042.jpg"));
  Files() { photo({6000, 4000}).save(jpeg, "jpeg", 90); }
  static Files& shared() {
    static Files files;
    return files;
  }
  DesktopThumbnailService::Options options(const QString& cacheName) const {
    DesktopThumbnailService::Options options;
    options.cacheRoot = dir.filePath(cacheName);
    options.temporaryFolder = dir.path();
    return options;
  }
};

// The worker's part of a request whose xx-large entry is in the shared cache: finding and reading
// it, then bringing it down to the request.
void BM_CachedXxLargeThumbnail(benchmark::State& state) {
  Files& files = Files::shared();
  DesktopThumbnailService service(nullptr, nullptr, files.options(QStringLiteral("cache-hit")));
  const DesktopThumbnailService::Made made = service.make(files.jpeg, kRequest);
  // Written by the first run of this benchmark; later runs find it.
  if (made.source != DesktopThumbnailService::Source::cache && !service.keep(files.jpeg, made, kRequest))
    state.SkipWithError("the entry was not written");
  state.SetLabel("1024x683 PNG entry, answered at 840x560");
  for (auto _ : state) {
    const DesktopThumbnailService::Made hit = service.make(files.jpeg, kRequest);
    if (hit.source != DesktopThumbnailService::Source::cache) state.SkipWithError("not taken from the cache");
    benchmark::DoNotOptimize(DesktopThumbnailService::fitted(*hit.picture, kRequest));
  }
}
BENCHMARK(BM_CachedXxLargeThumbnail)->Unit(benchmark::kMillisecond);

// The worker's part of a request with nothing cached: the 6000 × 4000 JPEG read at 1024 pixels
// and brought down to the request. Its write-back into the cache (after the answer has gone) is
// reported as keep_ms.
void BM_ThumbnailOf24MegapixelJpeg(benchmark::State& state) {
  Files& files = Files::shared();
  DesktopThumbnailService service(nullptr, nullptr, files.options(QStringLiteral("cache-made")));
  state.SetLabel("6000x4000 JPEG, answered at 840x560");
  double keep = 0;
  for (auto _ : state) {
    const DesktopThumbnailService::Made made = service.make(files.jpeg, kRequest);
    if (made.source != DesktopThumbnailService::Source::picture) state.SkipWithError("not made from the picture");
    benchmark::DoNotOptimize(DesktopThumbnailService::fitted(*made.picture, kRequest));
    state.PauseTiming();
    QElapsedTimer clock;
    clock.start();
    service.keep(files.jpeg, made, kRequest);
    keep += double(clock.nsecsElapsed()) / 1e6;
    // The next round makes it again.
    QDir(service.cache().root()).removeRecursively();
    state.ResumeTiming();
  }
  state.counters["keep_ms"] = benchmark::Counter(keep, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ThumbnailOf24MegapixelJpeg)->Unit(benchmark::kMillisecond)->Iterations(20);

// The main thread's part of showing a thumbnail: the view taking the answer, then taking the
// worker's copy at the drawn size and painting it. The worker's copy is reported as worker_ms.
void BM_ShowThumbnail(benchmark::State& state) {
  static FakeContext* fake = [] {
    auto* context = new FakeContext;
    context->context->frameClock = std::make_shared<ManualFrameClock>();
    installInterfaceServices(*context->context);
    installItemServices(*context->context);
    return context;
  }();
  const QImage answer = photo({1024, 683}).scaled(kRequest, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  // At the view's own pixel ratio, as its window paints it.
  QImage target(QSize(420, 320), QImage::Format_ARGB32_Premultiplied);
  double worker = 0;
  int round = 0;
  for (auto _ : state) {
    FileThumbnailView view(*fake->context);
    view.resize(420, 320);
    view.setProps({QStringLiteral("/photos/%1.jpg").arg(++round), QStringLiteral("photo.jpg"), 16, 10, {420, 320}});
    QElapsedTimer main;
    main.start();
    fake->thumbnailService->answer(fake->thumbnailService->requests.size() - 1, answer);
    double mainMs = double(main.nsecsElapsed()) / 1e6;
    QElapsedTimer background;
    background.start();
    fake->queues->runAll();
    worker += double(background.nsecsElapsed()) / 1e6;
    main.restart();
    fake->scheduler->runPending();
    {
      QPainter painter(&target);
      view.render(&painter);
    }
    mainMs += double(main.nsecsElapsed()) / 1e6;
    if (view.shown() != FileThumbnailView::Shown::thumbnail || !view.isPrepared(view.devicePixelRatioF()))
      state.SkipWithError("the thumbnail was not shown from its prepared copy");
    state.SetIterationTime(mainMs / 1e3);
  }
  fake->thumbnailService->requests.clear();
  state.counters["worker_ms"] = benchmark::Counter(worker, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ShowThumbnail)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
