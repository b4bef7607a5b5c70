#include "preview/document/RichDocumentReader.h"
#include "preview/document/WordReader.h"
#include "preview/document/ZipEntries.h"
#include "support/preview/DocumentFixtures.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

using test::colorOf;
using test::formatOf;
using test::ZipWriter;

const char kTransitional[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
const char kWord2003[] = "http://schemas.microsoft.com/office/word/2003/wordml";

// Paragraphs that use every part of the mapping, in either namespace (the "w" prefix).
QByteArray paragraphs() {
  return R"(<w:p><w:pPr><w:pStyle w:val="Heading1"/><w:rPr><w:i/></w:rPr></w:pPr><w:r><w:t>Title</w:t></w:r></w:p>
<w:p><w:r><w:t xml:space="preserve">plain </w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>bold</w:t></w:r><w:r>
<w:rPr><w:i/><w:u w:val="single"/><w:color w:val="FF0000"/><w:sz w:val="36"/><w:rFonts w:ascii="Georgia"/></w:rPr>
<w:t>fancy</w:t></w:r><w:r><w:tab/><w:t>tabbed</w:t><w:br/><w:t>broken</w:t></w:r>
<w:r><w:rPr><w:rStyle w:val="Strong"/><w:b w:val="0"/></w:rPr><w:t>styled</w:t></w:r>
<w:r><w:rPr><w:strike/><w:color w:val="auto"/></w:rPr><w:t>struck</w:t></w:r>
<w:r><w:rPr><w:vanish/></w:rPr><w:t>hidden</w:t></w:r>
<w:r><w:rPr><w:u w:val="none"/></w:rPr><w:t>notunder</w:t></w:r></w:p>
<w:p/>
<w:p><w:pPr><w:pStyle w:val="Loop1"/></w:pPr><w:r><w:t>last</w:t></w:r></w:p>)";
}

QByteArray styles(const char* ns, bool inline2003) {
  const QByteArray body = R"(<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Calibri"/><w:sz w:val="22"/>
</w:rPr></w:rPrDefault></w:docDefaults>
<w:style w:type="paragraph" w:default=")" +
                          QByteArray(inline2003 ? "on" : "1") +
                          R"(" w:styleId="Normal"><w:rPr><w:sz w:val="24"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Heading1"><w:basedOn w:val="Normal"/><w:rPr><w:b/><w:sz w:val="32"/></w:rPr>
</w:style>
<w:style w:type="character" w:styleId="Strong"><w:rPr><w:b/><w:color w:val="00AA00"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Loop1"><w:basedOn w:val="Loop2"/></w:style>
<w:style w:type="paragraph" w:styleId="Loop2"><w:basedOn w:val="Loop1"/><w:rPr><w:i/></w:rPr></w:style>)";
  return "<w:styles xmlns:w=\"" + QByteArray(ns) + "\">" + body + "</w:styles>";
}

QByteArray documentXml(const QByteArray& content) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w=")" +
         QByteArray(kTransitional) +
         R"(" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"><w:body>)" + content +
         R"(<w:sectPr><w:pgSz w:w="12240"/></w:sectPr></w:body></w:document>)";
}

QByteArray docx(const QByteArray& document, const QByteArray& stylesPart) {
  ZipWriter zip;
  zip.add(QStringLiteral("[Content_Types].xml"),
          R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)");
  zip.add(QStringLiteral("_rels/.rels"),
          R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"
 Target="word/document.xml"/></Relationships>)");
  zip.add(QStringLiteral("word/document.xml"), document);
  if (!stylesPart.isEmpty()) zip.add(QStringLiteral("word/styles.xml"), stylesPart);
  return zip.bytes();
}

QByteArray wordMl(const QByteArray& content) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<?mso-application progid="Word.Document"?>
<w:wordDocument xmlns:w=")" +
         QByteArray(kWord2003) +
         R"(" xmlns:wx="http://schemas.microsoft.com/office/word/2003/auxHint"
 xmlns:o="urn:schemas-microsoft-com:office:office"><o:DocumentProperties><o:Title>T</o:Title></o:DocumentProperties>)" +
         styles(kWord2003, true) + "<w:body><wx:sect>" + content + "</wx:sect></w:body></w:wordDocument>";
}

enum class Container { docx, wordMl };

class WordMappingTest : public ::testing::TestWithParam<Container> {
 protected:
  std::optional<AttributedText> read(const QByteArray& content) const {
    if (GetParam() == Container::docx)
      return readRichDocumentBytes(docx(documentXml(content), styles(kTransitional, false)));
    return readRichDocumentBytes(wordMl(content));
  }
};

