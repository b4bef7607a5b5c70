#include "items/model/JsonReader.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace {

using uchar8 = unsigned char;

// What a byte means inside a string: plain ASCII is the run the scanner skips through.
enum ByteClass : uchar8 { kPlain, kQuote, kBackslash, kControl, kHigh };

constexpr std::array<uchar8, 256> makeByteClasses() {
  std::array<uchar8, 256> classes{};
  for (int c = 0; c < 256; ++c)
    classes[c] = c < 0x20 ? kControl : c >= 0x80 ? kHigh : c == '"' ? kQuote : c == '\\' ? kBackslash : kPlain;
  return classes;
}
constexpr std::array<uchar8, 256> kByteClasses = makeByteClasses();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One UTF-8 sequence starting at `s` (a byte >= 0x80). Rejects overlong forms, surrogates and
// code points beyond U+10FFFF; noncharacters are valid text.
bool decodeUtf8(const uchar8*& s, const uchar8* end, char32_t* codePoint) {
  const uchar8 lead = *s;
  int length;
  uchar8 low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  if (end - s < length) return false;
  if (s[1] < low || s[1] > high) return false;
  char32_t value = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return false;
    value = (value << 6) | (s[i] & 0x3F);
  }
  s += length;
  *codePoint = value;
  return true;
}

// Decodes (or, with a null `out`, only checks) the raw bytes between a string's quotes.
// Returns the end of what was written, or null with `*error` set.
char16_t* walkString(std::string_view raw, char16_t* out, const char** error) {
  const auto* s = reinterpret_cast<const uchar8*>(raw.data());
  const auto* end = s + raw.size();
  const auto put = [&out](char16_t unit) {
    if (out) *out++ = unit;
  };
  while (s < end) {
    const uchar8 c = *s;
    if (c < 0x80 && c != '\\') {
      put(c);
      ++s;
      continue;
    }
    if (c >= 0x80) {
      char32_t codePoint;
      if (!decodeUtf8(s, end, &codePoint)) {
        *error = "Invalid UTF-8 in string";
        return nullptr;
      }
      if (codePoint >= 0x10000) {
        put(char16_t(0xD800 + ((codePoint - 0x10000) >> 10)));
        put(char16_t(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
      } else {
        put(char16_t(codePoint));
      }
      continue;
    }
    // An escape; the scanner made sure a byte follows the backslash.
    const char kind = static_cast<char>(s[1]);
    s += 2;
    switch (kind) {
      case '"': put(u'"'); continue;
      case '\\': put(u'\\'); continue;
      case '/': put(u'/'); continue;
      case 'b': put(u'\b'); continue;
      case 'f': put(u'\f'); continue;
      case 'n': put(u'\n'); continue;
      case 'r': put(u'\r'); continue;
      case 't': put(u'\t'); continue;
      case 'u': break;
      default: *error = "Invalid escape sequence"; return nullptr;
    }
    const auto hex4 = [&](const uchar8* at) -> int {
      if (end - at < 4) return -1;
      int value = 0;
      for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(static_cast<char>(at[i]));
        if (digit < 0) return -1;
        value = value * 16 + digit;
      }
      return value;
    };
    const int unit = hex4(s);
    if (unit < 0) {
      *error = "Invalid escape sequence";
      return nullptr;
    }
    s += 4;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      *error = "Unpaired surrogate escape";
      return nullptr;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const int second = end - s >= 6 && s[0] == '\\' && s[1] == 'u' ? hex4(s + 2) : -1;
      if (second < 0xDC00 || second > 0xDFFF) {
        *error = "Unpaired surrogate escape";
        return nullptr;
      }
      s += 6;
      put(char16_t(unit));
      put(char16_t(second));
      continue;
    }
    put(char16_t(unit));
  }
  return out ? out : reinterpret_cast<char16_t*>(1);  // any non-null marks success
}

}  // namespace

QString JsonStringPool::intern(std::string_view ascii) {
  if (ascii.size() > kMaxLength) return QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()));
  quint32 hash = 2166136261u;  // FNV-1a
  for (const char c : ascii) hash = (hash ^ static_cast<uchar8>(c)) * 16777619u;
  Slot& slot = slots_[hash % slots_.size()];
  if (slot.key != ascii || slot.value.isNull()) {
    slot.key.assign(ascii);
    slot.value = QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()));
  }
  return slot.value;
}

