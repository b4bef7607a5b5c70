// libFuzzer target for the RTF reader of the document preview: groups, tables, escapes, code
// pages and \bin must never crash, hang or run past the input, whatever the bytes.
// fuzz-link: Qt6::Gui
// fuzz-sources: src/preview/document/RtfReader.cpp src/preview/document/DocumentText.cpp
#include "preview/document/RtfReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  std::optional<qv::AttributedText> text = qv::readRtf(bytes);
  if (!text) return 0;
  // Runs lie inside the text, in order, without overlapping.
  int end = 0;
  for (const auto& range : text->formats) {
    if (range.start < end || range.length <= 0 || range.start + range.length > text->text.size()) std::abort();
    end = range.start + range.length;
  }
  qv::adaptForegroundColors(*text);
  return 0;
}
