#pragma once
// The main() of every benchmark program (header only: every bench/*.cpp is its own program):
// a Qt application of the kind the code under test needs, offscreen unless a platform is set.
#include <benchmark/benchmark.h>
#include <QByteArray>

namespace qv::bench {

template <typename Application>
int runBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  Application application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace qv::bench
