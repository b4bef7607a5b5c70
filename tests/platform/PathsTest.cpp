#include "platform/Paths.h"
#include "support/FifoWithDeadline.h"
#include "support/SideFileHelpers.h"
#include "support/SyncFailure.h"
#include "support/WriteLimit.h"
#include "support/platform/FakePlatform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>

namespace qv {
namespace {

int modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 0777);
}

TEST(Paths, FollowsXdgVariables) {
  QTemporaryDir dir;
  qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/d")).toUtf8());
  qputenv("XDG_CACHE_HOME", (dir.path() + QStringLiteral("/c")).toUtf8());
  qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/g")).toUtf8());
  const Paths paths = Paths::fromEnvironment();
  EXPECT_EQ(paths.applicationSupport(), dir.path() + QStringLiteral("/d/Quorvalen"));
  EXPECT_EQ(paths.caches(), dir.path() + QStringLiteral("/c/Quorvalen"));
  EXPECT_EQ(paths.config(), dir.path() + QStringLiteral("/g/Quorvalen"));
  qunsetenv("XDG_DATA_HOME");
  qunsetenv("XDG_CACHE_HOME");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_TRUE(Paths::fromEnvironment().applicationSupport().endsWith(QStringLiteral("/.local/share/Quorvalen")));
}

TEST(Paths, FoldersAre0700AndFiles0600) {
  FakePlatformContext fake;
  const QString images = fake.context->paths->applicationSupportFolder(QStringLiteral("images"));
  ASSERT_FALSE(images.isEmpty());
  EXPECT_EQ(modeOf(images), 0700);
  EXPECT_EQ(modeOf(fake.context->paths->applicationSupport()), 0700);
  const QString file = images + QStringLiteral("/A.png");
  ASSERT_TRUE(writeFileAtomically(file, "png"));
  EXPECT_EQ(modeOf(file), 0600);
  ASSERT_TRUE(writeFileAtomically(file, "again"));
  EXPECT_EQ(readFile(file), QByteArray("again"));
}

// A folder loosened by a copy: the folder, what lies directly in it and in a folder in it that was
// loosened too become private again; a link in it (to a file or to a folder), a FIFO and what lies
// in a folder that was private already stay.
TEST(Paths, MakeFolderPrivateTightensTheFolderAndItsEntriesButFollowsNoLinkInIt) {
  QTemporaryDir dir;
  const QString data = dir.filePath(QStringLiteral("Quorvalen")), outside = dir.filePath(QStringLiteral("outside"));
  ASSERT_TRUE(writeFileAtomically(data + QStringLiteral("/history.json"), "[]"));
  ASSERT_TRUE(writeFileAtomically(data + QStringLiteral("/images/A.png"), "png"));
  ASSERT_TRUE(writeFileAtomically(data + QStringLiteral("/richtext/B.html"), "<b>"));
  ASSERT_TRUE(writeFileAtomically(outside + QStringLiteral("/notes.txt"), "mine"));
  const auto path = [&](const char* name) { return data + u'/' + QLatin1String(name); };
  const auto native = [](const QString& name) { return QFile::encodeName(name); };
  ASSERT_EQ(::symlink(native(outside + QStringLiteral("/notes.txt")), native(path("history.json.unreadable-1"))), 0);
  ASSERT_EQ(::symlink(native(outside), native(path("linked"))), 0);
  ASSERT_EQ(::mkfifo(native(path("history.journal")), 0644), 0);
  const struct {
    QString path;
    int before, after;
  } modes[] = {{data, 0755, 0700},
               {path("history.json"), 0644, 0600},
               {path("images"), 0775, 0700},
               {path("images/A.png"), 0644, 0600},
               {path("richtext"), 0700, 0700},
               {path("richtext/B.html"), 0644, 0644},
               {path("history.journal"), 0644, 0644},
               {outside, 0755, 0755},
               {outside + QStringLiteral("/notes.txt"), 0644, 0644}};
  for (const auto& m : modes) ASSERT_EQ(::chmod(native(m.path), mode_t(m.before)), 0);
  QStringList failures;
  EXPECT_EQ(makeFolderPrivate(data, &failures), 4);
  EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
  for (const auto& m : modes) EXPECT_EQ(modeOf(m.path), m.after) << m.path.toStdString();
  EXPECT_EQ(makeFolderPrivate(data), 0);

  // A missing one is no failure.
  EXPECT_EQ(makeFolderPrivate(dir.filePath(QStringLiteral("missing")), &failures), 0);
  EXPECT_TRUE(failures.isEmpty());
}

