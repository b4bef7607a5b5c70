#include "ui/symbols/Symbols.h"
#include "ui/text/TextBlock.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>

using namespace qv;

namespace {
TextStyle style(int limit = 0, bool elide = true) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  TextStyle s{font};
  s.lineLimit = limit;
  s.elideLastLine = elide;
  return s;
}
const QString kLong = QStringLiteral(
    "The quick brown fox jumps over the lazy dog and keeps on running across the field until the sun goes down.");
}  // namespace

TEST(TextBlock, WrapsToTheWidthAndHonoursTheLineLimit) {
  TextBlock free(kLong, style());
  const int all = free.lineCount(120);
  EXPECT_GT(all, 4);
  EXPECT_FALSE(free.isTruncated(120));
  EXPECT_LE(free.size(120).width(), 120);

  TextBlock limited(kLong, style(2));
  EXPECT_EQ(limited.lineCount(120), 2);
  EXPECT_TRUE(limited.isTruncated(120));
  const QStringList lines = limited.lines(120);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[1].endsWith(QChar(0x2026))) << lines[1].toStdString();
  EXPECT_TRUE(kLong.startsWith(lines[0]));
  EXPECT_LT(limited.size(120).height(), free.size(120).height());

  // Without elision the text is just cut after the last line.
  TextBlock cut(kLong, style(2, false));
  EXPECT_EQ(cut.lineCount(120), 2);
  EXPECT_TRUE(cut.isTruncated(120));
  EXPECT_FALSE(cut.lines(120).last().endsWith(QChar(0x2026)));

  // Text that fits its limit is not truncated and has no ellipsis.
  TextBlock fits(QStringLiteral("Short"), style(2));
  EXPECT_EQ(fits.lineCount(120), 1);
  EXPECT_FALSE(fits.isTruncated(120));
  EXPECT_EQ(fits.lines(120), QStringList{QStringLiteral("Short")});
}

TEST(TextBlock, BreaksAtNewlinesAddsLineSpacingAndCachesPerWidth) {
  TextStyle spaced = style();
  TextBlock plain(QStringLiteral("one\ntwo\nthree"), spaced);
  EXPECT_EQ(plain.lineCount(0), 3);
  spaced.lineSpacing = 4;
  TextBlock loose(QStringLiteral("one\ntwo\nthree"), spaced);
  EXPECT_NEAR(loose.size(0).height() - plain.size(0).height(), 8, 0.01);

  // A newline inside an elided last line becomes a space.
  TextBlock limited(QStringLiteral("one\ntwo\nthree"), style(2));
  EXPECT_EQ(limited.lines(300).last(), QStringLiteral("two three"));

  TextBlock cached(kLong, style());
  cached.size(100);
  cached.lineCount(100);
  cached.lines(100);
  EXPECT_EQ(cached.layoutCount(), 1);
  cached.size(140);
  EXPECT_EQ(cached.layoutCount(), 2);
  // Measured at one width and drawn at another, paint after paint: both kept.
  for (int paint = 0; paint < 3; ++paint) {
    cached.size(100);
    cached.lines(140);
  }
  EXPECT_EQ(cached.layoutCount(), 2);
  cached.size(180);  // a third lets the one used longest ago go
  cached.size(140);
  EXPECT_EQ(cached.layoutCount(), 3);
  cached.size(100);
  EXPECT_EQ(cached.layoutCount(), 4);
  cached.setText(kLong);  // unchanged: layout kept
  cached.size(140);
  EXPECT_EQ(cached.layoutCount(), 4);
  cached.setStyle(style(1));
  cached.size(140);
  EXPECT_EQ(cached.layoutCount(), 5);
}

