#include "items/model/JsonText.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace qv {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Bytes `c` takes in JSON text when it is below 0x80.
int asciiLength(char16_t c) {
  if (c >= 0x20) return c == u'"' || c == u'\\' ? 2 : 1;
  switch (c) {
    case u'\n':
    case u'\r':
    case u'\t':
    case u'\b':
    case u'\f': return 2;
    default: return 6;
  }
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

char* appendUninitialized(QByteArray& out, qsizetype length) {
  const qsizetype start = out.size();
  out.resize(start + length);  // grows geometrically
  return out.data() + start;
}

void appendJsonString(QByteArray& out, const QString& text) {
  // Measure first, then write UTF-8 straight into the output. A lone surrogate becomes '?',
  // as QString::toUtf8 writes it.
  const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
  const qsizetype count = text.size();
  qsizetype length = 2;
  for (qsizetype i = 0; i < count; ++i) {
    const char16_t c = units[i];
    if (c < 0x80) {
      length += asciiLength(c);
    } else if (c < 0x800) {
      length += 2;
    } else if (isHighSurrogate(c) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      length += 4;
      ++i;
    } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
      length += 1;
    } else {
      length += 3;
    }
  }
  char* d = appendUninitialized(out, length);
  *d++ = '"';
  for (qsizetype i = 0; i < count; ++i) {
    const char16_t c = units[i];
    if (c < 0x80) {
      if (c >= 0x20 && c != u'"' && c != u'\\') {
        *d++ = static_cast<char>(c);
        continue;
      }
      *d++ = '\\';
      switch (c) {
        case u'"': *d++ = '"'; break;
        case u'\\': *d++ = '\\'; break;
        case u'\n': *d++ = 'n'; break;
        case u'\r': *d++ = 'r'; break;
        case u'\t': *d++ = 't'; break;
        case u'\b': *d++ = 'b'; break;
        case u'\f': *d++ = 'f'; break;
        default:
          *d++ = 'u';
          *d++ = '0';
          *d++ = '0';
          *d++ = kHex[c >> 4];
          *d++ = kHex[c & 0xF];
      }
    } else if (c < 0x800) {
      *d++ = static_cast<char>(0xC0 | (c >> 6));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (isHighSurrogate(c) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      const char32_t code = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (units[++i] - 0xDC00);
      *d++ = static_cast<char>(0xF0 | (code >> 18));
      *d++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *d++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
      *d++ = '?';
    } else {
      *d++ = static_cast<char>(0xE0 | (c >> 12));
      *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  *d = '"';
}

void appendJsonKey(QByteArray& out, const char* key, bool first) {
  const size_t keyLength = std::strlen(key);
  char* d = appendUninitialized(out, static_cast<qsizetype>(keyLength) + (first ? 3 : 4));
  if (!first) *d++ = ',';
  *d++ = '"';
  std::memcpy(d, key, keyLength);
  d += keyLength;
  *d++ = '"';
  *d = ':';
}

void appendJsonInteger(QByteArray& out, qint64 value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::memcpy(appendUninitialized(out, result.ptr - buffer), buffer, result.ptr - buffer);
}

void appendJsonDouble(QByteArray& out, double value) {
  if (!std::isfinite(value)) value = 0;
  // The shortest digits that read back to the same value, written out in full (760000000, not
  // 7.6e+08) except for very large or small magnitudes, as JSON writers usually do.
  const double magnitude = std::fabs(value);
  const bool plain = magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e21);
  char buffer[64];
  const auto result = plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                            : std::to_chars(buffer, buffer + sizeof buffer, value);
  std::memcpy(appendUninitialized(out, result.ptr - buffer), buffer, result.ptr - buffer);
}

}  // namespace qv
