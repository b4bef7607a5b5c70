// Highlighting cost: tokenizing 1,500 characters of each language, and the code card's whole
// road (cut, tokenize, build the coloured runs) with the cache out of the way.
#include "support/BenchMain.h"
#include "ui/code/CodeHighlighter.h"
#include "ui/code/CodeSamples.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

namespace {

// The language's sample repeated and cut to 1,500 characters, as a card shows it.
QString cardSource(const qv::CodeSample& sample) {
  QString text;
  while (text.size() < 1500) text += sample.source + QLatin1Char('\n');
  return text.left(1500);
}

void BM_Tokenize1500(benchmark::State& state, const qv::CodeSample& sample) {
  const QString source = cardSource(sample);
  for (auto _ : state) benchmark::DoNotOptimize(qv::CodeHighlighter::tokenize(source, sample.language));
}

void BM_CardText1500Uncached(benchmark::State& state, const qv::CodeSample& sample) {
  const QString source = cardSource(sample) + QStringLiteral("// more than a card shows\n").repeated(40);
  for (auto _ : state) {
    qv::CodeHighlightCache cache;  // a miss every time
    benchmark::DoNotOptimize(
        qv::CodeHighlighter(source, sample.language).highlightedText(cache, qv::ColorScheme::dark, 1500, false));
  }
}

void BM_CardTextCached(benchmark::State& state) {
  const qv::CodeSample& sample = qv::codeSamples().front();
  const QString source = cardSource(sample);
  qv::CodeHighlightCache cache;
  const qv::CodeHighlighter highlighter(source, sample.language);
  highlighter.highlightedText(cache, qv::ColorScheme::dark, 1500, false);
  for (auto _ : state) benchmark::DoNotOptimize(highlighter.highlightedText(cache, qv::ColorScheme::dark, 1500, false));
}
BENCHMARK(BM_CardTextCached)->Unit(benchmark::kMicrosecond);

const bool registered = [] {
  for (const auto& sample : qv::codeSamples()) {
    const std::string name = sample.language.toStdString();
    benchmark::RegisterBenchmark(("BM_Tokenize1500/" + name).c_str(), BM_Tokenize1500, sample)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("BM_CardText1500Uncached/" + name).c_str(), BM_CardText1500Uncached, sample)
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
