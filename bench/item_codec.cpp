// History coding speed: 100,000 mixed items decoded from and encoded to JSON text, beside a
// bare QJsonDocument parse of the same text (the floor the decoder builds on).
#include "base/ReferenceDate.h"
#include "items/model/ItemJson.h"

#include <benchmark/benchmark.h>
#include <QJsonDocument>

namespace {

constexpr int kItemCount = 100'000;

QList<qv::ClipboardItem> mixedItems() {
  QList<qv::ClipboardItem> items;
  items.reserve(kItemCount);
  const QString words = QStringLiteral("The quick brown fox jumps over the lazy dog — naïve café ");
  for (int i = 0; i < kItemCount; ++i) {
    const QDateTime when = qv::dateFromReferenceSeconds(760'000'000.0 + i * 1.375);
    const QString n = QString::number(i);
    qv::ClipboardPayload payload;
    switch (i % 6) {
      case 0: payload = qv::TextPayload{words.repeated(1 + i % 5) + n}; break;
      case 1:
        payload = qv::CodePayload{QStringLiteral("func f%1() -> Int {\n    return %1\n}\n").arg(n),
                                  QStringLiteral("Swift")};
        break;
      case 2:
        payload = qv::LinkPayload{*qv::parseStrictUrl(QStringLiteral("https://example.org/articles/") + n),
                                  QStringLiteral("example.org"), QStringLiteral("Article ") + n,
                                  i % 12 == 2 ? std::optional<QString>(words) : std::nullopt, std::nullopt};
        break;
      case 3: payload = qv::ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}; break;
      case 4:
        payload = qv::ImagePayload{
            {}, QStringLiteral("Screenshot ") + n + QStringLiteral(".png"), 1920, 1080, QStringLiteral("1.2 MB")};
        break;
      default:
        payload = qv::FilePayload{
            QStringLiteral("Report ") + n + QStringLiteral(".pdf"), QStringLiteral("245 KB"),
            *qv::parseStrictUrl(QStringLiteral("file:///home/ann/Documents/Report%20") + n + QStringLiteral(".pdf"))};
    }
    items.append(
        qv::ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), when, std::move(payload)));
  }
  return items;
}

const QList<qv::ClipboardItem>& items() {
  static const QList<qv::ClipboardItem> list = mixedItems();
  return list;
}

const QByteArray& encoded() {
  static const QByteArray text = qv::encodeItems(items());
  return text;
}

void BM_DecodeItems(benchmark::State& state) {
  for (auto _ : state) {
    auto decoded = qv::decodeItems(encoded());
    if (!decoded || decoded->size() != kItemCount) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(decoded);
  }
  state.SetItemsProcessed(state.iterations() * kItemCount);
  state.SetBytesProcessed(state.iterations() * encoded().size());
}

// A load keeps its items: the same decode with the release of the result left out of the time.
void BM_LoadItems(benchmark::State& state) {
  for (auto _ : state) {
    auto decoded = qv::decodeItems(encoded());
    if (!decoded || decoded->size() != kItemCount) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(decoded);
    state.PauseTiming();
    decoded.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kItemCount);
  state.SetBytesProcessed(state.iterations() * encoded().size());
}

void BM_EncodeItems(benchmark::State& state) {
  for (auto _ : state) {
    QByteArray text = qv::encodeItems(items());
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations() * kItemCount);
  state.SetBytesProcessed(state.iterations() * encoded().size());
}

void BM_BareJsonDocumentParse(benchmark::State& state) {
  for (auto _ : state) {
    QJsonDocument document = QJsonDocument::fromJson(encoded());
    if (!document.isArray()) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(document);
  }
  state.SetItemsProcessed(state.iterations() * kItemCount);
  state.SetBytesProcessed(state.iterations() * encoded().size());
}

BENCHMARK(BM_DecodeItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareJsonDocumentParse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
