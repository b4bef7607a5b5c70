// libFuzzer target for the page metadata reader: charset detection, decoding and the tag scan.
#include "items/link/HtmlMetadata.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  // The first line, when short, plays the Content-Type header.
  const qsizetype newline = bytes.indexOf('\n');
  const QByteArray contentType = newline >= 0 && newline < 64 ? bytes.left(newline) : QByteArray();
  const QByteArray body = newline >= 0 && newline < 64 ? bytes.mid(newline + 1) : bytes;
  const qv::HtmlMetadata metadata = qv::parseHtmlMetadata(qv::decodeHtmlBody(body, contentType));
  const auto title = metadata.pageTitle();
  const QStringList images = metadata.imageReferences();
  volatile qsizetype sink = (title ? title->size() : 0) + images.size();
  (void)sink;
  return 0;
}
