// The history at 100,000 items: adding a copy at the front, saving (encode + write), loading.
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/model/ItemJson.h"
#include "platform/fake/FakeContext.h"
#include "state/PanelState.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <random>

namespace qv {
namespace {

constexpr int kHistorySize = 100'000;

// A mixed history, newest first: mostly text, then code, links, images, files and colours,
// captured a few seconds apart over the last days.
QList<ClipboardItem> mixedHistory(const QDateTime& now, int count) {
  std::mt19937 random(42);
  const QStringList apps = {QStringLiteral("org.gnome.TextEditor"), QStringLiteral("org.mozilla.firefox"),
                            QStringLiteral("org.gnome.Terminal"), QStringLiteral("code"),
                            QStringLiteral("org.gnome.Nautilus")};
  QList<ClipboardItem> items;
  items.reserve(count);
  for (int i = 0; i < count; ++i) {
    const QDateTime at = now.addSecs(-i * 5);
    const QString app = apps[static_cast<int>(random() % apps.size())];
    const int kind = static_cast<int>(random() % 100);
    ClipboardPayload payload;
    if (kind < 45) {
      payload = TextPayload{QStringLiteral("Note %1: the meeting moved to room %2, bring the printed agenda and the "
                                           "budget sheet.")
                                .arg(i)
                                .arg(random() % 500)};
    } else if (kind < 60) {
      payload = CodePayload{QStringLiteral("for (int k = 0; k < %1; ++k) {\n  total += values[k];\n}").arg(i),
                            QStringLiteral("cpp")};
    } else if (kind < 75) {
      const Url url = *parseStrictUrl(QStringLiteral("https://news.example.com/articles/%1?ref=feed").arg(i));
      payload = LinkPayload{url, QStringLiteral("news.example.com"), QStringLiteral("Article %1").arg(i),
                            std::nullopt, QStringLiteral("cached:") + newUuidString()};
    } else if (kind < 85) {
      payload = ImagePayload{QImage(), QStringLiteral("Screenshot %1.png").arg(i), 1920, 1080,
                             QStringLiteral("1.2 MB")};
    } else if (kind < 95) {
      payload = FilePayload{QStringLiteral("report-%1.pdf").arg(i), QStringLiteral("240 KB"),
                            Url::fromLocalFile(QStringLiteral("/home/user/Documents/report-%1.pdf").arg(i))};
    } else {
      const int rgb = static_cast<int>(random() % 0xFFFFFF);
      payload = ColorPayload{QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper(), (rgb >> 16) & 255,
                             (rgb >> 8) & 255, rgb & 255};
    }
    items.append(ClipboardItem::make(newUuid(), app, at, std::move(payload)));
  }
  return items;
}

struct Fixture {
  Fixture() {
    installItemServices(*fake.context);
    // Keep everything: retention should not shrink the benchmark's history.
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    history = mixedHistory(fake.scheduler->now(), kHistorySize);
  }
  FakeContext fake;
  std::unique_ptr<PanelState> state;
  QList<ClipboardItem> history;
};

// A copy at the front of a full history with a few marks: the de-duplication pass, the insert,
// the retention pass and the pruning of marks.
void BM_AddItemAtFrontOfFullHistory(benchmark::State& bench) {
  Fixture f;
  f.fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("1y"));
  f.state->setItems(f.history);
  f.state->setPinnedIDs({f.history[10].id, f.history[5000].id});
  f.state->setCardCategories({{f.history[20].id, newUuid()}});
  int n = 0;
  for (auto _ : bench) {
    f.state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), f.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("fresh copy %1").arg(n++)}));
  }
  bench.counters["items"] = static_cast<double>(f.state->items().size());
}
BENCHMARK(BM_AddItemAtFrontOfFullHistory)->Unit(benchmark::kMillisecond);

// The same text copied again: the older copy is removed as well (two changes of the list).
void BM_AddDuplicateAtFrontOfFullHistory(benchmark::State& bench) {
  Fixture f;
  f.state->setItems(f.history);
  for (auto _ : bench) {
    f.state->addItem(ClipboardItem::make(newUuid(), QStringLiteral("org.gnome.TextEditor"), f.fake.scheduler->now(),
                                         TextPayload{QStringLiteral("the same copy")}));
  }
}
BENCHMARK(BM_AddDuplicateAtFrontOfFullHistory)->Unit(benchmark::kMillisecond);

// One save as the quit flush runs it: snapshot, encode and atomic write (here on this thread).
void BM_SaveFullHistory(benchmark::State& bench) {
  Fixture f;
  f.state->setItems(f.history);
  for (auto _ : bench) f.state->flushSave();
  bench.counters["bytes"] = static_cast<double>(QFileInfo(f.state->historyFilePath()).size());
}
BENCHMARK(BM_SaveFullHistory)->Unit(benchmark::kMillisecond);

// Start-up: read, decode, bookmark look-up of file items, marks, retention and the backfill scan.
void BM_LoadFullHistory(benchmark::State& bench) {
  Fixture f;
  writeFileAtomically(f.state->historyFilePath(), encodeItems(f.history));
  for (auto _ : bench) {
    PanelState state(*f.fake.context);
    state.loadHistory();
    benchmark::DoNotOptimize(state.items().size());
  }
}
BENCHMARK(BM_LoadFullHistory)->Unit(benchmark::kMillisecond);

// The parts of the load: the decoder alone on the same file.
void BM_DecodeFullHistory(benchmark::State& bench) {
  Fixture f;
  const QByteArray json = encodeItems(f.history);
  for (auto _ : bench) benchmark::DoNotOptimize(decodeItems(json));
}
BENCHMARK(BM_DecodeFullHistory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
