// Time from showPanel() to the panel's first painted frame with 100,000 items in the history.
#include "app/PanelController.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "panel/PanelStandInView.h"
#include "app/fake/FakeContext.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace qv;

namespace {

void showToFirstFrame(benchmark::State& run) {
  FakeContext fake;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  installItemServices(*fake.context);
  installInterfaceServices(*fake.context);
  PanelController controller(*fake.context);
  QList<ClipboardItem> items;
  const QDateTime now = QDateTime::currentDateTimeUtc();
  for (int i = 0; i < int(run.range(0)); ++i)
    items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"), now.addSecs(-i),
                                 TextPayload{QStringLiteral("Copied text number %1").arg(i)});
  controller.state().setItems(items);
  PanelStandInView* view = controller.rootView();
  for (auto _ : run) {
    const int paints = view->paintCount();
    controller.showPanel();
    while (view->paintCount() == paints) QCoreApplication::processEvents(QEventLoop::AllEvents);
    run.PauseTiming();
    controller.hidePanel();
    fake.scheduler->advance(1);
    QCoreApplication::processEvents();
    run.ResumeTiming();
  }
  run.counters["rows painted"] = view->paintedRowCount();
}
BENCHMARK(showToFirstFrame)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
