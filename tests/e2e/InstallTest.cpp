// `cmake --install` of the built tree into a temporary prefix: exactly the program's files, a
// desktop entry and metainfo that the desktop's validators accept, and an uninstall that takes
// them out again.
#include "platform/ProgramIdentity.h"
#include "support/ProcessHelpers.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <optional>

namespace qv {
namespace {

QStringList filesUnder(const QString& root) {
  QStringList files;
  QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(root).relativeFilePath(it.next());
  files.sort();
  return files;
}

// Runs a program to its end; its exit code, or -1 when it did not run. Output goes to `output`.
int run(const QString& program, const QStringList& arguments, QByteArray* output) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(120000)) return -1;
  *output = process.readAll();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The install writes its manifest into the build folder; a user's own install keeps its list.
// Tests running side by side take turns: each uninstall reads the manifest its own install wrote.
struct KeptManifest {
  QLockFile turn;
  QString path;
  QByteArray saved;
  bool existed;
  explicit KeptManifest(const QString& buildDir)
      : turn(buildDir + QStringLiteral("/install-test.lock")),
        path(buildDir + QStringLiteral("/install_manifest.txt")) {
    turn.setStaleLockTime(0);
    turn.lock();
    QFile file(path);
    existed = file.open(QIODevice::ReadOnly);
    if (existed) saved = file.readAll();
  }
  ~KeptManifest() {
    QFile file(path);
    if (!existed) {
      file.remove();
    } else if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      file.write(saved);
    }
  }
};

// The program path an Exec value names, read back as the desktop-entry rules say: the file's
// string escapes first, then the quoting of the argument, then %% for a literal %. None when the
// value is not one valid argument (a reserved character left unquoted, a quote left open).
std::optional<QString> execProgram(const QString& value) {
  QString unescaped;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\' || i + 1 == value.size()) {
      unescaped += value[i];
      continue;
    }
    const QChar next = value[++i];
    unescaped += next == u's'   ? QChar(u' ')
                 : next == u'n' ? QChar(u'\n')
                 : next == u't' ? QChar(u'\t')
                 : next == u'r' ? QChar(u'\r')
                                : next;
  }
  QString argument;
  if (unescaped.startsWith(u'"')) {
    qsizetype i = 1;
    for (; i < unescaped.size() && unescaped[i] != u'"'; ++i) {
      if (unescaped[i] == u'`' || unescaped[i] == u'$') return std::nullopt;  // must be escaped
      if (unescaped[i] == u'\\') {
        if (++i == unescaped.size() || !QStringLiteral("\"`$\\").contains(unescaped[i])) return std::nullopt;
      }
      argument += unescaped[i];
    }
    if (i + 1 != unescaped.size()) return std::nullopt;  // no closing quote, or more after it
  } else {
    for (const QChar c : unescaped)
      if (QStringLiteral(" \t\n\"'\\><~|&;$*?#()`").contains(c)) return std::nullopt;
    argument = unescaped;
  }
  if (argument.count(u'%') != 2 * argument.count(QStringLiteral("%%"))) return std::nullopt;
  return argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

}  // namespace

