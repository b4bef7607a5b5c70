#include "items/transform/TextTransform.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <array>

namespace qv {

namespace {

struct RawName {
  TextTransform::Case value;
  const char* name;
};

constexpr std::array<RawName, 9> kRawNames{{
    {TextTransform::trim, "trim"},
    {TextTransform::collapseWhitespace, "collapseWhitespace"},
    {TextTransform::singleLine, "singleLine"},
    {TextTransform::lowercase, "lowercase"},
    {TextTransform::uppercase, "uppercase"},
    {TextTransform::titleCase, "titleCase"},
    {TextTransform::sentenceCase, "sentenceCase"},
    {TextTransform::urlEncode, "urlEncode"},
    {TextTransform::urlDecode, "urlDecode"},
}};

// Code points of a UTF-16 string with their positions; a lone surrogate stands for itself.
struct CodePoint {
  char32_t value;
  qsizetype start;
  qsizetype length;
};

QList<CodePoint> codePoints(const QString& text) {
  QList<CodePoint> points;
  points.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      points.push_back({QChar::surrogateToUcs4(c, text.at(i + 1)), i, 2});
      i += 2;
    } else {
      points.push_back({c.unicode(), i, 1});
      i += 1;
    }
  }
  return points;
}

QString fromCodePoint(char32_t c) { return QString::fromUcs4(&c, 1); }

bool isCased(char32_t c) {
  const auto category = QChar::category(c);
  return category == QChar::Letter_Uppercase || category == QChar::Letter_Lowercase ||
         category == QChar::Letter_Titlecase;
}

// Marks and apostrophes that sit inside a word without ending it.
bool continuesWord(char32_t c) {
  switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Letter_Modifier:
    case QChar::Symbol_Modifier: return true;
    default: break;
  }
  return c == U'\'' || c == U'\u2019' || c == U'\u00B7' || c == U'\u2027';
}

// Unicode's case-ignorable characters, as far as the final-sigma rule needs them.
bool isCaseIgnorable(char32_t c) { return continuesWord(c) || c == U'.' || c == U':' || c == U'\u2018'; }

// True when the capital sigma at `index` ends a word (Unicode's Final_Sigma condition).
bool isFinalSigma(const QList<CodePoint>& points, qsizetype index) {
  qsizetype before = index - 1;
  while (before >= 0 && isCaseIgnorable(points[before].value)) --before;
  if (before < 0 || !isCased(points[before].value)) return false;
  qsizetype after = index + 1;
  while (after < points.size() && isCaseIgnorable(points[after].value)) ++after;
  return after >= points.size() || !isCased(points[after].value);
}

QString withFinalSigma(const QString& original, const QString& lowered) {
  if (!original.contains(QChar(0x03A3))) return lowered;
  // Lower-case again piece by piece so that positions follow the original text.
  const QList<CodePoint> points = codePoints(original);
  QString result;
  result.reserve(lowered.size());
  for (qsizetype i = 0; i < points.size(); ++i) {
    if (points[i].value == U'\u03A3') result += QChar(isFinalSigma(points, i) ? 0x03C2 : 0x03C3);
    else result += original.mid(points[i].start, points[i].length).toLower();
  }
  return result;
}

bool usesDottedI(const QLocale& locale) {
  return locale.language() == QLocale::Turkish || locale.language() == QLocale::Azerbaijani;
}

// The title-case form of one lower-case letter: a digraph's own title form, else the first
// letter of its upper-case form with the rest lower-cased ("ß" gives "Ss").
QString titleForm(char32_t c, const QLocale& locale) {
  if (c == U'i' && usesDottedI(locale)) return QStringLiteral("\u0130");
  const char32_t title = QChar::toTitleCase(c);
  if (title != QChar::toUpper(c)) return fromCodePoint(title);
  const QString upper = fromCodePoint(c).toUpper();
  const QList<CodePoint> parts = codePoints(upper);
  if (parts.size() <= 1) return upper;
  return upper.left(parts[0].length) + upper.mid(parts[0].length).toLower();
}

// Simple (length-keeping) upper case, so that sentence boundaries found in it hold for the
// lower-cased text too.
QString simpleUppercase(const QString& text) {
  QString result = text;
  for (const CodePoint& point : codePoints(text)) {
    const char32_t upper = QChar::toUpper(point.value);
    if (upper == point.value) continue;
    const QString replacement = fromCodePoint(upper);
    if (replacement.size() == point.length) result.replace(point.start, point.length, replacement);
  }
  return result;
}

bool isQueryAllowed(uchar byte) {
  if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')) return true;
  switch (byte) {
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '/':
    case ':':
    case ';':
    case '=':
    case '?':
    case '@':
    case '_':
    case '~': return true;
    default: return false;
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isValidUtf16(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate()) {
      if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) return false;
      ++i;
    } else if (c.isLowSurrogate()) {
      return false;
    }
  }
  return true;
}

}  // namespace

