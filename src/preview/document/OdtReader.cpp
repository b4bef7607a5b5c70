#include "preview/document/OdtReader.h"

#include "preview/document/DocumentXml.h"
#include "preview/document/ZipEntries.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <vector>

namespace qv {

namespace {

constexpr QStringView kOfficeNs = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr QStringView kStyleNs = u"urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr QStringView kTextNs = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr QStringView kFoNs = u"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0";
constexpr QStringView kSvgNs = u"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";
constexpr QStringView kDrawNs = u"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";

constexpr int kCancelCheckInterval = 4096;
constexpr int kMaxStyleChain = 32;
constexpr int kMaxStyles = 10'000;
constexpr int kMaxSpaces = 1000;  // one <text:s text:c="…"/> gives at most this many

QString attribute(const QXmlStreamReader& x, QStringView ns, QStringView name) {
  return x.attributes().value(ns.toString(), name.toString()).toString();
}

// Text properties as a style sets them; unset ones come from its parent.
struct OdfTextProperties {
  std::optional<bool> bold, italic, underline, strikeOut, hidden;
  std::optional<double> size;         // points
  std::optional<double> sizePercent;  // of the parent's size, while no size is known
  std::optional<QString> family;
  std::optional<std::optional<QColor>> color;  // set to none: the window's text colour

  void overlay(const OdfTextProperties& over) {
    auto take = [](auto& mine, const auto& theirs) {
      if (theirs) mine = theirs;
    };
    take(bold, over.bold);
    take(italic, over.italic);
    take(underline, over.underline);
    take(strikeOut, over.strikeOut);
    take(hidden, over.hidden);
    take(family, over.family);
    take(color, over.color);
    if (over.size) {
      size = over.size;
      sizePercent.reset();
    } else if (over.sizePercent) {
      if (size) size = *size * *over.sizePercent / 100;
      else sizePercent = sizePercent.value_or(100) * *over.sizePercent / 100;
    }
  }

