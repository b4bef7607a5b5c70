#include "CardContentTestSupport.h"
#include "cards/content/FaviconView.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
// The tile painted into (12, 12, 16, 16) of a 40-point square at `dpr`.
QImage renderTile(const QString& domain, double dpr = 1) {
  QImage image(QSize(int(40 * dpr), int(40 * dpr)), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  FaviconView tile;
  tile.setProps({domain});
  tile.paint(painter, QRectF(12, 12, FaviconView::kSize, FaviconView::kSize));
  return image;
}

int whitePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() == 255 && c.red() > 230 && c.green() > 230 && c.blue() > 230) ++count;
    }
  return count;
}
}  // namespace

TEST(FaviconView, HueAndLetterComeFromTheDomain) {
  EXPECT_DOUBLE_EQ(FaviconView::hue(QStringLiteral("abc")), 294.0 / 360);
  EXPECT_DOUBLE_EQ(FaviconView::hue(QString()), 0);
  // Code points, not UTF-16 units: U+1F600 counts once, as 128512.
  EXPECT_DOUBLE_EQ(FaviconView::hue(QString::fromUcs4(U"\U0001F600")), double(128512 % 360) / 360);
  EXPECT_EQ(FaviconView::color(QStringLiteral("example.com")), FaviconView::color(QStringLiteral("example.com")));
  EXPECT_EQ(FaviconView::color(QStringLiteral("abc")), QColor::fromHsvF(294.f / 360, 0.55f, 0.72f));
  EXPECT_EQ(FaviconView::letter(QStringLiteral("\u00FCbersetzung.de")), QStringLiteral("\u00DC"));
  EXPECT_EQ(FaviconView::letter(QStringLiteral("1password.com")), QStringLiteral("1"));
  EXPECT_EQ(FaviconView::letter(QString()), QString());
}

TEST(FaviconView, PaintsTheTileInItsFrameWithAWhiteLetter) {
  const QImage tile = renderTile(QStringLiteral("abc"), 2);
  const QColor expected = FaviconView::color(QStringLiteral("abc"));
  // Inside the tile beside the letter: the domain's colour.
  const QColor side = tile.pixelColor(2 * 13, 2 * 20);
  EXPECT_NEAR(side.red(), expected.red(), 2);
  EXPECT_NEAR(side.green(), expected.green(), 2);
  EXPECT_NEAR(side.blue(), expected.blue(), 2);
  // Soft corners and nothing outside the frame.
  EXPECT_LT(tile.pixelColor(2 * 12, 2 * 12).alpha(), 128);
  EXPECT_EQ(tile.pixelColor(2 * 11, 2 * 20).alpha(), 0);
  EXPECT_EQ(tile.pixelColor(2 * 28, 2 * 20).alpha(), 0);
  EXPECT_GT(whitePixels(tile), 10);
  // An empty domain has the tile of hue 0 and no letter.
  EXPECT_EQ(whitePixels(renderTile(QString(), 2)), 0);
}
