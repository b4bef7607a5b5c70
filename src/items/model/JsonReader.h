#pragma once
#include <QString>
#include <array>
#include <string>
#include <string_view>

namespace qv {

// Short ASCII strings that repeat across records (application ids, languages, domains) read
// as one shared QString, saving an allocation per record and the memory of the copies.
class JsonStringPool {
 public:
  static constexpr size_t kMaxLength = 64;
  QString intern(std::string_view ascii);

 private:
  struct Slot {
    std::string key;
    QString value;
  };
  std::array<Slot, 256> slots_;
};

// A strict pull reader of JSON text (RFC 8259) over UTF-8 bytes, for decoders that build their
// values straight from the text instead of through a document tree. It allocates only for the
// strings it hands out. Anything outside strict JSON is an error: invalid UTF-8, lone surrogate
// escapes, numbers a double cannot hold exactly enough (overflow, subnormal), control characters
// in strings, a byte-order mark, nesting deeper than `kMaxSkipDepth` inside a skipped value.
// The first error sticks: every later call fails.
class JsonReader {
 public:
  static constexpr int kMaxSkipDepth = 256;

  JsonReader(const char* begin, const char* end) : begin_(begin), p_(begin), end_(end) {}

  bool failed() const { return error_ != nullptr; }
  const char* errorMessage() const { return error_; }
  qsizetype errorOffset() const { return errorAt_ - begin_; }

  // Skips white space; true when the next byte is `c`, which is then consumed.
  bool consume(char c) {
    if (error_) return false;
    skipSpace();
    if (p_ < end_ && *p_ == c) {
      ++p_;
      return true;
    }
    return false;
  }
  // The same, failing when it is not there.
  bool expect(char c);
  // True when only white space is left.
  bool atEnd();
  // The first byte of the next value, after white space ('\0' at the end).
  char peek();

  // An object key and its ':'. The view points into the text, or into the reader's own buffer
  // (valid until the next key) when the key has escapes.
  bool readKey(std::string_view* key);
  bool readString(QString* out, JsonStringPool* pool = nullptr);
  // A string without escapes, as its raw UTF-8 bytes (validated); fails on escapes too.
  bool readPlainString(std::string_view* out);
  bool readInt64(qint64* out);  // an integer literal only: no fraction, no exponent
  bool readDouble(double* out);
  bool readNull();
  bool skipValue();

  const char* position() const { return p_; }
  void seek(const char* position) { p_ = position; }

 private:
  bool fail(const char* message);
  void skipSpace() {
    // Compact text has no white space: one compare settles the common case.
    while (p_ < end_ && static_cast<unsigned char>(*p_) <= ' ' &&
           (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t'))
      ++p_;
  }
  // Scans a number literal at the cursor; `integral` when it has no fraction or exponent.
  bool scanNumber(std::string_view* literal, bool* integral);
  // After the opening quote: the raw bytes up to the closing quote, which is consumed.
  bool scanString(std::string_view* raw, bool* plainAscii, bool* hasEscapes);
  bool toDouble(std::string_view literal, double* out);
  bool decodeString(std::string_view raw, QString* out);
  bool skipValue(int depth);

  const char* begin_;
  const char* p_;
  const char* end_;
  const char* error_ = nullptr;
  const char* errorAt_ = nullptr;
  std::string keyBuffer_;
};

}  // namespace qv
