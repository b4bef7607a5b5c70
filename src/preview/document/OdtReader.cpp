#include "preview/document/OdtReader.h"

#include "preview/document/DocumentXml.h"
#include "preview/document/ZipEntries.h"

#include <QHash>
#include <QSet>
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

constexpr int kMaxSpaces = 1000;  // one <text:s text:c="…"/> gives at most this many

using DocumentXml::Reader;
using DocumentXml::RunProperties;

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
    Reader x(xml, options_);
    while (!x.atEnd()) {
      x.readNext();
      if (!x.isStartElement() || x.namespaceUri() != kOfficeNs) continue;
      if (x.name() == u"font-face-decls") readFontFaces(x);
      else if (x.name() == u"styles") readStyles(x);
      else if (x.name() == u"automatic-styles" || x.name() == u"master-styles") x.skipCurrentElement();
    }
    return !x.hasError();
  }

  std::optional<AttributedText> readContent(QByteArrayView xml) {
    Reader x(xml, options_);
    bool sawBody = false;
    while (!x.atEnd() && !out_.isFull()) {
      x.readNext();
      if (!x.isStartElement() || x.namespaceUri() != kOfficeNs) continue;
      if (x.name() == u"font-face-decls") {
        readFontFaces(x);
      } else if (x.name() == u"automatic-styles") {
        readStyles(x);
      } else if (x.name() == u"text") {
        sawBody = true;
        readBody(x);
      }
    }
    if (x.hasError() && !out_.isFull()) return std::nullopt;
    if (!sawBody) return std::nullopt;
    return out_.finish();
  }

 private:
  void readFontFaces(Reader& x) {
    while (x.readNextStartElement()) {
      if (x.name() == u"font-face" && fontFaces_.size() < DocumentXml::kMaxStyles) {
        QString family = x.attribute(kSvgNs, u"font-family");
        family.remove(u'\'').remove(u'"');
        const QString name = x.attribute(kStyleNs, u"name");
        if (!name.isEmpty() && !family.isEmpty()) fontFaces_.insert(name, family.trimmed());
      }
      x.skipCurrentElement();
    }
  }

  void readStyles(Reader& x) {
    styles_.clearResolved();
    while (x.readNextStartElement()) {
      const bool isDefault = x.name() == u"default-style";
      if (x.namespaceUri() != kStyleNs || (x.name() != u"style" && !isDefault)) {
        x.skipCurrentElement();
        continue;
      }
      const QString family = x.attribute(kStyleNs, u"family");
      const QString name = x.attribute(kStyleNs, u"name");
      const QString parent = x.attribute(kStyleNs, u"parent-style-name");
      RunProperties text;
      while (x.readNextStartElement()) {
        if (x.name() == u"text-properties" && x.namespaceUri() == kStyleNs) readTextProperties(x, text);
        x.skipCurrentElement();
      }
      if (isDefault) {
        if (family == u"paragraph") {
          paragraphDefault_ = text;
          styles_.clearResolved();
        }
      } else if (!name.isEmpty()) {
        styles_.add(keyOf(family, name), parent.isEmpty() ? QString() : keyOf(family, parent), text);
      }
    }
  }

  static QString keyOf(const QString& family, const QString& name) { return family + u':' + name; }

  void readTextProperties(const Reader& x, RunProperties& text) {
    const QString weight = x.attribute(kFoNs, u"font-weight");
    if (!weight.isEmpty()) text.bold = weight == u"bold" || weight.toInt() >= 600;
    const QString slant = x.attribute(kFoNs, u"font-style");
    if (!slant.isEmpty()) text.italic = slant == u"italic" || slant == u"oblique";
    const QString underline = x.attribute(kStyleNs, u"text-underline-style");
    if (!underline.isEmpty()) text.underline = underline != u"none";
    const QString strike = x.attribute(kStyleNs, u"text-line-through-style");
    if (!strike.isEmpty()) text.strikeOut = strike != u"none";
    const QString display = x.attribute(kTextNs, u"display");
    if (!display.isEmpty()) text.hidden = display == u"none";
    const QString color = x.attribute(kFoNs, u"color");
    if (!color.isEmpty()) text.color = DocumentXml::hexColor(color);
    if (x.attribute(kStyleNs, u"use-window-font-color") == u"true") text.color = std::optional<QColor>();
    const QString size = x.attribute(kFoNs, u"font-size");
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
    const QString fontName = x.attribute(kStyleNs, u"font-name");
    if (!fontName.isEmpty()) text.family = fontFaces_.value(fontName, fontName);
    QString fontFamily = x.attribute(kFoNs, u"font-family");
    if (!fontFamily.isEmpty()) text.family = fontFamily.remove(u'\'').remove(u'"').trimmed();
  }

  // The text properties of a style with its parents'; a paragraph style's start from the
  // paragraph defaults. Sizes relative to an unknown size stay relative.
  RunProperties resolved(const QString& family, const QString& name) {
    const bool isParagraph = family == u"paragraph";
    if (name.isEmpty()) return isParagraph ? paragraphDefault_ : RunProperties();
    return styles_.resolved(keyOf(family, name), isParagraph ? paragraphDefault_ : RunProperties());
  }

  static bool isSkipped(const Reader& x) {
    const QStringView ns = x.namespaceUri();
    const QStringView name = x.name();
    if (ns == kDrawNs) return true;
    if (ns == kOfficeNs) return name == u"annotation" || name == u"forms";
    if (ns == kTextNs)
      return name == u"note" || name == u"tracked-changes" || name == u"sequence-decls" || name == u"variable-decls" ||
             name == u"user-field-decls" || name == u"deletion";
    return false;
  }

  // The body, from just inside <office:text> to just past its end.
  void readBody(Reader& x) {
    const int body = x.depth();
    while (!x.atEnd() && !out_.isFull()) {
      x.readNext();
      switch (x.tokenType()) {
        case QXmlStreamReader::StartElement: {
          if (isSkipped(x)) {
            x.skipCurrentElement();
            break;
          }
          if (x.namespaceUri() != kTextNs) break;
          const QStringView name = x.name();
          if (name == u"p" || name == u"h") {
            startParagraph(x.attribute(kTextNs, u"style-name"), x.depth());
          } else if (!inParagraph_) {
            break;
          } else if (name == u"span") {
            RunProperties span = spans_.back();
            span.overlay(resolved(QStringLiteral("text"), x.attribute(kTextNs, u"style-name")));
            spans_.push_back(span);
            spanDepths_.push_back(x.depth());
          } else if (name == u"s") {
            bool ok = false;
            const int count = x.attribute(kTextNs, u"c").toInt(&ok);
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
        case QXmlStreamReader::EndElement: {
          // The reader's depth is already past the element that ends.
          const int ended = x.depth() + 1;
          if (!spanDepths_.empty() && spanDepths_.back() == ended) {
            spans_.pop_back();
            spanDepths_.pop_back();
          }
          if (ended == paragraphDepth_) endParagraph();
          if (x.depth() < body) return;  // </office:text>
          break;
        }
        case QXmlStreamReader::Characters:
          if (inParagraph_) characters(x.text());
          break;
        default: break;
      }
    }
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
    out_.endParagraph(spans_.empty() ? RunStyle() : spans_.front().style());
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
    const RunProperties& current = spans_.back();
    if (current.hidden.value_or(false)) return;
    out_.put(text, current.style());
  }

  DocumentReadOptions options_;
  DocumentXml::ParagraphWriter out_;
  QHash<QString, QString> fontFaces_;
  DocumentXml::StyleChains styles_;
  RunProperties paragraphDefault_;
  std::vector<RunProperties> spans_;
  std::vector<int> spanDepths_;
  bool inParagraph_ = false;
  int paragraphDepth_ = -1;
  bool lastWasSpace_ = true;
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
