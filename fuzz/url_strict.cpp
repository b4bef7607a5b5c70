// The strict URL parser against the QUrl strict parse: whatever it takes must be taken by the
// parse as well, and the URL it builds later must be the one the parse gives.
// fuzz-link: qv_base
#include "base/Url.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const std::optional<qv::Url> url = qv::parseStrictUrl(text);
  if (!url) return 0;
  const QUrl parsed(text, QUrl::StrictMode);
  if (!parsed.isValid() || url->qurl() != parsed || url->text() != text) std::abort();
  return 0;
}
