#include "platform/Thumbnailers.h"
#include "support/HostileNames.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

namespace qv {
namespace {

// A PNG whose header claims `size` (its pixel data is not needed to refuse it).
QByteArray pngClaiming(QSize size) {
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  QByteArray ihdr("IHDR");
  char body[13] = {};
  qToBigEndian<quint32>(quint32(size.width()), body);
  qToBigEndian<quint32>(quint32(size.height()), body + 4);
  body[8] = 8;  // bit depth
  body[9] = 6;  // RGBA
  ihdr.append(body, 13);
  // CRC-32 of the chunk type and data.
  quint32 crc = 0xffffffffu;
  for (const char c : ihdr) {
    crc ^= quint8(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xffffffffu;
  char length[4], check[4];
  qToBigEndian<quint32>(13, length);
  qToBigEndian<quint32>(crc, check);
  png.append(length, 4).append(ihdr).append(check, 4);
  return png;
}

bool isAlive(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray line = stat.readAll();
  const qsizetype close = line.lastIndexOf(')');
  return close > 0 && close + 2 < line.size() && line.at(close + 2) != 'Z';
}

TEST(ThumbnailerEntries, ParseTheThumbnailerGroup) {
  const std::optional<Thumbnailer> good = parseThumbnailer(
      "[Thumbnailer Entry]\nTryExec=/usr/bin/thumb\nExec=/usr/bin/thumb -s %s %u %o\n"
      "MimeType=image/png;image/x-foo;\n",
      "/x/a.thumbnailer");
  ASSERT_TRUE(good);
  EXPECT_EQ(good->tryExec, QStringLiteral("/usr/bin/thumb"));
  EXPECT_EQ(good->exec, QStringLiteral("/usr/bin/thumb -s %s %u %o"));
  EXPECT_EQ(good->mimeTypes, QStringList({"image/png", "image/x-foo"}));
  EXPECT_EQ(good->file, QStringLiteral("/x/a.thumbnailer"));
  EXPECT_FALSE(parseThumbnailer("[Desktop Entry]\nExec=thumb %o\nMimeType=image/png;\n"));
  EXPECT_FALSE(parseThumbnailer("[Thumbnailer Entry]\nMimeType=image/png;\n"));
  EXPECT_FALSE(parseThumbnailer("[Thumbnailer Entry]\nExec=thumb %o\n"));
}

TEST(ThumbnailerEntries, ExecLinesBecomeWholeArgumentsOrNothing) {
  const QString input = QStringLiteral("/x/a \"b\"\n$(rm -rf ~).pdf");
  const QByteArray uri = "file:///x/a%20%22b%22%0A$(rm%20-rf%20~).pdf";
  const QString output = QStringLiteral("/tmp/out.png");
  const struct {
    QString exec;
    QStringList command;
  } cases[] = {
      {"thumb -s %s %u %o", {"thumb", "-s", "256", QString::fromLatin1(uri), output}},
      {"thumb -i %i -o %o --size=%s", {"thumb", "-i", input, "-o", output, "--size=256"}},
      {"\"/opt/my thumb\" %i %o", {"/opt/my thumb", input, output}},
      {"thumb \"quoted \\\"arg\\\"\" %o 100%%", {"thumb", "quoted \"arg\"", output, "100%"}},
      {"thumb %i", {}},         // writes nowhere we read
      {"thumb %i %o %x", {}},   // unknown code
      {"%i %o", {}},            // the program from the input
      {"thumb \"open %o", {}},  // unclosed quote
      {"", {}},
      {"thumb %o %", {}},                                       // a lone percent sign
      {"sh -c \"convert %i %o\"", {}},                          // a code inside quotes
      {"sh -c \"convert \\%i\" %o", {}},                        // escaped, still a code inside quotes
      {"sh -c %i %o", {}},                                      // the input as a shell's command
      {"sh -ec convert%i %o", {}},                              // joined to a shell's command
      {"python3 -c %i %o", {}},                                 // an interpreter's code
      {"sh -c \"convert \\\"\\$1\\\" \\\"\\$2\\\"\" sh %i %o",  // the input as the shell's $1
       {"sh", "-c", "convert \"$1\" \"$2\"", "sh", input, output}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(thumbnailerCommand(c.exec, input, uri, output, 256), c.command) << c.exec.toStdString();
}

TEST(ThumbnailerEntries, TheTypeItsAliasesThenItsParentsChooseTheThumbnailer) {
  const Thumbnailer text{"/a/text.thumbnailer", {}, "text %o", {"text/plain"}};
  const Thumbnailer xml{"/a/xml.thumbnailer", {}, "xml %o", {"application/xml"}};
  const Thumbnailer missing{"/a/missing.thumbnailer", "/nonexistent/program", "svg %o", {"image/svg+xml"}};
  const Thumbnailer svg{"/b/svg.thumbnailer", "sh", "svg2 %o", {"image/svg+xml"}};
  const Thumbnailer alias{"/b/alias.thumbnailer", {}, "bmp %o", {"image/x-bmp"}};
  const QList<Thumbnailer> all{text, xml, missing, svg, alias};
  EXPECT_EQ(thumbnailerFor(all, QStringLiteral("text/plain")), text);
  // A C file is a kind of plain text.
  EXPECT_EQ(thumbnailerFor(all, QStringLiteral("text/x-csrc")), text);
  // SVG's own thumbnailer is not installed; the next one for the type is taken before its parent's.
  EXPECT_EQ(thumbnailerFor(all, QStringLiteral("image/svg+xml")), svg);
  EXPECT_EQ(thumbnailerFor(all, QStringLiteral("image/bmp")), alias);
  EXPECT_FALSE(thumbnailerFor(all, QStringLiteral("application/pdf")));
  EXPECT_FALSE(thumbnailerFor({missing}, QStringLiteral("image/svg+xml")));
}

TEST(ThumbnailerEntries, EarlierFoldersHideLaterFilesOfTheSameName) {
  QTemporaryDir root;
  const QString first = root.filePath("home/thumbnailers"), second = root.filePath("usr/thumbnailers");
  QDir().mkpath(first);
  QDir().mkpath(second);
  auto write = [](const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  };
  write(first + "/a.thumbnailer", "[Thumbnailer Entry]\nExec=mine %o\nMimeType=text/plain;\n");
  write(second + "/a.thumbnailer", "[Thumbnailer Entry]\nExec=theirs %o\nMimeType=text/plain;\n");
  write(second + "/b.thumbnailer", "[Thumbnailer Entry]\nExec=other %o\nMimeType=image/png;\n");
  write(second + "/broken.thumbnailer", "garbage");
  write(second + "/huge.thumbnailer",
        "[Thumbnailer Entry]\nExec=big %o\nMimeType=image/png;\n#" + QByteArray(128 * 1024, 'x'));
  const QList<Thumbnailer> read = readThumbnailers({first, second, root.filePath("missing")});
  ASSERT_EQ(read.size(), 2);
  EXPECT_EQ(read.at(0).exec, QStringLiteral("mine %o"));
  EXPECT_EQ(read.at(1).exec, QStringLiteral("other %o"));

  qputenv("XDG_DATA_HOME", root.filePath("home").toUtf8());
  qputenv("XDG_DATA_DIRS", (root.filePath("usr") + ":" + root.filePath("usr/")).toUtf8());
  EXPECT_EQ(thumbnailerFoldersFromEnvironment(), QStringList({first, second}));
  qunsetenv("XDG_DATA_HOME");
  qunsetenv("XDG_DATA_DIRS");
}

// Scripts standing in for installed thumbnailers, run for real.
struct ThumbnailerRuns : ::testing::Test {
  ThumbnailerRuns() {
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 220));
    image.save(folder.filePath("fixture.png"));
    QFile big(folder.filePath("huge.png"));
    big.open(QIODevice::WriteOnly);
    big.write(pngClaiming({20000, 20000}));
  }
  // A thumbnailer running `body` (a shell script; arguments: size, input path, output path).
  Thumbnailer script(const QString& name, const QByteArray& body) {
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return Thumbnailer{path + ".thumbnailer", path, "\"" + path + "\" %s %i %o", {"text/plain"}};
  }
  std::optional<QImage> run(const Thumbnailer& thumbnailer, const QString& file, double seconds = 10) {
    ThumbnailerLimits limits;
    limits.seconds = seconds;
    return runThumbnailer(thumbnailer, file, "file://" + QFile::encodeName(file), 128, folder.filePath("tmp"), limits)
        .picture;
  }
  QTemporaryDir folder;
  QString input = folder.filePath("notes.txt");
};

TEST_F(ThumbnailerRuns, AGoodThumbnailerGivesItsPictureBroughtDownToTheSize) {
  QDir().mkpath(folder.filePath("tmp"));
  const QString odd = folder.filePath("it's \"odd\"\nname $HOME.txt");
  QFile(odd).open(QIODevice::WriteOnly);
  // It writes only when its input arrives as one whole, existing path.
  const Thumbnailer good = script(
      "good", "[ -f \"$2\" ] || exit 3\ncp '" + QFile::encodeName(folder.filePath("fixture.png")) + "' \"$3\"\n");
  const std::optional<QImage> picture = run(good, odd);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->size(), QSize(128, 85));
  // Its private folder is gone.
  EXPECT_TRUE(QDir(folder.filePath("tmp")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(ThumbnailerRuns, FailuresGarbageAndOversizedOutputGiveNothing) {
  QDir().mkpath(folder.filePath("tmp"));
  const QByteArray fixture = QFile::encodeName(folder.filePath("fixture.png"));
  const struct {
    const char* name;
    QByteArray body;
  } cases[] = {
      {"fails", "cp '" + fixture + "' \"$3\"\nexit 1\n"},
      {"writes-nothing", "exit 0\n"},
      {"writes-garbage", "echo 'not a picture at all' > \"$3\"\n"},
      {"writes-huge-png", "cp '" + QFile::encodeName(folder.filePath("huge.png")) + "' \"$3\"\n"},
      {"writes-a-link", "ln -s /etc/passwd \"$3\"\n"},
      {"writes-a-link-to-a-picture", "ln -s '" + fixture + "' \"$3\"\n"},
      {"writes-a-folder", "mkdir \"$3\"\n"},
  };
  for (const auto& c : cases) EXPECT_FALSE(run(script(QString::fromLatin1(c.name), c.body), input)) << c.name;
  Thumbnailer missing = script("absent", "exit 0\n");
  missing.exec = folder.filePath("no-such-program") + " %i %o";
  EXPECT_FALSE(run(missing, input));
}

TEST_F(ThumbnailerRuns, AThumbnailerThatHangsIsKilledWithWhatItStarted) {
  QDir().mkpath(folder.filePath("tmp"));
  const QByteArray pids = QFile::encodeName(folder.filePath("pids"));
  const Thumbnailer hangs = script("hangs", "sleep 30 &\necho $$ $! > '" + pids + "'\nwait\n");
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(run(hangs, input, 0.5));
  EXPECT_LT(clock.elapsed(), 5000);
  QFile file(QString::fromLocal8Bit(pids));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> started = file.readAll().trimmed().split(' ');
  ASSERT_EQ(started.size(), 2);
  for (const QByteArray& pid : started) {
    // The orphaned child is reaped by whoever adopted it; give that a moment.
    QElapsedTimer reap;
    reap.start();
    while (isAlive(pid.toLongLong()) && reap.elapsed() < 3000) ::usleep(20000);
    EXPECT_FALSE(isAlive(pid.toLongLong())) << pid.constData();
  }
}

TEST_F(ThumbnailerRuns, ANameNeverRunsACommandAndASoundThumbnailerGetsTheExactPath) {
  QDir().mkpath(folder.filePath("tmp"));
  const QByteArray here = QFile::encodeName(folder.path());
  const QByteArray fixture = QFile::encodeName(folder.filePath("fixture.png"));
  const QByteArray recorded = QFile::encodeName(folder.filePath("recorded"));
  // Hostile lines: the name would reach a shell's command text, run in this test's folder.
  Thumbnailer inQuotes = script("unused", "exit 0\n");
  inQuotes.exec = "sh -c \"cd '" + QString::fromLocal8Bit(here) + "' && cp '" + QString::fromLocal8Bit(fixture) +
                  "' %o && cat %i\"";
  Thumbnailer asCode = inQuotes;
  asCode.exec = "sh -ec %i %o";
  const Thumbnailer sound = script("records", "printf '%s' \"$2\" > '" + recorded + "'\ncp '" + fixture + "' \"$3\"\n");
  for (const QString& name : test::hostileFileNames()) {
    SCOPED_TRACE(name.toStdString());
    const QString path = folder.filePath(name);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(run(inQuotes, path));
    EXPECT_FALSE(run(asCode, path));
    EXPECT_TRUE(run(sound, path));
    QFile record(QString::fromLocal8Bit(recorded));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(QFile::decodeName(record.readAll()), path);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("PWNED")));
  }
}

// What a thumbnailer leaves running in a session of its own (setsid), by each way a run ends.
TEST_F(ThumbnailerRuns, NothingItStartedOutlivesTheRunNotEvenInASessionOfItsOwn) {
  QDir().mkpath(folder.filePath("tmp"));
  const QByteArray fixture = QFile::encodeName(folder.filePath("fixture.png"));
  const struct {
    const char* name;
    QByteArray ending;  // after its grandchild is running
    double seconds;
    bool cancel;
    ThumbnailerRun::End end;
  } cases[] = {
      {"finishes", "cp '" + fixture + "' \"$3\"\n", 10, false, ThumbnailerRun::End::wrote},
      {"fails", "exit 3\n", 10, false, ThumbnailerRun::End::failed},
      {"hangs-past-its-time", "exec sleep 30\n", 0.5, false, ThumbnailerRun::End::outOfTime},
      {"is-cancelled", "exec sleep 30\n", 10, true, ThumbnailerRun::End::cancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray pidFile = QFile::encodeName(folder.filePath(QString::fromLatin1(c.name) + ".pid"));
    // A double fork into a new session: the grandchild belongs to neither the thumbnailer's
    // process group nor its session, and its parent is gone before the thumbnailer ends.
    const Thumbnailer thumbnailer = script(
        QString::fromLatin1(c.name), "(setsid sh -c 'echo $$ > \"" + pidFile + ".tmp\"; mv \"" + pidFile + ".tmp\" \"" +
                                         pidFile +
                                         "\"; exec sleep 30' &)\n"
                                         "while [ ! -s '" +
                                         pidFile + "' ]; do sleep 0.01; done\n" + c.ending);
    ThumbnailerLimits limits;
    limits.seconds = c.seconds;
    const bool cancel = c.cancel;
    const QString pids = QString::fromLocal8Bit(pidFile);
    const ThumbnailerRun run = runThumbnailer(thumbnailer, input, "file:///x", 128, folder.filePath("tmp"), limits,
                                              [cancel, pids] { return cancel && QFileInfo(pids).size() > 0; });
    EXPECT_EQ(run.end, c.end);
    EXPECT_EQ(bool(run.picture), c.end == ThumbnailerRun::End::wrote);
    QFile file(pids);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const qint64 grandchild = file.readAll().trimmed().toLongLong();
    ASSERT_GT(grandchild, 1);
    // Gone when the run returns, not some time later.
    EXPECT_FALSE(isAlive(grandchild));
    if (isAlive(grandchild)) ::kill(pid_t(grandchild), SIGKILL);
  }
}

TEST_F(ThumbnailerRuns, ACancelledRunEndsAtOnce) {
  QDir().mkpath(folder.filePath("tmp"));
  const Thumbnailer hangs = script("hangs-too", "exec sleep 30\n");
  QElapsedTimer clock;
  clock.start();
  const ThumbnailerRun run = runThumbnailer(hangs, input, "file:///x", 128, folder.filePath("tmp"), {},
                                            [&clock] { return clock.elapsed() > 200; });
  EXPECT_FALSE(run.picture);
  EXPECT_EQ(run.end, ThumbnailerRun::End::cancelled);
  EXPECT_LT(clock.elapsed(), 3000);
}

}  // namespace
}  // namespace qv
