#pragma once
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace qv {

// A paste transform of an item's plain text. The raw value names the transform in stored and
// menu data; `id()` is the raw value.
class TextTransform {
 public:
  // Declaration order is the order of `allCases()`.
  enum Case {
    trim,
    collapseWhitespace,
    singleLine,
    lowercase,
    uppercase,
    titleCase,
    sentenceCase,
    urlEncode,
    urlDecode,
  };

  constexpr TextTransform(Case value) : case_(value) {}  // NOLINT(google-explicit-constructor)

  // The exact raw value ("trim", "titleCase", ...); any other text, including another letter
  // case, gives nothing.
  static std::optional<TextTransform> fromRawValue(const QString& rawValue);
  static const QList<TextTransform>& allCases();
  // The three menu sections: whitespace, letter case, URL encoding.
  static const QList<QList<TextTransform>>& groups();

  Case value() const { return case_; }
  QString rawValue() const;
  QString id() const { return rawValue(); }

  // Never fails: a transform that cannot apply returns its input.
  QString apply(const QString& text) const;

  friend bool operator==(TextTransform a, TextTransform b) { return a.case_ == b.case_; }

 private:
  Case case_;
};

inline size_t qHash(TextTransform transform, size_t seed = 0) { return ::qHash(int(transform.value()), seed); }

// The pieces, usable on their own.
namespace text {
// Foundation-style character sets: whitespace is tab plus the space separators; newlines are
// U+000A-U+000D, U+0085, U+2028 and U+2029.
bool isWhitespace(char32_t c);
bool isNewline(char32_t c);
QString trimmed(const QString& text, bool includeNewlines);
// Lower case without locale rules, with the Greek final sigma.
QString lowercased(const QString& text);
QString uppercased(const QString& text);
QString capitalized(const QString& text);
QString sentenceCased(const QString& text);
// Percent-encodes everything outside the URL-query set (ASCII letters, digits and
// !$&'()*+,-./:;=?@_~) as UTF-8. Nothing when the text is not valid UTF-16.
std::optional<QString> percentEncodedForQuery(const QString& text);
// Nothing on an invalid escape or when the decoded bytes are not UTF-8.
std::optional<QString> percentDecoded(const QString& text);
}  // namespace text

}  // namespace qv
