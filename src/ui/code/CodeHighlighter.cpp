#include "ui/code/CodeHighlighter.h"

#include "base/Graphemes.h"
#include "ui/text/Fonts.h"

#include <QHash>
#include <algorithm>
#include <array>

namespace qv {

namespace {

using Kind = CodeHighlighter::Kind;
using Range = CodeHighlighter::Range;

struct Span {
  qsizetype start;
  qsizetype end;
  Kind kind;
};

// The keyword lists, in their stored order.
enum class Words { swift, python, javascript, kotlin, go, rust, java, c, shell, sql, none, generic, count };

constexpr std::array<const char*, size_t(Words::count)> kWordLists = {
    "as associatedtype break case catch class continue default defer deinit do else enum extension fallthrough false "
    "fileprivate for func guard if import in init inout internal is let mutating nil open operator override private "
    "protocol public repeat rethrows return self Self static struct subscript super switch throw throws true try "
    "typealias var where while async await actor nonisolated isolated some any consuming borrowing",
    "and as assert async await break class continue def del elif else except False finally for from global if import "
    "in is lambda None nonlocal not or pass raise return True try while with yield",
    "async await break case catch class const continue debugger default delete do else export extends false finally "
    "for from function if import in instanceof let new null of return static super switch this throw true try typeof "
    "undefined var void while yield type interface readonly enum namespace declare implements abstract override",
    "abstract as break by catch class companion const constructor continue data do else enum false final finally for "
    "fun if import in init interface internal is it lateinit null object open operator out override package private "
    "protected public reified return sealed super suspend this throw true try typealias val var when where while",
    "break case chan const continue default defer else fallthrough for func go goto if import interface map package "
    "range return select struct switch type var nil true false error string int int8 int16 int32 int64 uint uint8 "
    "uint16 uint32 uint64 float32 float64 bool byte rune any",
    "as async await break const continue crate dyn else enum extern false fn for if impl in let loop match mod move "
    "mut pub ref return self Self static struct super trait true type union unsafe use where while",
    "abstract assert boolean break byte case catch char class const continue default do double else enum extends "
    "false final finally float for goto if implements import instanceof int interface long native new null package "
    "private protected public return short static strictfp super switch synchronized this throw throws transient "
    "true try void volatile while",
    "auto break case char const continue default do double else enum extern false float for goto if inline int long "
    "NULL nullptr register restrict return short signed sizeof static struct switch true typedef union unsigned void "
    "volatile while class delete new operator private protected public template this throw try catch virtual "
    "override final namespace using",
    "if then else elif fi for while do done case esac function in return local export echo exit source alias "
    "readonly declare unset true false",
    "SELECT FROM WHERE AND OR NOT IN EXISTS BETWEEN LIKE IS NULL JOIN INNER LEFT RIGHT OUTER FULL CROSS ON GROUP BY "
    "ORDER HAVING LIMIT OFFSET INSERT INTO VALUES UPDATE SET DELETE CREATE TABLE VIEW DROP ALTER ADD COLUMN PRIMARY "
    "KEY FOREIGN REFERENCES INDEX UNIQUE DEFAULT AS DISTINCT ALL UNION EXCEPT INTERSECT CASE WHEN THEN ELSE END WITH "
    "RECURSIVE",
    "",
    "if else for while do return function class import export from const let var true false null undefined new this "
    "try catch finally throw async await switch case default break continue in of typeof instanceof void delete",
};

enum class Marker { hash, dashes, slashes, count };

// What a lower-cased label selects.
struct Grammar {
  Words words = Words::generic;
  Marker marker = Marker::slashes;
  bool markup = false;  // tag and attribute passes
};

Grammar grammarFor(const QString& language) {
  static const QHash<QString, Words> words = [] {
    QHash<QString, Words> table;
    auto add = [&](std::initializer_list<const char*> labels, Words list) {
      for (const char* label : labels) table.insert(QString::fromLatin1(label), list);
    };
    add({"swift"}, Words::swift);
    add({"python"}, Words::python);
    add({"javascript", "js", "typescript", "ts", "jsx", "tsx"}, Words::javascript);
    add({"kotlin"}, Words::kotlin);
    add({"go", "golang"}, Words::go);
    add({"rust"}, Words::rust);
    add({"java"}, Words::java);
    add({"c", "cpp", "c++", "objc", "objective-c"}, Words::c);
    add({"bash", "sh", "shell"}, Words::shell);
    add({"sql"}, Words::sql);
    add({"css", "scss", "sass", "less", "html", "xml"}, Words::none);
    return table;
  }();
  static const QHash<QString, Marker> markers = [] {
    QHash<QString, Marker> table;
    for (const char* label : {"python", "ruby", "bash", "sh", "shell", "yaml", "yml", "r", "toml"})
      table.insert(QString::fromLatin1(label), Marker::hash);
    for (const char* label : {"sql", "lua", "haskell"}) table.insert(QString::fromLatin1(label), Marker::dashes);
    return table;
  }();
  const QString lower = language.toLower();
  Grammar grammar;
  grammar.words = words.value(lower, Words::generic);
  grammar.marker = markers.value(lower, Marker::slashes);
  grammar.markup = lower == QLatin1String("html") || lower == QLatin1String("xml") || lower == QLatin1String("svg");
  return grammar;
}

// Every pattern, compiled once for the life of the process. Matching a const expression from
// several threads is safe once it is compiled (`optimize` compiles it eagerly).
struct Patterns {
  struct Pass {
    QRegularExpression expression;
    Kind kind;
  };
  std::array<QRegularExpression, size_t(Marker::count)> lineComments;
  std::vector<Pass> common;  // block and markup comments, strings, numbers
  std::vector<Pass> markup;  // tags and attributes
  std::array<QRegularExpression, size_t(Words::count)> keywords;
  std::array<QStringList, size_t(Words::count)> words;

