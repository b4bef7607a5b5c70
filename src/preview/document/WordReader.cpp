#include "preview/document/WordReader.h"

#include "preview/document/DocumentXml.h"
#include "preview/document/ZipEntries.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>

namespace qv {

namespace {

bool isWordNamespace(QStringView uri) {
  return uri == u"http://schemas.openxmlformats.org/wordprocessingml/2006/main" ||
         uri == u"http://purl.oclc.org/ooxml/wordprocessingml/main" ||
         uri == u"http://schemas.microsoft.com/office/word/2003/wordml";
}

// How often (in tokens) a long read looks at its cancel flag.
constexpr int kCancelCheckInterval = 4096;
// "Based on" chains longer than this are cut (real ones are a handful deep).
constexpr int kMaxStyleChain = 32;

// Run properties as a style or a run sets them; unset ones come from below.
struct WordRunProperties {
  std::optional<bool> bold, italic, underline, strikeOut, hidden;
  std::optional<double> size;
  std::optional<QString> family;
  std::optional<std::optional<QColor>> color;  // set to none: "auto"

  void overlay(const WordRunProperties& over) {
    auto take = [](auto& mine, const auto& theirs) {
      if (theirs) mine = theirs;
    };
    take(bold, over.bold);
    take(italic, over.italic);
    take(underline, over.underline);
    take(strikeOut, over.strikeOut);
    take(hidden, over.hidden);
    take(size, over.size);
    take(family, over.family);
    take(color, over.color);
  }

  RunStyle style() const {
    RunStyle style;
    style.family = family.value_or(QString());
    style.size = size.value_or(style.size);
    style.bold = bold.value_or(false);
    style.italic = italic.value_or(false);
    style.underline = underline.value_or(false);
    style.strikeOut = strikeOut.value_or(false);
    if (color) style.color = *color;
    return style;
  }
};

struct WordStyle {
  QString basedOn;
  WordRunProperties run;
};

// An attribute of the element the reader is on, in the element's namespace (w:val).
QString attributeOf(const QXmlStreamReader& x, QStringView name) {
  return x.attributes().value(x.namespaceUri().toString(), name.toString()).toString();
}
QString valueOf(const QXmlStreamReader& x) { return attributeOf(x, u"val"); }

bool onOff(const QXmlStreamReader& x) {
  const QString value = valueOf(x);
  return !(value == u"0" || value == u"false" || value == u"off" || value == u"none");
}

class WordXmlReader {
 public:
  explicit WordXmlReader(const DocumentReadOptions& options) : options_(options), out_(options) {}

  // Reads the styles of a styles part (or of the w:styles element of a WordML file).
  bool readStylesPart(QByteArrayView xml) {
    if (xml.isEmpty()) return true;
    QXmlStreamReader x(QByteArray::fromRawData(xml.data(), xml.size()));
    DocumentXml::prepare(x);
    while (!x.atEnd()) {
      x.readNext();
      if (DocumentXml::isRefused(x)) return false;
      if (x.isStartElement() && isWordNamespace(x.namespaceUri()) && x.name() == u"styles") {
        if (!readStyles(x)) return false;
      }
    }
    return !x.hasError();
  }

