#include "cards/ViewServices.h"
#include "platform/fake/FakeThumbnailService.h"
#include "preview/PreviewGallery.h"
#include "preview/RichDocumentPreview.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/view/GalleryRegistry.h"

#include <quazip.h>
#include <quazipfile.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qv {

namespace {

// The same short memo in every format: a title, runs of each style, colours dark and bright.
const char kRtf[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}{\\f1\\froman\\fcharset0 "
    "Times New Roman;}}{\\colortbl;\\red0\\green0\\blue0;\\red255\\green214\\blue10;\\red0\\green0\\blue80;"
    "\\red230\\green60\\blue50;}\\f0\\fs24\\cf1 {\\b\\fs36 Quarterly review\\par}Black text follows the scheme; "
    "{\\cf3 navy does too}, while {\\cf2\\b golden} and {\\cf4 coral} keep their colours.\\par\\par"
    "{\\i Agenda}\\par\\bullet\\tab Budget for Q3 ({\\ul Anna})\\par\\bullet\\tab Launch date: 14 March\\par"
    "\\bullet\\tab Caf\\'e9 move \\u8212? {\\strike Tuesday} Thursday\\par\\par{\\f1 Decisions go out by mail.}}";

QByteArray wordDocument(bool wordMl) {
  const QByteArray ns = wordMl ? "http://schemas.microsoft.com/office/word/2003/wordml"
                               : "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  const QByteArray body = R"(<w:p><w:pPr><w:pStyle w:val="Title"/></w:pPr><w:r><w:t>Quarterly review</w:t></w:r></w:p>
<w:p><w:r><w:t xml:space="preserve">Black text follows the scheme; </w:t></w:r><w:r><w:rPr><w:color w:val="000050"/>
</w:rPr><w:t>navy does too</w:t></w:r><w:r><w:t xml:space="preserve">, while </w:t></w:r><w:r><w:rPr><w:b/>
<w:color w:val="FFD60A"/></w:rPr><w:t>golden</w:t></w:r><w:r><w:t xml:space="preserve"> and </w:t></w:r><w:r><w:rPr>
<w:color w:val="E63C32"/></w:rPr><w:t>coral</w:t></w:r><w:r><w:t xml:space="preserve"> keep their colours.</w:t></w:r></w:p>
<w:p/><w:p><w:r><w:rPr><w:i/></w:rPr><w:t>Agenda</w:t></w:r></w:p>
<w:p><w:r><w:t>•</w:t><w:tab/><w:t xml:space="preserve">Budget for Q3 (</w:t></w:r><w:r><w:rPr><w:u w:val="single"/></w:rPr>
<w:t>Anna</w:t></w:r><w:r><w:t>)</w:t></w:r></w:p><w:p><w:r><w:t>•</w:t><w:tab/><w:t>Launch date: 14 March</w:t></w:r></w:p>
<w:p><w:r><w:t>•</w:t><w:tab/><w:t xml:space="preserve">Café move — </w:t></w:r><w:r><w:rPr><w:strike/></w:rPr>
<w:t>Tuesday</w:t></w:r><w:r><w:t xml:space="preserve"> Thursday</w:t></w:r></w:p><w:p/>
<w:p><w:r><w:rPr><w:rFonts w:ascii="Times New Roman"/></w:rPr><w:t>Decisions go out by mail.</w:t></w:r></w:p>)";
  const QByteArray styles = "<w:styles xmlns:w=\"" + ns +
                            R"("><w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val="24"/></w:rPr></w:rPrDefault>
</w:docDefaults><w:style w:type="paragraph" w:styleId="Title"><w:rPr><w:b/><w:sz w:val="36"/></w:rPr></w:style>
</w:styles>)";
  if (wordMl)
    return "<?xml version=\"1.0\"?><?mso-application progid=\"Word.Document\"?><w:wordDocument xmlns:w=\"" + ns +
           "\">" + styles + "<w:body>" + body + "</w:body></w:wordDocument>";
  return "<?xml version=\"1.0\"?><w:document xmlns:w=\"" + ns + "\"><w:body>" + body +
         "</w:body></w:document>\n<!--styles-->" + styles;
}

QByteArray odfContent() {
  return R"(<?xml version="1.0" encoding="UTF-8"?><office:document-content
 xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0">
<office:automatic-styles>
<style:style style:name="Title" style:family="paragraph"><style:text-properties fo:font-size="18pt" fo:font-weight="bold"/></style:style>
<style:style style:name="Navy" style:family="text"><style:text-properties fo:color="#000050"/></style:style>
<style:style style:name="Gold" style:family="text"><style:text-properties fo:color="#ffd60a" fo:font-weight="bold"/></style:style>
<style:style style:name="Coral" style:family="text"><style:text-properties fo:color="#e63c32"/></style:style>
<style:style style:name="I" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
<style:style style:name="U" style:family="text"><style:text-properties style:text-underline-style="solid"/></style:style>
<style:style style:name="S" style:family="text"><style:text-properties style:text-line-through-style="solid"/></style:style>
</office:automatic-styles><office:body><office:text>
<text:h text:style-name="Title">Quarterly review</text:h>
<text:p>Black text follows the scheme; <text:span text:style-name="Navy">navy does too</text:span>, while <text:span
 text:style-name="Gold">golden</text:span> and <text:span text:style-name="Coral">coral</text:span> keep their colours.</text:p>
<text:p/><text:p><text:span text:style-name="I">Agenda</text:span></text:p>
<text:p>•<text:tab/>Budget for Q3 (<text:span text:style-name="U">Anna</text:span>)</text:p>
<text:p>•<text:tab/>Launch date: 14 March</text:p>
<text:p>•<text:tab/>Café move — <text:span text:style-name="S">Tuesday</text:span> Thursday</text:p>
<text:p/><text:p>Decisions go out by mail.</text:p></office:text></office:body></office:document-content>)";
}