  Patterns() {
    const std::array<const char*, size_t(Marker::count)> markerTexts = {"#", "--", "//"};
    for (size_t i = 0; i < markerTexts.size(); ++i)
      lineComments[i] = CodeHighlighter::compile(QRegularExpression::escape(QString::fromLatin1(markerTexts[i])) +
                                                 QStringLiteral("[^\n]*"));
    auto pass = [](const char* pattern, Kind kind) {
      return Pass{CodeHighlighter::compile(QString::fromUtf8(pattern)), kind};
    };
    common = {
        pass(R"(/\*[\s\S]*?\*/)", Kind::comment),
        pass(R"(<!--[\s\S]*?-->)", Kind::comment),
        pass(R"("{3}[\s\S]*?"{3})", Kind::string),
        pass(R"('{3}[\s\S]*?'{3})", Kind::string),
        pass(R"("(?:[^"\\\n]|\\.)*")", Kind::string),
        pass(R"('(?:[^'\\\n]|\\.)*')", Kind::string),
        pass(R"(`(?:[^`\\]|\\.)*`)", Kind::string),
        pass(R"(\b0x[0-9a-fA-F_]+\b|\b\d[\d_]*\.?[\d_]*(?:[eEpP][+-]?[\d_]+)?[fFdDlLuU]*\b)", Kind::number),
    };
    markup = {
        pass(R"(</?[a-zA-Z][a-zA-Z0-9:.-]*)", Kind::tag),
        pass(R"((?<=[^"'\w])[>]|(?<=\s)/>)", Kind::tag),
        pass(R"(\b[a-zA-Z][a-zA-Z0-9_:-]*(?=\s*=))", Kind::attribute),
    };
    for (size_t i = 0; i < kWordLists.size(); ++i) {
      words[i] = QString::fromLatin1(kWordLists[i]).split(QLatin1Char(' '), Qt::SkipEmptyParts);
      if (!words[i].isEmpty())
        keywords[i] = CodeHighlighter::compile(QStringLiteral("\\b(") + words[i].join(QLatin1Char('|')) +
                                               QStringLiteral(")\\b"));
    }
  }

  static const Patterns& shared() {
    static const Patterns patterns;
    return patterns;
  }
};

void appendSpans(std::vector<Span>& spans, const QRegularExpression& pattern, const QString& text, Kind kind) {
  for (const Range& range : CodeHighlighter::ranges(pattern, text)) spans.push_back({range.start, range.end, kind});
}

bool overlaps(qsizetype aStart, qsizetype aEnd, qsizetype bStart, qsizetype bEnd) {
  return aStart < aEnd && bStart < bEnd && aStart < bEnd && bStart < aEnd;
}

QColor rgb(int red, int green, int blue) { return QColor::fromRgb(red, green, blue); }

}  // namespace

QRegularExpression CodeHighlighter::compile(const QString& pattern) {
  // (*ANY): `.` stops at every line end, as in the ICU engine the patterns were written for.
  QRegularExpression expression(QStringLiteral("(*ANY)") + pattern, QRegularExpression::UseUnicodePropertiesOption);
  expression.optimize();
  return expression;
}

std::vector<Range> CodeHighlighter::ranges(const QRegularExpression& pattern, const QString& text) {
  std::vector<Range> result;
  if (!pattern.isValid() || text.isEmpty()) return result;
  auto matches = pattern.globalMatch(text);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    const qsizetype start = match.capturedStart(0), end = match.capturedEnd(0);
    if (start < 0 || end < start || end > text.size()) continue;
    result.push_back({start, end});
  }
  return result;
}

const QStringList& CodeHighlighter::keywords(const QString& language) {
  return Patterns::shared().words[size_t(grammarFor(language).words)];
}

std::vector<CodeHighlighter::Token> CodeHighlighter::tokenize(const QString& text, const QString& language) {
  std::vector<Token> tokens;
  if (text.isEmpty()) return tokens;
  const Patterns& patterns = Patterns::shared();
  const Grammar grammar = grammarFor(language);

  std::vector<Span> found;
  appendSpans(found, patterns.lineComments[size_t(grammar.marker)], text, Kind::comment);
  for (const auto& pass : patterns.common) appendSpans(found, pass.expression, text, pass.kind);
  if (grammar.markup)
    for (const auto& pass : patterns.markup) appendSpans(found, pass.expression, text, pass.kind);

  // Earlier passes win ties; a span that starts inside a kept one is dropped whole.
  std::stable_sort(found.begin(), found.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
  std::vector<Span> kept;
  qsizetype cursor = 0;
  for (const Span& span : found) {
    if (span.start < cursor) continue;
    kept.push_back(span);
    cursor = span.end;
  }

  // Keywords only where nothing else claimed the text. Both lists are in text order, so one
  // walk finds the kept span each keyword could touch.
  const QRegularExpression& keywordPattern = patterns.keywords[size_t(grammar.words)];
  if (keywordPattern.isValid() && !patterns.words[size_t(grammar.words)].isEmpty()) {
    std::vector<Span> words;
    size_t next = 0;
    for (const Range& range : ranges(keywordPattern, text)) {
      while (next < kept.size() && kept[next].end <= range.start) ++next;
      if (next < kept.size() && overlaps(range.start, range.end, kept[next].start, kept[next].end)) continue;
      words.push_back({range.start, range.end, Kind::keyword});
    }
    kept.insert(kept.end(), words.begin(), words.end());
    std::stable_sort(kept.begin(), kept.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
  }

  cursor = 0;
  for (const Span& span : kept) {
    if (cursor < span.start) tokens.push_back({text.mid(cursor, span.start - cursor), Kind::plain});
    tokens.push_back({text.mid(span.start, span.end - span.start), span.kind});
    cursor = span.end;
  }
  if (cursor < text.size()) tokens.push_back({text.mid(cursor), Kind::plain});
  return tokens;
}

QColor CodeHighlighter::color(Kind kind, bool dark) {
  switch (kind) {
    case Kind::keyword: return dark ? rgb(252, 95, 163) : rgb(155, 35, 147);
    case Kind::string: return dark ? rgb(252, 106, 93) : rgb(196, 26, 22);
    case Kind::comment: return dark ? rgb(108, 121, 134) : rgb(92, 110, 116);
    case Kind::number: return dark ? rgb(208, 191, 105) : rgb(28, 0, 207);
    case Kind::plain: return dark ? QColor::fromRgbF(1, 1, 1, 0.9f) : QColor::fromRgbF(0, 0, 0, 0.85f);
    case Kind::tag: return dark ? rgb(78, 201, 176) : rgb(38, 127, 153);
    case Kind::attribute: return dark ? rgb(156, 220, 254) : rgb(0, 112, 193);
  }
  return {};
}

QColor CodeHighlighter::viewerColor(Kind kind, bool dark) {
  switch (kind) {
    case Kind::comment: return dark ? rgb(108, 121, 134) : rgb(70, 88, 96);
    case Kind::plain: return dark ? QColor::fromRgbF(1, 1, 1, 0.9f) : QColor::fromRgbF(0, 0, 0, 0.92f);
    default: return color(kind, dark);
  }
}

AttributedText CodeHighlighter::attributed(const std::vector<Token>& tokens, const QFont& font, bool dark,
                                           Palette palette) {
  // One shared format per kind: runs of a kind share its data.
  std::array<QTextCharFormat, kKindCount> formats;
  for (size_t kind = 0; kind < formats.size(); ++kind) {
    formats[kind].setFont(font);
    formats[kind].setForeground(palette == Palette::card ? color(Kind(kind), dark) : viewerColor(Kind(kind), dark));
  }
  AttributedText text;
  for (const Token& token : tokens) text.append(token.text, formats[size_t(token.kind)]);
  return text;
}

QFont CodeHighlighter::cardFont() { return monospacedFont(11); }

SharedAttributedText CodeHighlighter::highlightedText(CodeHighlightCache& cache, ColorScheme scheme, qsizetype limit,
                                                      bool full) const {
  const bool dark = scheme == ColorScheme::dark;
  const QString text = full ? source_ : graphemePrefix(source_, limit);
  CodeHighlightCache::Key key = cache.keyFor(text, language_, dark);
  if (auto hit = cache.find(key)) return hit;

  auto result = std::make_shared<const AttributedText>(
      attributed(tokenize(text, language_), cardFont(), dark, Palette::card));
  cache.insert(std::move(key), result);
  return result;
}

CodeHighlightCache::CodeHighlightCache(Hasher hasher) : hasher_(std::move(hasher)) {
  if (!hasher_) hasher_ = [](const QString& text) { return size_t(qHash(text, QHashSeed::globalSeed())); };
}

CodeHighlightCache::Key CodeHighlightCache::keyFor(const QString& text, const QString& language, bool dark) const {
  return Key{hasher_(text), graphemeCount(text), language, dark, text};
}

SharedAttributedText CodeHighlightCache::find(const Key& key) const {
  const auto found = entries_.find(key);
  return found == entries_.end() ? nullptr : found->second;
}

void CodeHighlightCache::insert(Key key, SharedAttributedText value) {
  if (entries_.size() >= kWipeAt) entries_.clear();
  entries_.insert_or_assign(std::move(key), std::move(value));
}

}  // namespace qv