// A data folder that is a link the user made (to keep the data on another disk) is theirs: where
// it leads is tightened as any data folder, while a link in it stays as it is. What cannot be
// opened is said.
TEST(Paths, MakeFolderPrivateFollowsTheFolderThatIsALink) {
  QTemporaryDir dir;
  const auto native = [](const QString& name) { return QFile::encodeName(name); };
  const QString target = dir.filePath(QStringLiteral("elsewhere/Quorvalen")),
                data = dir.filePath(QStringLiteral("Quorvalen"));
  const QString other = dir.filePath(QStringLiteral("other"));
  ASSERT_TRUE(writeFileAtomically(target + QStringLiteral("/history.json"), "[]"));
  ASSERT_TRUE(writeFileAtomically(target + QStringLiteral("/images/A.png"), "png"));
  ASSERT_TRUE(writeFileAtomically(other + QStringLiteral("/notes.txt"), "mine"));
  ASSERT_EQ(::symlink(native(target), native(data)), 0);
  ASSERT_EQ(::symlink(native(other), native(target + QStringLiteral("/linked"))), 0);
  const struct {
    QString path;
    int before, after;
  } modes[] = {{target, 0755, 0700},
               {target + QStringLiteral("/history.json"), 0644, 0600},
               {target + QStringLiteral("/images"), 0755, 0700},
               {target + QStringLiteral("/images/A.png"), 0644, 0600},
               {other, 0755, 0755},
               {other + QStringLiteral("/notes.txt"), 0644, 0644}};
  for (const auto& m : modes) ASSERT_EQ(::chmod(native(m.path), mode_t(m.before)), 0);
  QStringList failures;
  EXPECT_EQ(makeFolderPrivate(data, &failures), 4);
  EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
  for (const auto& m : modes) EXPECT_EQ(modeOf(m.path), m.after) << m.path.toStdString();

  // A link that leads round in a circle, or to a file, is no folder to tighten: said, not skipped.
  const QString loop = dir.filePath(QStringLiteral("loop")), file = dir.filePath(QStringLiteral("file"));
  ASSERT_EQ(::symlink(native(loop), native(loop)), 0);
  ASSERT_EQ(::symlink(native(other + QStringLiteral("/notes.txt")), native(file)), 0);
  EXPECT_EQ(makeFolderPrivate(loop, &failures), 0);
  EXPECT_EQ(makeFolderPrivate(file, &failures), 0);
  ASSERT_EQ(failures.size(), 2);
  EXPECT_TRUE(failures[0].startsWith(loop + QStringLiteral(": "))) << failures[0].toStdString();
  EXPECT_TRUE(failures[1].startsWith(file + QStringLiteral(": "))) << failures[1].toStdString();
}

TEST(Paths, FailuresAreReportedNotThrown) {
  QTemporaryDir dir;
  const QString blocker = dir.path() + QStringLiteral("/file");
  ASSERT_TRUE(writeFileAtomically(blocker, "x"));
  EXPECT_FALSE(ensurePrivateFolder(blocker + QStringLiteral("/sub")));
  EXPECT_FALSE(writeFileAtomically(blocker + QStringLiteral("/sub/f"), "x"));
  bool ok = true;
  EXPECT_TRUE(readFile(dir.path() + QStringLiteral("/missing"), &ok).isEmpty());
  EXPECT_FALSE(ok);
}

// A full disk shows up at a write or only when the buffered rest is flushed, depending on the
// size: either way the file keeps what it held and no temporary file stays behind.
TEST(Paths, AFailedWriteKeepsTheOldFile) {
  for (const qsizetype size : {qsizetype(2 * 1024), qsizetype(16 * 1024), qsizetype(20 * 1024 * 1024)}) {
    SCOPED_TRACE(size);
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/history.json");
    ASSERT_TRUE(writeFileAtomically(file, "original"));
    QString reason;
    {
      test::WriteLimit full(1000);
      EXPECT_FALSE(writeFileAtomically(file, QByteArray(size, 'x'), &reason));
    }
    EXPECT_EQ(readFile(file), QByteArray("original"));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(test::folderEntries(dir.path()), QStringList{QStringLiteral("history.json")});
    // Space came back: the next write goes through.
    EXPECT_TRUE(writeFileAtomically(file, QByteArray(size, 'y')));
    EXPECT_EQ(readFile(file).size(), size);
  }
}

// A disk that reports its failure only when the data is synced: every atomic write fails, says
// why, and keeps what was there (also a file written in pieces, and a batch of files).
TEST(Paths, ASyncThatFailsFailsTheWriteAndKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString file = dir.path() + QStringLiteral("/history.json");
  ASSERT_TRUE(writeFileAtomically(file, "original"));
  const test::SyncFailure failing;
  QString reason;
  EXPECT_FALSE(writeFileAtomically(file, "new", &reason));
  EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(EIO)));
  const auto pieces = [](const PieceWriter& write) { return write("[1,") && write("2]"); };
  EXPECT_FALSE(writeFileAtomically(file, pieces));
  EXPECT_EQ(writeFilesAtomically({{file, "batch"}}), 0);
  EXPECT_EQ(readFile(file), QByteArray("original"));
  EXPECT_EQ(test::folderEntries(dir.path()), QStringList{QStringLiteral("history.json")});
  EXPECT_GE(failing.failed(), 3);
}

