#include "platform/FileBookmarks.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qv {
namespace {

struct LocalFileBookmarksTest : ::testing::Test {
  QTemporaryDir root;
  QString path(const QString& relative) const { return root.path() + u'/' + relative; }
  LocalFileBookmarks bookmarks{QStringList{}};
};

TEST_F(LocalFileBookmarksTest, UnchangedFileResolvesToItself) {
  ASSERT_TRUE(test::writeTestFile(path("docs/report.txt")));
  const auto data = bookmarks.create(path("docs/report.txt"));
  ASSERT_TRUE(data);
  const auto resolved = bookmarks.resolve(*data);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->path, path("docs/report.txt"));
  EXPECT_FALSE(resolved->stale);
  EXPECT_FALSE(bookmarks.create(path("docs/missing.txt")));
  EXPECT_FALSE(bookmarks.create(QString()));
}

TEST_F(LocalFileBookmarksTest, RenameInPlaceIsFoundInTheOldFolder) {
  ASSERT_TRUE(test::writeTestFile(path("docs/report.txt")));
  const auto data = bookmarks.create(path("docs/report.txt"));
  ASSERT_TRUE(QFile::rename(path("docs/report.txt"), path("docs/final report.txt")));
  const auto resolved = bookmarks.resolve(*data);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->path, path("docs/final report.txt"));
  EXPECT_TRUE(resolved->stale);
}

TEST_F(LocalFileBookmarksTest, MoveIsFoundBelowASearchRootButNotInHiddenFolders) {
  LocalFileBookmarks searching{QStringList{root.path()}};
  ASSERT_TRUE(test::writeTestFile(path("inbox/photo.png")));
  ASSERT_TRUE(test::writeTestFile(path("inbox/notes.txt")));
  const auto photo = searching.create(path("inbox/photo.png"));
  const auto notes = searching.create(path("inbox/notes.txt"));
  ASSERT_TRUE(QDir().mkpath(path("archive/2026/june")));
  ASSERT_TRUE(QDir().mkpath(path(".trash")));
  ASSERT_TRUE(QFile::rename(path("inbox/photo.png"), path("archive/2026/june/photo.png")));
  ASSERT_TRUE(QFile::rename(path("inbox/notes.txt"), path(".trash/notes.txt")));
  ASSERT_TRUE(QDir().rmdir(path("inbox")));

  const auto moved = searching.resolve(*photo);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->path, path("archive/2026/june/photo.png"));
  EXPECT_FALSE(searching.resolve(*notes));  // in a hidden folder: counts as gone
  EXPECT_FALSE(bookmarks.resolve(*photo));  // no search roots: the old folder only
}

TEST_F(LocalFileBookmarksTest, OneBatchResolvesEveryKindInOrder) {
  LocalFileBookmarks searching{QStringList{root.path()}};
  for (const char* name : {"in/a.txt", "in/b.txt", "in/c.txt", "in/d.txt"})
    ASSERT_TRUE(test::writeTestFile(path(name)));
  const QList<QByteArray> data{*searching.create(path("in/a.txt")), *searching.create(path("in/b.txt")),
                               *searching.create(path("in/c.txt")), "junk", *searching.create(path("in/d.txt"))};
  ASSERT_TRUE(QDir().mkpath(path("deep/er")));
  ASSERT_TRUE(QFile::rename(path("in/b.txt"), path("in/b2.txt")));
  ASSERT_TRUE(QFile::rename(path("in/c.txt"), path("deep/er/c.txt")));
  ASSERT_TRUE(QFile::remove(path("in/d.txt")));

  const auto results = searching.resolveAll(data);
  ASSERT_EQ(results.size(), 5);
  EXPECT_EQ(results[0]->path, path("in/a.txt"));
  EXPECT_EQ(results[1]->path, path("in/b2.txt"));
  EXPECT_EQ(results[2]->path, path("deep/er/c.txt"));
  EXPECT_FALSE(results[3]);
  EXPECT_FALSE(results[4]);
}

TEST_F(LocalFileBookmarksTest, ReplacedFileAtThePathIsStaleAndGoneFileIsNothing) {
  ASSERT_TRUE(test::writeTestFile(path("a.txt"), "old"));
  const auto data = bookmarks.create(path("a.txt"));
  ASSERT_TRUE(test::writeTestFile(path("a.new"), "new"));
  ASSERT_TRUE(QFile::remove(path("a.txt")));
  ASSERT_TRUE(QFile::rename(path("a.new"), path("a.txt")));  // an editor's atomic save
  const auto resolved = bookmarks.resolve(*data);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->path, path("a.txt"));
  EXPECT_TRUE(resolved->stale);

  ASSERT_TRUE(QFile::remove(path("a.txt")));
  EXPECT_FALSE(bookmarks.resolve(*data));
}

TEST_F(LocalFileBookmarksTest, GarbageIsNotABookmark) {
  EXPECT_FALSE(bookmarks.resolve(QByteArray()));
  EXPECT_FALSE(bookmarks.resolve("not json"));
  EXPECT_FALSE(bookmarks.resolve(R"({"path":"relative/x","device":"1","inode":"2"})"));
  EXPECT_FALSE(bookmarks.resolve(R"({"path":"/tmp","device":"x","inode":"2"})"));
}

}  // namespace
}  // namespace qv
