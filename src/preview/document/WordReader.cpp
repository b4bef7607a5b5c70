#include "preview/document/WordReader.h"

#include "preview/document/DocumentXml.h"
#include "preview/document/ZipEntries.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace qv {

namespace {

bool isWordNamespace(QStringView uri) {
  return uri == u"http://schemas.openxmlformats.org/wordprocessingml/2006/main" ||
         uri == u"http://purl.oclc.org/ooxml/wordprocessingml/main" ||
         uri == u"http://schemas.microsoft.com/office/word/2003/wordml";
}

using DocumentXml::Reader;
using DocumentXml::RunProperties;

// An attribute of the element the reader is on, in the element's namespace (w:val).
QString attributeOf(const Reader& x, QStringView name) { return x.attribute(x.namespaceUri(), name); }
QString valueOf(const Reader& x) { return attributeOf(x, u"val"); }

bool onOff(const Reader& x) {
  const QString value = valueOf(x);
  return !(value == u"0" || value == u"false" || value == u"off" || value == u"none");
}

class WordXmlReader {
 public:
  explicit WordXmlReader(const DocumentReadOptions& options) : options_(options), out_(options) {}

  // Reads the styles of a styles part (or of the w:styles element of a WordML file).
  bool readStylesPart(QByteArrayView xml) {
    if (xml.isEmpty()) return true;
    Reader x(xml, options_);
    while (!x.atEnd()) {
      x.readNext();
      if (x.isStartElement() && isWordNamespace(x.namespaceUri()) && x.name() == u"styles") readStyles(x);
    }
    return !x.hasError();
  }

  std::optional<AttributedText> readDocument(QByteArrayView xml) {
    Reader x(xml, options_);
    bool sawWordElement = false;
    while (!x.atEnd() && !out_.isFull()) {
      x.readNext();
      if (x.isEndElement()) {
        if (!isWordNamespace(x.namespaceUri())) continue;
        if (x.name() == u"p") out_.endParagraph(styleOfRun({}, QString()));
        else if (x.name() == u"r") inRun_ = false;
        continue;
      }
      if (!x.isStartElement()) continue;
      const QStringView name = x.name();
      if (!isWordNamespace(x.namespaceUri())) {
        // Markup-compatibility choices hold drawings and text boxes; other namespaces (the
        // WordML section wrappers) are gone through for the paragraphs they hold.
        if (name == u"AlternateContent") x.skipCurrentElement();
        continue;
      }
      sawWordElement = true;
      if (name == u"styles") {
        readStyles(x);
      } else if (isSkipped(name)) {
        x.skipCurrentElement();
      } else if (name == u"p") {
        paragraphStyle_ = defaultParagraphStyle_;
        inRun_ = false;
      } else if (name == u"pPr") {
        readParagraphProperties(x);
      } else if (name == u"r") {
        inRun_ = true;
        runDirect_ = {};
        runStyle_.clear();
      } else if (name == u"rPr") {
        RunProperties properties;
        QString styleId;
        readRunProperties(x, properties, &styleId);
        if (inRun_) {
          runDirect_ = properties;
          runStyle_ = styleId;
        }
      } else if (!inRun_) {
        continue;
      } else if (name == u"t") {
        put(x.readElementText());
      } else if (name == u"tab") {
        put(QStringLiteral("\t"));
      } else if (name == u"br") {
        put(attributeOf(x, u"type") == u"page" ? QStringLiteral("\n") : QString(QChar(0x2028)));
      } else if (name == u"cr") {
        put(QString(QChar(0x2028)));
      } else if (name == u"noBreakHyphen") {
        put(QString(QChar(0x2011)));
      } else if (name == u"sym") {
        bool ok = false;
        const uint code = attributeOf(x, u"char").toUInt(&ok, 16);
        // Symbol fonts put their glyphs in the private use area, which no other font draws.
        if (ok && code > 0x1F && code < 0xE000) put(QString(QChar(char16_t(code))));
      }
    }
    if (x.hasError() && !out_.isFull()) return std::nullopt;
    if (!sawWordElement) return std::nullopt;
    return out_.finish();
  }

 private:
  static bool isSkipped(QStringView name) {
    static const QSet<QString> skipped = {
        QStringLiteral("pict"),       QStringLiteral("drawing"),   QStringLiteral("object"),
        QStringLiteral("sectPr"),     QStringLiteral("del"),       QStringLiteral("moveFrom"),
        QStringLiteral("instrText"),  QStringLiteral("delText"),   QStringLiteral("delInstrText"),
        QStringLiteral("binData"),    QStringLiteral("fonts"),     QStringLiteral("lists"),
        QStringLiteral("docPr"),      QStringLiteral("footnote"),  QStringLiteral("endnote"),
        QStringLiteral("annotation"), QStringLiteral("rPrChange"), QStringLiteral("pPrChange"),
        QStringLiteral("background"), QStringLiteral("fldData"),   QStringLiteral("txbxContent")};
    return skipped.contains(name.toString());
  }

  void put(const QString& text) {
    const RunProperties properties = propertiesOfRun(runDirect_, runStyle_);
    if (properties.hidden.value_or(false)) return;
    out_.put(text, properties.style());
  }

  RunStyle styleOfRun(const RunProperties& direct, const QString& runStyle) {
    return propertiesOfRun(direct, runStyle).style();
  }

  RunProperties propertiesOfRun(const RunProperties& direct, const QString& runStyle) {
    RunProperties properties = defaults_;
    properties.overlay(styles_.resolved(paragraphStyle_));
    properties.overlay(styles_.resolved(runStyle));
    properties.overlay(direct);
    return properties;
  }

