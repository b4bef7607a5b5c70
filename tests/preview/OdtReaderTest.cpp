#include "preview/document/OdtReader.h"
#include "preview/document/RichDocumentReader.h"
#include "support/preview/DocumentFixtures.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

using test::colorOf;
using test::formatOf;
using test::ZipWriter;

const QByteArray kNamespaces = R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" office:version="1.2")";

QByteArray content(const QByteArray& body) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><office:document-content)" + kNamespaces + R"(>
<office:font-face-decls><style:font-face style:name="Georgia1" svg:font-family="'Georgia'"/></office:font-face-decls>
<office:automatic-styles>
 <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
 <style:style style:name="T2" style:family="text"><style:text-properties fo:font-style="italic"
  style:text-underline-style="solid" fo:color="#ff0000" fo:font-size="18pt" style:font-name="Georgia1"/></style:style>
 <style:style style:name="T3" style:family="text"><style:text-properties fo:font-size="200%"/></style:style>
 <style:style style:name="T4" style:family="text"><style:text-properties style:text-line-through-style="solid"
  style:use-window-font-color="true"/></style:style>
 <style:style style:name="T5" style:family="text"><style:text-properties text:display="none"/></style:style>
 <style:style style:name="P1" style:family="paragraph" style:parent-style-name="Heading"/>
 <style:style style:name="P2" style:family="paragraph" style:parent-style-name="P3"/>
 <style:style style:name="P3" style:family="paragraph" style:parent-style-name="P2">
  <style:text-properties fo:font-style="italic"/></style:style>
</office:automatic-styles>
<office:body><office:text><text:sequence-decls><text:sequence-decl text:name="Figure"/></text:sequence-decls>)" +
         body + "</office:text></office:body></office:document-content>";
}

QByteArray stylesXml() {
  return R"(<?xml version="1.0" encoding="UTF-8"?><office:document-styles)" + kNamespaces + R"(>
<office:font-face-decls><style:font-face style:name="Liberation Serif" svg:font-family="'Liberation Serif'"/>
</office:font-face-decls><office:styles>
 <style:default-style style:family="paragraph"><style:text-properties fo:font-size="10pt"
  style:font-name="Liberation Serif"/></style:default-style>
 <style:style style:name="Heading" style:family="paragraph"><style:text-properties fo:font-size="130%"
  fo:font-weight="bold"/></style:style>
</office:styles><office:automatic-styles><style:style style:name="T1" style:family="text">
 <style:text-properties fo:font-size="40pt"/></style:style></office:automatic-styles></office:document-styles>)";
}

