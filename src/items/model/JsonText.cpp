#include "items/model/JsonText.h"

#include <charconv>
#include <cmath>

namespace qv {

void appendJsonString(QByteArray& out, const QString& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const QByteArray utf8 = text.toUtf8();
  out.reserve(out.size() + utf8.size() + 2);
  out.append('"');
  qsizetype runStart = 0;
  const char* data = utf8.constData();
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(data[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(data + runStart, i - runStart);
    runStart = i + 1;
    switch (c) {
      case '"': out.append("\\\"", 2); break;
      case '\\': out.append("\\\\", 2); break;
      case '\n': out.append("\\n", 2); break;
      case '\r': out.append("\\r", 2); break;
      case '\t': out.append("\\t", 2); break;
      case '\b': out.append("\\b", 2); break;
      case '\f': out.append("\\f", 2); break;
      default: {
        const char escape[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
        out.append(escape, 6);
      }
    }
  }
  out.append(data + runStart, utf8.size() - runStart);
  out.append('"');
}

void appendJsonKey(QByteArray& out, const char* key, bool first) {
  if (!first) out.append(',');
  out.append('"');
  out.append(key);
  out.append("\":", 2);
}

void appendJsonDouble(QByteArray& out, double value) {
  if (!std::isfinite(value)) value = 0;
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr - buffer);
}

}  // namespace qv
