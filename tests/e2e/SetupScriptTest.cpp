// scripts/setup against a stand-in package manager on PATH: it waits while another package
// manager holds the lock (a desktop's automatic updates at boot), says what it waits for, and
// gives up after its bound; any other failure ends it at once.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace qv {
namespace {

void writeProgram(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
  file.close();
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

struct SetupCase {
  const char* name;
  int lockedUpdates;     // how many `apt-get update` runs find the lock held
  const char* failure;   // what a run past those says on failing; empty: it succeeds
  const char* lockWait;  // QV_APT_LOCK_WAIT
  int exitCode;
  bool waits;     // says it waits, naming the holder
  bool installs;  // reached `apt-get install`
};

}  // namespace

TEST(SetupScript, WaitsForThePackageManagersLockWithinItsBound) {
  const SetupCase cases[] = {
      {"lock released", 3, "", "30", 0, true, true},
      {"lock never released", 1000, "", "1", 1, true, false},
      {"other failure", 0, "E: The repository does not have a Release file.", "30", 1, false, false},
  };
  for (const SetupCase& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir stubs;
    ASSERT_TRUE(stubs.isValid());
    const QString dir = stubs.path();
    // Nothing is installed; sudo runs its command; apt-get finds the lock held the first times.
    writeProgram(dir + "/dpkg-query", "#!/bin/sh\nexit 1\n");
    writeProgram(dir + "/sudo", "#!/bin/sh\nexec \"$@\"\n");
    writeProgram(
        dir + "/apt-get",
        QByteArray("#!/bin/sh\n"
                   "dir=\"$(dirname \"$0\")\"\n"
                   "for arg in \"$@\"; do [ \"$arg\" = install ] && { echo install >> \"$dir/ran\"; exit 0; }; done\n"
                   "n=$(cat \"$dir/count\" 2>/dev/null || echo 0); echo $((n + 1)) > \"$dir/count\"\n"
                   "if [ \"$n\" -lt ") +
            QByteArray::number(c.lockedUpdates) +
            " ]; then\n"
            "  echo 'E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 "
            "(unattended-upgr)' >&2; exit 100\n"
            "fi\n" +
            (QByteArray(c.failure).isEmpty() ? QByteArray("exit 0\n")
                                             : "echo '" + QByteArray(c.failure) + "' >&2; exit 100\n"));
    QProcess setup;
    setup.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", dir + ":" + environment.value("PATH"));
    environment.insert("QV_APT_LOCK_WAIT", c.lockWait);
    environment.insert("QV_APT_LOCK_POLL", "0.05");
    setup.setProcessEnvironment(environment);
    setup.start(QStringLiteral(QV_SOURCE_DIR "/scripts/setup"), {});
    ASSERT_TRUE(setup.waitForFinished(60000));
    const QString output = QString::fromUtf8(setup.readAll());
    SCOPED_TRACE(output.toStdString());
    EXPECT_EQ(setup.exitCode(), c.exitCode);
    EXPECT_EQ(output.contains("Waiting for the package manager"), c.waits);
    EXPECT_EQ(output.contains("unattended-upgr"), c.waits);
    EXPECT_EQ(QFile::exists(dir + "/ran"), c.installs);
    if (c.exitCode != 0) {
      EXPECT_FALSE(output.trimmed().isEmpty());
    }
  }
}

}  // namespace qv
