#include "CardContentTestSupport.h"
#include "cards/content/ColorCardContent.h"
#include "cards/content/TextCardContent.h"
#include "ui/code/CodeHighlighter.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::FakeCardContext;
using qv::test::renderCard;

TEST(ColorCardContent, HslAndInkFollowTheWorkedValues) {
  struct Case {
    int r, g, b;
    ColorCardContent::Hsl hsl;
    bool blackInk;
  };
  const Case cases[] = {
      {255, 0, 0, {0, 100, 50}, false},   {0, 128, 255, {210, 100, 50}, false}, {128, 128, 128, {0, 0, 50}, false},
      {255, 0, 1, {360, 100, 50}, false}, {88, 93, 193, {237, 46, 55}, false},  {255, 255, 255, {0, 0, 100}, true},
      {0, 0, 0, {0, 0, 0}, false},        {155, 155, 155, {0, 0, 61}, false},   {156, 156, 156, {0, 0, 61}, true},
      {0, 0, 255, {240, 100, 50}, false}, {0, 255, 0, {120, 100, 50}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    EXPECT_EQ(ColorCardContent::hsl(c.r, c.g, c.b), c.hsl);
    EXPECT_EQ(ColorCardContent::usesBlackInk(c.r, c.g, c.b), c.blackInk);
  }
  EXPECT_EQ(ColorCardContent::rgbLine(0, 128, 255), QStringLiteral("rgb(0, 128, 255)"));
  EXPECT_EQ(ColorCardContent::hslLine({210, 100, 50}), QStringLiteral("hsl(210\u00B0, 100%, 50%)"));
}

TEST(ColorCardContent, PaintsTheColourWithInkAboveTheFooter) {
  ColorCardContent content;
  content.setProps({QStringLiteral("#0080ff"), 0, 128, 255});
  const QImage image = renderCard(1, [&](QPainter& p, const QRectF& r) { content.paint(p, r, {}); });
  // Mid-card: the colour under the sheen (bluish, opaque); below the text block nothing but colour.
  const QColor middle = image.pixelColor(140, 120);
  EXPECT_GT(middle.blue(), 200);
  EXPECT_EQ(middle.alpha(), 255);
  for (int y = 240 - 41; y < 240; ++y)
    for (int x = 14; x < 120; ++x) ASSERT_LT(image.pixelColor(x, y).red(), 60) << x << "," << y;  // no white ink
}

namespace {
// Rows where `inked` differs from the bare background `plain`, and by how much at most.
std::vector<int> inkPerRow(const QImage& inked, const QImage& plain) {
  std::vector<int> result(inked.height(), 0);
  for (int y = 0; y < inked.height(); ++y)
    for (int x = 0; x < inked.width(); ++x) {
      const QColor a = inked.pixelColor(x, y), b = plain.pixelColor(x, y);
      result[y] = std::max({result[y], std::abs(a.red() - b.red()), std::abs(a.alpha() - b.alpha())});
    }
  return result;
}
}  // namespace

TEST(TextCardContent, TextStartsBelowTheBadgesAndFadesOutBetween66And80Percent) {
  FakeCardContext fake;
  QString longText;
  for (int i = 0; i < 40; ++i)
    longText += QStringLiteral("Line %1 of a long note that wraps across the card.\n").arg(i);
  for (const double dpr : {1.0, 2.0})
    for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
      SCOPED_TRACE(testing::Message() << "dpr " << dpr << " dark " << (scheme == ColorScheme::dark));
      TextCardContent text, empty;
      text.setProps({longText});
      const QImage inked = renderCard(dpr, [&](QPainter& p, const QRectF& r) { text.paint(p, r, fake.env(scheme)); });
      const QImage plain = renderCard(dpr, [&](QPainter& p, const QRectF& r) { empty.paint(p, r, fake.env(scheme)); });
      const std::vector<int> ink = inkPerRow(inked, plain);
      auto rowAt = [&](double y) { return ink[size_t(y * dpr)]; };
      for (double y = 0; y < 36; y += 1 / dpr) ASSERT_EQ(rowAt(y), 0) << "above the text at " << y;
      for (double y = 192; y < 240; y += 1 / dpr) ASSERT_EQ(rowAt(y), 0) << "below the fade at " << y;
      int strongest = 0, inFade = 0;
      for (double y = 36; y < 158; y += 1 / dpr) strongest = std::max(strongest, rowAt(y));
      for (double y = 182; y < 192; y += 1 / dpr) inFade = std::max(inFade, rowAt(y));
      EXPECT_GT(strongest, 120);
      EXPECT_LT(inFade, strongest / 2);
    }
}