  RunStyle style() const {
    RunStyle style;
    style.family = family.value_or(QString());
    style.size = size.value_or(style.size) * sizePercent.value_or(100) / 100;
    style.bold = bold.value_or(false);
    style.italic = italic.value_or(false);
    style.underline = underline.value_or(false);
    style.strikeOut = strikeOut.value_or(false);
    if (color) style.color = *color;
    return style;
  }
};

struct OdfStyle {
  QString parent;
  OdfTextProperties text;
};

// "12pt", "0.5in", "1cm", "16px" in points.
std::optional<double> lengthInPoints(QStringView text) {
  struct Unit {
    QStringView suffix;
    double points;
  };
  static constexpr Unit units[] = {{u"pt", 1},         {u"in", 72}, {u"cm", 72 / 2.54},
                                   {u"mm", 72 / 25.4}, {u"pc", 12}, {u"px", 0.75}};
  for (const Unit& unit : units) {
    if (!text.endsWith(unit.suffix)) continue;
    bool ok = false;
    const double value = text.chopped(unit.suffix.size()).toDouble(&ok);
    if (ok && value > 0 && value < 10'000) return value * unit.points;
    return std::nullopt;
  }
  return std::nullopt;
}

bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

class OdfXmlReader {
 public:
  explicit OdfXmlReader(const DocumentReadOptions& options) : options_(options), out_(options) {}

  // The named styles of styles.xml, with its font declarations.
  bool readStylesPart(QByteArrayView xml) {
    if (xml.isEmpty()) return true;
    QXmlStreamReader x(QByteArray::fromRawData(xml.data(), xml.size()));
    DocumentXml::prepare(x);
    while (!x.atEnd()) {
      x.readNext();
      if (DocumentXml::isRefused(x)) return false;
      if (!x.isStartElement() || x.namespaceUri() != kOfficeNs) continue;
      if (x.name() == u"font-face-decls") readFontFaces(x);
      else if (x.name() == u"styles") readStyles(x);
      else if (x.name() == u"automatic-styles" || x.name() == u"master-styles") x.skipCurrentElement();
    }
    return !x.hasError();
  }

  std::optional<AttributedText> readContent(QByteArrayView xml) {
    QXmlStreamReader x(QByteArray::fromRawData(xml.data(), xml.size()));
    DocumentXml::prepare(x);
    int tokens = 0;
    bool sawBody = false;
    while (!x.atEnd() && !out_.isFull()) {
      x.readNext();
      if (++tokens % kCancelCheckInterval == 0 && options_.isCancelled()) return std::nullopt;
      if (DocumentXml::isRefused(x)) return std::nullopt;
      if (!x.isStartElement() || x.namespaceUri() != kOfficeNs) continue;
      if (x.name() == u"font-face-decls") {
        readFontFaces(x);
      } else if (x.name() == u"automatic-styles") {
        readStyles(x);
      } else if (x.name() == u"text") {
        sawBody = true;
        if (!readBody(x)) return std::nullopt;
      }
    }
    if (x.hasError() && !out_.isFull()) return std::nullopt;
    if (!sawBody) return std::nullopt;
    return out_.finish();
  }

 private:
  void readFontFaces(QXmlStreamReader& x) {
    while (x.readNextStartElement()) {
      if (x.name() == u"font-face" && fontFaces_.size() < kMaxStyles) {
        QString family = attribute(x, kSvgNs, u"font-family");
        family.remove(u'\'').remove(u'"');
        const QString name = attribute(x, kStyleNs, u"name");
        if (!name.isEmpty() && !family.isEmpty()) fontFaces_.insert(name, family.trimmed());
      }
      x.skipCurrentElement();
    }
  }

  void readStyles(QXmlStreamReader& x) {
    resolved_.clear();
    while (x.readNextStartElement()) {
      const bool isDefault = x.name() == u"default-style";
      if (x.namespaceUri() != kStyleNs || (x.name() != u"style" && !isDefault)) {
        x.skipCurrentElement();
        continue;
      }
      const QString family = attribute(x, kStyleNs, u"family");
      const QString name = attribute(x, kStyleNs, u"name");
      OdfStyle style;
      style.parent = attribute(x, kStyleNs, u"parent-style-name");
      while (x.readNextStartElement()) {
        if (x.name() == u"text-properties" && x.namespaceUri() == kStyleNs) readTextProperties(x, style.text);
        x.skipCurrentElement();
      }
      if (isDefault) {
        if (family == u"paragraph") paragraphDefault_ = style.text;
      } else if (!name.isEmpty() && styles_.size() < kMaxStyles) {
        styles_.insert(family + u':' + name, style);
      }
    }
  }

  void readTextProperties(const QXmlStreamReader& x, OdfTextProperties& text) {
    const QString weight = attribute(x, kFoNs, u"font-weight");
    if (!weight.isEmpty()) text.bold = weight == u"bold" || weight.toInt() >= 600;
    const QString slant = attribute(x, kFoNs, u"font-style");
    if (!slant.isEmpty()) text.italic = slant == u"italic" || slant == u"oblique";
    const QString underline = attribute(x, kStyleNs, u"text-underline-style");
    if (!underline.isEmpty()) text.underline = underline != u"none";
    const QString strike = attribute(x, kStyleNs, u"text-line-through-style");
    if (!strike.isEmpty()) text.strikeOut = strike != u"none";
    const QString display = attribute(x, kTextNs, u"display");
    if (!display.isEmpty()) text.hidden = display == u"none";
    const QString color = attribute(x, kFoNs, u"color");
    if (!color.isEmpty()) text.color = DocumentXml::hexColor(color);
    if (attribute(x, kStyleNs, u"use-window-font-color") == u"true") text.color = std::optional<QColor>();
    const QString size = attribute(x, kFoNs, u"font-size");
    if (size.endsWith(u'%')) {
      bool ok = false;
      const double percent = QStringView(size).chopped(1).toDouble(&ok);
      if (ok && percent > 0 && percent < 10'000) {
        text.sizePercent = percent;
        text.size.reset();
      }
    } else if (const std::optional<double> points = lengthInPoints(size)) {
      text.size = points;
      text.sizePercent.reset();
    }
    const QString fontName = attribute(x, kStyleNs, u"font-name");
    if (!fontName.isEmpty()) text.family = fontFaces_.value(fontName, fontName);
    QString fontFamily = attribute(x, kFoNs, u"font-family");
    if (!fontFamily.isEmpty()) text.family = fontFamily.remove(u'\'').remove(u'"').trimmed();
  }

  // The text properties of a style with its parents'; a paragraph style's start from the
  // paragraph defaults. Sizes relative to an unknown size stay relative.
  OdfTextProperties resolved(const QString& family, const QString& name) {
    const bool isParagraph = family == u"paragraph";
    if (name.isEmpty()) return isParagraph ? paragraphDefault_ : OdfTextProperties();
    const QString key = family + u':' + name;
    if (const auto found = resolved_.constFind(key); found != resolved_.constEnd()) return *found;
    std::vector<const OdfStyle*> chain;
    QSet<QString> seen;
    QString next = name;
    while (!next.isEmpty() && int(chain.size()) < kMaxStyleChain) {
      const QString nextKey = family + u':' + next;
      if (seen.contains(nextKey)) break;
      seen.insert(nextKey);
      const auto style = styles_.constFind(nextKey);
      if (style == styles_.constEnd()) break;
      chain.push_back(&*style);
      next = style->parent;
    }
    OdfTextProperties properties = isParagraph ? paragraphDefault_ : OdfTextProperties();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) properties.overlay((*it)->text);
    resolved_.insert(key, properties);
    return properties;
  }

  static bool isSkipped(const QXmlStreamReader& x) {
    const QStringView ns = x.namespaceUri();
    const QStringView name = x.name();
    if (ns == kDrawNs) return true;
    if (ns == kOfficeNs) return name == u"annotation" || name == u"forms";
    if (ns == kTextNs)
      return name == u"note" || name == u"tracked-changes" || name == u"sequence-decls" || name == u"variable-decls" ||
             name == u"user-field-decls" || name == u"deletion";
    return false;
  }

  bool readBody(QXmlStreamReader& x) {
    int depth = 0;
    int tokens = 0;
    while (!x.atEnd() && !out_.isFull()) {
      x.readNext();
      if (++tokens % kCancelCheckInterval == 0 && options_.isCancelled()) return false;
      switch (x.tokenType()) {
        case QXmlStreamReader::StartElement: {
          if (++depth > DocumentXml::kMaxElementDepth) return false;
          if (isSkipped(x)) {
            x.skipCurrentElement();
            --depth;
            break;
          }
          if (x.namespaceUri() != kTextNs) break;
          const QStringView name = x.name();
          if (name == u"p" || name == u"h") {
            startParagraph(attribute(x, kTextNs, u"style-name"), depth);
          } else if (!inParagraph_) {
            break;
          } else if (name == u"span") {
            OdfTextProperties span = spans_.back();
            span.overlay(resolved(QStringLiteral("text"), attribute(x, kTextNs, u"style-name")));
            spans_.push_back(span);
            spanDepths_.push_back(depth);
          } else if (name == u"s") {
            bool ok = false;
            const int count = attribute(x, kTextNs, u"c").toInt(&ok);
            put(QString(std::clamp(ok ? count : 1, 1, kMaxSpaces), u' '));
            lastWasSpace_ = false;
          } else if (name == u"tab") {
            put(QStringLiteral("\t"));
            lastWasSpace_ = true;
          } else if (name == u"line-break") {
            put(QString(QChar(0x2028)));
            lastWasSpace_ = true;
          }
          break;
        }
        case QXmlStreamReader::EndElement:
          if (!spanDepths_.empty() && spanDepths_.back() == depth) {
            spans_.pop_back();
            spanDepths_.pop_back();
          }
          if (depth == paragraphDepth_) endParagraph();
          if (--depth < 0) return true;  // </office:text>
          break;
        case QXmlStreamReader::Characters:
          if (inParagraph_) characters(x.text());
          break;
        default: break;
      }
    }
    return !x.hasError() || out_.isFull();
  }

  void startParagraph(const QString& styleName, int depth) {
    if (inParagraph_) return;  // a paragraph inside a paragraph (a frame's): its own text is enough
    spans_ = {resolved(QStringLiteral("paragraph"), styleName)};
    spanDepths_.clear();
    inParagraph_ = true;
    paragraphDepth_ = depth;
    lastWasSpace_ = true;  // white space at a paragraph's start is not shown
  }

  void endParagraph() {
    inParagraph_ = false;
    paragraphDepth_ = -1;
    if (pendingBreak_) out_.append(QChar(u'\n'), spans_.empty() ? RunStyle() : spans_.front().style());
    pendingBreak_ = true;
  }

  void characters(QStringView text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text) {
      if (isSpace(c)) {
        if (lastWasSpace_) continue;
        kept.append(u' ');
        lastWasSpace_ = true;
      } else {
        kept.append(c);
        lastWasSpace_ = false;
      }
    }
    put(kept);
  }