// Only the folder's sync fails (the file is on the disk, its rename may not be): the write still
// fails and says why, so that the caller does not take the new file for lasting. The new file is
// in place.
TEST(Paths, AFolderSyncThatFailsFailsTheWrite) {
  QTemporaryDir dir;
  const QString file = dir.path() + QStringLiteral("/history.json");
  ASSERT_TRUE(writeFileAtomically(file, "original"));
  const test::SyncFailure failing(ENOSPC, test::SyncFailure::Target::foldersOnly);
  QString reason;
  EXPECT_FALSE(writeFileAtomically(file, "new", &reason));
  EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
  EXPECT_EQ(failing.failed(), 1);
  EXPECT_EQ(readFile(file), QByteArray("new"));
  EXPECT_EQ(test::folderEntries(dir.path()), QStringList{QStringLiteral("history.json")});
}

// The rename is made lasting too: the folder is synced after the file, once it is in place.
TEST(Paths, AnAtomicWriteSyncsTheFileThenItsFolder) {
  QTemporaryDir dir;
  const QString file = dir.path() + QStringLiteral("/history.json");
  ASSERT_TRUE(writeFileAtomically(file, "original"));
  const test::SyncRecorder syncs;
  ASSERT_TRUE(writeFileAtomically(file, "new"));
  QList<test::SyncRecorder::Call> calls = syncs.calls();
  ASSERT_GE(calls.size(), 2);
  EXPECT_TRUE(calls.last().folder);
  EXPECT_EQ(calls.takeLast().path, QFileInfo(dir.path()).canonicalFilePath());
  for (const test::SyncRecorder::Call& call : calls) {
    EXPECT_FALSE(call.folder);
    EXPECT_EQ(call.size, 3) << "the new file";
  }
}

// Only regular files are read, and only up to a size: a FIFO, a link to a device or a file over
// the bound reads as unreadable at once, with the reason.
TEST(Paths, OnlyRegularFilesOfABoundedSizeAreRead) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("fifo")), zero = dir.filePath(QStringLiteral("zero")),
                large = dir.filePath(QStringLiteral("large")), plain = dir.filePath(QStringLiteral("plain"));
  const test::FifoWithDeadline fifoAtPath(fifo);
  ASSERT_TRUE(fifoAtPath.isMade());
  ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zero).constData()), 0);
  ASSERT_TRUE(writeFileAtomically(large, QByteArray(2048, 'x')));
  ASSERT_TRUE(writeFileAtomically(plain, "plain"));
  const struct {
    QString path;
    bool read;
    const char* reason;
  } cases[] = {{fifo, false, "not a regular file"},
               {zero, false, "not a regular file"},
               {large, false, "more than the 1024"},
               {dir.filePath(QStringLiteral("missing")), false, "No such file"},
               {plain, true, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    bool ok = false;
    QString reason;
    const QByteArray data = readFile(c.path, &ok, &reason, 1024);
    EXPECT_EQ(ok, c.read);
    EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
    EXPECT_EQ(data, c.read ? QByteArray("plain") : QByteArray());
  }
}

// The files of one batch are synced together; each still lands whole or not at all.
TEST(Paths, FilesWrittenTogetherLandWholeOrKeepTheirOldContent) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QStringLiteral("/made/on/the/way");
  const QString a = folder + QStringLiteral("/a"), b = folder + QStringLiteral("/b"), c = folder + QStringLiteral("/c");
  ASSERT_TRUE(writeFileAtomically(b, "old b"));
  {
    test::WriteLimit full(100);
    EXPECT_EQ(writeFilesAtomically({{a, "new a"}, {b, QByteArray(500, 'x')}, {c, "new c"}}), 2);
  }
  EXPECT_EQ(readFile(a), QByteArray("new a"));
  EXPECT_EQ(readFile(b), QByteArray("old b")) << "too large for the disk: the old content stays";
  EXPECT_EQ(readFile(c), QByteArray("new c"));
  EXPECT_EQ(modeOf(a), 0600);
  EXPECT_EQ(modeOf(folder), 0700);
  EXPECT_EQ(test::folderEntries(folder), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}))
      << "no temporary file stays";
  EXPECT_EQ(writeFilesAtomically({{b, "new b"}, {a + QStringLiteral("/x"), "a file where its folder would be"}}), 1);
  EXPECT_EQ(readFile(b), QByteArray("new b"));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// Files set aside within one second keep distinct names: a taken name would fail the rename and
// leave the unreadable file where the next write goes.
TEST(Paths, UnreadableAsideNamesNeverCollide) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("defaults.json"));
  const QDateTime now(QDate(2026, 12, 7), QTime(6, 42, 7), Qt::UTC);
  QStringList names;
  for (int i = 0; i < 3; ++i) {
    names << unreadableAsideName(path, now);
    ASSERT_TRUE(writeFileAtomically(names.last(), "x"));
  }
  EXPECT_EQ(names, QStringList({path + ".unreadable-20261207-064207", path + ".unreadable-20261207-064207-2",
                                path + ".unreadable-20261207-064207-3"}));
}

}  // namespace
}  // namespace qv
