#pragma once
// The main() of every benchmark program (header only: every bench/*.cpp is its own program):
// a Qt application of the kind the code under test needs, offscreen unless a platform is set.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <memory>

namespace qv::bench {

// One fixture shared by a program's benchmarks, made on first use and destroyed with the
// application: a function-local static would outlive it, and with it the libraries its pending
// work still holds on to (a queued PDF page torn down after its library's own statics crashes).
template <typename Fixture>
Fixture& sharedFixture() {
  static std::unique_ptr<Fixture> fixture;
  if (!fixture) {
    fixture = std::make_unique<Fixture>();
    qAddPostRoutine([] { fixture.reset(); });
  }
  return *fixture;
}

// The process's resident memory in bytes as the allocator left it, nothing handed back first
// (what the running program shows); 0 where /proc cannot be read.
inline qint64 residentBytesAsLeft() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Takes `--history_size=N` out of the arguments (the rest go to the benchmark library): the size
// of the histories a program measures, `fallback` without it.
inline int takeHistorySize(int& argc, char** argv, int fallback) {
  int size = fallback;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const QByteArray argument(argv[i]);
    if (argument.startsWith("--history_size=")) size = argument.mid(15).toInt();
    else argv[kept++] = argv[i];
  }
  argc = kept;
  return size;
}

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
