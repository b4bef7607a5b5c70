// Every file of the desktop the program reads, made a link to /dev/zero, a FIFO, a 4 GB sparse
// file or a folder: each read returns at once, takes no memory to speak of, and counts the file
// as missing, while a good file beside it is still read.
#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryIndex.h"
#include "platform/Thumbnailers.h"
#include "support/HostileFile.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace qv {
namespace {

constexpr char kGoodEntry[] = "[Desktop Entry]\nType=Application\nName=Good\nExec=good\nMimeType=text/plain;\n";

// One file the program reads: where it lies under the test's folder, and the read through the
// program's own path that must neither wait nor grow, checked against what it should find.
struct BoundedRead {
  const char* name;
  const char* hostilePath;
  std::function<void(const QString& root)> readAndCheck;
};

// The XDG variables for a desktop under `root`; the old values come back at the end.
struct DesktopUnder {
  explicit DesktopUnder(const QString& root) {
    for (const char* name : kNames) saved.append(qgetenv(name));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root + QStringLiteral("/etc")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root + QStringLiteral("/usr")));
    qunsetenv("XDG_CURRENT_DESKTOP");
  }
  ~DesktopUnder() {
    for (size_t i = 0; i < std::size(kNames); ++i)
      saved.at(qsizetype(i)).isNull() ? qunsetenv(kNames[i]) : qputenv(kNames[i], saved.at(qsizetype(i)));
  }
  static constexpr const char* kNames[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                                           "XDG_CURRENT_DESKTOP"};
  QList<QByteArray> saved;
};

const BoundedRead kReads[] = {
    {"the applications index", "data/applications/hostile.desktop",
     [](const QString& root) {
       ASSERT_TRUE(test::writeTestFile(root + QStringLiteral("/data/applications/good.desktop"), kGoodEntry));
       const auto index = DesktopEntryIndex::build({root + QStringLiteral("/data/applications")});
       EXPECT_TRUE(index->entry(QStringLiteral("good")));
       EXPECT_FALSE(index->entry(QStringLiteral("hostile")));
     }},
    {"a desktop entry by its path", "data/applications/hostile.desktop",
     [](const QString& root) {
       XdgDesktopEntries entries({});
       EXPECT_FALSE(entries.entryAt(root + QStringLiteral("/data/applications/hostile.desktop")));
     }},
    {"an association list", "config/mimeapps.list",
     [](const QString& root) {
       ASSERT_TRUE(test::writeTestFile(root + QStringLiteral("/data/applications/good.desktop"), kGoodEntry));
       const DesktopUnder desktop(root);
       XdgDesktopEntries entries(XdgDesktopEntries::applicationFoldersFromEnvironment());
       EXPECT_EQ(entries.defaultApplication(QStringLiteral("text/plain")), QStringLiteral("good"));
     }},
    {"an icon by its path", "icon.png",
     [](const QString& root) {
       XdgDesktopEntries entries({});
       EXPECT_TRUE(entries.icon(root + QStringLiteral("/icon.png")).isNull());
     }},
    {"the thumbnailers", "thumbnailers/hostile.thumbnailer",
     [](const QString& root) {
       ASSERT_TRUE(test::writeTestFile(root + QStringLiteral("/thumbnailers/good.thumbnailer"),
                                       "[Thumbnailer Entry]\nExec=good %i %o\nMimeType=text/plain;\n"));
       const QList<Thumbnailer> found = readThumbnailers({root + QStringLiteral("/thumbnailers")});
       ASSERT_EQ(found.size(), 1);
       EXPECT_TRUE(found.first().file.endsWith(QStringLiteral("good.thumbnailer")));
     }},
};

struct DesktopFileReads : ::testing::TestWithParam<BoundedRead> {};

TEST_P(DesktopFileReads, NeitherWaitNorGrowOnAFileThatIsNoneOfOurs) {
  const BoundedRead& read = GetParam();
  for (const test::HostileForm form : test::kHostileForms) {
    SCOPED_TRACE(test::nameOf(form));
    QTemporaryDir root;
    const QString path = root.path() + u'/' + QLatin1String(read.hostilePath);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    const test::HostileFile hostile(path, form);
    ASSERT_TRUE(hostile.isMade());
    const std::string what = std::string(read.name) + " at " + test::nameOf(form);
    test::readWithinLimits([&] { read.readAndCheck(root.path()); }, what.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(EachFile, DesktopFileReads, ::testing::ValuesIn(kReads),
                         [](const ::testing::TestParamInfo<BoundedRead>& param) {
                           QString name = QString::fromLatin1(param.param.name);
                           name.remove(u' ');
                           return name.toStdString();
                         });

// A desktop entry as installed ones are: its name, description and keywords in some eighty
// languages, about 20 KB, with the types it opens at the end.
QByteArray entryWithTranslations() {
  QByteArray entry = "[Desktop Entry]\nType=Application\nName=Files\nExec=files %U\nIcon=files\n";
  const char* const keys[] = {"Name", "GenericName", "Comment", "Keywords"};
  for (const char* key : keys) {
    for (int language = 0; language < 80; ++language) {
      entry += QByteArray(key) + "[l" + QByteArray::number(language) + "_XY]=";
      entry += QString::fromUtf8("Gestionnaire de fichiers — Dateiverwaltung %1;").arg(language).toUtf8() + "\n";
    }
  }
  return entry + "MimeType=inode/directory;application/x-gnome-saved-search;\n";
}

// The bound for a desktop entry fits the largest real ones: each reader takes one whole.
TEST(DesktopFileReads, AnEntryWithItsTranslationsIsReadWhole) {
  const QByteArray contents = entryWithTranslations();
  ASSERT_GT(contents.size(), 20'000);
  QTemporaryDir root;
  const QString folder = root.path() + QStringLiteral("/applications");
  ASSERT_TRUE(test::writeTestFile(folder + QStringLiteral("/files.desktop"), contents));
  const auto index = DesktopEntryIndex::build({folder});
  const std::optional<DesktopEntry> indexed = index->entry(QStringLiteral("files"));
  ASSERT_TRUE(indexed);
  EXPECT_EQ(indexed->name, QStringLiteral("Files"));
  EXPECT_EQ(indexed->mimeTypes,
            (QStringList{QStringLiteral("inode/directory"), QStringLiteral("application/x-gnome-saved-search")}));
  XdgDesktopEntries entries({folder});
  const std::optional<DesktopEntry> byPath = entries.entryAt(folder + QStringLiteral("/files.desktop"));
  ASSERT_TRUE(byPath);
  EXPECT_EQ(byPath->mimeTypes, indexed->mimeTypes);
}

}  // namespace
}  // namespace qv
