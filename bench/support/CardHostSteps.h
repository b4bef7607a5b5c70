#pragma once
// What the card list's and the library grid's benchmarks time alike (header only: every
// bench/*.cpp is its own program).
#include "panel/CardHostView.h"

#include <benchmark/benchmark.h>

namespace qv::bench {

// One wheel step down `host` per iteration (back to the top near the end) to its next painted
// frame; the cards realised at the end go into the "cards" counter.
inline void scrollSteps(benchmark::State& run, CardHostView& host) {
  double offset = 0;
  for (auto _ : run) {
    offset = offset > host.maximumScroll() - 200 ? 0 : offset + 120;
    const int paints = host.paintCount();
    host.scrollTo(offset);
    host.grab();
    if (host.paintCount() == paints) run.SkipWithError("no frame painted");
  }
  run.counters["cards"] = host.cardItemCount();
}

}  // namespace qv::bench