  void readStyles(Reader& x) {
    styles_.clearResolved();
    while (x.readNextStartElement()) {
      if (!isWordNamespace(x.namespaceUri())) {
        x.skipCurrentElement();
      } else if (x.name() == u"docDefaults") {
        while (x.readNextStartElement()) {
          if (x.name() == u"rPrDefault") {
            while (x.readNextStartElement()) {
              if (x.name() == u"rPr") readRunProperties(x, defaults_, nullptr);
              else x.skipCurrentElement();
            }
          } else {
            x.skipCurrentElement();
          }
        }
      } else if (x.name() == u"style") {
        readStyle(x);
      } else {
        x.skipCurrentElement();
      }
    }
  }

  void readStyle(Reader& x) {
    const QString id = attributeOf(x, u"styleId");
    const QString type = attributeOf(x, u"type");
    const QString isDefault = attributeOf(x, u"default");
    QString basedOn;
    RunProperties run;
    while (x.readNextStartElement()) {
      if (x.name() == u"basedOn") {
        basedOn = valueOf(x);
        x.skipCurrentElement();
      } else if (x.name() == u"rPr") {
        readRunProperties(x, run, nullptr);
      } else {
        x.skipCurrentElement();
      }
    }
    if (x.hasError()) return;
    if (type == u"paragraph" && (isDefault == u"1" || isDefault == u"on" || isDefault == u"true"))
      defaultParagraphStyle_ = id;
    styles_.add(id, basedOn, run);
  }

  void readParagraphProperties(Reader& x) {
    while (x.readNextStartElement()) {
      if (x.name() == u"pStyle") paragraphStyle_ = valueOf(x);
      x.skipCurrentElement();
    }
  }

  void readRunProperties(Reader& x, RunProperties& properties, QString* styleId) {
    while (x.readNextStartElement()) {
      const QStringView name = x.name();
      if (name == u"b") properties.bold = onOff(x);
      else if (name == u"i") properties.italic = onOff(x);
      else if (name == u"strike" || name == u"dstrike") properties.strikeOut = onOff(x);
      else if (name == u"vanish") properties.hidden = onOff(x);
      else if (name == u"u") properties.underline = valueOf(x) != u"none" && onOff(x);
      else if (name == u"color") properties.color = DocumentXml::hexColor(valueOf(x));
      else if (name == u"sz") {
        bool ok = false;
        const int halfPoints = valueOf(x).toInt(&ok);
        if (ok && halfPoints > 0) properties.size = std::clamp(halfPoints, 2, 3276) / 2.0;
      } else if (name == u"rFonts") {
        QString family = attributeOf(x, u"ascii");
        if (family.isEmpty()) family = attributeOf(x, u"hAnsi");
        if (!family.isEmpty()) properties.family = family;
      } else if (name == u"rStyle" && styleId) {
        *styleId = valueOf(x);
      }
      x.skipCurrentElement();
    }
  }

  DocumentReadOptions options_;
  DocumentXml::ParagraphWriter out_;
  DocumentXml::StyleChains styles_;
  RunProperties defaults_;
  QString defaultParagraphStyle_;
  QString paragraphStyle_;
  QString runStyle_;
  RunProperties runDirect_;
  bool inRun_ = false;
};

// The main document part named by the package's relationships, else the usual name.
QString mainDocumentPart(ZipEntries& zip, const DocumentReadOptions& options) {
  const QString fallback = QStringLiteral("word/document.xml");
  const std::optional<QByteArray> rels = zip.read(QStringLiteral("_rels/.rels"), 1 << 20, options);
  if (!rels) return fallback;
  Reader x(*rels, options);
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement() && x.name() == u"Relationship" &&
        x.attributes().value(QStringLiteral("Type")).endsWith(u"/officeDocument")) {
      QString target = x.attributes().value(QStringLiteral("Target")).toString();
      while (target.startsWith(u'/')) target.remove(0, 1);
      if (!target.isEmpty() && !target.contains(u"..")) return target;
    }
  }
  return fallback;
}

}  // namespace

std::optional<AttributedText> readWordprocessingXml(QByteArrayView document, QByteArrayView styles,
                                                    const DocumentReadOptions& options) {
  WordXmlReader reader(options);
  // A broken styles part costs the styles, not the document.
  if (!reader.readStylesPart(styles)) reader = WordXmlReader(options);
  return reader.readDocument(document);
}

std::optional<AttributedText> readWordMl(QByteArrayView xml, const DocumentReadOptions& options) {
  return readWordprocessingXml(xml, {}, options);
}

std::optional<AttributedText> readDocx(const QByteArray& archive, const DocumentReadOptions& options) {
  ZipEntries zip(archive);
  return readDocx(zip, options);
}

std::optional<AttributedText> readDocx(ZipEntries& zip, const DocumentReadOptions& options) {
  if (!zip.isOpen()) return std::nullopt;
  const QString main = mainDocumentPart(zip, options);
  const std::optional<QByteArray> document = zip.read(main, ZipEntries::kMaxInflatedBytes, options);
  if (!document) return std::nullopt;
  const qsizetype slash = main.lastIndexOf(u'/');
  const QString stylesPart = main.left(slash + 1) + QStringLiteral("styles.xml");
  const std::optional<QByteArray> styles = zip.read(stylesPart, ZipEntries::kMaxInflatedBytes, options);
  return readWordprocessingXml(*document, styles.value_or(QByteArray()), options);
}

}  // namespace qv
