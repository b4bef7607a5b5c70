#include "preview/document/DocumentText.h"
#include "preview/document/RichDocumentReader.h"
#include "support/preview/DocumentFixtures.h"

#include <gtest/gtest.h>

#include <QLinearGradient>

namespace qv {
namespace {

using test::colorOf;
using test::formatOf;

struct RecolourCase {
  const char* name;
  QBrush foreground;
  bool kept;
};

class RecolourTest : public ::testing::TestWithParam<RecolourCase> {};

TEST_P(RecolourTest, KeepsOnlyBrightPlainColours) {
  AttributedText text;
  QTextCharFormat format;
  format.setForeground(GetParam().foreground);
  format.setFontWeight(QFont::Bold);
  text.append(QStringLiteral("run"), format);
  adaptForegroundColors(text);
  const QTextCharFormat adapted = text.formats.at(0).format;
  EXPECT_EQ(adapted.hasProperty(QTextFormat::ForegroundBrush), GetParam().kept);
  if (GetParam().kept) {
    EXPECT_EQ(adapted.foreground(), GetParam().foreground);
  }
  EXPECT_EQ(adapted.fontWeight(), QFont::Bold);  // nothing else changes
}

QBrush gradient() {
  QLinearGradient shades(0, 0, 10, 0);
  shades.setColorAt(0, Qt::yellow);
  shades.setColorAt(1, Qt::white);
  return QBrush(shades);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, RecolourTest,
    ::testing::Values(RecolourCase{"pure_yellow_kept", QColor(255, 255, 0), true},
                      RecolourCase{"white_kept", QColor(Qt::white), true},
                      RecolourCase{"just_above_the_limit_kept", QColor::fromHsvF(0.6f, 1.0f, 0.36f), true},
                      RecolourCase{"dark_blue_recoloured", QColor(0, 0, 80), false},
                      RecolourCase{"exactly_the_limit_recoloured", QColor::fromHsvF(0.6f, 1.0f, 0.35f), false},
                      RecolourCase{"exactly_the_limit_in_8_bits_recoloured", QColor(89, 20, 10), false},
                      RecolourCase{"black_recoloured", QColor(Qt::black), false},
                      RecolourCase{"gradient_recoloured", gradient(), false},
                      RecolourCase{"no_brush_recoloured", QBrush(), false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RecolourTest, RunsWithoutColourStayWithout) {
  AttributedText text;
  text.append(QStringLiteral("plain"), QTextCharFormat());
  adaptForegroundColors(text);
  EXPECT_FALSE(colorOf(text.formats.at(0).format));
}

TEST(RecolourTest, DocumentsAreRecolouredWhenRead) {
  const std::optional<AttributedText> read = readRichDocumentBytes(
      "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue0;\\red255\\green255\\blue0;\\red0\\green0\\blue80;}"
      "\\cf1 black \\cf2 yellow \\cf3 navy \\cf0 auto}");
  ASSERT_TRUE(read);
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("black"))));
  EXPECT_EQ(colorOf(formatOf(*read, QStringLiteral("yellow"))), QColor(255, 255, 0));
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("navy"))));
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("auto"))));
}

TEST(AttributedTextBuilderTest, DropsControlCharactersButKeepsBreaks) {
  AttributedTextBuilder builder{DocumentReadOptions{}};
  constexpr char16_t input[] = u"a\u0001b\tc\nd\u2028e\u0000f\uFFFCg";
  builder.append(QStringView(input, std::size(input) - 1), RunStyle{});
  const AttributedText text = builder.finish();
  EXPECT_EQ(text.text, QString::fromUtf16(u"ab\tc\nd\u2028efg"));
  ASSERT_EQ(text.formats.size(), 1);
  EXPECT_EQ(text.formats.at(0).length, text.text.size());
}

TEST(AttributedTextBuilderTest, SizesAreGivenInTheScreensPoints) {
  DocumentReadOptions options;
  options.fontPointsPerPoint = 0.5;  // a 144 DPI screen
  AttributedTextBuilder builder(options);
  RunStyle style;
  style.size = 20;
  builder.append(QStringLiteral("x"), style);
  EXPECT_DOUBLE_EQ(builder.finish().formats.at(0).format.fontPointSize(), 10);
}

}  // namespace
}  // namespace qv