// A prefix with characters the desktop-entry rules reserve, or with non-ASCII letters: the Exec
// line names the installed program as one valid argument, and uninstall removes every file.
TEST(Install, AnyPrefixGetsAValidExecLineAndUninstallsCleanly) {
  const QString buildDir = QDir(test::binDir() + QStringLiteral("/..")).canonicalPath();
  const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
  ASSERT_FALSE(cmake.isEmpty());
  const QString id = program::applicationId();
  const QString desktopValidator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  for (const QString& folder :
       {QStringLiteral("price $HOME"), QStringLiteral("say \"hi\" 'x'"), QStringLiteral("a;b"),
        QStringLiteral("~home#1*"), QStringLiteral("tick `cmd` 50%"), QStringLiteral("Bücher größe ünï")}) {
    SCOPED_TRACE(folder.toStdString());
    QTemporaryDir root;
    const QString prefix = root.path() + u'/' + folder;
    KeptManifest manifest(buildDir);
    QByteArray output;
    ASSERT_EQ(run(cmake, {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix}, &output), 0)
        << output.constData();
    QFile entry(prefix + QStringLiteral("/share/applications/") + id + QStringLiteral(".desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    QString exec;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split(u'\n'))
      if (line.startsWith(QStringLiteral("Exec="))) exec = line.mid(5);
    EXPECT_EQ(execProgram(exec), prefix + QStringLiteral("/bin/quorvalen")) << exec.toStdString();
    if (!desktopValidator.isEmpty()) {
      EXPECT_EQ(run(desktopValidator, {entry.fileName()}, &output), 0) << output.constData();
    }
    ASSERT_EQ(run(cmake, {QStringLiteral("--build"), buildDir, QStringLiteral("--target"), QStringLiteral("uninstall")},
                  &output),
              0)
        << output.constData();
    EXPECT_EQ(filesUnder(prefix), QStringList());
  }
}

// A file the manifest lists that is still there after the uninstall fails it, naming the file.
TEST(Install, UninstallFailsLoudlyWhenAListedFileStays) {
  QTemporaryDir root;
  const QString stays = root.path() + QStringLiteral("/Bücher/bin/quorvalen");
  ASSERT_TRUE(QDir().mkpath(stays + QStringLiteral("/inside")));  // a folder: removing files leaves it
  const QString gone = root.path() + QStringLiteral("/Bücher/share/icon.svg");
  ASSERT_TRUE(QDir().mkpath(root.path() + QStringLiteral("/Bücher/share")));
  QFile(gone).open(QIODevice::WriteOnly);
  QFile list(root.path() + QStringLiteral("/install_manifest.txt"));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write((gone + u'\n' + stays).toUtf8());
  list.close();
  QByteArray output;
  EXPECT_NE(run(QStandardPaths::findExecutable(QStringLiteral("cmake")),
                {QStringLiteral("-DMANIFEST=") + list.fileName(), QStringLiteral("-P"),
                 test::sourceDir() + QStringLiteral("/cmake/Uninstall.cmake")},
                &output),
            0);
  EXPECT_TRUE(QString::fromUtf8(output).contains(stays)) << output.constData();
  EXPECT_FALSE(QFile::exists(gone));
}

TEST(Install, PutsExactlyTheProgramsFilesIntoThePrefixAndUninstallTakesThemOut) {
  const QString buildDir = QDir(test::binDir() + QStringLiteral("/..")).canonicalPath();
  const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
  ASSERT_FALSE(cmake.isEmpty());
  QTemporaryDir prefix;
  KeptManifest manifest(buildDir);
  QByteArray output;
  ASSERT_EQ(run(cmake, {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix.path()}, &output), 0)
      << output.constData();

  const QString id = program::applicationId();
  QStringList expected = {QStringLiteral("bin/quorvalen"),
                          QStringLiteral("share/applications/") + id + QStringLiteral(".desktop"),
                          QStringLiteral("share/icons/hicolor/scalable/apps/") + id + QStringLiteral(".svg"),
                          QStringLiteral("share/metainfo/") + id + QStringLiteral(".metainfo.xml"),
                          QStringLiteral(QV_INSTALL_LIBDIR "/quorvalen/qvpdf.so")};
  for (const char* size : {"48x48", "128x128", "256x256"})
    expected << QStringLiteral("share/icons/hicolor/%1/apps/%2.png").arg(QLatin1String(size), id);
  expected.sort();
  EXPECT_EQ(filesUnder(prefix.path()), expected);

  QFile entry(prefix.filePath(QStringLiteral("share/applications/") + id + QStringLiteral(".desktop")));
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
  EXPECT_TRUE(entry.readAll().contains("\nExec=" + prefix.filePath(QStringLiteral("bin/quorvalen")).toUtf8() + '\n'));

  const QString desktopValidator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (!desktopValidator.isEmpty()) {
    EXPECT_EQ(run(desktopValidator, {entry.fileName()}, &output), 0) << output.constData();
  }
  const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
  if (!appstream.isEmpty()) {
    const QString metainfo = prefix.filePath(QStringLiteral("share/metainfo/") + id + QStringLiteral(".metainfo.xml"));
    EXPECT_EQ(run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}, &output), 0)
        << output.constData();
  }

  ASSERT_EQ(run(cmake, {QStringLiteral("--build"), buildDir, QStringLiteral("--target"), QStringLiteral("uninstall")},
                &output),
            0)
      << output.constData();
  EXPECT_EQ(filesUnder(prefix.path()), QStringList());
}

}  // namespace qv
