#include "PreviewTestSupport.h"
#include "cards/content/FileIcons.h"
#include "preview/FolderPreview.h"

#include <gtest/gtest.h>
#include <QDir>

namespace qv {
namespace {

using test::PreviewContext;

TEST(FolderPreview, NamesTheFolderAndWhereItLiesHomeRelative) {
  const QString home = QDir::homePath();
  const struct {
    QString path;
    QString name;
    QString location;
  } cases[] = {
      {home + "/Projects", "Projects", "~"},
      {home + "/Projects/", "Projects", "~"},
      {home + "/Documents/Taxes 2025", "Taxes 2025", "~/Documents"},
      {"/srv/media/Photos", "Photos", "/srv/media"},
      {"/opt", "opt", "/"},
      {home + "-other/Stuff", "Stuff", home + "-other"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderPreview::folderName(c.path), c.name) << c.path.toStdString();
    EXPECT_EQ(FolderPreview::locationOf(c.path), c.location) << c.path.toStdString();
  }
}

TEST(FolderPreview, CentresIconNameAndLocationInWhateverSpaceItGets) {
  PreviewContext context;
  FolderPreview view(*context.services);
  view.resize(420, 360);
  view.setProps({QDir::homePath() + QStringLiteral("/Music")});
  EXPECT_EQ(view.iconRect().size(), QSizeF(88, 88));
  EXPECT_DOUBLE_EQ(view.iconRect().center().x(), 210);
  EXPECT_DOUBLE_EQ(view.nameRect().top(), view.iconRect().bottom() + 12);
  EXPECT_DOUBLE_EQ(view.locationRect().top(), view.nameRect().bottom() + 4);
  EXPECT_DOUBLE_EQ(view.nameRect().left(), 20);
  EXPECT_DOUBLE_EQ(view.nameRect().width(), 380);
  EXPECT_NEAR(view.iconRect().top(), 360 - view.locationRect().bottom(), 1) << "centred vertically";
  EXPECT_EQ(view.shownLocation(), QStringLiteral("~"));
  view.resize(420, 600);
  EXPECT_NEAR(view.iconRect().top(), 600 - view.locationRect().bottom(), 1);
}

TEST(FolderPreview, LongNamesWrapOverThreeLinesAndLongLocationsAreCutInTheMiddle) {
  PreviewContext context;
  FolderPreview view(*context.services);
  view.resize(300, 400);
  const QString deep = QStringLiteral("/srv/archive/department/finance/reports/quarterly/2025/second-half/final");
  view.setProps({deep + QStringLiteral("/") + QStringLiteral("Quarterly results and forecasts ").repeated(5)});
  EXPECT_EQ(view.nameLines().size(), 3);
  EXPECT_TRUE(view.nameLines().last().endsWith(QChar(0x2026)));
  const QString shown = view.shownLocation();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("/srv"))) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("final"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026)));
}

TEST(FolderPreview, TheIconIsAlwaysAFoldersWhateverTheName) {
  PreviewContext context;
  FolderPreview view(*context.services);
  view.resize(300, 300);
  view.setProps({QStringLiteral("/tmp/archive.zip")});
  EXPECT_EQ(view.icon().props(), (FileIconView::Props{QStringLiteral("archive.zip"), true}));
  EXPECT_EQ(view.icon().appliedKey(), FileIcons::key(QStringLiteral("archive.zip"), true));
  EXPECT_FALSE(view.renderForTest(1.0).isNull());
}

}  // namespace
}  // namespace qv
