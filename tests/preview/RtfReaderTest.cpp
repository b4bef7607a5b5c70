#include "preview/document/RichDocumentReader.h"
#include "preview/document/RtfReader.h"
#include "support/PathSwappedForFifo.h"
#include "support/PeakMemory.h"
#include "support/preview/DocumentFixtures.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace qv {
namespace {

using test::colorOf;
using test::formatOf;

std::optional<AttributedText> rtf(const QByteArray& body, const QByteArray& header = "\\ansi\\ansicpg1252") {
  return readRtf("{\\rtf1" + header + " " + body + "}");
}

QString textOf(const QByteArray& body, const QByteArray& header = "\\ansi\\ansicpg1252") {
  const std::optional<AttributedText> read = rtf(body, header);
  return read ? read->text : QStringLiteral("<none>");
}

struct TextCase {
  const char* name;
  QByteArray header;
  QByteArray body;
  QString expected;
};

class RtfTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfTextTest, ReadsTheText) {
  const TextCase& c = GetParam();
  EXPECT_EQ(textOf(c.body, c.header), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, RtfTextTest,
    ::testing::Values(
        TextCase{"plain", "\\ansi", "Hello, world", QStringLiteral("Hello, world")},
        TextCase{"paragraphs_lines_tabs", "\\ansi", "one\\par two\\line three\\tab four",
                 QString::fromUtf16(u"one\ntwo\u2028three\tfour")},
        TextCase{"escaped_symbols", "\\ansi", "a\\{b\\}c\\\\d\\~e\\-f", QString::fromUtf16(u"a{b}c\\d\u00A0ef")},
        TextCase{"named_characters", "\\ansi", "\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote",
                 QString::fromUtf16(u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D")},
        TextCase{"cp1252_bytes", "\\ansi\\ansicpg1252", "caf\\'e9 \\'80 \\'93q\\'94",
                 QString::fromUtf16(u"café € “q”")},
        TextCase{"cp1252_is_the_default", "\\ansi", "\\'e9t\\'e9", QString::fromUtf16(u"été")},
        TextCase{"raw_high_bytes", "\\ansi", QByteArray("na\xefve"), QString::fromUtf16(u"naïve")},
        TextCase{"cp1251", "\\ansi\\ansicpg1251", "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2", QString::fromUtf16(u"Привет")},
        TextCase{"mac_roman", "\\mac", "\\'8e", QString::fromUtf16(u"é")},
        TextCase{"shift_jis_bytes_decoded_together", "\\ansi\\ansicpg932", "\\'93\\'fa\\'96\\'7b\\'8c\\'ea",
                 QString::fromUtf16(u"日本語")},
        TextCase{"shift_jis_trail_byte_as_a_letter", "\\ansi\\ansicpg932", "\\'83e\\'83X\\'83g",
                 QString::fromUtf16(u"テスト")},
        TextCase{"gbk_through_the_font_charset", "\\ansi",
                 "{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}\\f0 \\'d6\\'d0\\'ce\\'c4", QString::fromUtf16(u"中文")},
        TextCase{
            "big5_font_beside_a_latin_one", "\\ansi",
            "{\\fonttbl{\\f0\\froman Times;}{\\f1\\fcharset136 MingLiU;}}\\f0 caf\\'e9 {\\f1 \\'a4\\'a4\\'a4\\'e5}",
            QString::fromUtf16(u"café 中文")},
        TextCase{"unicode_with_fallback", "\\ansi", "\\u8364?\\u8364\\'80 x", QString::fromUtf16(u"€€ x")},
        TextCase{"unicode_skip_count", "\\ansi", "\\uc2\\u8364??x\\uc0\\u8364 y", QString::fromUtf16(u"€x€y")},
        TextCase{"unicode_skip_ends_with_the_group", "\\ansi", "{\\uc3\\u8364?}x", QString::fromUtf16(u"€x")},
        TextCase{"negative_unicode", "\\ansi", "\\u-3913?\\u-10179?\\u-8704?", QString::fromUtf16(u"\uF0B7😀")},
        TextCase{"lone_surrogate_mended", "\\ansi", "a\\u-10179?b", QString::fromUtf16(u"a\uFFFDb")},
        TextCase{"nested_groups", "\\ansi", "a{b{c{d}e}f}g", QStringLiteral("abcdefg")},
        TextCase{"picture_skipped", "\\ansi", "a{\\pict\\pngblip\\picw10 89504e470d0a1a0a}b", QStringLiteral("ab")},
        TextCase{"shape_picture_skipped", "\\ansi",
                 "a{\\*\\shppict{\\pict\\jpegblip ffd8}}{\\nonshppict{\\pict\\wmetafile8 0100}}b",
                 QStringLiteral("ab")},
        TextCase{"binary_data_with_braces_skipped", "\\ansi", "a{\\pict\\bin6 }}{{\\x}b", QStringLiteral("ab")},
        TextCase{"unknown_ignorable_destination_skipped", "\\ansi", "a{\\*\\qvsecret hidden {deeper}}b",
                 QStringLiteral("ab")},
        TextCase{"tables_of_the_header_skipped", "\\ansi",
                 "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\generator W;}body",
                 QStringLiteral("body")},
        TextCase{"field_shows_its_result", "\\ansi",
                 "{\\field{\\*\\fldinst HYPERLINK \"https://example.com\"}{\\fldrslt link}}", QStringLiteral("link")},
        TextCase{"hidden_text", "\\ansi", "shown{\\v hidden}\\v0  too", QStringLiteral("shown too")},
        TextCase{"table_cells", "\\ansi", "\\trowd a\\cell b\\cell\\row c", QString::fromUtf16(u"a\tb\t\nc")},
        TextCase{"line_endings_ignored", "\\ansi", "a\r\nb\nc", QStringLiteral("abc")},
        TextCase{"rtfd_attachment_mark_dropped", "\\ansi",
                 "see {{\\NeXTGraphic image.png \\width640 \\height480}\xAC} here", QStringLiteral("see  here")},
        TextCase{"content_after_the_document_ignored", "\\ansi", "a}b{c", QStringLiteral("a")}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RtfReaderTest, KeepsTheRunsFormatting) {
  const std::optional<AttributedText> read = rtf(
      "{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}{\\f1\\froman Times New Roman;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
      "\\f0\\fs24 plain {\\b bold {\\i bolditalic} bold2} {\\ul under\\ulnone not} {\\strike struck} "
      "{\\f1\\fs48 large} {\\cf1 red {\\cf2 green} red2} \\b \\i \\plain reset");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("plain bold bolditalic bold2 undernot struck large red green red2 reset"));
  const QTextCharFormat plain = formatOf(*read, QStringLiteral("plain"));
  EXPECT_EQ(plain.fontWeight(), QFont::Normal);
  EXPECT_FALSE(plain.fontItalic());
  EXPECT_EQ(plain.fontFamilies().toStringList(), QStringList{QStringLiteral("Helvetica")});
  EXPECT_DOUBLE_EQ(plain.fontPointSize(), 12 * 0.75);  // 12 points: 12 pixels at 96 DPI
  EXPECT_FALSE(colorOf(plain));
  EXPECT_EQ(formatOf(*read, QStringLiteral("bold ")).fontWeight(), QFont::Bold);
  EXPECT_TRUE(formatOf(*read, QStringLiteral("bolditalic")).fontItalic());
  EXPECT_EQ(formatOf(*read, QStringLiteral("bolditalic")).fontWeight(), QFont::Bold);
  EXPECT_FALSE(formatOf(*read, QStringLiteral("bold2")).fontItalic());
  EXPECT_TRUE(formatOf(*read, QStringLiteral("under")).fontUnderline());
  EXPECT_FALSE(formatOf(*read, QStringLiteral("not")).fontUnderline());
  EXPECT_TRUE(formatOf(*read, QStringLiteral("struck")).fontStrikeOut());
  const QTextCharFormat large = formatOf(*read, QStringLiteral("large"));
  EXPECT_EQ(large.fontFamilies().toStringList(), QStringList{QStringLiteral("Times New Roman")});
  EXPECT_DOUBLE_EQ(large.fontPointSize(), 24 * 0.75);
  EXPECT_EQ(colorOf(formatOf(*read, QStringLiteral("red "))), QColor(255, 0, 0));
  EXPECT_EQ(colorOf(formatOf(*read, QStringLiteral("green"))), QColor(0, 128, 0));
  EXPECT_EQ(colorOf(formatOf(*read, QStringLiteral("red2"))), QColor(255, 0, 0));
  const QTextCharFormat reset = formatOf(*read, QStringLiteral("reset"));
  EXPECT_EQ(reset.fontWeight(), QFont::Normal);
  EXPECT_FALSE(reset.fontItalic());
  EXPECT_FALSE(colorOf(reset));
}

TEST(RtfReaderTest, JoinsNeighbouringRunsOfOneStyle) {
  const std::optional<AttributedText> read = rtf("a{b}\\'e9{\\u8364?}c{\\b d}");
  ASSERT_TRUE(read);
  ASSERT_EQ(read->formats.size(), 2);
  EXPECT_EQ(read->formats[0].length, 5);
  EXPECT_EQ(read->formats[1].length, 1);
}

TEST(RtfReaderTest, ColourIndexZeroAndAutoEntriesHaveNoColour) {
  const std::optional<AttributedText> read = rtf(
      "{\\colortbl;\\red10\\green20\\blue30;;}\\cf0 zero \\cf2 auto \\cf9 missing \\cf1 set");
  ASSERT_TRUE(read);
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("zero"))));
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("auto"))));
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("missing"))));
  EXPECT_EQ(colorOf(formatOf(*read, QStringLiteral("set"))), QColor(10, 20, 30));
}

