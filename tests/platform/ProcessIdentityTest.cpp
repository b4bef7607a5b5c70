#include "platform/fake/FakeWorkspace.h"
#include "platform/x11/ProcessIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qv::x11 {
namespace {

// A folder laid out like /proc with the processes a test declares.
class FakeProc {
 public:
  void add(qint64 pid, qint64 parent, const QString& executable, const QByteArray& environ = {},
           const QByteArray& cgroup = "0::/user.slice\n", uint uid = 1000, const QByteArray& flatpakInfo = {}) {
    const QString base = root.filePath(QString::number(pid));
    QDir().mkpath(base + QStringLiteral("/root"));
    write(base + QStringLiteral("/status"),
          "Name:\tx\nPPid:\t" + QByteArray::number(parent) + "\nUid:\t" + QByteArray::number(uid) + "\t" +
              QByteArray::number(uid) + "\n");
    QFile::link(executable, base + QStringLiteral("/exe"));
    write(base + QStringLiteral("/environ"), environ);
    write(base + QStringLiteral("/cgroup"), cgroup);
    if (!flatpakInfo.isEmpty()) write(base + QStringLiteral("/root/.flatpak-info"), flatpakInfo);
  }
  QString path() const { return root.path(); }

 private:
  static void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  QTemporaryDir root;
};

QByteArray launchedBy(qint64 pid) {
  return QByteArray("HOME=/home/x") + '\0' +
         "GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/org.example.Launched.desktop" + '\0' +
         "GIO_LAUNCHED_DESKTOP_FILE_PID=" + QByteArray::number(pid) + '\0';
}

ProcessIdentity identityOver(const FakeProc& proc) {
  // The resolver stands in for the desktop-entry index: it knows classes and programs.
  return ProcessIdentity(
      [](const QString& windowClass, const QString& executable) {
        if (windowClass == QLatin1String("Gedit")) return QStringLiteral("org.gnome.gedit");
        return executable.section(u'/', -1);
      },
      [](const QString& id) { return QStringLiteral("/apps/") + id + QStringLiteral(".desktop"); }, proc.path());
}

TEST(ProcessIdentityTest, SandboxLauncherAndWindowClassNameTheApplication) {
  FakeProc proc;
  proc.add(10, 1, QStringLiteral("/app/bin/thing"), {}, "0::/\n", 1000,
           "[Application]\nname=org.example.Thing\nruntime=x\n[Instance]\nname=other\n");
  proc.add(11, 1, QStringLiteral("/snap/firefox/123/firefox"), {},
           "0::/user.slice/user-1000.slice/user@1000.service/app.slice/snap.firefox.firefox-0a1b.scope\n");
  proc.add(12, 1, QStringLiteral("/usr/bin/launched"), launchedBy(12));
  // Inherited from the launcher: names the parent, not this process.
  proc.add(13, 12, QStringLiteral("/usr/bin/helper"), launchedBy(12));
  proc.add(14, 1, QStringLiteral("/usr/bin/gedit"));
  const ProcessIdentity identity = identityOver(proc);

  EXPECT_EQ(identity.application(10)->desktopId, QStringLiteral("org.example.Thing"));
  EXPECT_EQ(identity.application(11)->desktopId, QStringLiteral("firefox_firefox"));
  EXPECT_EQ(identity.application(12)->desktopId, QStringLiteral("org.example.Launched"));
  EXPECT_EQ(identity.application(13)->desktopId, QStringLiteral("helper"));
  const auto gedit = identity.application(14, QStringLiteral("Gedit"));
  EXPECT_EQ(gedit->desktopId, QStringLiteral("org.gnome.gedit"));
  EXPECT_EQ(gedit->desktopFile, QStringLiteral("/apps/org.gnome.gedit.desktop"));
  EXPECT_EQ(gedit->executable, QStringLiteral("/usr/bin/gedit"));
  EXPECT_FALSE(identity.application(99).has_value()) << "a process that is gone";
}

TEST(ProcessIdentityTest, HelperProcessBelongsToTheOutermostApplicationOfItsFolder) {
  FakeProc proc;
  proc.add(20, 1, QStringLiteral("/usr/bin/bash"));
  proc.add(21, 20, QStringLiteral("/opt/browser/browser"));
  proc.add(22, 21, QStringLiteral("/opt/browser/browser"));          // a content process
  proc.add(23, 22, QStringLiteral("/opt/browser/plugins/renderer")); // nested deeper
  proc.add(24, 20, QStringLiteral("/usr/bin/xclip"));                 // started by a shell
  proc.add(25, 21, QStringLiteral("/opt/other/tool"));                // another folder
  proc.add(26, 21, QStringLiteral("/opt/browser/sandbox"), {}, "0::/\n", 0);  // another user
  const ProcessIdentity identity = identityOver(proc);

  EXPECT_EQ(identity.containingApplicationId(23), QStringLiteral("browser"));
  EXPECT_EQ(identity.containingApplicationId(22), QStringLiteral("browser"));
  EXPECT_FALSE(identity.containingApplicationId(21).has_value()) << "its own outermost application";
  EXPECT_FALSE(identity.containingApplicationId(24).has_value()) << "a shell's folder holds no application";
  EXPECT_FALSE(identity.containingApplicationId(25).has_value());
  EXPECT_FALSE(identity.containingApplicationId(26).has_value());
}

TEST(ProcessIdentityTest, FallbackFindsDesktopFilesByClassOrProgram) {
  QTemporaryDir data;
  QDir().mkpath(data.filePath(QStringLiteral("applications")));
  QFile entry(data.filePath(QStringLiteral("applications/org.example.Editor.desktop")));
  ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
  entry.write("[Desktop Entry]\nType=Application\nName=Editor\n");
  entry.close();
  const QByteArray previous = qgetenv("XDG_DATA_DIRS");
  qputenv("XDG_DATA_DIRS", data.path().toUtf8());
  EXPECT_EQ(ProcessIdentity::fallbackDesktopId(QStringLiteral("org.example.Editor"), QStringLiteral("/usr/bin/ed")),
            QStringLiteral("org.example.Editor"));
  EXPECT_EQ(ProcessIdentity::fallbackDesktopFile(QStringLiteral("org.example.Editor")),
            entry.fileName());
  EXPECT_EQ(ProcessIdentity::fallbackDesktopId(QStringLiteral("Kate"), QStringLiteral("/usr/bin/kate")),
            QStringLiteral("kate"));
  EXPECT_EQ(ProcessIdentity::fallbackDesktopId({}, QStringLiteral("/usr/bin/xclip")), QStringLiteral("xclip"));
  EXPECT_TRUE(ProcessIdentity::fallbackDesktopFile(QStringLiteral("../etc/passwd")).isEmpty());
  qputenv("XDG_DATA_DIRS", previous);
}

TEST(ProcessIdentityTest, RealProcEntryOfThisProcess) {
  const ProcessIdentity identity;
  const auto self = identity.application(getpid());
  ASSERT_TRUE(self.has_value());
  EXPECT_EQ(self->executable, QCoreApplication::applicationFilePath());
  EXPECT_EQ(self->desktopId, QStringLiteral("test_platform"));
}

TEST(FakeWorkspaceTest, RemembersAppsAndRefusesGoneOnes) {
  FakeWorkspace workspace;
  const RunningApp editor{5, 0x400001, QStringLiteral("Gedit"), QStringLiteral("org.gnome.gedit"), {}, QStringLiteral("/usr/bin/gedit")};
  workspace.addApplication(editor, QStringLiteral("org.gnome.Outer"));
  EXPECT_EQ(workspace.applicationForPid(5), editor);
  EXPECT_EQ(workspace.containingApplicationId(5), QStringLiteral("org.gnome.Outer"));
  EXPECT_TRUE(workspace.activate(editor));
  EXPECT_EQ(workspace.frontmostApplication(), editor);
  workspace.removeApplication(5);
  EXPECT_FALSE(workspace.activate(editor));
  EXPECT_EQ(workspace.activations.size(), 1);
}

}  // namespace
}  // namespace qv::x11
