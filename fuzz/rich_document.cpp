// libFuzzer target for the rich-document reader as the preview calls it: the format told by the
// content (RTF, a binary property list for a web archive, a zip holding a DOCX or an ODT, XML for
// WordML) and read by its reader, recoloured for both schemes. Nothing may crash, run away or
// give runs outside the text.
// fuzz-link: Qt6::Gui QuaZip::QuaZip
// fuzz-sources: src/preview/document/RichDocumentReader.cpp src/preview/document/RtfReader.cpp
// fuzz-sources: src/preview/document/WebArchiveReader.cpp src/preview/document/BoundedHtml.cpp
// fuzz-sources: src/preview/document/PropertyList.cpp src/preview/document/WordReader.cpp
// fuzz-sources: src/preview/document/OdtReader.cpp src/preview/document/DocumentXml.cpp
// fuzz-sources: src/preview/document/ZipEntries.cpp src/preview/document/DocumentText.cpp
// fuzz-sources: src/platform/RegularFile.cpp src/base/NativePath.cpp
#include "preview/document/RichDocumentReader.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<qv::AttributedText> text = qv::readRichDocumentBytes(bytes);
  if (!text) return 0;
  if (text->text.isEmpty() || text->text.size() > qv::DocumentLimits::kMaxTextLength) std::abort();
  int end = 0;
  for (const auto& range : text->formats) {
    if (range.start < end || range.length <= 0 || range.start + range.length > text->text.size()) std::abort();
    end = range.start + range.length;
  }
  return 0;
}