QByteArray odt(const QByteArray& body, const QByteArray& styles = stylesXml()) {
  ZipWriter zip;
  zip.add({QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text", false});
  zip.add(QStringLiteral("content.xml"), content(body));
  zip.add(QStringLiteral("styles.xml"), styles);
  zip.add(QStringLiteral("META-INF/manifest.xml"), "<manifest/>");
  return zip.bytes();
}

const QByteArray kBody = R"(
<text:h text:style-name="P1" text:outline-level="1">Title</text:h>
<text:p>  plain
   <text:span text:style-name="T1">bold</text:span><text:span text:style-name="T2">fancy</text:span><text:tab/>tabbed<text:line-break/>broken<text:s text:c="3"/>spaced</text:p>
<text:p><text:span text:style-name="T1">big <text:span text:style-name="T3">bigger</text:span></text:span> <text:span
 text:style-name="T4">struck</text:span><text:span text:style-name="T5">hidden</text:span><text:note><text:note-citation>1</text:note-citation><text:note-body><text:p>footnote</text:p></text:note-body></text:note><draw:frame><draw:text-box><text:p>framed</text:p></draw:text-box></draw:frame></text:p>
<text:p/>
<text:list><text:list-item><text:p text:style-name="P2">item <text:a xlink:href="x" xmlns:xlink="http://www.w3.org/1999/xlink">link</text:a></text:p></text:list-item></text:list>
<table:table xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"><table:table-row><table:table-cell><text:p>cell</text:p></table:table-cell></table:table-row></table:table>)";

TEST(OdtReaderTest, ParagraphsSpansSpacesAndBreaks) {
  const std::optional<AttributedText> read = readRichDocumentBytes(odt(kBody));
  ASSERT_TRUE(read);
  EXPECT_EQ(
      read->text,
      QString::fromUtf16(u"Title\nplain boldfancy\ttabbed\u2028broken   spaced\nbig bigger struck\n\nitem link\ncell"));
}

TEST(OdtReaderTest, StylesFollowTheirParentsAndRelativeSizes) {
  const std::optional<AttributedText> read = readRichDocumentBytes(odt(kBody));
  ASSERT_TRUE(read);
  const QTextCharFormat title = formatOf(*read, QStringLiteral("Title"));
  EXPECT_EQ(title.fontWeight(), QFont::Bold);
  EXPECT_NEAR(title.fontPointSize(), 13 * 0.75, 1e-9);  // 130 % of the defaults' 10 points
  const QTextCharFormat plain = formatOf(*read, QStringLiteral("plain"));
  EXPECT_EQ(plain.fontWeight(), QFont::Normal);
  EXPECT_DOUBLE_EQ(plain.fontPointSize(), 10 * 0.75);
  EXPECT_EQ(plain.fontFamilies().toStringList(), QStringList{QStringLiteral("Liberation Serif")});
  // The automatic T1 of styles.xml (a page style's) is not the content's T1.
  EXPECT_EQ(formatOf(*read, QStringLiteral("bold")).fontWeight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(formatOf(*read, QStringLiteral("bold")).fontPointSize(), 10 * 0.75);
  const QTextCharFormat fancy = formatOf(*read, QStringLiteral("fancy"));
  EXPECT_TRUE(fancy.fontItalic());
  EXPECT_TRUE(fancy.fontUnderline());
  EXPECT_EQ(colorOf(fancy), QColor(255, 0, 0));
  EXPECT_DOUBLE_EQ(fancy.fontPointSize(), 18 * 0.75);
  EXPECT_EQ(fancy.fontFamilies().toStringList(), QStringList{QStringLiteral("Georgia")});
  const QTextCharFormat bigger = formatOf(*read, QStringLiteral("bigger"));
  EXPECT_EQ(bigger.fontWeight(), QFont::Bold);          // from the span around it
  EXPECT_DOUBLE_EQ(bigger.fontPointSize(), 20 * 0.75);  // 200 % of its paragraph's
  const QTextCharFormat struck = formatOf(*read, QStringLiteral("struck"));
  EXPECT_TRUE(struck.fontStrikeOut());
  EXPECT_FALSE(colorOf(struck));
  EXPECT_EQ(formatOf(*read, QStringLiteral("struck")).fontWeight(), QFont::Normal);
  // A parent chain that loops is read once round.
  EXPECT_TRUE(formatOf(*read, QStringLiteral("item")).fontItalic());
}

TEST(OdtReaderTest, EntityBombsAreRefused) {
  const QByteArray bomb =
      R"(<?xml version="1.0"?><!DOCTYPE d [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;">
<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;"><!ENTITY e "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">]>)";
  ZipWriter zip;
  zip.add(QStringLiteral("content.xml"), bomb + "<office:document-content" + kNamespaces +
                                             "><office:body><office:text><text:p>&e;</text:p>" +
                                             "</office:text></office:body></office:document-content>");
  EXPECT_FALSE(readRichDocumentBytes(zip.bytes()));
}

TEST(OdtReaderTest, SpacesOfOneElementAreBounded) {
  const std::optional<AttributedText> read = readOdfXml(
      content(R"(<text:p>a<text:s text:c="2000000000"/>b<text:s text:c="-5"/>c</text:p>)"), {});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("a") + QString(1000, u' ') + QStringLiteral("b c"));
}

TEST(OdtReaderTest, OtherOpenDocumentsAreNotText) {
  ZipWriter zip;
  zip.add({QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", false});
  zip.add(QStringLiteral("content.xml"), "<office:document-content" + kNamespaces +
                                             "><office:body><office:spreadsheet/></office:body>"
                                             "</office:document-content>");
  EXPECT_FALSE(readRichDocumentBytes(zip.bytes()));
}

class OdtDepthTest : public ::testing::TestWithParam<test::HostileDocument> {};

TEST_P(OdtDepthTest, CountedOnEveryPathWithinBoundedMemory) {
  const test::MeasuredRead read = test::readMeasured(GetParam().bytes());
  EXPECT_EQ(read.text, GetParam().text);
  EXPECT_LT(read.growth.value_or(0), 100LL << 20);
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, OdtDepthTest,
    ::testing::Values(test::HostileDocument{"3M_unclosed_levels_inside_a_skipped_frame",
                                            [] {
                                              return odt("<text:p>before<draw:frame>" +
                                                         QByteArray("<d>").repeated(3'000'000) +
                                                         "</draw:frame>after</text:p>");
                                            },
                                            std::nullopt},
                      test::HostileDocument{"3M_unclosed_levels_in_the_styles_part",
                                            [] {
                                              return odt("<text:p>after</text:p>",
                                                         "<office:document-styles" + kNamespaces + "><office:styles>" +
                                                             QByteArray("<s>").repeated(3'000'000) +
                                                             "</office:styles></office:document-styles>");
                                            },
                                            QStringLiteral("after")},
                      test::HostileDocument{"150k_levels_inside_a_paragraph",
                                            [] {
                                              return odt("<text:p>a" +
                                                         test::nestedElements("<text:span>", "</text:span>", 150'000) +
                                                         "b</text:p>");
                                            },
                                            std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qv
