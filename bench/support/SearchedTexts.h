#pragma once
// The texts a search reads, and the plain scan of them that the search benchmarks hold their
// figures against (header only: every bench/*.cpp is its own program).
#include "BenchMain.h"
#include "items/model/ClipboardItem.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <QStringList>
#include <type_traits>
#include <variant>
#include <vector>

namespace qv::bench {

// The searched fields of an item, as the search reads them.
inline QStringList searchedFields(const ClipboardItem& item) {
  return std::visit(
      [](const auto& p) -> QStringList {
        using Payload = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<Payload, ColorPayload>) return {p.hex};
        if constexpr (std::is_same_v<Payload, ImagePayload>) return {p->filename};
        if constexpr (std::is_same_v<Payload, LinkPayload>)
          return {absoluteString(p->url), p->domain, p->title.value_or(QString()), p->description.value_or(QString())};
        if constexpr (std::is_same_v<Payload, CodePayload>) return {p.source, p.language};
        if constexpr (std::is_same_v<Payload, TextPayload>) return {p.text};
        if constexpr (std::is_same_v<Payload, FilePayload>) return {p->name};
      },
      item.payload);
}

inline QStringList lowered(const QStringList& fields) {
  QStringList result;
  for (const QString& field : fields) result.append(field.toLower());
  return result;
}

// contains() over texts lower-cased beforehand, timed: the floor a search is held against. The
// rows found go into the "found" counter.
inline void scanLoweredTexts(benchmark::State& bench, const std::vector<QStringList>& loweredFields,
                             const QString& query) {
  size_t found = 0;
  for (auto _ : bench) {
    std::vector<size_t> hits;
    for (size_t i = 0; i < loweredFields.size(); ++i)
      for (const QString& field : loweredFields[i])
        if (field.contains(query)) {
          hits.push_back(i);
          break;
        }
    found = hits.size();
    benchmark::DoNotOptimize(hits.data());
  }
  bench.counters["found"] = static_cast<double>(found);
}

// The process's resident memory in bytes, after the allocator gave back what it could (0 where
// /proc cannot be read).
inline qint64 residentBytes() {
  malloc_trim(0);
  return residentBytesAsLeft();
}

}  // namespace qv::bench
