#include "items/link/HtmlMetadata.h"

#include <QStringDecoder>
#include <algorithm>
#include <utility>

namespace qv {

namespace {

constexpr int kMaxIcons = 32;
constexpr qsizetype kCharsetScanBytes = 4096;

bool isAsciiSpace(QChar c) {
  const char16_t u = c.unicode();
  return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
}

bool isAsciiAlpha(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

QString collapsedWhitespace(QStringView text) {
  QString result;
  result.reserve(text.size());
  bool pendingSpace = false;
  for (const QChar c : text) {
    if (isAsciiSpace(c) || c.unicode() == 0xA0) {
      pendingSpace = !result.isEmpty();
      continue;
    }
    if (pendingSpace) result += QLatin1Char(' ');
    pendingSpace = false;
    result += c;
  }
  return result;
}

struct Tag {
  QString name;  // lower case
  bool closing = false;
  bool selfClosing = false;
  QList<std::pair<QString, QString>> attributes;  // names lower case, values decoded

  QString attribute(QLatin1String wanted) const {
    for (const auto& [attributeName, value] : attributes) {
      if (attributeName == wanted) return value;
    }
    return QString();
  }
};

// A forward-only scanner over the markup; it never looks back, so every input is read in
// linear time.
class Scanner {
 public:
  explicit Scanner(QStringView text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }

  // Moves to the next tag and reads it; false at the end of the text.
  bool nextTag(Tag& tag) {
    while (true) {
      const qsizetype open = text_.indexOf(QLatin1Char('<'), pos_);
      if (open < 0) {
        pos_ = text_.size();
        return false;
      }
      pos_ = open + 1;
      const QStringView rest = text_.mid(pos_);
      if (rest.startsWith(QLatin1String("!--"))) {
        pos_ = skipPast(QLatin1String("-->"), pos_ + 3);
        continue;
      }
      if (rest.startsWith(QLatin1Char('!')) || rest.startsWith(QLatin1Char('?'))) {
        pos_ = skipPast(QLatin1String(">"), pos_);
        continue;
      }
      tag = Tag();
      if (rest.startsWith(QLatin1Char('/'))) {
        tag.closing = true;
        ++pos_;
      }
      if (atEnd() || !isAsciiAlpha(text_[pos_])) continue;  // a lone '<' in text
      readTag(tag);
      return true;
    }
  }

  // The raw text up to the closing tag `</name`, leaving the scanner after that tag.
  QStringView rawTextUntilClose(const QString& name) {
    const QString closing = QStringLiteral("</") + name;
    const qsizetype start = pos_;
    qsizetype search = pos_;
    while (true) {
      const qsizetype found = text_.indexOf(closing, search, Qt::CaseInsensitive);
      if (found < 0) {
        pos_ = text_.size();
        return text_.mid(start);
      }
      const qsizetype after = found + closing.size();
      if (after >= text_.size() || isAsciiSpace(text_[after]) || text_[after] == QLatin1Char('>') ||
          text_[after] == QLatin1Char('/')) {
        pos_ = skipPast(QLatin1String(">"), after);
        return text_.mid(start, found - start);
      }
      search = after;
    }
  }

 private:
  qsizetype skipPast(QLatin1String marker, qsizetype from) const {
    const qsizetype found = text_.indexOf(marker, from);
    return found < 0 ? text_.size() : found + marker.size();
  }

  void readTag(Tag& tag) {
    const qsizetype nameStart = pos_;
    while (!atEnd() && !isAsciiSpace(text_[pos_]) && text_[pos_] != QLatin1Char('/') && text_[pos_] != QLatin1Char('>'))
      ++pos_;
    tag.name = text_.mid(nameStart, pos_ - nameStart).toString().toLower();
    while (!atEnd()) {
      const QChar c = text_[pos_];
      if (c == QLatin1Char('>')) {
        ++pos_;
        return;
      }
      if (isAsciiSpace(c)) {
        ++pos_;
        continue;
      }
      if (c == QLatin1Char('/')) {
        ++pos_;
        if (!atEnd() && text_[pos_] == QLatin1Char('>')) tag.selfClosing = true;
        continue;
      }
      readAttribute(tag);
    }
  }

  void readAttribute(Tag& tag) {
    const qsizetype nameStart = pos_;
    ++pos_;  // the first character belongs to the name even when it is '='
    while (!atEnd() && !isAsciiSpace(text_[pos_]) && text_[pos_] != QLatin1Char('/') &&
           text_[pos_] != QLatin1Char('>') && text_[pos_] != QLatin1Char('='))
      ++pos_;
    QString name = text_.mid(nameStart, pos_ - nameStart).toString().toLower();
    qsizetype look = pos_;
    while (look < text_.size() && isAsciiSpace(text_[look])) ++look;
    if (look >= text_.size() || text_[look] != QLatin1Char('=')) {
      tag.attributes.push_back({std::move(name), QString()});
      return;
    }
    pos_ = look + 1;
    while (!atEnd() && isAsciiSpace(text_[pos_])) ++pos_;
    QStringView value;
    if (!atEnd() && (text_[pos_] == QLatin1Char('"') || text_[pos_] == QLatin1Char('\''))) {
      const QChar quote = text_[pos_];
      const qsizetype valueStart = pos_ + 1;
      const qsizetype close = text_.indexOf(quote, valueStart);
      const qsizetype valueEnd = close < 0 ? text_.size() : close;
      value = text_.mid(valueStart, valueEnd - valueStart);
      pos_ = close < 0 ? text_.size() : close + 1;
    } else {
      const qsizetype valueStart = pos_;
      while (!atEnd() && !isAsciiSpace(text_[pos_]) && text_[pos_] != QLatin1Char('>')) ++pos_;
      value = text_.mid(valueStart, pos_ - valueStart);
    }
    tag.attributes.push_back({std::move(name), decodeHtmlEntities(value)});
  }

  QStringView text_;
  qsizetype pos_ = 0;
};

QByteArray charsetParameter(QStringView contentType) {
  const qsizetype at = contentType.indexOf(QLatin1String("charset"), 0, Qt::CaseInsensitive);
  if (at < 0) return {};
  qsizetype pos = at + 7;
  while (pos < contentType.size() && isAsciiSpace(contentType[pos])) ++pos;
  if (pos >= contentType.size() || contentType[pos] != QLatin1Char('=')) return {};
  ++pos;
  while (pos < contentType.size() && isAsciiSpace(contentType[pos])) ++pos;
  qsizetype end = pos;
  while (end < contentType.size() && !isAsciiSpace(contentType[end]) && contentType[end] != QLatin1Char(';')) ++end;
  QString value = contentType.mid(pos, end - pos).toString();
  value.remove(QLatin1Char('"')).remove(QLatin1Char('\''));
  return value.toLatin1().toLower();
}

int iconRank(const QString& rel, const QString& sizes) {
  int rank = rel.contains(QLatin1String("apple-touch-icon")) ? 100000 : 0;
  int largest = 0;
  for (const QString& size : sizes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (size.compare(QLatin1String("any"), Qt::CaseInsensitive) == 0) largest = std::max(largest, 1024);
    else
      largest = std::max(
          largest, std::min(size.section(QLatin1Char('x'), 0, 0, QString::SectionCaseInsensitiveSeps).toInt(), 4096));
  }
  return rank + largest;
}

bool isIconRel(const QString& rel) {
  for (const QString& token : rel.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (token == QLatin1String("icon") || token == QLatin1String("apple-touch-icon") ||
        token == QLatin1String("apple-touch-icon-precomposed"))
      return true;
  }
  return false;
}

QByteArray normalisedCharset(QByteArray name, bool fromMeta) {
  name = name.trimmed().toLower();
  if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii" || name == "x-user-defined")
    return "windows-1252";
  // A page that says it is UTF-16 in its own ASCII-readable markup is not.
  if (fromMeta && name.startsWith("utf-16")) return "utf-8";
  return name;
}

std::optional<QString> decodeWith(const QByteArray& charset, const QByteArray& body) {
  if (charset.isEmpty()) return std::nullopt;
  QStringDecoder decoder(charset.constData());
  if (!decoder.isValid()) return std::nullopt;
  return decoder.decode(body);
}

struct NamedEntity {
  const char* name;
  char16_t value;
};

constexpr NamedEntity kEntities[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0x00A0},   {"ndash", 0x2013},  {"mdash", 0x2014},  {"hellip", 0x2026}, {"lsquo", 0x2018},
    {"rsquo", 0x2019},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"laquo", 0x00AB},  {"raquo", 0x00BB},
    {"middot", 0x00B7}, {"bull", 0x2022},   {"copy", 0x00A9},   {"reg", 0x00AE},    {"trade", 0x2122},
    {"euro", 0x20AC},   {"pound", 0x00A3},  {"yen", 0x00A5},    {"cent", 0x00A2},   {"sect", 0x00A7},
    {"deg", 0x00B0},    {"times", 0x00D7},  {"divide", 0x00F7}, {"shy", 0x00AD},    {"iexcl", 0x00A1},
    {"iquest", 0x00BF}, {"auml", 0x00E4},   {"ouml", 0x00F6},   {"uuml", 0x00FC},   {"Auml", 0x00C4},
    {"Ouml", 0x00D6},   {"Uuml", 0x00DC},   {"szlig", 0x00DF},  {"eacute", 0x00E9}, {"egrave", 0x00E8},
    {"aacute", 0x00E1}, {"agrave", 0x00E0}, {"ccedil", 0x00E7}, {"ntilde", 0x00F1}, {"oacute", 0x00F3},
    {"iacute", 0x00ED}, {"uacute", 0x00FA}, {"Eacute", 0x00C9}, {"larr", 0x2190},   {"rarr", 0x2192},
};

}  // namespace

