// libFuzzer target for the binary property-list reader behind web archives: offsets, lengths,
// cycles and nesting must never crash or run away, and a web archive's main resource is found
// only in a well-formed list.
// fuzz-link: Qt6::Core
// fuzz-sources: src/preview/document/PropertyList.cpp
#include "preview/document/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unordered_set>

namespace {

// Walks every object once (shared ones are one object): the list is a tree of at most
// kMaxNesting levels, so no walk meets an object again on its own path.
void walk(const qv::PropertyListValue& value, int depth, std::unordered_set<const void*>& seen,
          std::unordered_set<const void*>& path) {
  if (depth > qv::PropertyListLimits::kMaxNesting + 1 || path.count(&value)) std::abort();
  if (!seen.insert(&value).second) return;
  path.insert(&value);
  for (const auto& member : value.array) walk(*member, depth + 1, seen, path);
  for (const auto& entry : value.dictionary) walk(*entry.second, depth + 1, seen, path);
  path.erase(&value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<qv::PropertyListObject> root = qv::readBinaryPropertyList(bytes);
  if (!root) return 0;
  std::unordered_set<const void*> seen, path;
  walk(**root, 0, seen, path);
  volatile const qv::PropertyListValue* main = (*root)->value(u"WebMainResource");
  (void)main;
  return 0;
}
