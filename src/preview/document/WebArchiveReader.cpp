#include "preview/document/WebArchiveReader.h"

#include "preview/document/BoundedHtml.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextList>
#include <vector>

namespace qv {

namespace {

// Only the beginning of a larger page is decoded: the preview shows the beginning, and the
// text it keeps (HtmlLimits::kMaxText) comes long before this in any real page.
constexpr qsizetype kMaxPageBytes = 16LL << 20;

QString stringOf(const PropertyListValue* value) {
  return value && value->type == PropertyListValue::Type::string ? value->string : QString();
}

bool isNumbered(QTextListFormat::Style style) {
  switch (style) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman: return true;
    default: return false;
  }
}

RunStyle styleOf(const QTextCharFormat& format) {
  RunStyle style;
  const QFont font = format.font();
  const QStringList families = format.fontFamilies().toStringList();
  if (!families.isEmpty()) style.family = families.first();
  // Points and CSS pixels are both one pixel here.
  if (font.pointSizeF() > 0) style.size = font.pointSizeF();
  else if (font.pixelSize() > 0) style.size = font.pixelSize();
  style.bold = font.weight() >= QFont::DemiBold;
  style.italic = font.italic();
  style.underline = font.underline();
  style.strikeOut = font.strikeOut();
  if (format.hasProperty(QTextFormat::ForegroundBrush)) {
    const QBrush brush = format.foreground();
    if (brush.style() == Qt::SolidPattern) style.color = brush.color();
  }
  return style;
}

}  // namespace

QVariant ContainedTextDocument::loadResource(int, const QUrl&) {
  ++refusedLoads_;
  return {};
}

std::optional<WebResource> mainResourceOf(const PropertyListValue& root) {
  const PropertyListValue* main = root.value(u"WebMainResource");
  if (!main || main->type != PropertyListValue::Type::dictionary) return std::nullopt;
  const PropertyListValue* data = main->value(u"WebResourceData");
  if (!data || data->type != PropertyListValue::Type::data) return std::nullopt;
  return WebResource{data->data, stringOf(main->value(u"WebResourceMIMEType")),
                     stringOf(main->value(u"WebResourceTextEncodingName")), stringOf(main->value(u"WebResourceURL"))};
}

std::optional<AttributedText> readHtmlPage(const QString& html, const DocumentReadOptions& options) {
  if (options.isCancelled()) return std::nullopt;
  // The page as the document can take it: bounded in depth, elements and length, in pieces laid
  // out one by one, so that a step that cannot be stopped stays short.
  const std::optional<QStringList> pieces = boundedHtml(html, options);
  if (!pieces) return std::nullopt;
  AttributedTextBuilder out(options);
  const RunStyle plain;
  // Line breaks are written before the next block that shows something: the empty blocks the
  // layout adds around tables and at the end are not the page's. A margin between two blocks (a
  // paragraph's, a heading's) becomes an empty line, as the page puts space there.
  int breaks = -1;
  bool spaced = false;
  for (const QString& piece : *pieces) {
    if (options.isCancelled()) return std::nullopt;
    if (out.isFull()) break;
    ContainedTextDocument document;
    document.setUndoRedoEnabled(false);
    QFont base = document.defaultFont();
    base.setPointSizeF(RunStyle().size);
    document.setDefaultFont(base);
    document.setHtml(piece);
    if (options.isCancelled()) return std::nullopt;
    for (QTextBlock block = document.begin(); block.isValid() && !out.isFull(); block = block.next()) {
      if (breaks >= 0) ++breaks;
      spaced = spaced || block.blockFormat().topMargin() > 0;
      std::vector<QTextFragment> fragments;
      for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        const QTextFragment part = fragment.fragment();
        if (part.isValid() && !part.charFormat().isImageFormat()) fragments.push_back(part);
      }
      const QTextList* list = block.textList();
      if (fragments.empty() && !list) continue;
      if (breaks > 0) out.append(QString(spaced ? std::max(breaks, 2) : breaks, u'\n'), plain);
      breaks = 0;
      spaced = block.blockFormat().bottomMargin() > 0;
      if (list) {
        const QString mark = isNumbered(list->format().style()) ? list->itemText(block) : QStringLiteral("•");
        out.append(mark + u' ', styleOf(block.charFormat()));
      }
      for (const QTextFragment& part : fragments) out.append(part.text(), styleOf(part.charFormat()));
    }
  }
  return out.finish();
}

std::optional<WebPage> pageOfWebArchive(QByteArrayView bytes) {
  const std::optional<PropertyListObject> root = readBinaryPropertyList(bytes);
  if (!root) return std::nullopt;
  const std::optional<WebResource> main = mainResourceOf(**root);
  if (!main) return std::nullopt;
  const QString type = main->mimeType.toLower();
  const bool isHtml = type == u"text/html" || type == u"application/xhtml+xml";
  if (!isHtml && !type.startsWith(u"text/")) return std::nullopt;
  const QByteArrayView page = QByteArrayView(main->data).first(std::min(main->data.size(), kMaxPageBytes));
  QStringDecoder decoder(main->textEncoding.toLatin1().constData());
  if (!decoder.isValid())
    decoder = isHtml ? QStringDecoder::decoderForHtml(page) : QStringDecoder(QStringDecoder::Utf8);
  return WebPage{decoder.decode(page), isHtml};
}

std::optional<AttributedText> readWebArchive(QByteArrayView bytes, const DocumentReadOptions& options) {
  const std::optional<WebPage> page = pageOfWebArchive(bytes);
  if (!page) return std::nullopt;
  if (page->isHtml) return readHtmlPage(page->text, options);
  AttributedTextBuilder out(options);
  out.append(page->text, RunStyle());
  return out.finish();
}

}  // namespace qv