TEST(TextCardContent, AShortLineSitsAtTheTopLeftInset) {
  TextCardContent text, empty;
  text.setProps({QStringLiteral("Hello")});
  const QImage inked = renderCard(1, [&](QPainter& p, const QRectF& r) { text.paint(p, r, {}); });
  const QImage plain = renderCard(1, [&](QPainter& p, const QRectF& r) { empty.paint(p, r, {}); });
  int left = 280, top = 240, bottom = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 280; ++x)
      if (inked.pixel(x, y) != plain.pixel(x, y)) {
        left = std::min(left, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GE(left, 14);
  EXPECT_LE(left, 16);
  EXPECT_GE(top, 36);
  EXPECT_LE(bottom, 36 + 18);
}

TEST(TextCardContent, LaysOutOnlyWhatShowsOfAMegabyte) {
  QString huge;
  while (huge.size() < 1'000'000) huge += QStringLiteral("All work and no play makes a very long clipboard entry. ");
  TextCardContent text;
  text.setProps({huge});
  renderCard(2, [&](QPainter& p, const QRectF& r) { text.paint(p, r, {}); });
  const VisibleTextLayout& layout = text.layout();
  EXPECT_LE(layout.laidLength(), VisibleTextLayout::kFirstPrefix);
  EXPECT_GE(layout.lineCount(), 6);
  EXPECT_LE(layout.lineCount(), 9);
  // A repaint reuses the layout.
  renderCard(2, [&](QPainter& p, const QRectF& r) { text.paint(p, r, {}); });
  EXPECT_EQ(layout.layoutCount(), 1);

  // One endless word with no break opportunity still fills the lines it can show.
  TextCardContent word;
  word.setProps({QString(200'000, QLatin1Char('x'))});
  renderCard(1, [&](QPainter& p, const QRectF& r) { word.paint(p, r, {}); });
  EXPECT_GE(word.layout().lineCount(), 6);
  EXPECT_LT(word.layout().laidLength(), 200'000);
  // Windows line ends break once, old Mac ones too.
  TextCardContent lines;
  lines.setProps({QStringLiteral("one\r\ntwo\rthree\nfour")});
  renderCard(1, [&](QPainter& p, const QRectF& r) { lines.paint(p, r, {}); });
  EXPECT_EQ(lines.layout().lines(), QStringList({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                                                 QStringLiteral("four")}));
}

TEST(CodeCardContent, RendersOnlyTheFirst1500CharactersInTheSchemesColours) {
  FakeCardContext fake;
  QString source;
  for (int i = 0; source.size() < 5000; ++i) source += QStringLiteral("let value%1 = compute(%1);\n").arg(i);
  CodeCardContent code(*fake.context->codeHighlights);
  EXPECT_TRUE(code.setProps({source, QStringLiteral("swift")}));
  EXPECT_FALSE(code.setProps({source, QStringLiteral("swift")}));
  const QImage light = renderCard(1, [&](QPainter& p, const QRectF& r) { code.paint(p, r, fake.env()); });
  EXPECT_EQ(code.shownText()->text, source.left(1500));
  // The keyword "let" of the first line, in each scheme's keyword colour.
  auto keywordPixel = [](const QImage& image, const QColor& keyword) {
    for (int y = 40; y < 56; ++y)
      for (int x = 12; x < 34; ++x) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - keyword.red()) + std::abs(c.green() - keyword.green()) +
                std::abs(c.blue() - keyword.blue()) <
            60)
          return true;
      }
    return false;
  };
  EXPECT_TRUE(keywordPixel(light, CodeHighlighter::color(CodeHighlighter::Kind::keyword, false)));
  const QImage dark = renderCard(1,
                                 [&](QPainter& p, const QRectF& r) { code.paint(p, r, fake.env(ColorScheme::dark)); });
  EXPECT_TRUE(keywordPixel(dark, CodeHighlighter::color(CodeHighlighter::Kind::keyword, true)));
  EXPECT_EQ(code.layout().lines().first(), QStringLiteral("let value0 = compute(0);"));
  EXPECT_LE(code.layout().lineCount(), 10);  // what fits above the end of the fade
}
