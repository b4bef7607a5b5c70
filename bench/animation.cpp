// Cost of one frame of the animation runtime with many springs in flight.
#include "support/BenchMain.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/anim/FrameClock.h"
#include "ui/theme/Theme.h"

#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <memory>
#include <vector>

using namespace qv;

namespace {

template <typename T>
void frameStep(benchmark::State& state, T near, T far) {
  ManualFrameClock clock;
  const int count = int(state.range(0));
  std::vector<std::unique_ptr<Animated<T>>> values;
  int repaints = 0;
  for (int i = 0; i < count; ++i) {
    values.push_back(std::make_unique<Animated<T>>(clock, near));
    values.back()->setOnChange([&repaints] { ++repaints; });
  }
  bool towardsFar = true;
  auto retargetAll = [&] {
    for (auto& value : values) value->animateTo(towardsFar ? far : near, Theme::springStandard());
    towardsFar = !towardsFar;
  };
  retargetAll();
  int frame = 0;
  for (auto _ : state) {
    // Springs settle after about a second; keep all of them in flight.
    if (++frame % 30 == 0) {
      state.PauseTiming();
      retargetAll();
      state.ResumeTiming();
    }
    clock.advance(1.0 / 60);
  }
  if (clock.clientCount() != count) state.SkipWithError("not every spring was running");
  benchmark::DoNotOptimize(repaints);
  state.counters["springs"] = count;
}

void BM_FrameStepDoubleSprings(benchmark::State& state) { frameStep<double>(state, 0.0, 300.0); }
void BM_FrameStepRectSprings(benchmark::State& state) {
  frameStep<QRectF>(state, QRectF(0, 0, 280, 240), QRectF(40, 600, 300, 260));
}

}  // namespace

BENCHMARK(BM_FrameStepDoubleSprings)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameStepRectSprings)->Arg(500)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
