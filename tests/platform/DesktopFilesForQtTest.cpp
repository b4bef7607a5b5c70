// The desktop files Qt opens itself (icon themes, the file type cache), made a FIFO, a link to
// one or to /dev/zero, a folder or a 4 GB sparse file: what holds them is kept from Qt, so
// that asking for an icon or a type never waits on them; a good folder beside them still serves.
#include "platform/DesktopFilesForQt.h"
#include "support/HostileFile.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <QIcon>
#include <QTemporaryDir>

namespace qv {
namespace {

constexpr char kHicolorIndex[] = "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\n";
constexpr char kThemeIndex[] = "[Icon Theme]\nName=Ours\nInherits=parent\nDirectories=\n";

struct ThemeFile {
  const char* name;
  const char* path;  // under the icon folder
  // Whether Qt may still be given the folder when this is a large sparse file (a cache is
  // mapped, not read).
  bool sparseIsHarmless;
};

const ThemeFile kThemeFiles[] = {
    {"the index of hicolor", "hicolor/index.theme", false},
    {"the index of the theme in use", "ours/index.theme", false},
    {"the index of a theme it inherits", "parent/index.theme", false},
    {"the cache of hicolor", "hicolor/icon-theme.cache", true},
};

struct IconThemeFolders : ::testing::TestWithParam<ThemeFile> {};

TEST_P(IconThemeFolders, AFolderWhoseThemeFileIsNoneOfOursIsLeftOut) {
  const ThemeFile& file = GetParam();
  for (const test::HostileForm form : test::kHostileForms) {
    SCOPED_TRACE(test::nameOf(form));
    QTemporaryDir root;
    const QString hostile = root.filePath(QStringLiteral("hostile")), good = root.filePath(QStringLiteral("good"));
    for (const QString& folder : {hostile, good}) {
      ASSERT_TRUE(test::writeTestFile(folder + QStringLiteral("/hicolor/index.theme"), kHicolorIndex));
      ASSERT_TRUE(test::writeTestFile(folder + QStringLiteral("/ours/index.theme"), kThemeIndex));
      ASSERT_TRUE(test::writeTestFile(folder + QStringLiteral("/parent/index.theme"), kHicolorIndex));
    }
    const QString path = hostile + u'/' + QLatin1String(file.path);
    QFile::remove(path);
    const test::HostileFile made(path, form);
    ASSERT_TRUE(made.isMade());
    QStringList kept, left;
    test::readWithinLimits(
        [&] {
          kept = iconThemeFoldersThatCannotBlock({QStringLiteral(":/icons"), hostile, good}, {QStringLiteral("ours")},
                                                 &left);
        },
        "the icon theme folders");
    if (form == test::HostileForm::sparse4GB && file.sparseIsHarmless) {
      EXPECT_EQ(kept, (QStringList{QStringLiteral(":/icons"), hostile, good}));
    } else {
      EXPECT_EQ(kept, (QStringList{QStringLiteral(":/icons"), good}));
      ASSERT_EQ(left.size(), 1);
      EXPECT_TRUE(left.first().startsWith(path)) << left.first().toStdString();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachFile, IconThemeFolders, ::testing::ValuesIn(kThemeFiles),
                         [](const ::testing::TestParamInfo<ThemeFile>& param) {
                           QString name = QString::fromLatin1(param.param.name);
                           name.remove(u' ');
                           return name.toStdString();
                         });

// Through Qt itself: with the guard applied, a themed icon is asked for without waiting on an
// index.theme that is a FIFO, and the fallback answers.
TEST(QtDesktopReads, AThemedIconDoesNotWaitOnAFifoIndex) {
  const QStringList searchPaths = QIcon::themeSearchPaths();
  const QString themeName = QIcon::themeName();
  QTemporaryDir root;
  ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("icons/hicolor"))));
  const test::HostileFile fifo(root.filePath(QStringLiteral("icons/hicolor/index.theme")), test::HostileForm::fifo);
  ASSERT_TRUE(fifo.isMade());
  QIcon::setThemeSearchPaths({root.filePath(QStringLiteral("icons"))});
  QIcon::setThemeName(QStringLiteral("hicolor"));
  keepQtDesktopReadsFromBlocking();
  QImage fallbackImage(16, 16, QImage::Format_ARGB32);
  fallbackImage.fill(Qt::red);
  const QIcon fallback(QPixmap::fromImage(fallbackImage));
  QIcon icon;
  test::readWithinLimits([&] { icon = QIcon::fromTheme(QStringLiteral("quorvalen-test-icon"), fallback); },
                         "a themed icon");
  EXPECT_FALSE(icon.isNull());
  QIcon::setThemeSearchPaths(searchPaths);
  QIcon::setThemeName(themeName);
}

TEST(QtDesktopReads, AFileTypeCacheThatIsNoFileIsFound) {
  for (const test::HostileForm form : test::kHostileForms) {
    SCOPED_TRACE(test::nameOf(form));
    QTemporaryDir root;
    const QString hostile = root.filePath(QStringLiteral("hostile")), good = root.filePath(QStringLiteral("good"));
    ASSERT_TRUE(test::writeTestFile(good + QStringLiteral("/mime/mime.cache"), "cache"));
    ASSERT_TRUE(QDir().mkpath(hostile + QStringLiteral("/mime")));
    const test::HostileFile made(hostile + QStringLiteral("/mime/mime.cache"), form);
    ASSERT_TRUE(made.isMade());
    const QStringList found = mimeCachesThatAreNoFiles({good, hostile, root.filePath(QStringLiteral("none"))});
    EXPECT_EQ(found,
              form == test::HostileForm::sparse4GB ? QStringList() : QStringList{hostile + QStringLiteral("/mime")});
  }
}

}  // namespace
}  // namespace qv