bool JsonReader::fail(const char* message) {
  if (!error_) {
    error_ = message;
    errorAt_ = p_;
  }
  return false;
}

bool JsonReader::expect(char c) {
  if (consume(c)) return true;
  return fail(p_ < end_ ? "Unexpected character" : "Unexpected end of text");
}

bool JsonReader::atEnd() {
  skipSpace();
  return !error_ && p_ == end_;
}

char JsonReader::peek() {
  skipSpace();
  return p_ < end_ && !error_ ? *p_ : '\0';
}

bool JsonReader::scanString(std::string_view* raw, bool* plainAscii, bool* hasEscapes) {
  const char* start = p_;
  bool ascii = true, escapes = false;
  for (;;) {
#if defined(__SSE2__)
    // Sixteen bytes at a time up to the first quote, backslash, control or non-ASCII byte.
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), space = _mm_set1_epi8(0x20);
    while (end_ - p_ >= 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p_));
      // A signed compare puts both control characters and bytes >= 0x80 below the space.
      const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                                           _mm_cmplt_epi8(bytes, space));
      const int mask = _mm_movemask_epi8(special);
      if (mask) {
        p_ += __builtin_ctz(static_cast<unsigned>(mask));
        break;
      }
      p_ += 16;
    }
#endif
    while (p_ < end_ && kByteClasses[static_cast<uchar8>(*p_)] == kPlain) ++p_;
    if (p_ == end_) return fail("Unterminated string");
    switch (kByteClasses[static_cast<uchar8>(*p_)]) {
      case kQuote:
        *raw = std::string_view(start, static_cast<size_t>(p_ - start));
        *plainAscii = ascii;
        *hasEscapes = escapes;
        ++p_;
        return true;
      case kBackslash:
        escapes = true;
        if (end_ - p_ < 2) return fail("Unterminated string");
        p_ += 2;
        break;
      case kControl: return fail("Control character in string");
      default: ascii = false; ++p_;
    }
  }
}

bool JsonReader::decodeString(std::string_view raw, QString* out) {
  // Never more UTF-16 units than UTF-8 bytes, escapes included.
  QString text(static_cast<qsizetype>(raw.size()), Qt::Uninitialized);
  const char* error = nullptr;
  char16_t* written = walkString(raw, reinterpret_cast<char16_t*>(text.data()), &error);
  if (!written) return fail(error);
  text.truncate(written - reinterpret_cast<const char16_t*>(text.constData()));
  *out = std::move(text);
  return true;
}

bool JsonReader::readString(QString* out, JsonStringPool* pool) {
  if (!expect('"')) return false;
  std::string_view raw;
  bool ascii = false, escapes = false;
  if (!scanString(&raw, &ascii, &escapes)) return false;
  if (ascii && !escapes) {
    if (pool) {
      *out = pool->intern(raw);
      return true;
    }
    *out = QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size()));
    return true;
  }
  return decodeString(raw, out);
}

bool JsonReader::readPlainString(std::string_view* out) {
  if (!expect('"')) return false;
  bool ascii = false, escapes = false;
  if (!scanString(out, &ascii, &escapes)) return false;
  if (escapes) return fail("Escapes where a plain string was expected");
  const char* error = nullptr;
  if (!ascii && !walkString(*out, nullptr, &error)) return fail(error);
  return true;
}

bool JsonReader::readKey(std::string_view* key) {
  if (!expect('"')) return false;
  bool ascii = false, escapes = false;
  if (!scanString(key, &ascii, &escapes)) return false;
  if (escapes) {
    QString text;
    if (!decodeString(*key, &text)) return false;
    keyBuffer_ = text.toStdString();
    *key = keyBuffer_;
  } else if (!ascii) {
    const char* error = nullptr;
    if (!walkString(*key, nullptr, &error)) return fail(error);
  }
  return expect(':');
}