TEST_P(WordMappingTest, ParagraphsRunsAndBreaks) {
  const std::optional<AttributedText> read = this->read(paragraphs());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QString::fromUtf16(u"Title\nplain boldfancy\ttabbed\u2028brokenstyledstrucknotunder\n\nlast"));
}

TEST_P(WordMappingTest, RunPropertiesOverStylesOverDefaults) {
  const std::optional<AttributedText> read = this->read(paragraphs());
  ASSERT_TRUE(read);
  const QTextCharFormat title = formatOf(*read, QStringLiteral("Title"));
  EXPECT_EQ(title.fontWeight(), QFont::Bold);
  EXPECT_FALSE(title.fontItalic());  // the paragraph mark's properties are not the text's
  EXPECT_DOUBLE_EQ(title.fontPointSize(), 16 * 0.75);
  const QTextCharFormat plain = formatOf(*read, QStringLiteral("plain"));
  EXPECT_EQ(plain.fontWeight(), QFont::Normal);
  EXPECT_DOUBLE_EQ(plain.fontPointSize(), 12 * 0.75);  // the default paragraph style over the defaults
  EXPECT_EQ(plain.fontFamilies().toStringList(), QStringList{QStringLiteral("Calibri")});
  EXPECT_EQ(formatOf(*read, QStringLiteral("bold")).fontWeight(), QFont::Bold);
  const QTextCharFormat fancy = formatOf(*read, QStringLiteral("fancy"));
  EXPECT_TRUE(fancy.fontItalic());
  EXPECT_TRUE(fancy.fontUnderline());
  EXPECT_EQ(colorOf(fancy), QColor(255, 0, 0));
  EXPECT_DOUBLE_EQ(fancy.fontPointSize(), 18 * 0.75);
  EXPECT_EQ(fancy.fontFamilies().toStringList(), QStringList{QStringLiteral("Georgia")});
  const QTextCharFormat styled = formatOf(*read, QStringLiteral("styled"));
  EXPECT_EQ(styled.fontWeight(), QFont::Normal);  // its own "not bold" over its style's bold
  EXPECT_EQ(colorOf(styled), QColor(0, 0xAA, 0));
  const QTextCharFormat struck = formatOf(*read, QStringLiteral("struck"));
  EXPECT_TRUE(struck.fontStrikeOut());
  EXPECT_FALSE(colorOf(struck));
  EXPECT_FALSE(formatOf(*read, QStringLiteral("notunder")).fontUnderline());
  // A style whose "based on" chain loops is read once round.
  EXPECT_TRUE(formatOf(*read, QStringLiteral("last")).fontItalic());
}

TEST_P(WordMappingTest, LeavesOutWhatIsNotShownText) {
  const std::optional<AttributedText> read = this->read(
      R"(<w:p><w:r><w:t>a</w:t></w:r><w:del><w:r><w:delText>deleted</w:delText></w:r></w:del>
<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>HYPERLINK "x"</w:instrText></w:r>
<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:hyperlink><w:r><w:t>b</w:t></w:r></w:hyperlink>
<w:r><w:fldChar w:fldCharType="end"/></w:r><w:ins><w:r><w:t>c</w:t></w:r></w:ins>
<w:r><w:pict><w:binData>AAAA</w:binData></w:pict></w:r>
<w:r><w:drawing><w:txbxContent><w:p><w:r><w:t>drawn</w:t></w:r></w:p></w:txbxContent></w:drawing></w:r>
<w:r><w:sym w:font="Wingdings" w:char="F04A"/><w:sym w:font="Arial" w:char="00E9"/></w:r></w:p>)");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QString::fromUtf16(u"abcé"));
}

INSTANTIATE_TEST_SUITE_P(Containers, WordMappingTest, ::testing::Values(Container::docx, Container::wordMl),
                         [](const auto& param) { return param.param == Container::docx ? "docx" : "wordml"; });

TEST(DocxReaderTest, AlternateContentIsLeftOut) {
  const std::optional<AttributedText> read = readRichDocumentBytes(
      docx(documentXml(R"(<w:p><w:r><w:t>a</w:t></w:r><w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing/>
<w:t>choice</w:t></mc:Choice><mc:Fallback><w:t>fallback</w:t></mc:Fallback></mc:AlternateContent></w:r></w:p>)"),
           {}));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("a"));
}

TEST(DocxReaderTest, FindsTheMainPartThroughTheRelationships) {
  ZipWriter zip;
  zip.add(QStringLiteral("[Content_Types].xml"), "<Types/>");
  zip.add(QStringLiteral("_rels/.rels"),
          R"(<Relationships><Relationship Type="http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument"
 Target="/word/document2.xml"/></Relationships>)");
  zip.add(QStringLiteral("word/document2.xml"), documentXml("<w:p><w:r><w:t>second</w:t></w:r></w:p>"));
  const std::optional<AttributedText> read = readRichDocumentBytes(zip.bytes());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("second"));
}

