#pragma once
#include "ui/text/AttributedText.h"
#include "ui/theme/Environment.h"

#include <QColor>
#include <QFont>
#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <unordered_map>
#include <vector>

namespace qv {

class CodeHighlightCache;

// Turns source code and a free-form language label into coloured runs with a fixed series of
// regular-expression passes: comments, strings and numbers (and, for markup, tags and
// attributes) claim text by position, keywords fill what nothing else claimed, the gaps are
// plain. Labels match case-insensitively; an unknown label gets the generic keywords and "//".
// Matching follows Unicode rules (\b \w \d \s over all scripts, `.` stops at every line end).
class CodeHighlighter {
 public:
  enum class Kind { keyword, string, comment, number, plain, tag, attribute };
  static constexpr size_t kKindCount = 7;

  struct Token {
    QString text;
    Kind kind = Kind::plain;
    bool operator==(const Token&) const = default;
  };

  // A match, in UTF-16 positions of the text.
  struct Range {
    qsizetype start = 0;
    qsizetype end = 0;
    bool operator==(const Range&) const = default;
  };

  CodeHighlighter(QString source, QString language) : source_(std::move(source)), language_(std::move(language)) {}
  const QString& source() const { return source_; }
  const QString& language() const { return language_; }

  // The card's text: the first `limit` characters (whole graphemes), or all of it when `full`,
  // coloured for `scheme` in the card's code font, from `cache` when it was made before.
  SharedAttributedText highlightedText(CodeHighlightCache& cache, ColorScheme scheme, qsizetype limit, bool full) const;

  // The tokens of `text`; joined in order they give back the text. Pure; any thread.
  static std::vector<Token> tokenize(const QString& text, const QString& language);
  // The language's keywords (empty for markup and style sheets).
  static const QStringList& keywords(const QString& language);
  // All matches of `pattern` in `text`, in order; none when the pattern is invalid.
  static std::vector<Range> ranges(const QRegularExpression& pattern, const QString& text);
  // How patterns are compiled: with Unicode properties, once.
  static QRegularExpression compile(const QString& pattern);

  enum class Palette { card, viewer };
  // The tokens as one attributed text in `font`, coloured from `palette`.
  static AttributedText attributed(const std::vector<Token>& tokens, const QFont& font, bool dark, Palette palette);

  // The card palette (plain is the label colour at 0.9 / 0.85) and the viewer palette (plain
  // is white at 0.9 / black at 0.92; comments are darker on light).
  static QColor color(Kind kind, bool dark);
  static QColor viewerColor(Kind kind, bool dark);

  // The card's code font: the desktop's fixed font at 11 points.
  static QFont cardFont();

 private:
  QString source_;
  QString language_;
};

// The process-wide cache of card texts. Its key keeps the text itself, so two texts that
// happen to share a hash value never share colours. It is emptied whole when an insertion
// finds 121 entries. Main thread only.
class CodeHighlightCache {
 public:
  using Hasher = std::function<size_t(const QString&)>;
  static constexpr size_t kWipeAt = 121;

  // `hasher` replaces the string hash (tests force collisions with it).
  explicit CodeHighlightCache(Hasher hasher = {});

  struct Key {
    size_t sourceHash = 0;
    qsizetype length = 0;  // in characters (graphemes)
    QString language;      // as the caller passed it
    bool dark = false;
    QString text;
    bool operator==(const Key&) const = default;
  };

  SharedAttributedText find(const Key& key) const;
  void insert(Key key, SharedAttributedText value);
  Key keyFor(const QString& text, const QString& language, bool dark) const;
  size_t size() const { return entries_.size(); }

 private:
  struct KeyHash {
    size_t operator()(const Key& key) const { return key.sourceHash; }
  };
  Hasher hasher_;
  std::unordered_map<Key, SharedAttributedText, KeyHash> entries_;
};

}  // namespace qv