bool JsonReader::scanNumber(std::string_view* literal, bool* integral) {
  skipSpace();
  if (error_) return false;
  const char* start = p_;
  bool whole = true;
  if (p_ < end_ && *p_ == '-') ++p_;
  if (p_ < end_ && *p_ == '0') {
    ++p_;
  } else if (p_ < end_ && *p_ >= '1' && *p_ <= '9') {
    while (p_ < end_ && isDigit(*p_)) ++p_;
  } else {
    return fail("Invalid number");
  }
  if (p_ < end_ && *p_ == '.') {
    whole = false;
    ++p_;
    if (p_ == end_ || !isDigit(*p_)) return fail("Invalid number");
    while (p_ < end_ && isDigit(*p_)) ++p_;
  }
  if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
    whole = false;
    ++p_;
    if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
    if (p_ == end_ || !isDigit(*p_)) return fail("Invalid number");
    while (p_ < end_ && isDigit(*p_)) ++p_;
  }
  *literal = std::string_view(start, static_cast<size_t>(p_ - start));
  *integral = whole;
  return true;
}

bool JsonReader::readInt64(qint64* out) {
  std::string_view literal;
  bool integral = false;
  if (!scanNumber(&literal, &integral)) return false;
  if (!integral) return fail("Expected an integer");
  long long value = 0;
  const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  if (result.ec != std::errc() || result.ptr != literal.data() + literal.size()) return fail("Integer out of range");
  *out = value;
  return true;
}

bool JsonReader::toDouble(std::string_view literal, double* out) {
  double value = 0;
  const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  if (result.ec != std::errc() || result.ptr != literal.data() + literal.size()) return fail("Number out of range");
  if (value != 0 && std::fabs(value) < DBL_MIN) return fail("Number out of range");
  if (value == 0) {
    // Only a literal of zeros may read as zero; anything else underflowed.
    for (const char c : literal) {
      if (c == 'e' || c == 'E') break;
      if (c >= '1' && c <= '9') return fail("Number out of range");
    }
  }
  *out = value;
  return true;
}

bool JsonReader::readDouble(double* out) {
  std::string_view literal;
  bool integral = false;
  return scanNumber(&literal, &integral) && toDouble(literal, out);
}

bool JsonReader::readNull() {
  skipSpace();
  if (!error_ && end_ - p_ >= 4 && std::memcmp(p_, "null", 4) == 0) {
    p_ += 4;
    return true;
  }
  return fail("Expected null");
}

bool JsonReader::skipValue() { return skipValue(0); }

bool JsonReader::skipValue(int depth) {
  const char c = peek();
  if (error_) return false;
  switch (c) {
    case '{':
    case '[': {
      if (depth >= kMaxSkipDepth) return fail("Nesting too deep");
      const bool object = c == '{';
      ++p_;
      const char close = object ? '}' : ']';
      if (consume(close)) return true;
      do {
        std::string_view key;
        if (object && !readKey(&key)) return false;
        if (!skipValue(depth + 1)) return false;
      } while (consume(','));
      return expect(close);
    }
    case '"': {
      ++p_;
      std::string_view raw;
      bool ascii = false, escapes = false;
      if (!scanString(&raw, &ascii, &escapes)) return false;
      const char* error = nullptr;
      if (!(ascii && !escapes) && !walkString(raw, nullptr, &error)) return fail(error);
      return true;
    }
    case 't':
    case 'f':
    case 'n': {
      const char* word = c == 't' ? "true" : c == 'f' ? "false" : "null";
      const size_t length = std::strlen(word);
      if (static_cast<size_t>(end_ - p_) >= length && std::memcmp(p_, word, length) == 0) {
        p_ += length;
        return true;
      }
      return fail("Invalid literal");
    }
    default: {
      if (c != '-' && !isDigit(c)) return fail(p_ < end_ ? "Unexpected character" : "Unexpected end of text");
      std::string_view literal;
      bool integral = false;
      if (!scanNumber(&literal, &integral)) return false;
      long long integer = 0;
      if (integral) {
        const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), integer);
        if (result.ec == std::errc() && result.ptr == literal.data() + literal.size()) return true;
      }
      // Not a 64-bit integer: it must still make a normal double.
      double number = 0;
      return toDouble(literal, &number);
    }
  }
}

}  // namespace qv
