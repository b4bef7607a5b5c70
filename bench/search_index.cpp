// The search index on its own, over 100,000 items:
//   BM_BuildIndex            every searched text lower-cased from nothing (the first search)
//   BM_RefreshAfterRemoval   one item gone from the middle: the rows are matched up again
//   BM_ScanIndex/0, /1       one keystroke's scan for a one-letter and a ten-letter query
//   BM_ScanIndexRowByRow     the same, asking row by row
//   BM_IndexMemory/0, /1     the resident memory the built index adds: 100,000 lines of text, the mixed history
//   BM_ScanTextLines/0..2    a keystroke's scan of those lines: one letter, ten letters, a word with "é"
#include "state/SearchIndex.h"
#include "support/BenchMain.h"
#include "support/MixedHistory.h"
#include "support/SearchedTexts.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <random>

namespace qv {
namespace {

constexpr int kHistorySize = 100'000;
const QString kQueries[] = {QStringLiteral("a"), QStringLiteral("printed ag")};

const QList<ClipboardItem>& history() {
  static const QList<ClipboardItem> items = bench::mixedHistory(QDateTime::currentDateTimeUtc(), kHistorySize);
  return items;
}

// Lines of text of 100-200 bytes, as copied from documents and chats: mostly ASCII English with
// some capitals, one in twenty with accented or CJK words.
const QList<ClipboardItem>& textLines() {
  static const QList<ClipboardItem> items = [] {
    const QStringList words = {
        QStringLiteral("the"),       QStringLiteral("meeting"), QStringLiteral("Budget"),   QStringLiteral("printed"),
        QStringLiteral("agenda"),    QStringLiteral("and"),     QStringLiteral("Monday"),   QStringLiteral("report"),
        QStringLiteral("please"),    QStringLiteral("send"),    QStringLiteral("invoice"),  QStringLiteral("London"),
        QStringLiteral("review"),    QStringLiteral("of"),      QStringLiteral("draft"),    QStringLiteral("Thanks,"),
        QStringLiteral("quarterly"), QStringLiteral("numbers"), QStringLiteral("with"),     QStringLiteral("a"),
        QStringLiteral("NOTE:"),     QStringLiteral("to"),      QStringLiteral("customer"), QStringLiteral("release")};
    const QStringList foreign = {QStringLiteral("café"),  QStringLiteral("Müller"), QStringLiteral("Straße"),
                                 QStringLiteral("señor"), QStringLiteral("東京"),   QStringLiteral("会議")};
    std::mt19937 random(7);
    QList<ClipboardItem> lines;
    lines.reserve(kHistorySize);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < kHistorySize; ++i) {
      const bool accented = random() % 20 == 0;
      const qsizetype target = 100 + qsizetype(random() % 101);
      QString line;
      while (line.toUtf8().size() < target) {
        if (!line.isEmpty()) line += u' ';
        line += accented && random() % 4 == 0 ? foreign[qsizetype(random() % foreign.size())]
                                              : words[qsizetype(random() % words.size())];
      }
      lines.append(ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), now.addSecs(-i),
                                       TextPayload{line}));
    }
    return lines;
  }();
  return items;
}

void BM_IndexMemory(benchmark::State& bench) {
  const QList<ClipboardItem>& items = bench.range(0) == 0 ? textLines() : history();
  double grown = 0;
  for (auto _ : bench) {
    const qint64 before = bench::residentBytes();
    SearchIndex index({});
    index.refresh(items);
    grown = double(bench::residentBytes() - before);
    benchmark::DoNotOptimize(index.matches(0, SearchIndex::Query(kQueries[0])));
  }
  bench.counters["MiB"] = grown / (1024.0 * 1024.0);
  bench.counters["bytesPerItem"] = grown / kHistorySize;
}
BENCHMARK(BM_IndexMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// One keystroke's scan of every row, timed: as the filters scan (the matching rows of all), or
// row by row.
void scan(benchmark::State& bench, const QList<ClipboardItem>& items, const QString& text, bool rowByRow = false) {
  SearchIndex index({});
  index.refresh(items);
  const SearchIndex::Query query(text);
  qsizetype found = 0;
  for (auto _ : bench) {
    found = 0;
    if (rowByRow) {
      for (qsizetype i = 0; i < kHistorySize; ++i) found += index.matches(i, query) ? 1 : 0;
    } else {
      found = index.matchingRows(query).size();
    }
    benchmark::DoNotOptimize(found);
  }
  bench.counters["found"] = double(found);
}

void BM_ScanTextLines(benchmark::State& bench) {
  const QString queries[] = {QStringLiteral("q"), QStringLiteral("printed ag"), QStringLiteral("café")};
  scan(bench, textLines(), queries[bench.range(0)]);
}
BENCHMARK(BM_ScanTextLines)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_BuildIndex(benchmark::State& bench) {
  for (auto _ : bench) {
    SearchIndex index({});
    index.refresh(history());
    benchmark::DoNotOptimize(index.matches(0, SearchIndex::Query(kQueries[0])));
  }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

void BM_RefreshAfterRemoval(benchmark::State& bench) {
  QList<ClipboardItem> shorter = history();
  shorter.removeAt(kHistorySize / 2);
  SearchIndex index({});
  bool whole = true;
  for (auto _ : bench) {
    index.markStale();
    index.refresh(whole ? history() : shorter);
    whole = !whole;
  }
}
BENCHMARK(BM_RefreshAfterRemoval)->Unit(benchmark::kMillisecond);

void BM_ScanIndex(benchmark::State& bench) { scan(bench, history(), kQueries[bench.range(0)]); }
BENCHMARK(BM_ScanIndex)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ScanIndexRowByRow(benchmark::State& bench) { scan(bench, history(), kQueries[bench.range(0)], true); }
BENCHMARK(BM_ScanIndexRowByRow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QCoreApplication>(argc, argv); }
