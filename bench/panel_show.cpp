// Time from showPanel() to the panel's first painted frame with cards, and of one wheel step of
// the card list, with 100,000 items in the history.
#include "app/PanelController.h"
#include "app/fake/FakeContext.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "panel/CardListView.h"
#include "panel/PanelRootView.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>
#include <QApplication>

using namespace qv;

namespace {

// A panel over a fake context whose history holds `count` texts of 100–200 bytes, a minute apart
// (so the list shows date sections).
struct PanelBench {
  explicit PanelBench(int count) {
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installItemServices(*fake.context);
    installInterfaceServices(*fake.context);
    controller = std::make_unique<PanelController>(*fake.context);
    QList<ClipboardItem> items;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < count; ++i)
      items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"), now.addSecs(-60 * i),
                                   TextPayload{QStringLiteral("Copied text number %1, a line of realistic length for "
                                                              "a clipboard item that someone copied while working")
                                                   .arg(i)});
    controller->state().setItems(items);
  }
  CardListView& list() const { return controller->rootView()->list(); }
  FakeContext fake;
  std::unique_ptr<PanelController> controller;
};

void showToFirstFrame(benchmark::State& run) {
  PanelBench bench(int(run.range(0)));
  PanelController& controller = *bench.controller;
  FakeContext& fake = bench.fake;
  CardListView& list = controller.rootView()->list();
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
BENCHMARK(showToFirstFrame)->Arg(100000)->Unit(benchmark::kMillisecond);

// One wheel step down the shown list: the cards realised anew and the frame painted.
void scrollStep(benchmark::State& run) {
  PanelBench bench(int(run.range(0)));
  PanelController& controller = *bench.controller;
  controller.showPanel();
  CardListView& list = controller.rootView()->list();
  QCoreApplication::processEvents();
  double offset = 0;
  for (auto _ : run) {
    offset = offset > list.maximumScroll() - 200 ? 0 : offset + 120;
    const int paints = list.paintCount();
    list.scrollTo(offset);
    list.grab();
    if (list.paintCount() == paints) run.SkipWithError("no frame painted");
  }
  run.counters["cards"] = list.cardItemCount();
}
BENCHMARK(scrollStep)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