TEST(DocxReaderTest, ABrokenStylesPartCostsOnlyTheStyles) {
  const std::optional<AttributedText> read = readRichDocumentBytes(
      docx(documentXml("<w:p><w:r><w:t>text</w:t></w:r></w:p>"), "<w:styles><unclosed>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("text"));
}

QByteArray entityBomb(const QByteArray& root) {
  QByteArray declarations = "<!ENTITY lol0 \"lollollollollollollollollollol\">";
  for (int level = 1; level < 10; ++level) {
    QByteArray value;
    for (int i = 0; i < 10; ++i) value += "&lol" + QByteArray::number(level - 1) + ";";
    declarations += "<!ENTITY lol" + QByteArray::number(level) + " \"" + value + "\">";
  }
  return "<?xml version=\"1.0\"?><!DOCTYPE bomb [" + declarations + "]>" + root;
}

TEST(DocxReaderTest, EntityBombsAreRefused) {
  const QByteArray body = "<w:body><w:p><w:r><w:t>&lol9;</w:t></w:r></w:p></w:body>";
  const QByteArray document = entityBomb("<w:document xmlns:w=\"" + QByteArray(kTransitional) + "\">" + body +
                                         "</w:document>");
  EXPECT_FALSE(readWordprocessingXml(document, {}));
  EXPECT_FALSE(readRichDocumentBytes(docx(document, {})));
  EXPECT_FALSE(readRichDocumentBytes(
      entityBomb("<w:wordDocument xmlns:w=\"" + QByteArray(kWord2003) + "\">" + body + "</w:wordDocument>")));
  // A single small entity is refused all the same: documents declare none.
  EXPECT_FALSE(readWordprocessingXml("<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY e \"x\">]><w:document xmlns:w=\"" +
                                         QByteArray(kTransitional) +
                                         "\"><w:body><w:p><w:r><w:t>&e;</w:t></w:r></w:p></w:body></w:document>",
                                     {}));
}

struct RefusedCase {
  const char* name;
  QByteArray bytes;
};

class WordRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(WordRefusedTest, FailsCleanly) { EXPECT_FALSE(readRichDocumentBytes(GetParam().bytes)); }

INSTANTIATE_TEST_SUITE_P(
    Malformed, WordRefusedTest,
    ::testing::Values(
        RefusedCase{"truncated_xml", documentXml("<w:p><w:r><w:t>cut").left(200)},
        RefusedCase{"xml_of_another_kind", "<?xml version=\"1.0\"?><html><body>text</body></html>"},
        RefusedCase{"zip_without_a_document",
                    [] {
                      ZipWriter zip;
                      zip.add(QStringLiteral("[Content_Types].xml"), "<Types/>");
                      return zip.bytes();
                    }()},
        RefusedCase{"zip_cut_in_half", docx(documentXml("<w:p><w:r><w:t>x</w:t></w:r></w:p>"), {}).left(120)},
        RefusedCase{"deep_nesting", documentXml(QByteArray(100'000 * 7, 'x').replace("xxxxxxx", "<w:sdt>"))},
        RefusedCase{"legacy_word_file", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0')}),
    [](const auto& param) { return std::string(param.param.name); });

// Nesting where the readers used to recurse or keep every level: in text they read whole, in
// what they skip (elements left open, as a stream that never closes them has them), in the
// styles part. Too deep is unreadable (in the styles part it costs the styles only), within a
// bounded memory.
class WordDepthTest : public ::testing::TestWithParam<test::HostileDocument> {};

TEST_P(WordDepthTest, CountedOnEveryPathWithinBoundedMemory) {
  const test::MeasuredRead read = test::readMeasured(GetParam().bytes());
  EXPECT_EQ(read.text, GetParam().text);
  EXPECT_LT(read.growth.value_or(0), 100LL << 20);
}

const QByteArray kAfter = "<w:p><w:r><w:t>after</w:t></w:r></w:p>";

INSTANTIATE_TEST_SUITE_P(
    Nesting, WordDepthTest,
    ::testing::Values(test::HostileDocument{"docx_150k_levels_inside_text",
                                            [] {
                                              return docx(documentXml("<w:p><w:r><w:t>a" +
                                                                      test::nestedElements("<w:x>", "</w:x>", 150'000) +
                                                                      "b</w:t></w:r></w:p>"),
                                                          {});
                                            },
                                            std::nullopt},
                      test::HostileDocument{"wordml_150k_levels_inside_text",
                                            [] {
                                              return wordMl("<w:p><w:r><w:t>a" +
                                                            test::nestedElements("<w:x>", "</w:x>", 150'000) +
                                                            "b</w:t></w:r></w:p>");
                                            },
                                            std::nullopt},
                      test::HostileDocument{"docx_some_levels_inside_text",
                                            [] {
                                              return docx(documentXml("<w:p><w:r><w:t>a" +
                                                                      test::nestedElements("<w:x>", "</w:x>", 400) +
                                                                      "b</w:t></w:r></w:p>"),
                                                          {});
                                            },
                                            QStringLiteral("ab")},
                      test::HostileDocument{"docx_3M_unclosed_levels_inside_a_skipped_picture",
                                            [] {
                                              return docx(documentXml("<w:p><w:r><w:pict>" +
                                                                      QByteArray("<v>").repeated(3'000'000) +
                                                                      "</w:pict><w:t>after</w:t></w:r></w:p>"),
                                                          {});
                                            },
                                            std::nullopt},
                      test::HostileDocument{"docx_3M_unclosed_levels_in_the_styles_part",
                                            [] {
                                              return docx(documentXml(kAfter),
                                                          "<w:styles xmlns:w=\"" + QByteArray(kTransitional) + "\">" +
                                                              QByteArray("<s>").repeated(3'000'000) + "</w:styles>");
                                            },
                                            QStringLiteral("after")}),
    [](const auto& param) { return std::string(param.param.name); });

// 16 MB of text that deflates to some 16 KB.
QByteArray zeros() { return QByteArray(16 << 20, '0'); }

TEST(ZipEntriesTest, InflatesAtMostTheCap) {
  ZipWriter zip;
  zip.add(QStringLiteral("bomb"), zeros());
  ZipEntries entries(zip.bytes());
  ASSERT_TRUE(entries.isOpen());
  EXPECT_FALSE(entries.read(QStringLiteral("bomb"), 1 << 20));
  EXPECT_LE(entries.lastInflatedBytes(), (1 << 20) + (64 << 10));
  EXPECT_GT(entries.lastInflatedBytes(), 1 << 20);
}

TEST(ZipEntriesTest, ADeclaredSizeIsNotTrusted) {
  ZipWriter zip;
  // Claims 100 bytes, holds 16 MB.
  zip.add({QStringLiteral("small-claim"), zeros(), true, 100});
  // Claims 4 GB, holds 16 MB: read no further than the cap.
  zip.add({QStringLiteral("huge-claim"), zeros(), true, 0xFFFFFFF0u});
  // Claims 4 GB, holds a few bytes.
  zip.add({QStringLiteral("short"), "hello", true, 0xFFFFFFF0u});
  ZipEntries entries(zip.bytes());
  ASSERT_TRUE(entries.isOpen());
  EXPECT_FALSE(entries.read(QStringLiteral("small-claim")));
  EXPECT_LE(entries.lastInflatedBytes(), 100);
  EXPECT_FALSE(entries.read(QStringLiteral("huge-claim"), 1 << 20));
  EXPECT_LE(entries.lastInflatedBytes(), (1 << 20) + (64 << 10));
  // Read for what it holds, with room made for no more than the cap.
  EXPECT_EQ(entries.read(QStringLiteral("short")), QByteArray("hello"));
}

TEST(ZipEntriesTest, ReadsStoredAndDeflatedEntriesAndChecksTheirChecksum) {
  ZipWriter zip;
  zip.add({QStringLiteral("stored"), "stored text", false});
  zip.add(QStringLiteral("deflated"), "deflated text");
  zip.add({QStringLiteral("bad-crc"), "some text", true, std::nullopt, 1234});
  ZipEntries entries(zip.bytes());
  EXPECT_EQ(entries.read(QStringLiteral("stored")), QByteArray("stored text"));
  EXPECT_EQ(entries.read(QStringLiteral("deflated")), QByteArray("deflated text"));
  EXPECT_FALSE(entries.read(QStringLiteral("bad-crc")));
  EXPECT_FALSE(entries.read(QStringLiteral("missing")));
  EXPECT_FALSE(entries.read(QStringLiteral("STORED")));
}

TEST(DocxReaderTest, AZipBombDocumentFailsWithinTheCap) {
  ZipWriter zip;
  zip.add(QStringLiteral("[Content_Types].xml"), "<Types/>");
  QByteArray huge = documentXml("<w:p><w:r><w:t>") + QByteArray(ZipEntries::kMaxInflatedBytes, 'a');
  zip.add(QStringLiteral("word/document.xml"), huge);
  EXPECT_FALSE(readRichDocumentBytes(zip.bytes()));
}

}  // namespace
}  // namespace qv
