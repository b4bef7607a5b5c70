#include "items/transform/TextTransform.h"

#include <gtest/gtest.h>
#include <QLocale>

namespace qv {
namespace {

QString apply(TextTransform transform, const char* text) { return transform.apply(QString::fromUtf8(text)); }

struct Row {
  TextTransform transform;
  const char* input;
  const char* expected;
};

class TextTransformTable : public ::testing::TestWithParam<Row> {};

TEST_P(TextTransformTable, Applies) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  const Row& row = GetParam();
  EXPECT_EQ(apply(row.transform, row.input).toStdString(), std::string(row.expected))
      << row.transform.rawValue().toStdString() << " of \"" << row.input << "\"";
  QLocale::setDefault(previous);
}

INSTANTIATE_TEST_SUITE_P(
    Transforms, TextTransformTable,
    ::testing::Values(
        Row{TextTransform::trim, " \t\n hello world \r\n\u2029", "hello world"},
        Row{TextTransform::trim, "\u00A0x\u3000", "x"}, Row{TextTransform::trim, " \n\t ", ""},
        Row{TextTransform::collapseWhitespace, "two\t   words", "two words"},
        Row{TextTransform::collapseWhitespace, "  a \t b\nc  d \n", "a b\nc d"},
        Row{TextTransform::singleLine, "\n  first line\n\n\t second\r\n   \nthird  \n", "first line second third"},
        Row{TextTransform::singleLine, "a\u2028b\rc", "a b c"}, Row{TextTransform::lowercase, "HeLLo ÄÖÜ", "hello äöü"},
        Row{TextTransform::lowercase, "ΟΔΟΣ ΣΑΣ Σ", "οδος σας σ"}, Row{TextTransform::uppercase, "straße", "STRASSE"},
        Row{TextTransform::titleCase, "hello wORLD, it's a well-known fact", "Hello World, It's A Well-Known Fact"},
        Row{TextTransform::titleCase, "the 2nd time\tcafé ÉCOLE", "The 2nd Time\tCafé École"},
        Row{TextTransform::titleCase, "ǆungla straße", "ǅungla Straße"},
        Row{TextTransform::sentenceCase, "HELLO WORLD. THIS IS A TEST.", "Hello world. This is a test."},
        Row{TextTransform::sentenceCase, "\"QUOTED START.\" 3 APPLES! 42? ok", "\"Quoted start.\" 3 Apples! 42? Ok"},
        Row{TextTransform::sentenceCase, "one line\nsecond LINE", "One line\nSecond line"},
        Row{TextTransform::sentenceCase, "... 123", "... 123"}, Row{TextTransform::urlEncode, "a b", "a%20b"},
        Row{TextTransform::urlEncode, "AZaz09!$&'()*+,-./:;=?@_~", "AZaz09!$&'()*+,-./:;=?@_~"},
        Row{TextTransform::urlEncode, "#[]%\"<>\\^`{|}", "%23%5B%5D%25%22%3C%3E%5C%5E%60%7B%7C%7D"},
        Row{TextTransform::urlEncode, "é€😀", "%C3%A9%E2%82%AC%F0%9F%98%80"},
        Row{TextTransform::urlDecode, "a%20b+c%2fd%C3%A9", "a b+c/dé"}, Row{TextTransform::urlDecode, "100%", "100%"},
        Row{TextTransform::urlDecode, "%zz and %4", "%zz and %4"},
        Row{TextTransform::urlDecode, "bad %FF byte", "bad %FF byte"}));

TEST(TextTransform, RawValuesInOrder) {
  QStringList names;
  for (const TextTransform transform : TextTransform::allCases()) {
    names << transform.rawValue();
    EXPECT_EQ(transform.id(), transform.rawValue());
    EXPECT_EQ(TextTransform::fromRawValue(transform.rawValue()), transform);
  }
  EXPECT_EQ(names.join(QLatin1Char(',')),
            QStringLiteral("trim,collapseWhitespace,singleLine,lowercase,uppercase,titleCase,sentenceCase,"
                           "urlEncode,urlDecode"));
  EXPECT_FALSE(TextTransform::fromRawValue(QStringLiteral("Trim")));
  EXPECT_FALSE(TextTransform::fromRawValue(QStringLiteral("TitleCase")));
  EXPECT_FALSE(TextTransform::fromRawValue(QString()));
  EXPECT_EQ(TextTransform::groups().size(), 3);
}

TEST(TextTransform, TitleCaseFollowsTheLocale) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
  EXPECT_EQ(TextTransform(TextTransform::titleCase).apply(QStringLiteral("istanbul IRMAK")),
            QStringLiteral("\u0130stanbul Irmak"));
  QLocale::setDefault(previous);
}

TEST(TextTransform, BrokenTextComesBackUnchanged) {
  const QString loneSurrogate = QStringLiteral("a") + QChar(0xD800) + QStringLiteral(" b");
  EXPECT_EQ(TextTransform(TextTransform::urlEncode).apply(loneSurrogate), loneSurrogate);
  EXPECT_EQ(TextTransform(TextTransform::urlDecode).apply(loneSurrogate), loneSurrogate);
  // Case changes keep a lone surrogate rather than dropping text.
  EXPECT_EQ(TextTransform(TextTransform::sentenceCase).apply(loneSurrogate).size(), loneSurrogate.size());
  EXPECT_EQ(TextTransform(TextTransform::titleCase).apply(QString()), QString());
}

}  // namespace
}  // namespace qv