QString decodeHtmlEntities(QStringView text) {
  if (!text.contains(QLatin1Char('&'))) return text.toString();
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('&')) {
      result += c;
      continue;
    }
    // Looks only a few characters ahead, so a text full of '&' stays linear.
    const qsizetype found = text.mid(i + 1, 12).indexOf(QLatin1Char(';'));
    const qsizetype semicolon = found < 0 ? -1 : i + 1 + found;
    if (found <= 0) {
      result += c;
      continue;
    }
    const QStringView name = text.mid(i + 1, semicolon - i - 1);
    bool decoded = false;
    if (name.startsWith(QLatin1Char('#'))) {
      const bool hex = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
      bool ok = false;
      const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
      if (ok) {
        const bool valid = code != 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        const char32_t value = valid ? char32_t(code) : U'\uFFFD';
        result += QString::fromUcs4(&value, 1);
        decoded = true;
      }
    } else {
      for (const NamedEntity& entity : kEntities) {
        if (name == QLatin1String(entity.name)) {
          result += QChar(entity.value);
          decoded = true;
          break;
        }
      }
    }
    if (decoded) i = semicolon;
    else result += c;
  }
  return result;
}

HtmlMetadata parseHtmlMetadata(QStringView html) {
  HtmlMetadata metadata;
  Scanner scanner(html);
  Tag tag;
  int svgDepth = 0;
  bool haveTitle = false;
  bool haveBase = false;
  while (scanner.nextTag(tag)) {
    if (tag.name == QLatin1String("svg")) {
      if (tag.closing) svgDepth = std::max(0, svgDepth - 1);
      else if (!tag.selfClosing) ++svgDepth;
      continue;
    }
    if (tag.closing) continue;
    if (tag.name == QLatin1String("script") || tag.name == QLatin1String("style") ||
        tag.name == QLatin1String("textarea") || tag.name == QLatin1String("noscript") ||
        tag.name == QLatin1String("template")) {
      if (!tag.selfClosing) scanner.rawTextUntilClose(tag.name);
      continue;
    }
    if (tag.name == QLatin1String("title")) {
      if (tag.selfClosing) continue;
      const QStringView text = scanner.rawTextUntilClose(tag.name);
      if (!haveTitle && svgDepth == 0) {
        metadata.title = collapsedWhitespace(decodeHtmlEntities(text));
        haveTitle = true;
      }
      continue;
    }
    if (tag.name == QLatin1String("meta")) {
      const QString charset = tag.attribute(QLatin1String("charset"));
      if (metadata.charset.isEmpty() && !charset.isEmpty()) metadata.charset = charset.trimmed().toLatin1().toLower();
      const QString equiv = tag.attribute(QLatin1String("http-equiv"));
      const QString content = tag.attribute(QLatin1String("content"));
      if (metadata.charset.isEmpty() && equiv.compare(QLatin1String("content-type"), Qt::CaseInsensitive) == 0)
        metadata.charset = charsetParameter(content);
      QString key = tag.attribute(QLatin1String("property"));
      if (key.isEmpty()) key = tag.attribute(QLatin1String("name"));
      key = key.trimmed().toLower();
      const QString value = content.trimmed();
      if (value.isEmpty()) continue;
      if (key == QLatin1String("og:title")) {
        if (metadata.ogTitle.isEmpty()) metadata.ogTitle = collapsedWhitespace(value);
      } else if (key == QLatin1String("og:image") || key == QLatin1String("og:image:url") ||
                 key == QLatin1String("og:image:secure_url")) {
        if (metadata.ogImage.isEmpty()) metadata.ogImage = value;
      } else if (key == QLatin1String("twitter:image") || key == QLatin1String("twitter:image:src")) {
        if (metadata.twitterImage.isEmpty()) metadata.twitterImage = value;
      }
      continue;
    }
    if (tag.name == QLatin1String("link")) {
      const QString rel = tag.attribute(QLatin1String("rel")).toLower();
      const QString href = tag.attribute(QLatin1String("href")).trimmed();
      if (!href.isEmpty() && isIconRel(rel) && metadata.icons.size() < kMaxIcons)
        metadata.icons.push_back({href, iconRank(rel, tag.attribute(QLatin1String("sizes")))});
      continue;
    }
    if (tag.name == QLatin1String("base") && !haveBase) {
      const QString href = tag.attribute(QLatin1String("href")).trimmed();
      if (!href.isEmpty()) {
        metadata.baseHref = href;
        haveBase = true;
      }
    }
  }
  return metadata;
}

