// libFuzzer target for the WordprocessingML run mapping of the document preview (DOCX's
// document.xml and styles.xml, WordML files): the input up to its first NUL byte is the main
// part, the rest the styles part.
// fuzz-link: Qt6::Gui QuaZip::QuaZip
// fuzz-sources: src/preview/document/WordReader.cpp src/preview/document/DocumentText.cpp
// fuzz-sources: src/preview/document/DocumentXml.cpp src/preview/document/ZipEntries.cpp
#include "preview/document/WordReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype split = bytes.indexOf('\0');
  const QByteArrayView document = split < 0 ? bytes : bytes.first(split);
  const QByteArrayView styles = split < 0 ? QByteArrayView() : bytes.sliced(split + 1);
  const std::optional<qv::AttributedText> text = qv::readWordprocessingXml(document, styles);
  if (text) {
    for (const auto& range : text->formats)
      if (range.start < 0 || range.start + range.length > text->text.size()) std::abort();
  }
  return 0;
}
