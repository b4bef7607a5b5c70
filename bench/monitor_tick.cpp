// The clipboard monitor's poll when nothing was copied (where changes are not announced; on X11
// nothing runs while nothing changes), and the overlay scan that runs beside it.
//   build/bin/bench_monitor_tick
#include "items/ItemServices.h"
#include "items/capture/ClipboardMonitor.h"
#include "items/capture/OverlayScanner.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"

#include <benchmark/benchmark.h>
#include <QGuiApplication>

namespace {

using namespace qv;

// A busy desktop: 40 windows, a few of them floating, the pointer over some of them.
void fillDesktop(FakeContext& fake) {
  QList<WindowInfo> windows;
  for (int i = 0; i < 40; ++i) {
    WindowInfo window;
    window.id = quint32(1000 + i);
    window.layer = i % 8 == 0 ? windowLayer::kPopup : windowLayer::kNormal;
    window.bounds = QRect(20 * i, 10 * i, 600, 400);
    window.ownerPid = 2000 + i;
    windows.append(window);
    RunningApp app;
    app.pid = window.ownerPid;
    app.desktopId = QStringLiteral("org.example.App%1").arg(i);
    fake.workspace->addApplication(app);
  }
  fake.windowList->setWindows(windows);
  fake.screens->setPointer(QPointF(500, 300));
}

// The change check alone (the panel shows, so no scan is submitted).
void BM_IdleTickPanelShown(benchmark::State& state) {
  FakeContext fake;
  installItemServices(*fake.context);
  fake.pasteboard->copyText(QStringLiteral("already there"));
  ClipboardMonitor monitor(*fake.context, [](const ClipboardItem&, bool) {});
  monitor.setPanelVisible(true);
  for (auto _ : state) monitor.timerTick();
  if (fake.pasteboard->readCount() != 0) state.SkipWithError("an idle tick read the clipboard");
}
BENCHMARK(BM_IdleTickPanelShown);

// The whole tick as the main thread pays it: the change check plus handing the overlay scan to
// its own thread (which runs it there).
void BM_IdleTickPanelHidden(benchmark::State& state) {
  FakeContext fake;
  fake.context->makeQueue = [](const QString& name) -> std::shared_ptr<SerialQueue> {
    return std::make_shared<ThreadSerialQueue>(name);
  };
  installItemServices(*fake.context);
  fillDesktop(fake);
  ClipboardMonitor monitor(*fake.context, [](const ClipboardItem&, bool) {});
  for (auto _ : state) {
    monitor.timerTick();
    // Real ticks are 0.4 s apart: let the scan finish so the queue never backs up.
    state.PauseTiming();
    fake.context->queue(QStringLiteral("popoverScan"))->sync([] {});
    state.ResumeTiming();
  }
}
BENCHMARK(BM_IdleTickPanelHidden);

// One overlay scan over the busy desktop (runs off the main thread every tick).
void BM_OverlayScan(benchmark::State& state) {
  FakeContext fake;
  fillDesktop(fake);
  OverlayScanner scanner(fake.windowList, fake.screens, fake.workspace);
  for (auto _ : state) benchmark::DoNotOptimize(scanner.findOwner());
}
BENCHMARK(BM_OverlayScan);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