TEST(TextBlock, AlignsLinesWithinTheWidth) {
  auto inkLeft = [](const QImage& image) {
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (qAlpha(image.pixel(x, y)) > 0) return x;
    return -1;
  };
  auto render = [](Qt::Alignment alignment) {
    TextStyle s = style();
    s.alignment = alignment;
    QImage image(200, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    TextBlock(QStringLiteral("Hi"), s).draw(painter, QPointF(0, 0), 200, Qt::black);
    return image;
  };
  const int left = inkLeft(render(Qt::AlignLeft));
  const int centre = inkLeft(render(Qt::AlignHCenter));
  const int right = inkLeft(render(Qt::AlignRight));
  EXPECT_LT(left, 5);
  EXPECT_GT(centre, 80);
  EXPECT_LT(centre, 100);
  EXPECT_GT(right, 170);
}

TEST(Symbols, EveryTableEntryResolvesInTheIconTheme) {
  Symbols::installIconTheme();
  EXPECT_TRUE(Symbols::unresolved().isEmpty()) << Symbols::unresolved().join(", ").toStdString();
  // Tinted and sized: the accent colour where the icon has ink.
  const QImage image = Symbols::image(QStringLiteral("trash"), 16, QColor(88, 93, 193), 2);
  EXPECT_EQ(image.size(), QSize(32, 32));
  int inked = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (qAlpha(image.pixel(x, y)) == 255) {
        ++inked;
        EXPECT_EQ(QColor(image.pixel(x, y)).rgb(), QColor(88, 93, 193).rgb());
      }
  EXPECT_GT(inked, 20);
  // An unknown name yields an empty icon and a blank image, never a crash.
  EXPECT_TRUE(Symbols::icon(QStringLiteral("no.such.symbol")).isNull());
  EXPECT_EQ(qAlpha(Symbols::image(QStringLiteral("no.such.symbol"), 8, Qt::black).pixel(4, 4)), 0);
}

TEST(Symbols, EveryNameUsedInTheCodeIsInTheTable) {
  // Symbol names reach Symbols:: as literals; collect every one in the sources.
  const QRegularExpression use(
      QString::fromLatin1(R"re(Symbols::(?:icon|image|iconName)\(\s*QStringLiteral\("([^"]+)"\))re"));
  QStringList missing;
  int uses = 0;
  QDirIterator it(QStringLiteral(QV_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (auto match = use.globalMatch(text); match.hasNext();) {
      const QString name = match.next().captured(1);
      ++uses;
      if (!Symbols::isKnown(name)) missing << name;
    }
  }
  EXPECT_GT(uses, 0);
  EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
}

namespace {
// The runs of consecutive rows of `window` holding ink (alpha over a half), each with the
// leftmost and rightmost inked column over its rows.
struct Band {
  int top, bottom, left, right;
};
std::vector<Band> inkBands(const QImage& image, const QRect& window) {
  std::vector<Band> bands;
  bool open = false;
  for (int y = window.top(); y <= window.bottom(); ++y) {
    int left = -1, right = -1;
    for (int x = window.left(); x <= window.right(); ++x)
      if (qAlpha(image.pixel(x, y)) > 128) {
        if (left < 0) left = x;
        right = x;
      }
    if (left < 0) {
      open = false;
      continue;
    }
    if (!open) bands.push_back({y, y, left, right});
    Band& band = bands.back();
    band = {band.top, y, std::min(band.left, left), std::max(band.right, right)};
    open = true;
  }
  return bands;
}
}  // namespace

// The filter symbols are three lines, each shorter than the one above and all centred (alone, and
// inside a ring); the clear symbol is a disc with an x cut out of it. Drawn in any tint.
TEST(Symbols, TheFilterAndClearSymbolsAreDrawnAsTheyAreNamed) {
  for (const QColor& tint : {QColor(60, 60, 67), QColor(235, 235, 245)}) {
    SCOPED_TRACE(tint.name().toStdString());
    const auto draw = [&](const char* symbol) { return Symbols::image(QLatin1String(symbol), 16, tint, 2); };
    const struct {
      const char* symbol;
      QRect window;  // where the lines are (inside the ring)
    } filters[] = {{"line.3.horizontal.decrease", QRect(0, 0, 32, 32)},
                   {"line.3.horizontal.decrease.circle", QRect(8, 9, 17, 15)}};
    for (const auto& filter : filters) {
      SCOPED_TRACE(filter.symbol);
      const QImage image = draw(filter.symbol);
      const std::vector<Band> lines = inkBands(image, filter.window);
      ASSERT_EQ(lines.size(), 3u);
      for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(lines[i].left + lines[i].right, 31, 2);  // centred
        if (i > 0) {
          EXPECT_LT(lines[i].right - lines[i].left, lines[i - 1].right - lines[i - 1].left - 3);
        }
      }
      EXPECT_EQ(QColor(image.pixel((lines[0].left + lines[0].right) / 2, (lines[0].top + lines[0].bottom) / 2)).rgb(),
                tint.rgb());
    }
    EXPECT_GT(qAlpha(draw("line.3.horizontal.decrease.circle").pixel(1, 16)), 128);  // the ring

    const QImage clear = draw("xmark.circle.fill");
    const struct {
      QPoint at;
      bool inked;
    } disc[] = {{{16, 16}, false}, {{20, 20}, false}, {{12, 20}, false},  // the x
                {{16, 8}, true},   {{8, 16}, true},   {{24, 16}, true},
                {{16, 25}, true},  {{1, 1}, false},   {{30, 30}, false}};  // around the disc
    for (const auto& point : disc)
      EXPECT_EQ(qAlpha(clear.pixel(point.at)) > 128, point.inked) << point.at.x() << "," << point.at.y();
  }
  EXPECT_FALSE(Symbols::icon(QStringLiteral("xmark.circle.fill")).isNull());
}

// The filter symbols' lines sit on the pixel grid at every scale: down the middle column each
// row is either inked through or clear, never a half-inked row above or below a line.
TEST(Symbols, TheFilterLinesAreWholePixelRowsAtEveryScale) {
  const struct {
    const char* symbol;
    double pointSize;
    double scale;
  } cases[] = {
      {"line.3.horizontal.decrease", 14, 1},        {"line.3.horizontal.decrease", 14, 2},
      {"line.3.horizontal.decrease", 13, 1},        {"line.3.horizontal.decrease", 14, 1.5},
      {"line.3.horizontal.decrease", 16, 1},        {"line.3.horizontal.decrease.circle", 24, 1},
      {"line.3.horizontal.decrease.circle", 24, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.symbol) + " " + std::to_string(c.pointSize) + " at " + std::to_string(c.scale));
    const QImage image = Symbols::image(QLatin1String(c.symbol), c.pointSize, Qt::black, c.scale);
    const int middle = image.width() / 2;
    int inkedRows = 0;
    // Inside the ring for the circled symbol: only the lines cross the middle column there.
    const int margin = QLatin1String(c.symbol).endsWith(QLatin1String("circle")) ? image.height() / 4 : 0;
    for (int y = margin; y < image.height() - margin; ++y) {
      const int alpha = qAlpha(image.pixel(middle, y));
      EXPECT_TRUE(alpha < 24 || alpha > 232) << "row " << y << " alpha " << alpha;
      if (alpha > 232) ++inkedRows;
    }
    EXPECT_GE(inkedRows, 3);
  }
}
