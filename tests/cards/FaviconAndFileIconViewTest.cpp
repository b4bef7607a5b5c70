#include "CardContentTestSupport.h"
#include "cards/content/FaviconView.h"
#include "cards/content/FileCardContent.h"
#include "cards/content/FileIconView.h"
#include "cards/content/FileIcons.h"

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

namespace {
// Installed applications with one whose icon is solid green.
std::shared_ptr<FakeDesktopEntries> applicationsWithGreenEditor() {
  auto applications = std::make_shared<FakeDesktopEntries>();
  applications->install({QStringLiteral("org.example.Editor"),
                         {},
                         QStringLiteral("Editor"),
                         QStringLiteral("editor-icon"),
                         {},
                         {},
                         QStringLiteral("Application")});
  applications->addIcon(QStringLiteral("editor-icon"), Qt::green);
  return applications;
}

QImage renderIcon(FileIconView& view, QSizeF frame, double dpr) {
  QImage image(QSize(int(frame.width() * dpr), int(frame.height() * dpr)), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  view.paint(painter, QRectF(QPointF(0, 0), frame));
  return image;
}
}  // namespace

TEST(FileIconView, FillsItsFrameKeepingTheIconsProportions) {
  FileIcons icons(applicationsWithGreenEditor());
  FileIconView view(icons);
  view.setProps({QStringLiteral("org.example.Editor.desktop"), false});
  for (const double dpr : {1.0, 2.0}) {
    SCOPED_TRACE(dpr);
    // A wide frame: the square icon takes its height, centred.
    const QImage image = renderIcon(view, {72, 40}, dpr);
    EXPECT_EQ(image.pixelColor(int(36 * dpr), int(20 * dpr)), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(int(17 * dpr), int(20 * dpr)), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(int(14 * dpr), int(20 * dpr)).alpha(), 0);
    EXPECT_EQ(image.pixelColor(int(58 * dpr), int(20 * dpr)).alpha(), 0);
  }
  EXPECT_EQ(view.iconRect(QRectF(0, 0, 72, 40)), QRectF(16, 0, 40, 40));
}

TEST(FileIconView, AppliesANewIconOnlyWhenNameOrFolderFlagChange) {
  test::FakeCardContext fake;  // the icon theme
  FileIcons icons(applicationsWithGreenEditor());
  FileIconView first(icons);
  FileIconView second(icons);
  EXPECT_TRUE(first.setProps({QStringLiteral("report.pdf"), false}));
  EXPECT_TRUE(second.setProps({QStringLiteral("report.pdf"), false}));
  EXPECT_EQ(icons.lookupCount(), 1);  // one look-up for both views
  EXPECT_FALSE(first.setProps({QStringLiteral("report.pdf"), false}));
  EXPECT_EQ(first.appliedKey(), FileIcons::key(QStringLiteral("report.pdf"), false));

  // A recycled view shows another item: the new icon replaces the old.
  EXPECT_TRUE(first.setProps({QStringLiteral("org.example.Editor.desktop"), false}));
  EXPECT_EQ(renderIcon(first, {64, 64}, 1).pixelColor(32, 32), QColor(Qt::green));
  EXPECT_TRUE(first.setProps({QStringLiteral("org.example.Editor.desktop"), true}));
  EXPECT_NE(renderIcon(first, {64, 64}, 1).pixelColor(32, 32), QColor(Qt::green));  // the folder icon
}

TEST(FileIconView, AFileNamedLikeAFoldersKeyKeepsItsOwnIcon) {
  // "dir:Photos" is a legal file name: it must not take the folder Photos's icon.
  EXPECT_NE(FileIcons::key(QStringLiteral("dir:Photos"), false), FileIcons::key(QStringLiteral("Photos"), true));
  test::FakeCardContext fake;
  FileIcons icons;
  FileIconView view(icons);
  view.setProps({QStringLiteral("Photos"), true});
  EXPECT_TRUE(view.setProps({QStringLiteral("dir:Photos"), false}));
  EXPECT_EQ(icons.icon(QStringLiteral("dir:Photos"), false).source, QStringLiteral("application-x-generic"));
}

TEST(FileIconView, AnEmptyNameShowsTheGenericDataIcon) {
  test::FakeCardContext fake;
  FileIcons icons;
  // A view that was never given props shows the icon of an empty name.
  FileIconView view(icons);
  const QImage image = renderIcon(view, {64, 64}, 1);
  int painted = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) painted += image.pixelColor(x, y).alpha() > 0;
  EXPECT_GT(painted, 1000);
  // So does a file card made for an empty name, whose props equal its first ones.
  FileCardContent card(icons);
  card.setProps({QString(), QString(), false});
  test::renderCard(1, [&](QPainter& p, const QRectF& r) { card.paint(p, r, fake.env()); });
  EXPECT_EQ(icons.lookupCount(), 1);
}