QByteArray nested(int depth, const QByteArray& inner = "x") {
  return QByteArray(depth, '{') + inner + QByteArray(depth, '}');
}

struct RefusedCase {
  const char* name;
  QByteArray input;
};

class RtfRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RtfRefusedTest, FailsCleanly) { EXPECT_FALSE(readRtf(GetParam().input)); }

INSTANTIATE_TEST_SUITE_P(
    Malformed, RtfRefusedTest,
    ::testing::Values(RefusedCase{"empty", ""}, RefusedCase{"not_rtf", "Hello {\\rtf1 x}"},
                      RefusedCase{"unclosed_group", "{\\rtf1\\ansi abc {\\b bold}"},
                      RefusedCase{"cut_in_a_control_word", "{\\rtf1\\ansi abc\\"},
                      RefusedCase{"cut_in_an_escape", "{\\rtf1\\ansi abc\\'e"},
                      RefusedCase{"binary_longer_than_the_file", "{\\rtf1{\\pict\\bin999999 ab}}"},
                      RefusedCase{"binary_length_overflowing", "{\\rtf1{\\pict\\bin99999999999 ab}}"},
                      RefusedCase{"endless_control_word", "{\\rtf1 \\" + QByteArray(5000, 'a') + "}"},
                      RefusedCase{"hundred_thousand_nested_groups", "{\\rtf1 " + nested(100'000) + "}"},
                      RefusedCase{"just_past_the_depth_limit", "{\\rtf1 " + nested(RtfLimits::kMaxGroupDepth) + "}"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RtfReaderTest, NestingUpToTheLimitIsRead) {
  const std::optional<AttributedText> read = readRtf("{\\rtf1 " + nested(RtfLimits::kMaxGroupDepth - 1) + "}");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("x"));
}

TEST(RtfReaderTest, StopsWhenCancelled) {
  std::atomic<bool> cancelled = true;
  DocumentReadOptions options;
  options.cancelled = &cancelled;
  EXPECT_FALSE(readRtf("{\\rtf1 text}", options));
}

TEST(RtfReaderTest, CutsTextAtTheLengthLimit) {
  QByteArray body;
  const QByteArray paragraph = QByteArray(99, 'a') + "\\par\n";
  while (body.size() < (DocumentLimits::kMaxTextLength + 1000) * 105 / 100) body += paragraph;
  const std::optional<AttributedText> read = readRtf("{\\rtf1\\ansi " + body + "}");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text.size(), DocumentLimits::kMaxTextLength);
}

TEST(RtfReaderTest, LongRunsOfEscapedBytesAreCutAtTheLimitToo) {
  // Double-byte characters given as an escape and a letter: each pair decodes on its own, with
  // no look back over the run.
  QByteArray body;
  body.reserve(5 * (DocumentLimits::kMaxTextLength + 10));
  for (qsizetype i = 0; i < DocumentLimits::kMaxTextLength + 10; ++i) body += "\\'83e";
  const std::optional<AttributedText> read = readRtf("{\\rtf1\\ansi\\ansicpg932 " + body + "}");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text.size(), DocumentLimits::kMaxTextLength);
  EXPECT_EQ(read->text.back(), QChar(u'テ'));
}

TEST(RtfReaderTest, ManyCodePagesShareTheFewDecodersThereAre) {
  // Every number names a code page, most of them none that exists: they cost no more than one.
  QByteArray body;
  constexpr int kCodePages = 600'000;
  body.reserve(qsizetype(kCodePages) * 18);
  // An 8-bit character after each: it is decoded in the code page named.
  for (int page = 0; page < kCodePages; ++page) body += "\\ansicpg" + QByteArray::number(100'000 + page) + " \\'e9";
  const QByteArray input = "{\\rtf1\\ansi " + body + "}";
  const test::PeakMemory memory;
  const std::optional<AttributedText> read = readRtf(input);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QString(kCodePages, QChar(0xE9)));
  if (memory.isAvailable()) {
    EXPECT_LT(memory.growthBytes(), (100LL << 20) * test::kSanitizerMemoryFactor);
  }
}

TEST(RtfReaderTest, EmptyDocumentGivesNothingToShow) {
  EXPECT_TRUE(readRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}}"));
  EXPECT_TRUE(readRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}}")->text.isEmpty());
  // The document reader takes an empty text as unreadable.
  EXPECT_FALSE(readRichDocumentBytes("{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}}"));
  EXPECT_FALSE(readRichDocumentBytes(""));
}

TEST(RtfReaderTest, FontNamesInTheirOwnCodePage) {
  const std::optional<AttributedText> read = rtf(
      "{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}\\f0 x");
  ASSERT_TRUE(read);
  EXPECT_EQ(formatOf(*read, QStringLiteral("x")).fontFamilies().toStringList(),
            QStringList{QString::fromUtf16(u"ＭＳ 明朝")});
}

TEST(RichDocumentReading, APathTurnedIntoAFifoBetweenLookAndOpenNeverBlocksTheReader) {
  QTemporaryDir folder;
  test::PathSwappedForFifo swapped(folder.path(), "{\\rtf1 text}");
  EXPECT_TRUE(swapped.readsWithoutBlocking([&swapped] { readRichDocument(swapped.path()); }, 20'000))
      << "a read blocked on a FIFO put at the path";
}

}  // namespace
}  // namespace qv