  void put(const QString& text) {
    if (text.isEmpty() || spans_.empty()) return;
    const OdfTextProperties& current = spans_.back();
    if (current.hidden.value_or(false)) return;
    const RunStyle style = current.style();
    if (pendingBreak_) {
      out_.append(QChar(u'\n'), style);
      pendingBreak_ = false;
    }
    out_.append(text, style);
  }

  DocumentReadOptions options_;
  AttributedTextBuilder out_;
  QHash<QString, QString> fontFaces_;
  QHash<QString, OdfStyle> styles_;
  QHash<QString, OdfTextProperties> resolved_;
  OdfTextProperties paragraphDefault_;
  std::vector<OdfTextProperties> spans_;
  std::vector<int> spanDepths_;
  bool inParagraph_ = false;
  int paragraphDepth_ = -1;
  bool lastWasSpace_ = true;
  bool pendingBreak_ = false;
};

}  // namespace

std::optional<AttributedText> readOdfXml(QByteArrayView content, QByteArrayView styles,
                                         const DocumentReadOptions& options) {
  OdfXmlReader reader(options);
  // A broken styles part costs the named styles, not the document.
  if (!reader.readStylesPart(styles)) reader = OdfXmlReader(options);
  return reader.readContent(content);
}

std::optional<AttributedText> readOdt(const QByteArray& archive, const DocumentReadOptions& options) {
  ZipEntries zip(archive);
  return readOdt(zip, options);
}

std::optional<AttributedText> readOdt(ZipEntries& zip, const DocumentReadOptions& options) {
  if (!zip.isOpen()) return std::nullopt;
  const std::optional<QByteArray> content = zip.read(QStringLiteral("content.xml"), ZipEntries::kMaxInflatedBytes,
                                                     options);
  if (!content) return std::nullopt;
  const std::optional<QByteArray> styles = zip.read(QStringLiteral("styles.xml"), ZipEntries::kMaxInflatedBytes,
                                                    options);
  return readOdfXml(*content, styles.value_or(QByteArray()), options);
}

}  // namespace qv