  std::optional<AttributedText> readDocument(QByteArrayView xml) {
    QXmlStreamReader x(QByteArray::fromRawData(xml.data(), xml.size()));
    DocumentXml::prepare(x);
    int depth = 0;
    int tokens = 0;
    bool sawWordElement = false;
    while (!x.atEnd() && !out_.isFull()) {
      x.readNext();
      if (++tokens % kCancelCheckInterval == 0 && options_.isCancelled()) return std::nullopt;
      if (DocumentXml::isRefused(x)) return std::nullopt;
      if (x.isEndElement()) {
        --depth;
        if (!isWordNamespace(x.namespaceUri())) continue;
        if (x.name() == u"p") endParagraph();
        else if (x.name() == u"r") inRun_ = false;
        continue;
      }
      if (!x.isStartElement()) continue;
      if (++depth > DocumentXml::kMaxElementDepth) return std::nullopt;
      const QStringView name = x.name();
      if (!isWordNamespace(x.namespaceUri())) {
        // Markup-compatibility choices hold drawings and text boxes; other namespaces (the
        // WordML section wrappers) are gone through for the paragraphs they hold.
        if (name == u"AlternateContent") skip(x, depth);
        continue;
      }
      sawWordElement = true;
      if (name == u"styles") {
        if (!readStyles(x)) return std::nullopt;
        --depth;
      } else if (isSkipped(name)) {
        skip(x, depth);
      } else if (name == u"p") {
        startParagraph();
      } else if (name == u"pPr") {
        if (!readParagraphProperties(x)) return std::nullopt;
        --depth;
      } else if (name == u"r") {
        inRun_ = true;
        runDirect_ = {};
        runStyle_.clear();
      } else if (name == u"rPr") {
        WordRunProperties properties;
        QString styleId;
        if (!readRunProperties(x, properties, &styleId)) return std::nullopt;
        --depth;
        if (inRun_) {
          runDirect_ = properties;
          runStyle_ = styleId;
        }
      } else if (!inRun_) {
        continue;
      } else if (name == u"t") {
        const QString text = x.readElementText(QXmlStreamReader::IncludeChildElements);
        --depth;
        put(text);
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

  void skip(QXmlStreamReader& x, int& depth) {
    x.skipCurrentElement();
    --depth;
  }

  void startParagraph() {
    paragraphStyle_ = defaultParagraphStyle_;
    inRun_ = false;
  }

  void endParagraph() {
    if (pendingBreak_) out_.append(QChar(u'\n'), styleOfRun(WordRunProperties{}, QString()));
    pendingBreak_ = true;
  }

  void put(const QString& text) {
    if (text.isEmpty()) return;
    const RunStyle style = styleOfRun(runDirect_, runStyle_);
    if (hidden_) return;
    if (pendingBreak_) {
      out_.append(QChar(u'\n'), style);
      pendingBreak_ = false;
    }
    out_.append(text, style);
  }

  RunStyle styleOfRun(const WordRunProperties& direct, const QString& runStyle) {
    WordRunProperties properties = defaults_;
    properties.overlay(resolved(paragraphStyle_));
    properties.overlay(resolved(runStyle));
    properties.overlay(direct);
    hidden_ = properties.hidden.value_or(false);
    return properties.style();
  }

  // The run properties a style gives, its "based on" chain included.
  const WordRunProperties& resolved(const QString& id) {
    static const WordRunProperties none;
    if (id.isEmpty()) return none;
    if (const auto found = resolved_.constFind(id); found != resolved_.constEnd()) return *found;
    std::vector<const WordStyle*> chain;
    QSet<QString> seen;
    QString next = id;
    while (!next.isEmpty() && int(chain.size()) < kMaxStyleChain && !seen.contains(next)) {
      seen.insert(next);
      const auto style = styles_.constFind(next);
      if (style == styles_.constEnd()) break;
      chain.push_back(&*style);
      next = style->basedOn;
    }
    WordRunProperties properties;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) properties.overlay((*it)->run);
    return *resolved_.insert(id, properties);
  }

  bool readStyles(QXmlStreamReader& x) {
    resolved_.clear();
    while (x.readNextStartElement()) {
      if (!isWordNamespace(x.namespaceUri())) {
        x.skipCurrentElement();
      } else if (x.name() == u"docDefaults") {
        while (x.readNextStartElement()) {
          if (x.name() == u"rPrDefault") {
            while (x.readNextStartElement()) {
              if (x.name() == u"rPr") {
                if (!readRunProperties(x, defaults_, nullptr)) return false;
              } else {
                x.skipCurrentElement();
              }
            }
          } else {
            x.skipCurrentElement();
          }
        }
      } else if (x.name() == u"style") {
        if (!readStyle(x)) return false;
      } else {
        x.skipCurrentElement();
      }
    }
    return !x.hasError();
  }

  bool readStyle(QXmlStreamReader& x) {
    const QString id = attributeOf(x, u"styleId");
    const QString type = attributeOf(x, u"type");
    const QString isDefault = attributeOf(x, u"default");
    WordStyle style;
    while (x.readNextStartElement()) {
      if (x.name() == u"basedOn") {
        style.basedOn = valueOf(x);
        x.skipCurrentElement();
      } else if (x.name() == u"rPr") {
        if (!readRunProperties(x, style.run, nullptr)) return false;
      } else {
        x.skipCurrentElement();
      }
    }
    if (x.hasError()) return false;
    if (type == u"paragraph" && (isDefault == u"1" || isDefault == u"on" || isDefault == u"true"))
      defaultParagraphStyle_ = id;
    if (!id.isEmpty() && styles_.size() < 10'000) styles_.insert(id, style);
    return true;
  }

  bool readParagraphProperties(QXmlStreamReader& x) {
    while (x.readNextStartElement()) {
      if (x.name() == u"pStyle") paragraphStyle_ = valueOf(x);
      x.skipCurrentElement();
    }
    return !x.hasError();
  }

  bool readRunProperties(QXmlStreamReader& x, WordRunProperties& properties, QString* styleId) {
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
    return !x.hasError();
  }

  DocumentReadOptions options_;
  AttributedTextBuilder out_;
  QHash<QString, WordStyle> styles_;
  QHash<QString, WordRunProperties> resolved_;
  WordRunProperties defaults_;
  QString defaultParagraphStyle_;
  QString paragraphStyle_;
  QString runStyle_;
  WordRunProperties runDirect_;
  bool inRun_ = false;
  bool pendingBreak_ = false;
  bool hidden_ = false;
};

// The main document part named by the package's relationships, else the usual name.
QString mainDocumentPart(ZipEntries& zip, const DocumentReadOptions& options) {
  const QString fallback = QStringLiteral("word/document.xml");
  const std::optional<QByteArray> rels = zip.read(QStringLiteral("_rels/.rels"), 1 << 20, options);
  if (!rels) return fallback;
  QXmlStreamReader x(*rels);
  DocumentXml::prepare(x);
  while (!x.atEnd()) {
    x.readNext();
    if (DocumentXml::isRefused(x)) return fallback;
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