namespace text {

bool isWhitespace(char32_t c) { return c == U'\t' || QChar::category(c) == QChar::Separator_Space; }

bool isNewline(char32_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }

QString trimmed(const QString& text, bool includeNewlines) {
  const auto trims = [&](char32_t c) { return isWhitespace(c) || (includeNewlines && isNewline(c)); };
  const QList<CodePoint> points = codePoints(text);
  qsizetype first = 0;
  qsizetype last = points.size();
  while (first < last && trims(points[first].value)) ++first;
  while (last > first && trims(points[last - 1].value)) --last;
  if (first == last) return QString();
  const qsizetype start = points[first].start;
  const qsizetype end = points[last - 1].start + points[last - 1].length;
  return text.mid(start, end - start);
}

QString lowercased(const QString& text) { return withFinalSigma(text, text.toLower()); }

QString uppercased(const QString& text) { return text.toUpper(); }

QString capitalized(const QString& text) {
  const QLocale locale;
  const QString lowered = usesDottedI(locale) ? locale.toLower(text) : lowercased(text);
  QString result;
  result.reserve(lowered.size());
  bool inWord = false;
  for (const CodePoint& point : codePoints(lowered)) {
    const char32_t c = point.value;
    if (QChar::isLetter(c) && !inWord && !continuesWord(c)) {
      result += titleForm(c, locale);
      inWord = true;
      continue;
    }
    result += lowered.mid(point.start, point.length);
    if (!continuesWord(c)) inWord = QChar::isLetterOrNumber(c);
  }
  return result;
}

QString sentenceCased(const QString& text) {
  const QString lowered = lowercased(text);
  // Sentence boundaries are looked for in an upper-case copy: in lower-case text a full stop
  // followed by a lower-case word never ends a sentence, which would leave every sentence but
  // the first unraised.
  const QString probe = simpleUppercase(lowered);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, probe);
  QString result;
  result.reserve(lowered.size());
  qsizetype start = 0;
  while (start < lowered.size()) {
    finder.setPosition(start);
    qsizetype end = finder.toNextBoundary();
    if (end <= start || end > lowered.size()) end = lowered.size();
    const QString sentence = lowered.mid(start, end - start);
    bool raised = false;
    for (const CodePoint& point : codePoints(sentence)) {
      if (!QChar::isLetter(point.value)) continue;
      result += sentence.left(point.start);
      result += fromCodePoint(point.value).toUpper();
      result += sentence.mid(point.start + point.length);
      raised = true;
      break;
    }
    if (!raised) result += sentence;
    start = end;
  }
  return result;
}

std::optional<QString> percentEncodedForQuery(const QString& text) {
  if (!isValidUtf16(text)) return std::nullopt;
  static constexpr char kHex[] = "0123456789ABCDEF";
  const QByteArray bytes = text.toUtf8();
  QString result;
  result.reserve(bytes.size());
  for (const char raw : bytes) {
    const auto byte = static_cast<uchar>(raw);
    if (isQueryAllowed(byte)) {
      result += QLatin1Char(raw);
    } else {
      result += QLatin1Char('%');
      result += QLatin1Char(kHex[byte >> 4]);
      result += QLatin1Char(kHex[byte & 0xF]);
    }
  }
  return result;
}

std::optional<QString> percentDecoded(const QString& text) {
  if (!isValidUtf16(text)) return std::nullopt;
  const QByteArray bytes = text.toUtf8();
  QByteArray decoded;
  decoded.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '%') {
      decoded += bytes[i];
      continue;
    }
    if (i + 2 >= bytes.size()) return std::nullopt;
    const int high = hexValue(bytes[i + 1]);
    const int low = hexValue(bytes[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    decoded += char((high << 4) | low);
    i += 2;
  }
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString result = decoder.decode(decoded);
  if (decoder.hasError()) return std::nullopt;
  return result;
}

}  // namespace text

std::optional<TextTransform> TextTransform::fromRawValue(const QString& rawValue) {
  for (const RawName& entry : kRawNames) {
    if (rawValue == QLatin1String(entry.name)) return TextTransform(entry.value);
  }
  return std::nullopt;
}

const QList<TextTransform>& TextTransform::allCases() {
  static const QList<TextTransform> cases = [] {
    QList<TextTransform> list;
    for (const RawName& entry : kRawNames) list.push_back(entry.value);
    return list;
  }();
  return cases;
}

const QList<QList<TextTransform>>& TextTransform::groups() {
  static const QList<QList<TextTransform>> sections{
      {trim, collapseWhitespace, singleLine},
      {lowercase, uppercase, titleCase, sentenceCase},
      {urlEncode, urlDecode},
  };
  return sections;
}

QString TextTransform::rawValue() const { return QLatin1String(kRawNames[case_].name); }

QString TextTransform::apply(const QString& input) const {
  switch (case_) {
    case trim: return text::trimmed(input, true);
    case collapseWhitespace: {
      static const QRegularExpression runs(QStringLiteral("[ \\t]+"));
      QString collapsed = input;
      collapsed.replace(runs, QStringLiteral(" "));
      return text::trimmed(collapsed, true);
    }
    case singleLine: {
      QStringList lines;
      qsizetype pieceStart = 0;
      const auto takePiece = [&](qsizetype end) {
        const QString piece = text::trimmed(input.mid(pieceStart, end - pieceStart), false);
        if (!piece.isEmpty()) lines.push_back(piece);
      };
      for (qsizetype i = 0; i < input.size(); ++i) {
        if (text::isNewline(input.at(i).unicode())) {
          takePiece(i);
          pieceStart = i + 1;
        }
      }
      takePiece(input.size());
      return lines.join(QLatin1Char(' '));
    }
    case lowercase: return text::lowercased(input);
    case uppercase: return text::uppercased(input);
    case titleCase: return text::capitalized(input);
    case sentenceCase: return text::sentenceCased(input);
    case urlEncode: return text::percentEncodedForQuery(input).value_or(input);
    case urlDecode: return text::percentDecoded(input).value_or(input);
  }
  return input;
}

}  // namespace qv
