// `cmake --install` of the built tree into a temporary prefix: exactly the program's files, a
// desktop entry and metainfo that the desktop's validators accept, and an uninstall that takes
// them out again.
#include "platform/ProgramIdentity.h"
#include "support/ProcessHelpers.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

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
struct KeptManifest {
  QString path;
  QByteArray saved;
  bool existed;
  explicit KeptManifest(const QString& buildDir) : path(buildDir + QStringLiteral("/install_manifest.txt")) {
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

}  // namespace

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
                          QStringLiteral("share/metainfo/") + id + QStringLiteral(".metainfo.xml")};
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