QByteArray webPage() {
  return R"(<html><head><meta charset="utf-8"><title>Review</title></head><body>
<h2>Quarterly review</h2><p>Black text follows the scheme; <span style="color:#000050">navy does too</span>, while
<b style="color:#ffd60a">golden</b> and <span style="color:#e63c32">coral</span> keep their colours.</p>
<p><i>Agenda</i></p><ul><li>Budget for Q3 (<u>Anna</u>)</li><li>Launch date: 14 March</li>
<li>Café move — <s>Tuesday</s> Thursday</li></ul><p><img src="file:///etc/hostname">Decisions go out by mail.</p>
</body></html>)";
}

QByteArray zipOf(const std::vector<std::pair<QString, QByteArray>>& entries) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QuaZip zip(&buffer);
  if (!zip.open(QuaZip::mdCreate)) return {};
  for (const auto& [name, content] : entries) {
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name))) return {};
    file.write(content);
    file.close();
  }
  zip.close();
  return buffer.data();
}

// A web archive: the binary property list {WebMainResource: {data, MIME type, encoding}}.
QByteArray webArchive(const QByteArray& page) {
  std::vector<QByteArray> objects;
  auto add = [&](QByteArray object) {
    objects.push_back(std::move(object));
    return char(objects.size() - 1);
  };
  auto sized = [](int kind, qsizetype count) {
    QByteArray marker;
    if (count < 15) return marker.append(char((kind << 4) | int(count)));
    marker.append(char((kind << 4) | 0xF)).append(char(0x12));
    for (int shift = 24; shift >= 0; shift -= 8) marker.append(char((count >> shift) & 0xFF));
    return marker;
  };
  auto string = [&](const char* text) { return add(sized(0x5, qsizetype(strlen(text))) + text); };
  const char keys[] = {string("WebResourceData"), string("WebResourceMIMEType"), string("WebResourceTextEncodingName")};
  const char values[] = {add(sized(0x4, page.size()) + page), string("text/html"), string("UTF-8")};
  const char resource = add(sized(0xD, 3) + QByteArray(keys, 3) + QByteArray(values, 3));
  const char mainKey = string("WebMainResource");
  const char root = add(sized(0xD, 1) + mainKey + resource);
  QByteArray out("bplist00");
  QByteArray table;
  for (const QByteArray& object : objects) {
    for (int shift = 24; shift >= 0; shift -= 8) table.append(char((out.size() >> shift) & 0xFF));
    out += object;
  }
  const qint64 tableOffset = out.size();
  out += table;
  QByteArray trailer(32, '\0');
  trailer[6] = 4;
  trailer[7] = 1;
  trailer[15] = char(objects.size());
  trailer[23] = root;
  for (int i = 0; i < 8; ++i) trailer[24 + i] = char((tableOffset >> (56 - 8 * i)) & 0xFF);
  return out + trailer;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

QImage documents(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  auto thumbnails = std::make_shared<FakeThumbnailService>();
  const std::shared_ptr<ThumbnailService> kept = std::exchange(services.thumbnailService, thumbnails);
  QTemporaryDir folder;
  const QByteArray word = wordDocument(false);
  const qsizetype split = word.indexOf("\n<!--styles-->");
  struct Sample {
    QString title;
    QString name;
    QByteArray bytes;
  };
  const Sample samples[] = {
      {QStringLiteral("RTF"), QStringLiteral("Review.rtf"), kRtf},
      {QStringLiteral("RTFD package"), QStringLiteral("Review.rtfd/TXT.rtf"), kRtf},
      {QStringLiteral("DOCX"), QStringLiteral("Review.docx"),
       zipOf({{QStringLiteral("[Content_Types].xml"), "<Types/>"},
              {QStringLiteral("word/document.xml"), word.left(split)},
              {QStringLiteral("word/styles.xml"), word.mid(split + 14)}})},
      {QStringLiteral("ODT"), QStringLiteral("Review.odt"),
       zipOf({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text"},
              {QStringLiteral("content.xml"), odfContent()}})},
      {QStringLiteral("WordML"), QStringLiteral("Review.wordml"), wordDocument(true)},
      {QStringLiteral("Web archive"), QStringLiteral("Review.webarchive"), webArchive(webPage())},
      {QStringLiteral("Legacy .doc: the fallback"), QStringLiteral("Minutes of the annual meeting.doc"),
       QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0')},
      {QStringLiteral("Reading"), QStringLiteral("Slow.rtf"), kRtf},
  };
  constexpr double tileWidth = 300, tileHeight = 250, gap = 14, top = 24;
  GallerySheet sheet(scene, {4 * (tileWidth + gap) + gap, 2 * (tileHeight + top + gap) + gap});
  int index = 0;
  for (const Sample& sample : samples) {
    const double x = gap + (index % 4) * (tileWidth + gap);
    const double y = gap + (index / 4) * (tileHeight + top + gap);
    ++index;
    sheet.label(sample.title, {x, y + 14});
    const QRectF box(x, y + top, tileWidth, tileHeight);
    previewBox(sheet, box);
    const QString path = folder.filePath(sample.name);
    writeFile(path, sample.bytes);
    const QString shown = sample.name.endsWith(QStringLiteral("/TXT.rtf")) ? QFileInfo(path).path() : path;
    RichDocumentPreview view(services);
    GalleryScene::showOffscreen(view, {int(tileWidth), int(tileHeight)});
    view.setProps({QUrl::fromLocalFile(shown)}, {});
    if (sample.title != QStringLiteral("Reading") && scene.settle) scene.settle();
    // A legacy Word file has no thumbnail here either: its icon and name.
    if (view.shown() == RichDocumentPreview::Shown::failed && !thumbnails->requests.empty()) {
      thumbnails->answer(thumbnails->requests.size() - 1, std::nullopt);
      if (scene.settle) scene.settle();
    }
    scene.runFrames(120);
    sheet.put(view, box.topLeft());
  }
  services.thumbnailService = kept;
  return sheet.finish();
}

}  // namespace

void addDocumentGalleryViews(GalleryRegistry& registry) { registry.add(QStringLiteral("preview-document"), documents); }

}  // namespace qv
