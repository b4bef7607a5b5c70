// libFuzzer target for the OpenDocument text mapping of the document preview (content.xml with
// styles.xml): the input up to its first NUL byte is content.xml, the rest styles.xml.
// fuzz-link: Qt6::Gui QuaZip::QuaZip
// fuzz-sources: src/preview/document/OdtReader.cpp src/preview/document/DocumentText.cpp
// fuzz-sources: src/preview/document/DocumentXml.cpp src/preview/document/ZipEntries.cpp
#include "preview/document/OdtReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype split = bytes.indexOf('\0');
  const QByteArrayView content = split < 0 ? bytes : bytes.first(split);
  const QByteArrayView styles = split < 0 ? QByteArrayView() : bytes.sliced(split + 1);
  const std::optional<qv::AttributedText> text = qv::readOdfXml(content, styles);
  if (text) {
    for (const auto& range : text->formats)
      if (range.start < 0 || range.start + range.length > text->text.size()) std::abort();
  }
  return 0;
}
