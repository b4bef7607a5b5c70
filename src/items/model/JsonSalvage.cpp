#include "items/model/JsonSalvage.h"

#include "items/model/JsonReader.h"

#include <cstring>

namespace qv {

namespace {

// The end of the value starting at `from`, or none when no whole value starts there.
const char* endOfValue(const char* from, const char* end) {
  JsonReader reader(from, end);
  if (!reader.skipValue()) return nullptr;
  return reader.position();
}

}  // namespace

std::optional<SalvagedArray> salvageJsonArray(QByteArrayView json,
                                              const std::function<bool(QByteArrayView object)>& isRecord) {
  const char* const begin = json.data();
  const char* const end = begin + json.size();
  SalvagedArray result;
  JsonReader opening(begin, end);
  const bool opened = opening.consume('[');
  const char* p = opening.position();
  // In step: the next element, or the closing bracket, follows right here.
  bool inStep = opened;
  // After an element: true when a comma follows (in step again), false at the end of the array.
  const auto afterElement = [&](const char* stop) {
    JsonReader after(stop, end);
    if (after.consume(',')) {
      p = after.position();
      inStep = true;
      return true;
    }
    // The end of the array. A bracket with more after it may be junk inside the array:
    // reading goes on from the next record, if there is one.
    if (after.consume(']')) {
      if (after.atEnd()) return false;
      p = after.position();
      inStep = false;
      return true;
    }
    p = stop;
    inStep = false;
    return true;
  };
  for (;;) {
    if (inStep) {
      JsonReader next(p, end);
      if (next.atEnd()) break;  // cut short
      if (next.consume(']')) {
        if (next.atEnd()) break;
        p = next.position();
        inStep = false;
        continue;
      }
      const char* start = next.position();
      if (const char* stop = endOfValue(start, end)) {
        result.elements.append(QByteArrayView(start, stop - start));
        if (!afterElement(stop)) break;
        continue;
      }
      p = start;
      inStep = false;
    }
    // Out of step: on from the next object that is a record.
    const void* found = p < end ? memchr(p, '{', static_cast<size_t>(end - p)) : nullptr;
    if (!found) break;
    const char* candidate = static_cast<const char*>(found);
    const char* stop = endOfValue(candidate, end);
    if (!stop || !isRecord(QByteArrayView(candidate, stop - candidate))) {
      p = candidate + 1;
      continue;
    }
    result.elements.append(QByteArrayView(candidate, stop - candidate));
    if (!afterElement(stop)) break;
  }
  if (!opened && result.elements.isEmpty()) return std::nullopt;
  return result;
}

QByteArray joinJsonArray(const QList<QByteArrayView>& elements) {
  qsizetype size = 2;
  for (const QByteArrayView element : elements) size += element.size() + 1;
  QByteArray out;
  out.reserve(size);
  out.append('[');
  for (qsizetype i = 0; i < elements.size(); ++i) {
    if (i) out.append(',');
    out.append(elements.at(i));
  }
  out.append(']');
  return out;
}

}  // namespace qv