std::optional<QString> HtmlMetadata::pageTitle() const {
  if (!ogTitle.trimmed().isEmpty()) return ogTitle.trimmed();
  if (!title.trimmed().isEmpty()) return title.trimmed();
  return std::nullopt;
}

QStringList HtmlMetadata::imageReferences() const {
  QStringList references;
  if (!ogImage.isEmpty()) references << ogImage;
  if (!twitterImage.isEmpty()) references << twitterImage;
  QList<Icon> ranked = icons;
  std::stable_sort(ranked.begin(), ranked.end(), [](const Icon& a, const Icon& b) { return a.rank > b.rank; });
  for (const Icon& icon : ranked) references << icon.href;
  references.removeDuplicates();
  return references;
}

QString decodeHtmlBody(const QByteArray& body, const QByteArray& contentType) {
  if (body.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(body.mid(3));
  if (body.startsWith("\xFF\xFE")) return QStringDecoder(QStringDecoder::Utf16LE).decode(body.mid(2));
  if (body.startsWith("\xFE\xFF")) return QStringDecoder(QStringDecoder::Utf16BE).decode(body.mid(2));
  const QByteArray fromHeader = normalisedCharset(charsetParameter(QString::fromLatin1(contentType)), false);
  if (auto text = decodeWith(fromHeader, body)) return *text;
  const HtmlMetadata head = parseHtmlMetadata(QString::fromLatin1(body.left(kCharsetScanBytes)));
  if (auto text = decodeWith(normalisedCharset(head.charset, true), body)) return *text;
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) return text;
  return decodeWith("windows-1252", body).value_or(QString::fromLatin1(body));
}

}  // namespace qv
